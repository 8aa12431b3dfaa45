// Flip: switches the two base screens, moving the chosen components of the
// front screen to the back one first and running a transition between them.
// The outgoing picture is kept in a snapshot image above everything on the
// front screen (components leaving it do not tear holes in it), the
// transition runs for its duration, and then the back screen becomes the
// front one, the snapshot goes and, when asked, the outgoing screen is
// cleared.
//
// Phases: 0 the first frame draws the prepared state, 1 the transition's
// time starts, 2 it runs, 3 no timed transition (the switch comes at once).
#include "base/Error.h"
#include "base/IntMath.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "components/NuvoBaseList.h"
#include "components/NuvoImage.h"
#include "engine/CallMan.h"
#include "engine/CommandRuntime.h"
#include "engine/Commands.h"
#include "engine/ProgramContext.h"
#include "script/Param.h"

#include <string_view>
#include <vector>

namespace nuvo::run {
namespace {

constexpr std::string_view kSnapshotName = "\x01\x01";
constexpr int32_t kLastTransitionKind = 38;

// The lines of every name text (split at CR, LF or CR LF).
std::vector<std::string> nameLines(TCallMan& cm, const TExprList& names) {
    std::vector<std::string> lines;
    for (const TExpr& e : names) {
        const TCustomParam* v = cm.Evaluate(e);
        if (!v) continue;
        const std::string text = v->AsString();
        size_t start = 0;
        for (size_t i = 0; i <= text.size(); ++i) {
            if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
            lines.push_back(text.substr(start, i - start));
            if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    return lines;
}

// Mode 0 chooses the components not listed, mode 1 the listed ones, any
// other mode none.
bool chosen(const std::string& name, const std::vector<std::string>& lines, int32_t mode) {
    if (mode != 0 && mode != 1) return false;
    bool listed = false;
    for (const std::string& line : lines)
        if (line == name) {
            listed = true;
            break;
        }
    return mode == 1 ? listed : !listed;
}

// The front screen's current picture, in an image above everything on it.
void makeSnapshot(TNuvoBaseList& registry) {
    TNuvoBase* front = registry.ActiveBase();
    front->PaintDirty();
    TCustomDIBX* shown = front->GetDrawSurface();
    auto* snapshot = registry.Create<TNuvoCustomImage>();
    snapshot->SetName(kSnapshotName);
    const int32_t width = registry.GetWidth(), height = registry.GetHeight();
    snapshot->Surface.SetSize(width, height, registry.SurfaceBitCount());
    if (shown && shown->BitCount() == snapshot->Surface.BitCount())
        snapshot->Surface.Draw(0, 0, *shown, makeRect(0, 0, shown->Width(), shown->Height()), false);
    snapshot->Surface.TransparentColor = -1;
    snapshot->OwnPicture = true;
    snapshot->SetWidth(width);
    snapshot->SetHeight(height);
    snapshot->SetParent(front);
    snapshot->SetIgnoreMouse(IM_ALL);
}

// The switch: the back screen becomes the front one, the snapshot goes,
// and with FreeOld the outgoing screen's children go too (its cabinets
// only when all).
void finish(TNuvoBaseList* registry, bool freeOld, bool all) {
    if (!registry) return;
    registry->StartTransition(registry->ActiveIndex ^ 1, 0, false, true, 0, 0);
    if (TNuvoControl* snapshot = registry->FindControlByName(kSnapshotName)) snapshot->Delete();
    if (!freeOld) return;
    const std::vector<TNuvoControl*> children = registry->InactiveBase()->Children();
    for (TNuvoControl* child : children)
        if (all || child->GetCompoType() != LT_CABINET) child->Delete();
}

} // namespace

void flipBegin(TCallMan& cm, TCommand& c) {
    auto& cmd = static_cast<TComFlip&>(c);
    cmd.Phase = 0;
    int32_t kind = 0;
    if (const TCustomParam* v = cm.Evaluate(cmd.KindExpr)) kind = v->AsInteger() & 0xFF;
    if (kind > kLastTransitionKind) kind = 0;
    bool timed = false;
    int32_t duration = 1;
    if (const TCustomParam* v = cm.Evaluate(cmd.DurationExpr)) {
        const int32_t d = v->AsInteger();
        timed = d > 0;
        duration = std::max(d, 1);
    }
    cmd.Blocked = cm.Condition(cmd.BlockedExpr, false) ? 1 : 0;
    cmd.FreeOld = cm.Condition(cmd.FreeOldExpr, false) ? 1 : 0;
    const bool reverse = cm.Condition(cmd.ReverseExpr, false);
    const TCustomParam* modeValue = cm.Evaluate(cmd.ModeExpr);
    const bool hasMode = modeValue != nullptr;
    const int32_t mode = hasMode ? modeValue->AsInteger() : 0;
    const std::vector<std::string> lines = nameLines(cm, cmd.NameExprs);

    TNuvoBaseList* registry = componentRegistry(cm);
    if (!registry) {
        cmd.Phase = 3;
        cmd.Waits = 0;
        return;
    }
    if (hasMode) {
        if (timed)
            makeSnapshot(*registry);
        else
            cmd.Phase = 3;
        // The chosen components move to the incoming screen.
        TNuvoBase* front = registry->ActiveBase();
        TNuvoBase* back = registry->InactiveBase();
        const std::vector<TNuvoControl*> children = front->Children();
        for (size_t i = children.size(); i-- > 0;) {
            TNuvoControl* child = children[i];
            if (child->Name() == kSnapshotName) continue;
            if (chosen(child->Name(), lines, mode)) child->SetParent(back);
        }
    }
    if (cmd.Phase != 3) {
        if (TCustomWipe* wipe = registry->StartTransition(registry->ActiveIndex, kind, reverse, true, 0, duration)) {
            if (const TCustomParam* v = cm.Evaluate(cmd.ParamAExpr)) wipe->SetParam(0, v->AsInteger());
            if (const TCustomParam* v = cm.Evaluate(cmd.ParamBExpr)) wipe->SetParam(1, v->AsInteger());
            if (const TCustomParam* v = cm.Evaluate(cmd.MaskNameExpr)) wipe->SetMaskName(v->AsString());
            wipe->Prepare();
        }
    }
    // A Flip that does not switch at once holds the script over frames, also
    // inside an event handler (where a step that is no waiting one would be
    // run again in the same frame).
    cmd.Waits = cmd.Phase != 3 ? 1 : 0;
}

void flipExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    auto& cmd = static_cast<TComFlip&>(c);
    TNuvoBaseList* registry = componentRegistry(cm);
    if (cmd.Phase == 0) {
        cmd.Phase = 1;
        cm.Running = 0;
        return;
    }
    if (cmd.Phase == 1) {
        cmd.StartTime = cm.Context().TimeCounter;
        cmd.Phase = 2;
        cm.Running = 0;
        return;
    }
    const int32_t elapsed = wrapSub(cm.Context().TimeCounter, cmd.StartTime);
    if (cmd.Phase == 2 && registry && elapsed < registry->TransitionDuration()) {
        registry->SetTransitionElapsed(elapsed);
        cm.Running = 0;
        return;
    }
    finish(registry, cmd.FreeOld != 0, false);
    ++index;
}

bool flipBlocksEvents(const TCommand& c) { return static_cast<const TComFlip&>(c).Blocked != 0; }

void flipSaveState(TCommand& c, std::unique_ptr<TKvMemoryStream>& stream) {
    auto& cmd = static_cast<TComFlip&>(c);
    TKvMemoryStream& s = beginState(stream);
    WriteByte(s, cmd.Blocked);
    WriteByte(s, cmd.FreeOld);
}

void flipLoadState(TCallMan&, TCommand& c, TStream& s) {
    auto& cmd = static_cast<TComFlip&>(c);
    const int version = readStateTag(s);
    uint8_t blocked = 0, freeOld = 0;
    if (version >= 100) {
        blocked = ReadByteChecked(s);
        freeOld = ReadByteChecked(s);
    }
    cmd.Blocked = blocked;
    cmd.FreeOld = freeOld;
    // The phases start again with no transition running: the switch comes
    // within three frames.
    cmd.Phase = 0;
    cmd.StartTime = 0;
    cmd.Waits = 1;
}

void flipAbort(TCallMan& cm, TCommand& c) {
    auto& cmd = static_cast<TComFlip&>(c);
    finish(componentRegistry(cm), cmd.FreeOld != 0, true);
}

} // namespace nuvo::run
