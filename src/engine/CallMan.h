// The interpreter: TCallMan runs the title's pages. The project steps it once
// per frame (Run), and it executes commands of the current page until one
// yields the frame, a waiting command is reached inside an event handler, or
// the title quits. Calls between pages go through a stack of frames; events
// queued by the components run as handler calls that interrupt the script
// between two commands, and a handler that waits may itself be interrupted
// by events of a deeper level.
//
// Errors a running command raises (ENuvoError) are dropped and the title goes
// on; nothing else is caught. The interpreter keeps at most 10 pages loaded,
// most recently used first. Main thread only; Run is never re-entered.
#pragma once

#include "engine/ScriptEvents.h"
#include "engine/Stack.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

class TCommand;
class TCustomParam;
class TExpr;
class TPage;
class TStream;
struct TProgramContext;

// Splits an event's handler into the page file to run and the label to run
// it from: scanning from the end, a ':' met before any '.' or '\' starts the
// label (only bytes that begin a character count); the last three bytes of
// the file name become "nsb".
void SplitHandler(std::string_view handler, std::string& file, std::string& label);

class TCallMan {
public:
    static constexpr int kPageCacheSize = 10;

    explicit TCallMan(TProgramContext& context);
    ~TCallMan();
    TCallMan(const TCallMan&) = delete;
    TCallMan& operator=(const TCallMan&) = delete;

    // Begins a fresh run on that page: no frames, no arguments, no handler;
    // the events taken by handlers are dropped. Raises when the page cannot
    // be loaded (nothing is changed then).
    TPage* Start(std::string_view pageName);
    // Once per frame: runs commands until the frame is over.
    void Run();
    // The cached page of exactly that name, else loads it (a load error
    // raises and caches nothing). With promote it becomes the most recently
    // used, the cache is trimmed to 10 (never dropping the current page) and
    // PC is set to 0.
    TPage* GetPage(std::string_view name, bool promote);

    // The current call's arguments; an index out of range gives "".
    int32_t ArgCount() const { return static_cast<int32_t>(Args.size()); }
    std::string Arg(int32_t i) const;
    // The name of the component whose handler runs, while one runs and the
    // component still exists; else "".
    std::string EventSourceName() const;
    // The result slot of the innermost frame, or none.
    TCustomParam* CurrentReturnValue() const;

    // The interpreter record of a game save, and its reading for a save of
    // that version. A record that cannot be read raises and leaves the
    // interpreter as it was (only the page cache may have changed).
    void SaveToStream(TStream& s);
    void LoadFromStream(TStream& s, int32_t version);

    // One step of the current page: 0 a command ran, 2 a waiting kind ran,
    // 1 the page ended into a frame of the main script, -1 into a frame of a
    // handler without waiting.
    int Step();
    // Starts the handler of the first waiting event at level; false when
    // none may start (no event, a command holding events back, a handler
    // page that is not available).
    bool StartEvent(int32_t level);

    // ---- for the commands ----
    TProgramContext& Context() const { return context_; }
    // Evaluates e in the program's script context: its value, or none (an
    // empty expression, an evaluation that failed, a plain assignment).
    const TCustomParam* Evaluate(const TExpr& e);
    // The value of e as a flag; absent when it has none.
    bool Condition(const TExpr& e, bool absent);
    // Whether the project can make the page file available (asking for a
    // disk where the title says so).
    bool Available(std::string_view pageName);
    // Deletes the local and auto-delete variables owned by that call depth.
    void ReleaseLocals(int32_t depth);
    // The event queue, or none before the registry exists.
    IScriptEvents* Events() const;

    // The current page, where it is, and what runs there.
    TPage* Page = nullptr;
    int32_t PC = 0;
    // While set, Run goes on in this frame; each command leaves its RunOn.
    uint8_t Running = 0;
    TStackList Stack;
    // The command at PC has begun and has not finished.
    uint8_t Started = 0;
    std::vector<std::string> Args;
    // 0 the main script runs; 1 a handler runs; 2 a handler waits; 3 a
    // nested handler runs.
    int32_t State = 0;
    TEventSenderRef EventSource;
    int32_t EventLevel = 2;

    // Steps (commands and handler starts) one Run may take before it yields
    // the frame anyway: a script that never waits still lets frames pass
    // (and the title close).
    int64_t MaxStepsPerRun = 1'000'000;

    // The cached pages, most recently used first (for tools and tests).
    int CachedPageCount() const { return static_cast<int>(pages_.size()); }
    const TPage& CachedPage(int i) const { return *pages_[static_cast<size_t>(i)]; }

private:
    // Runs the command at PC; gives the page that remains (none: the page
    // ended) and whether the step counts as a waiting one.
    TPage* ExecuteAt(bool& waited);
    void storeResult(const TStack& frame);
    void traceCommand(const TCommand& command, const std::string& pageName);
    bool pcInside() const;

    TProgramContext& context_;
    std::vector<std::unique_ptr<TPage>> pages_;
    const TCommand* lastTraced_ = nullptr;
    int64_t stepsThisRun_ = 0;
};

} // namespace nuvo
