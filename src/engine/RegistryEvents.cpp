#include "engine/RegistryEvents.h"

#include "components/NuvoBaseList.h"

namespace nuvo {

namespace {

class TComponentSender final : public TEventSender {
public:
    explicit TComponentSender(TNuvoObject* object) : object_(object) {}
    bool Exists() const override { return object_.get() != nullptr; }
    std::string Name() const override {
        const TNuvoObject* o = object_.get();
        return o ? o->Name() : std::string();
    }

private:
    TNuvoRef<TNuvoObject> object_;
};

} // namespace

bool TRegistryEvents::FirstPending(TScriptEvent& event) {
    const TTimerData* e = bases_.Events.FirstPending();
    if (!e) return false;
    event.Handler = e->Handler;
    // Every event has a sender, gone or not: that is how the interpreter
    // tells the frames of handlers from those of the main script.
    event.Sender = std::make_shared<TComponentSender>(e->Sender.get());
    event.Args = e->Args;
    return true;
}

void TRegistryEvents::TakeFirstPending(int32_t level) { bases_.Events.TakeFirstPending(level); }
void TRegistryEvents::RemoveFirstPending() { bases_.Events.RemoveFirstPending(); }
void TRegistryEvents::RemoveLevel(int32_t level) { bases_.Events.RemoveLevel(level); }
void TRegistryEvents::RemoveTaken() { bases_.Events.RemoveTaken(); }
void TRegistryEvents::RemoveAll() { bases_.Events.Clear(); }

TEventSenderRef TRegistryEvents::FindSender(std::string_view name) {
    TNuvoObject* object = name.empty() ? nullptr : bases_.FindNamed(name);
    return object ? std::make_shared<TComponentSender>(object) : nullptr;
}

void TRegistryEvents::ResetComponents() { bases_.Reset(); }

} // namespace nuvo
