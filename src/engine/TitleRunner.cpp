#include "engine/TitleRunner.h"

#include "base/Cp932.h"
#include "base/Error.h"
#include "engine/CallMan.h"
#include "engine/Project.h"
#include "engine/TraceSink.h"
#include "platform/FileSystem.h"
#include "script/VariableDump.h"

namespace nuvo {

TTitleRunner::TTitleRunner(const std::string& folder) {
    files_.AddArchive("");
    files_.SetBaseFolder(folder);
    const std::string archive = platform::joinPath(folder, "game.dat");
    if (platform::isFile(archive)) files_.AddArchive(archive);
    context_.Files = &files_;
    context_.Vars = &vars_;
    context_.Script = &script_;
    context_.Args = {folder};
    context_.Dialogs = &dialogs_;
    context_.Report = [this](const std::string& line) { messages_ += line + "\n"; };
}

TTitleRunner::~TTitleRunner() {
    // The project runs the exit page while everything else still exists.
    project_.reset();
}

platform::MessageResult TTitleRunner::NotedDialogs::MessageBox(const std::string& sjisText,
                                                               const std::string& sjisCaption, platform::MessageButtons,
                                                               platform::MessageIcon) {
    out_ += sjisToUtf8(sjisCaption) + ": " + sjisToUtf8(sjisText) + "\n";
    return platform::MessageResult::Ok;
}

void TTitleRunner::SetTrace(std::unique_ptr<TTraceSink> trace) {
    trace_ = std::move(trace);
    context_.Trace = trace_.get();
}

bool TTitleRunner::Open() {
    project_ = std::make_unique<TProject>(context_);
    try {
        project_->Create();
    } catch (const ENuvoError& e) {
        messages_ += std::string(e.what()) + "\n";
        context_.QuitRequested = true;
    }
    return !context_.QuitRequested;
}

bool TTitleRunner::Frame() {
    if (!project_ || context_.QuitRequested) return false;
    context_.FrameDelta = FrameDelta;
    context_.TimeCounter += FrameDelta;
    project_->Step();
    return true;
}

int TTitleRunner::RunFrames(int n) {
    int ran = 0;
    while (ran < n && Frame())
        ++ran;
    return ran;
}

void TTitleRunner::Close() {
    context_.QuitRequested = true;
    project_.reset();
}

std::string TTitleRunner::DumpVariables() const { return dumpVariablesJson(vars_); }

TCallMan& TTitleRunner::CallMan() { return *project_->CallMan; }

} // namespace nuvo
