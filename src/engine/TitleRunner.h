// Runs a built title in-process, frame by frame, with no window, no devices
// and a fixed frame time: the title's data opened as the player opens a
// folder given on the command line (its files and, when present, its
// game.dat), the variable table, the evaluator, the project with its
// interpreter. Tests drive titles through it; it keeps every run the same.
//
// Only what the engine has so far takes part: there is no registry unless
// the caller hands an event queue in (SetEvents), so component commands do
// nothing visible and no handler starts by itself.
#pragma once

#include "archive/VrFileManager.h"
#include "engine/ProgramContext.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"

#include <cstdint>
#include <memory>
#include <string>

namespace nuvo {

class IScriptEvents;
class TCallMan;
class TProject;
class TTraceSink;

class TTitleRunner {
public:
    // folder: the built title (native path); also where its save file lies.
    explicit TTitleRunner(const std::string& folder);
    ~TTitleRunner();
    TTitleRunner(const TTitleRunner&) = delete;
    TTitleRunner& operator=(const TTitleRunner&) = delete;

    // Before Open: where trace lines go, and the event queue handlers come
    // from (borrowed).
    void SetTrace(std::unique_ptr<TTraceSink> trace);
    void SetEvents(IScriptEvents* events) { context_.Events = events; }

    // Creates the project (which starts the start page). False when the load
    // did not complete; messages went to Messages().
    bool Open();
    // One frame: the clock advances by FrameDelta, then one interpreter step.
    // False, running nothing, once the title has asked to quit.
    bool Frame();
    // Up to n frames; the number run.
    int RunFrames(int n);
    // Ends the title as closing the window does: the project runs its exit
    // page and is freed. The variables stay for inspection.
    void Close();
    // The variable table as JSON (script/VariableDump.h).
    std::string DumpVariables() const;

    // Milliseconds per frame.
    int32_t FrameDelta = 16;

    TProgramContext& Context() { return context_; }
    TParamCollection& Vars() { return vars_; }
    TProject& Project() { return *project_; }
    TCallMan& CallMan();
    // The message boxes and report lines of the run, in UTF-8.
    const std::string& Messages() const { return messages_; }

private:
    TVrFileManager files_{nullptr, nullptr};
    TParamCollection vars_;
    TSysFuncMan functions_;
    ScriptContext script_{vars_, functions_};
    std::string messages_;
    TProgramContext context_;
    // Message boxes are noted in messages_ and answered Ok.
    class NotedDialogs final : public platform::IDialogs {
    public:
        explicit NotedDialogs(std::string& out) : out_(out) {}
        platform::MessageResult MessageBox(const std::string& sjisText, const std::string& sjisCaption,
                                           platform::MessageButtons, platform::MessageIcon) override;

    private:
        std::string& out_;
    };
    NotedDialogs dialogs_{messages_};
    std::unique_ptr<TTraceSink> trace_;
    std::unique_ptr<TProject> project_;
};

} // namespace nuvo
