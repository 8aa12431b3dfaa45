// Feeds any bytes to the interpreter record reader, as a game load does, over
// a small title held in memory (pages with a Wait, a Call, a handler and a
// MovieStop waiting for a sound of the registry to fade out), so that the
// bytes reach the saved state of each of those commands, directly or through
// the call frames. A record that reads must write back a record that reads
// to the same record again, and the interpreter must then run frames from
// it.
#include "archive/VrFileManager.h"
#include "base/Error.h"
#include "base/Stream.h"
#include "components/NuvoBaseList.h"
#include "engine/CallMan.h"
#include "engine/Page.h"
#include "engine/PageSource.h"
#include "engine/ProgramContext.h"
#include "engine/ScriptEvents.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace nuvo;

class Sender final : public TEventSender {
public:
    bool Exists() const override { return true; }
    std::string Name() const override { return "button"; }
};

// A sound as MovieStop meets one: playing from a source the title holds;
// a fade-out frees it after a few frames.
class Sound final : public TNuvoComponent {
public:
    using TNuvoComponent::TNuvoComponent;
    int32_t state = 0;
    int32_t fadeTicks = 3;
    uint8_t GetCompoType() const override { return LT_SOUND; }
    std::string GetSource() const override { return "a.nsb"; }
    int32_t GetPlayState() const override { return state; }
    void SetPlayState(int32_t v) override { state = v; }
    bool Tick() override { return state == 3 && --fadeTicks <= 0; }
};

// One component, "button", whose click runs h.nsb, and the registry with the
// sound "bgm"; events are raised anew for every input.
class Events final : public IScriptEvents {
public:
    struct Record {
        std::string handler;
        int32_t level = 0;
    };
    std::vector<Record> records;
    TEventSenderRef sender = std::make_shared<Sender>();

    Record* first() {
        for (Record& r : records)
            if (r.level == 0) return &r;
        return nullptr;
    }
    bool FirstPending(TScriptEvent& e) override {
        Record* r = first();
        if (!r) return false;
        e = {r->handler, sender, {"x"}};
        return true;
    }
    void TakeFirstPending(int32_t level) override { first()->level = level; }
    void RemoveFirstPending() override { records.erase(records.begin() + (first() - records.data())); }
    void RemoveLevel(int32_t level) override {
        std::erase_if(records, [&](const Record& r) { return r.level == level; });
    }
    void RemoveTaken() override {
        std::erase_if(records, [](const Record& r) { return r.level != 0; });
    }
    void RemoveAll() override { records.clear(); }
    TEventSenderRef FindSender(std::string_view name) override { return name == "button" ? sender : nullptr; }
    void ResetComponents() override {}
    TNuvoBaseList* Components() override { return &registry; }

    TNuvoBaseList registry;
};

void addPage(TVrFileManager& files, const char* name, const char* source) {
    TPage page;
    readPageSource(source, page);
    TKvMemoryStream bytes;
    page.SaveToStream(bytes);
    files.Archive(0).AddMemoryEntry(name)->Data->write(bytes.memory(), bytes.size());
}

struct World {
    TVrFileManager files{nullptr, nullptr};
    TParamCollection vars;
    TSysFuncMan functions;
    ScriptContext script{vars, functions};
    Events events;
    TProgramContext context;

    World() {
        files.AddArchive("");
        addPage(files, "a.nsb",
                "page version=116 result=int\nVarNew \"n\" type=int\nWait time={50} blocked={n > 2}\n"
                "Call \"b.nsb\" cond={TRUE} result=\"r\" args=[{n}]\nCalc {n = n + 1}\nJump \"a.nsb\" index=1 "
                "cond={TRUE}\n");
        addPage(files, "b.nsb", "page version=116 result=str\nWait time={20}\nCalc {@Result = \"x\"}\n");
        addPage(files, "h.nsb", "page version=116 result=int\nWait time={30}\nDoEvent\n");
        addPage(files, "m.nsb",
                "page version=116 result=int\nMovieStop {\"bgm\"} fade={500} wait={TRUE}\nCall \"b.nsb\"\n"
                "Jump \"m.nsb\" index=0 cond={TRUE}\n");
        context.Files = &files;
        context.Vars = &vars;
        context.Script = &script;
        context.Events = &events;
    }
};

std::vector<uint8_t> save(TCallMan& cm) {
    TKvMemoryStream s;
    cm.SaveToStream(s);
    return s.bytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World world;
    if (size < 1) return 0;
    world.events.records.clear();
    world.events.registry.Clear();
    world.events.registry.Create<Sound>()->SetName("bgm");
    world.vars.ClearGameVariables();
    // The first byte picks the save version: before or from the one that
    // stores the event level.
    const int32_t version = data[0] & 1 ? 116 : 115;
    TKvMemoryStream s(std::vector<uint8_t>(data + 1, data + size));
    TCallMan cm(world.context);
    cm.MaxStepsPerRun = 2000;
    try {
        cm.LoadFromStream(s, version);
    } catch (const ENuvoError&) {
        return 0;
    }
    const std::vector<uint8_t> first = save(cm);
    TCallMan again(world.context);
    TKvMemoryStream firstStream(first);
    again.LoadFromStream(firstStream, 116); // raises, and so fails the run, if it cannot
    if (save(again) != first) __builtin_trap();

    for (int frame = 0; frame < 8; ++frame) {
        if (frame == 2) world.events.records.push_back({"h.abc", 0});
        world.context.FrameDelta = 16;
        world.context.TimeCounter += 16;
        cm.Run();
        world.events.registry.Tick();
    }
    return 0;
}
