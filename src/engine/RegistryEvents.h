// The interpreter's view of the component registry: the registry's event
// queue and its components by name, as IScriptEvents. Senders are the
// queued components, held weakly: a sender whose component was freed no
// longer exists.
#pragma once

#include "engine/ScriptEvents.h"

namespace nuvo {

class TNuvoBaseList;

class TRegistryEvents final : public IScriptEvents {
public:
    // The registry is borrowed and must outlive this object.
    explicit TRegistryEvents(TNuvoBaseList& bases) : bases_(bases) {}

    bool FirstPending(TScriptEvent& event) override;
    void TakeFirstPending(int32_t level) override;
    void RemoveFirstPending() override;
    void RemoveLevel(int32_t level) override;
    void RemoveTaken() override;
    void RemoveAll() override;
    TEventSenderRef FindSender(std::string_view name) override;
    void ResetComponents() override;
    TNuvoBaseList* Components() override { return &bases_; }

private:
    TNuvoBaseList& bases_;
};

} // namespace nuvo
