// The commands that stop and restart playing components and close menus:
// MovieStop (at once, or with a fade-out the script may wait for),
// MediaPlay and MenuClose. Play states: 0 playing, 1 fading in, 2 stopped,
// 3 stopping with a fade-out (a menu closing with its animation).
#include "archive/VrFileManager.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "components/NuvoBaseList.h"
#include "engine/CallMan.h"
#include "engine/CommandRuntime.h"
#include "engine/Commands.h"
#include "engine/ProgramContext.h"
#include "script/Param.h"

#include <string_view>

namespace nuvo::run {

namespace {

// Sources of the CD audio manager, which the virtual file manager does not
// hold.
constexpr std::string_view kCdSourcePrefix = "CD_";

bool sourceFound(TCallMan& cm, const std::string& source) {
    if (std::string_view(source).substr(0, kCdSourcePrefix.size()) == kCdSourcePrefix) return true;
    TVrFileManager* files = cm.Context().Files;
    return files && files->Exists(source);
}

// The object a command names, unless the name is empty.
TNuvoObject* namedObject(TCallMan& cm, const TExpr& nameExpr) {
    TNuvoBaseList* registry = componentRegistry(cm);
    const std::string name = textOf(cm, nameExpr);
    if (!registry || name.empty()) return nullptr;
    return registry->FindByName(name);
}

} // namespace

// ---- MovieStop ---------------------------------------------------------------------

void movieStopBegin(TCallMan& cm, TCommand& c) {
    auto& cmd = static_cast<TComMovieStop&>(c);
    cmd.Blocked = cm.Condition(cmd.BlockedExpr, false) ? 1 : 0;
    cmd.Waiting = 0;
    cmd.TargetComponent.reset();
    TNuvoObject* target = namedObject(cm, cmd.ComponentExpr);
    if (!target) return;
    const TCustomParam* fadeValue = cm.Evaluate(cmd.FadeTimeExpr);
    const int32_t fade = fadeValue ? fadeValue->AsInteger() : 0;
    if (fade > 0) {
        // A fade needs the playing item: a source that cannot be found stops
        // nothing, and only what plays or fades in can fade out.
        const int32_t state = target->GetPlayState();
        if (sourceFound(cm, target->GetSource()) && (state == 0 || state == 1)) {
            target->SetDelay(fade);
            target->SetPlayState(3);
            cmd.TargetComponent.reset(target);
        }
    } else {
        target->SetPlayState(2);
        target->Delete();
    }
    if (const TCustomParam* wait = cm.Evaluate(cmd.WaitExpr)) cmd.Waiting = wait->AsBool() ? 1 : 0;
}

// A component that ends its fade-out frees itself, which ends the wait.
void movieStopExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    auto& cmd = static_cast<TComMovieStop&>(c);
    if (cmd.Waiting && cmd.TargetComponent) {
        cm.Running = 0;
        return;
    }
    ++index;
}

bool movieStopBlocksEvents(const TCommand& c) { return static_cast<const TComMovieStop&>(c).Blocked != 0; }

void movieStopSaveState(TCommand& c, std::unique_ptr<TKvMemoryStream>& stream) {
    auto& cmd = static_cast<TComMovieStop&>(c);
    TKvMemoryStream& s = beginState(stream);
    const TNuvoObject* target = cmd.TargetComponent.get();
    WriteStr(s, target ? target->Name() : std::string());
    WriteByte(s, cmd.Waiting);
    WriteByte(s, cmd.Blocked);
}

void movieStopLoadState(TCallMan& cm, TCommand& c, TStream& s) {
    auto& cmd = static_cast<TComMovieStop&>(c);
    const int version = readStateTag(s);
    const std::string name = ReadStrChecked(s);
    const uint8_t waiting = ReadByteChecked(s);
    const uint8_t blocked = version >= 100 ? ReadByteChecked(s) : 0;
    // Looked up once everything is read, so that damaged data never reaches
    // the registry.
    TNuvoBaseList* registry = componentRegistry(cm);
    cmd.TargetComponent.reset(registry && !name.empty() ? registry->FindByName(name) : nullptr);
    cmd.Waiting = waiting;
    cmd.Blocked = blocked;
}

// ---- MediaPlay, MenuClose -------------------------------------------------------------

void mediaPlayExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    ++index;
    if (TNuvoObject* object = namedObject(cm, static_cast<TComMediaPlay&>(c).NameExpr)) object->RestartMedia();
}

// Any object is told, whatever it is: a menu closes with its animation, a
// sound or a video fades out.
void menuCloseExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    ++index;
    if (TNuvoObject* object = namedObject(cm, static_cast<TComMenuClose&>(c).NameExpr)) object->SetPlayState(3);
}

} // namespace nuvo::run
