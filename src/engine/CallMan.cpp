#include "engine/CallMan.h"

#include "archive/VrFileManager.h"
#include "base/Cp932.h"
#include "base/Error.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "engine/Command.h"
#include "engine/Page.h"
#include "engine/ProgramContext.h"
#include "engine/Project.h"
#include "engine/StoredExpr.h"
#include "engine/TraceSink.h"
#include "script/NuvoParser.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"

#include <algorithm>
#include <cstdio>

namespace nuvo {
namespace {

// A sender for an event record whose component the registry no longer
// knows: the handler still counts as a handler.
class TLostSender final : public TEventSender {
public:
    bool Exists() const override { return false; }
    std::string Name() const override { return {}; }
};

std::string traceLine(const char* format, int32_t time, const std::string& page, int32_t line) {
    char head[16];
    std::snprintf(head, sizeof head, "%.8x : ", static_cast<uint32_t>(time));
    return head + std::string(format) + page + "(" + std::to_string(line) + ")";
}

// A plain variable name: no brackets, so not an element of an array.
bool isPlainName(std::string_view name) {
    for (size_t i = 0; i < name.size(); i += charLength(name, i))
        if (name[i] == '[' || name[i] == ']') return false;
    return true;
}

// Stores value into the entry as an assignment does: with the setter of the
// entry's own type (an array becomes a scalar; a reference without target is
// left alone).
void assignConverted(TCustomParam& target, const TCustomParam& value) {
    switch (target.ParamType()) {
    case PT_INT:
        target.SetInteger(value.AsInteger());
        break;
    case PT_FLOAT:
        target.SetFloat(value.AsFloat());
        break;
    case PT_BOOL:
        target.SetBool(value.AsBool());
        break;
    case PT_STR:
        target.SetString(value.AsString());
        break;
    default:
        break;
    }
}

// Where a returned value waits while an assignment to an array element
// reads it; "____" names are the evaluator's own kind of name.
constexpr std::string_view kResultHolder = "____callresult";

// Handlers nest one level per waiting handler; a saved level above this is
// taken as this.
constexpr int32_t kMaxEventLevel = 4096;

} // namespace

void SplitHandler(std::string_view handler, std::string& file, std::string& label) {
    size_t lastSeparator = std::string_view::npos;
    for (size_t i = 0; i < handler.size(); i += charLength(handler, i)) {
        const char c = handler[i];
        if (c == ':' || c == '.' || c == '\\') lastSeparator = i;
    }
    if (lastSeparator != std::string_view::npos && handler[lastSeparator] == ':') {
        file = std::string(handler.substr(0, lastSeparator));
        label = std::string(handler.substr(lastSeparator + 1));
    } else {
        file = std::string(handler);
        label.clear();
    }
    // The handler names the page by any extension; pages are ".nsb".
    file.resize(file.size() >= 3 ? file.size() - 3 : 0);
    file += "nsb";
}

TCallMan::TCallMan(TProgramContext& context) : Stack(context.Vars), context_(context) {}

TCallMan::~TCallMan() = default;

IScriptEvents* TCallMan::Events() const { return context_.Events; }

// ---- pages ------------------------------------------------------------------

TPage* TCallMan::GetPage(std::string_view name, bool promote) {
    auto it = std::find_if(pages_.begin(), pages_.end(), [&](const auto& p) { return p->Name == name; });
    TPage* page = nullptr;
    if (it != pages_.end()) {
        page = it->get();
        if (promote) std::rotate(pages_.begin(), it, it + 1);
    } else {
        auto loaded = std::make_unique<TPage>(context_.Vars);
        loaded->LoadFromFile(context_, name); // a failure frees it and propagates
        page = loaded.get();
        if (promote) {
            pages_.insert(pages_.begin(), std::move(loaded));
            while (static_cast<int>(pages_.size()) > kPageCacheSize && pages_.back().get() != Page) {
                pages_.pop_back();
                lastTraced_ = nullptr; // its commands are gone
            }
        } else {
            pages_.push_back(std::move(loaded));
        }
    }
    // Only a page that is there moves PC: a page that fails to load leaves
    // the caller where it was.
    if (promote) PC = 0;
    return page;
}

TPage* TCallMan::Start(std::string_view pageName) {
    TPage* page = GetPage(pageName, true);
    Page = page;
    PC = 0;
    Started = 0;
    Args.clear();
    State = 0;
    Stack.Clear();
    EventSource.reset();
    if (IScriptEvents* events = Events())
        for (int32_t level = 1; level <= EventLevel; ++level)
            events->RemoveLevel(level);
    EventLevel = 2;
    return page;
}

bool TCallMan::pcInside() const { return Page && PC >= 0 && PC < Page->Commands.Count(); }

// ---- the frame loop ---------------------------------------------------------

void TCallMan::Run() {
    stepsThisRun_ = 0;
    do {
        switch (State) {
        case 0:
            if (!StartEvent(1)) Step();
            break;
        case 1: {
            const int result = Step();
            if (result == 1) {
                if (IScriptEvents* events = Events()) events->RemoveLevel(1);
                State = 0;
                Running = 1;
            } else if (result == 2) {
                EventLevel = 2;
                State = 2;
                return;
            } else if (State != 1) {
                Running = 1; // a command restarted the script from the handler
            }
            break;
        }
        case 2:
            if (StartEvent(EventLevel)) {
                EventLevel += 1;
                State = 3;
            } else {
                State = EventLevel > 2 ? 3 : 1;
            }
            break;
        default: {
            const int result = Step();
            if (result == 1 || result == -1) {
                EventLevel -= 1;
                if (IScriptEvents* events = Events()) events->RemoveLevel(EventLevel);
                if (EventLevel <= 2) State = 2;
            } else if (result == 2) {
                State = 2;
                return;
            }
            break;
        }
        }
        if (++stepsThisRun_ >= MaxStepsPerRun) return;
    } while ((Running || State != 0) && !context_.QuitRequested);
}

int TCallMan::Step() {
    // No page counts as a page that ended: the frame below it resumes, and
    // with none the work of the frame is over. (A handler whose script has
    // ended would otherwise keep the loop going with nothing to run.)
    bool waited = false;
    TPage* page = Page ? ExecuteAt(waited) : nullptr;
    const int result = waited ? 2 : 0;
    if (page) {
        Page = page;
        return result;
    }
    Page = nullptr;
    if (Stack.Empty()) {
        Running = 0;
        // A handler with nothing to return to is over.
        return State != 0 ? 1 : result;
    }

    ReleaseLocals(Stack.Count());
    std::unique_ptr<TStack> frame = Stack.Pop();
    storeResult(*frame);

    TPage* caller = nullptr;
    if (!frame->PageName.empty()) {
        try {
            caller = GetPage(frame->PageName, true);
        } catch (const ENuvoError&) {
            // The caller's page is gone from the title: nothing to return to.
        }
    }
    Page = caller;
    PC = frame->PC;
    Started = frame->Started;
    Running = frame->Running;
    Args = std::move(frame->Args);
    EventSource = std::move(frame->EventSource);
    if (frame->SavedState && pcInside()) {
        frame->SavedState->setPosition(0);
        try {
            Page->Commands.At(PC)->LoadState(*this, *frame->SavedState);
        } catch (const ENuvoError&) {
            Started = 0; // the command starts afresh
        }
    }
    if (!EventSource) return 1;
    return result == 0 ? -1 : result;
}

TPage* TCallMan::ExecuteAt(bool& waited) {
    waited = false;
    TPage* const page = Page;
    if (PC < 0 || PC >= page->Commands.Count()) return nullptr;
    TCommand* command = page->Commands.At(PC);
    if (context_.Trace && command != lastTraced_ && context_.Trace->Wants(TraceLevel::Commands)) {
        traceCommand(*command, page->Name);
        lastTraced_ = command;
    }

    TPage* result = page;
    bool begun = Started != 0;
    try {
        if (!Started) {
            if (command->Disabled()) {
                ++PC;
                return page;
            }
            command->Begin(*this);
            Started = 1;
            begun = true;
        }
        Running = command->RunOn() ? 1 : 0;
        waited = command->IsWaitKind();
        const int32_t before = PC;
        command->Execute(*this, result, PC);
        if (result != page || PC != before) Started = 0;
    } catch (const ENuvoError&) {
        // The command is over as far as it got. One whose Begin fails is
        // tried again, but not before the next frame: the step counts as a
        // waiting one, which ends the frame in the main script and in
        // handlers alike.
        if (!begun) {
            Running = 0;
            waited = true;
        }
    }
    return result;
}

void TCallMan::traceCommand(const TCommand& command, const std::string& pageName) {
    context_.Trace->Trace(TraceLevel::Commands, traceLine("", context_.TimeCounter, pageName, command.LineNo));
}

bool TCallMan::StartEvent(int32_t level) {
    if (Started && pcInside() && Page->Commands.At(PC)->BlocksEvents()) return false;
    IScriptEvents* events = Events();
    if (!events) return false;
    TScriptEvent event;
    if (!events->FirstPending(event)) return false;

    std::string file, label;
    SplitHandler(event.Handler, file, label);
    if (!Available(file)) return false; // it stays waiting

    auto frame = std::make_unique<TStack>();
    frame->PageName = Page ? Page->Name : std::string();
    frame->PC = PC;
    frame->Started = Started;
    frame->Args = Args;
    frame->EventSource = EventSource;
    frame->Running = Running;

    // The handler's page first: one that cannot be loaded drops its event
    // and leaves the script as it was.
    const int32_t pc = PC;
    TPage* handlerPage = nullptr;
    try {
        handlerPage = GetPage(file, true);
    } catch (const ENuvoError&) {
        PC = pc;
        events->RemoveFirstPending();
        return false;
    }
    if (Started && frame->PC >= 0 && Page && frame->PC < Page->Commands.Count())
        Page->Commands.At(frame->PC)->SaveState(frame->SavedState);
    Stack.Push(std::move(frame));

    Page = handlerPage;
    const int found = label.empty() ? -1 : Page->Commands.FindLabel(label);
    PC = found < 0 ? 0 : found;
    if (context_.Trace && pcInside() && context_.Trace->Wants(TraceLevel::Events))
        context_.Trace->Trace(TraceLevel::Events,
                              traceLine("<Event>", context_.TimeCounter, file, Page->Commands.At(PC)->LineNo));
    Started = 0;
    events->TakeFirstPending(level);
    Args = std::move(event.Args);
    EventSource = event.Sender ? std::move(event.Sender) : std::make_shared<TLostSender>();
    State = 1;
    return true;
}

// ---- results ----------------------------------------------------------------

void TCallMan::storeResult(const TStack& frame) {
    if (frame.ResultVar.empty() || !frame.ReturnValue) return;
    TParamCollection* vars = context_.Vars;
    if (!vars) return;
    const TCustomParam& value = *frame.ReturnValue;
    try {
        if (TParamCollectionItem* entry = vars->Find(frame.ResultVar)) {
            assignConverted(*entry->Value(), value);
        } else if (isPlainName(frame.ResultVar)) {
            // A variable that does not exist yet is made, holding the text
            // form of the value.
            TParamCollection::ValidateName(frame.ResultVar);
            TParamCollectionItem* made = vars->Add(PT_STR);
            vars->SetName(made, frame.ResultVar);
            made->Value()->SetString(value.AsString());
        } else if (context_.Script) {
            // An element such as a[i]: the evaluator assigns it from a holder
            // of the text form, so that no quote or backslash in the value
            // can change the statement.
            TParamCollectionItem* holder = vars->Add(PT_STR);
            vars->SetName(holder, kResultHolder);
            holder->Value()->SetString(value.AsString());
            RunExpressionText(*context_.Script, frame.ResultVar + " = " + std::string(kResultHolder));
            if (TParamCollectionItem* left = vars->Find(kResultHolder)) vars->Delete(left);
        }
    } catch (const ENuvoError&) {
        // A name no variable can have: the value is dropped.
    }
}

// ---- for the commands ---------------------------------------------------------

const TCustomParam* TCallMan::Evaluate(const TExpr& e) {
    if (e.Empty() || !context_.Script) return nullptr;
    TNuvoParser& parser = e.Parser();
    parser.Execute(*context_.Script);
    return parser.Result();
}

bool TCallMan::Condition(const TExpr& e, bool absent) {
    const TCustomParam* v = Evaluate(e);
    return v ? v->AsBool() : absent;
}

bool TCallMan::Available(std::string_view pageName) {
    if (context_.Project) return context_.Project->EnsureAvailable(pageName);
    return !pageName.empty() && context_.Files && context_.Files->Exists(pageName);
}

void TCallMan::ReleaseLocals(int32_t depth) {
    if (context_.Vars) context_.Vars->DeleteOwnedBy(depth);
}

std::string TCallMan::Arg(int32_t i) const {
    return i >= 0 && i < ArgCount() ? Args[static_cast<size_t>(i)] : std::string();
}

std::string TCallMan::EventSourceName() const {
    if (State == 0 || !EventSource || !EventSource->Exists()) return {};
    return EventSource->Name();
}

TCustomParam* TCallMan::CurrentReturnValue() const {
    return Stack.Empty() ? nullptr : Stack.At(Stack.Count() - 1).ReturnValue.get();
}

// ---- the interpreter record ---------------------------------------------------

void TCallMan::SaveToStream(TStream& s) {
    WriteStr(s, Page ? Page->Name : std::string());
    WriteInt(s, PC);
    WriteByte(s, Running);
    WriteByte(s, Started);
    WriteInt(s, State);
    WriteStr(s, EventSource ? EventSource->Name() : std::string());
    WriteInt(s, ArgCount());
    for (const std::string& a : Args)
        WriteStr(s, a);
    Stack.SaveToStream(s);
    WriteInt(s, EventLevel);
    if (Started && pcInside()) {
        std::unique_ptr<TKvMemoryStream> state;
        Page->Commands.At(PC)->SaveState(state);
        if (state) s.write(state->memory(), state->size());
    }
}

void TCallMan::LoadFromStream(TStream& s, int32_t version) {
    const std::string pageName = ReadStrChecked(s);
    const int32_t pc = ReadIntChecked(s);
    const uint8_t running = ReadByteChecked(s);
    const uint8_t started = ReadByteChecked(s);
    const int32_t state = ReadIntChecked(s);
    const std::string source = ReadStrChecked(s);
    const int32_t argCount = ReadCountChecked(s, 4);
    std::vector<std::string> args;
    args.reserve(static_cast<size_t>(argCount));
    for (int32_t i = 0; i < argCount; ++i)
        args.push_back(ReadStrChecked(s));
    TStackList stack(nullptr);
    stack.LoadFromStream(s, Events());
    // Levels beyond any real nesting are refused rather than walked.
    const int32_t eventLevel = version >= 116 ? std::clamp(ReadIntChecked(s), 2, kMaxEventLevel) : 2;

    // Everything read. The page, then its command's state from what follows:
    // a failure there undoes the command's state and changes nothing else.
    const int32_t oldPC = PC;
    TPage* page = nullptr;
    try {
        page = pageName.empty() ? nullptr : GetPage(pageName, true);
    } catch (...) {
        PC = oldPC;
        throw;
    }
    PC = oldPC;
    if (started && page && pc >= 0 && pc < page->Commands.Count()) {
        TCommand* command = page->Commands.At(pc);
        std::unique_ptr<TKvMemoryStream> backup;
        command->SaveState(backup);
        try {
            command->LoadState(*this, s);
        } catch (...) {
            if (backup) {
                backup->setPosition(0);
                command->LoadState(*this, *backup);
            }
            throw;
        }
    }

    Page = page;
    PC = pc;
    Running = running;
    Started = started;
    State = std::clamp(state, 0, 3);
    EventSource = Events() && !source.empty() ? Events()->FindSender(source) : nullptr;
    Args = std::move(args);
    Stack.Clear();
    Stack.Scratch = std::move(stack.Scratch);
    for (int32_t i = 0; i < stack.Count(); ++i)
        Stack.Push(std::make_unique<TStack>(std::move(stack.At(i))));
    EventLevel = eventLevel;
    lastTraced_ = nullptr;
}

} // namespace nuvo
