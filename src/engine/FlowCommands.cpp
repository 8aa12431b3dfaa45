// The flow commands: branches by indentation, loops by stored indices,
// jumps and calls between pages, Wait, and the commands that restart or end
// the script.
#include "base/Error.h"
#include "base/IntMath.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "engine/CallMan.h"
#include "engine/CommandRuntime.h"
#include "engine/Commands.h"
#include "engine/Page.h"
#include "engine/ProgramContext.h"
#include "script/DBManager.h"
#include "script/Param.h"
#include "script/ParamCollection.h"

#include <cstring>

namespace nuvo::run {
namespace {

template <class Kind> Kind& as(TCommand& c) { return static_cast<Kind&>(c); }

// Ends the page (back to the caller) for a negative target, else goes there.
void goTo(int32_t target, TPage*& page, int32_t& index) {
    if (target < 0)
        page = nullptr;
    else
        index = target;
}

// The new result slot of a called page: a variable of its result type, none
// for a type no variable has.
std::unique_ptr<TCustomParam> resultSlot(uint8_t resultType) {
    if (resultType < PT_INT || resultType > PT_STR) return nullptr;
    return CreateValue(resultType);
}

constexpr char kWaitStateTag[] = "nuvo100";
constexpr int kWaitStateTagBytes = 7;

} // namespace

// ---- branches -----------------------------------------------------------------

void ifExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index) {
    auto& cmd = as<TComIf>(c);
    const int32_t next = index + 1;
    if (cm.Condition(cmd.ConditionExpr, false)) {
        index = next;
        return;
    }
    // The body is every following command indented deeper. At the If's own
    // indent the chain goes on with an Elseif (whose condition decides) or an
    // Else; anything else there, or a shallower command, ends it. A false
    // Elseif is passed over with its body, so exactly one branch runs.
    const TComList& list = page->Commands;
    int32_t i = next;
    for (; i < list.Count(); ++i) {
        const TCommand& k = *list.At(i);
        if (k.Indent > cmd.Indent) continue;
        if (k.Indent < cmd.Indent) break;
        if (k.TypeCode() == TComElseif::kCode) {
            if (cm.Condition(static_cast<const TComElseif&>(k).ConditionExpr, false)) {
                ++i;
                break;
            }
            continue;
        }
        if (k.TypeCode() == TComElse::kCode) ++i;
        break;
    }
    index = i;
}

void branchEndExecute(TCallMan&, TCommand& c, TPage*& page, int32_t& index) {
    // Reached only after the branch before it ran to its end: skip this
    // branch's body.
    const TComList& list = page->Commands;
    int32_t i = index + 1;
    while (i < list.Count() && list.At(i)->Indent > c.Indent)
        ++i;
    index = i;
}

// ---- loops ----------------------------------------------------------------------

void whileExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    auto& cmd = as<TComWhile>(c);
    ++index;
    if (!cm.Condition(cmd.ConditionExpr, false)) index = cmd.EndIndex;
}

void whileInitExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    ++index;
    cm.Evaluate(as<TComWhileInit>(c).InitExpr);
}

void whileLoopExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    auto& cmd = as<TComWhileLoop>(c);
    index = cmd.StartIndex;
    cm.Evaluate(cmd.LoopExpr);
}

void breakExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index) {
    auto& cmd = as<TComBreak>(c);
    if (cm.Condition(cmd.ConditionExpr, false))
        goTo(cmd.TargetIndex, page, index);
    else
        ++index;
}

void continueExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index) {
    auto& cmd = as<TComContinue>(c);
    ++index;
    if (cm.Condition(cmd.ConditionExpr, false)) goTo(cmd.TargetIndex, page, index);
}

// ---- pages ----------------------------------------------------------------------

void jumpExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index) {
    auto& cmd = as<TComJump>(c);
    ++index;
    if (!cm.Condition(cmd.ConditionExpr, false) || !cm.Available(cmd.PageName)) return;
    page = cm.GetPage(cmd.PageName, true);
    index = cmd.Index;
}

void callExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index) {
    auto& cmd = as<TComCall>(c);
    ++index;
    if (!cm.Condition(cmd.ConditionExpr, false) || !cm.Available(cmd.PageName)) return;
    std::vector<std::string> args;
    for (const TExpr& e : cmd.ArgExprs)
        if (const TCustomParam* v = cm.Evaluate(e)) args.push_back(v->AsString());

    // The called page before the frame: a page that cannot be loaded leaves
    // the caller after the Call with no frame pushed for it.
    const int32_t returnTo = index;
    TPage* called = cm.GetPage(cmd.PageName, true);

    auto frame = std::make_unique<TStack>();
    frame->PageName = page->Name;
    frame->PC = returnTo;
    frame->ResultVar = cmd.ResultVar;
    frame->Running = cm.Running;
    frame->EventSource = cm.EventSource;
    frame->Args = std::move(cm.Args);
    frame->ReturnValue = resultSlot(called->ResultType);
    cm.Stack.Push(std::move(frame));
    cm.Args = std::move(args);
    page = called;
    index = cmd.Index;
}

void exitExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index) {
    if (cm.Condition(as<TComExit>(c).ConditionExpr, false))
        page = nullptr;
    else
        ++index;
}

// ---- Wait -----------------------------------------------------------------------

void waitBegin(TCallMan& cm, TCommand& c) {
    auto& cmd = as<TComWait>(c);
    const TCustomParam* time = cm.Evaluate(cmd.TimeExpr);
    cmd.Remaining = time ? time->AsInteger() : 0;
    cmd.FirstFrame = 1;
    cmd.Blocked = cm.Condition(cmd.BlockedExpr, false) ? 1 : 0;
}

void waitExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    auto& cmd = as<TComWait>(c);
    if (!cm.Condition(cmd.ConditionExpr, true)) {
        ++index;
        return;
    }
    // No time: wait as long as the condition holds. The frame the wait
    // begins in is not counted, having mostly passed before it.
    if (cmd.Remaining == 0 || cmd.FirstFrame > 0) {
        if (cmd.Remaining != 0) --cmd.FirstFrame;
        cm.Running = 0;
        return;
    }
    cmd.Remaining = wrapSub(cmd.Remaining, cm.Context().FrameDelta);
    if (cmd.Remaining <= 0)
        ++index;
    else
        cm.Running = 0;
}

bool waitBlocksEvents(const TCommand& c) { return static_cast<const TComWait&>(c).Blocked != 0; }

void waitSaveState(TCommand& c, std::unique_ptr<TKvMemoryStream>& stream) {
    auto& cmd = as<TComWait>(c);
    if (!stream) stream = std::make_unique<TKvMemoryStream>();
    stream->write(kWaitStateTag, kWaitStateTagBytes);
    WriteInt(*stream, cmd.Remaining);
    WriteInt(*stream, cmd.FirstFrame);
    WriteByte(*stream, cmd.Blocked);
}

void waitLoadState(TCallMan&, TCommand& c, TStream& s) {
    auto& cmd = as<TComWait>(c);
    // A state without the tag is the oldest layout, read from where it
    // begins.
    const int64_t start = s.position();
    char tag[kWaitStateTagBytes];
    int version = 0;
    if (s.read(tag, kWaitStateTagBytes) == kWaitStateTagBytes && std::memcmp(tag, "nuvo", 4) == 0 && tag[4] >= '0' &&
        tag[4] <= '9' && tag[5] >= '0' && tag[5] <= '9' && tag[6] >= '0' && tag[6] <= '9')
        version = (tag[4] - '0') * 100 + (tag[5] - '0') * 10 + (tag[6] - '0');
    else
        s.setPosition(start);
    const int32_t remaining = ReadIntChecked(s);
    const int32_t firstFrame = ReadIntChecked(s);
    const uint8_t blocked = version >= 100 ? ReadByteChecked(s) : 0;
    cmd.Remaining = remaining;
    cmd.FirstFrame = firstFrame;
    cmd.Blocked = blocked;
}

// ---- ending and restarting ------------------------------------------------------------

void terminateExecute(TCallMan& cm, TCommand&, TPage*&, int32_t&) { cm.Context().Quit(); }

void resetExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index) {
    auto& cmd = as<TComReset>(c);
    // A start page that cannot be loaded leaves everything as it was and the
    // script after the command.
    ++index;
    cm.GetPage(cmd.PageName, true);
    TProgramContext& context = cm.Context();
    if (IScriptEvents* events = cm.Events()) events->ResetComponents();
    if (context.Vars) context.Vars->ClearGameVariables();
    if (context.Tables) context.Tables->DeleteGameTables();
    // The message history resets here as well once the player has one.
    page = cm.Start(cmd.PageName);
    index = cmd.Index;
}

namespace {

// PCReset of every thread: the whole run starts again on the page.
void restartAll(TCallMan& cm, const TComPCReset& cmd, TPage*& page, int32_t& index) {
    cm.GetPage(cmd.PageName, true); // first: a page that cannot be loaded changes nothing
    for (int32_t depth = cm.Stack.Count(); depth >= 0; --depth)
        cm.ReleaseLocals(depth);
    // Commands of the main script left half done by events are cancelled.
    for (int32_t i = cm.Stack.Count() - 1; i >= 0; --i) {
        const TStack& frame = cm.Stack.At(i);
        if (frame.EventSource || !frame.Started || frame.PageName.empty()) continue;
        try {
            TPage* p = cm.GetPage(frame.PageName, false);
            if (frame.PC >= 0 && frame.PC < p->Commands.Count()) p->Commands.At(frame.PC)->Abort(cm);
        } catch (const ENuvoError&) {
        }
    }
    page = cm.Start(cmd.PageName);
    index = cmd.Index;
    if (IScriptEvents* events = cm.Events()) events->RemoveAll();
}

// PCReset of the script only. Inside a handler the script the handler
// interrupted is sent to the page (it goes there when the handler returns)
// and the handler goes on; elsewhere the current script goes there at once.
void restartScript(TCallMan& cm, const TComPCReset& cmd, TPage*& page, int32_t& index) {
    cm.ReleaseLocals(cm.Stack.Count());
    // b: the lowest frame pushed from inside a handler; with none, while a
    // handler runs, the handler's own level.
    int32_t b = -1;
    for (int32_t i = 0; i < cm.Stack.Count(); ++i)
        if (cm.Stack.At(i).EventSource) {
            b = i;
            break;
        }
    if (b < 0 && cm.State != 0) b = cm.Stack.Count();
    int32_t target = -1;
    for (int32_t i = b - 1; i >= 0; --i)
        if (!cm.Stack.At(i).EventSource) {
            target = i;
            break;
        }
    if (target >= 0) {
        cm.ReleaseLocals(target);
        TStack& frame = cm.Stack.At(target);
        frame.PageName = cmd.PageName;
        frame.PC = cmd.Index;
        frame.Started = 0;
        frame.ResultVar.clear();
        frame.Args.clear();
        frame.SavedState.reset();
    } else {
        page = cm.GetPage(cmd.PageName, true);
        index = cmd.Index;
    }
    if (IScriptEvents* events = cm.Events()) events->RemoveTaken();
}

} // namespace

void pcResetExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index) {
    auto& cmd = as<TComPCReset>(c);
    ++index;
    if (cmd.AllThreads)
        restartAll(cm, cmd, page, index);
    else
        restartScript(cm, cmd, page, index);
}

} // namespace nuvo::run
