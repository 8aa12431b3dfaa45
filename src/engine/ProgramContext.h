// The program-wide objects the scenario engine works with, reached through
// one context instead of globals so that every test can make a fresh one.
// Everything here is borrowed: the main window creates these objects and
// frees them after the project. Fields the engine does not need yet are left
// out; later subsystems add theirs here.
#pragma once

#include "platform/Dialogs.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace nuvo {

class IScriptEvents;
class ScriptContext;
class TDBManager;
class TMidiPortChoice;
class TParamCollection;
class TProject;
class TTraceSink;
class TVrFileManager;
struct TWipeContext;

namespace platform {
class IAudioDevice;
class IMidiPorts;
class ISystem;
}

struct TProgramContext {
    TVrFileManager* Files = nullptr;
    TParamCollection* Vars = nullptr;
    // The data tables; made before the project and freed after it.
    TDBManager* Tables = nullptr;
    // Message boxes; without dialogs every box answers Ok (tools and tests
    // that expect no box at all).
    platform::IDialogs* Dialogs = nullptr;
    platform::ISystem* System = nullptr;
    // The audio device (opened at first use) and the MIDI output ports with
    // the port chosen for the title (@MidiPort); none in tools and tests
    // that play nothing.
    platform::IAudioDevice* Audio = nullptr;
    platform::IMidiPorts* MidiPorts = nullptr;
    TMidiPortChoice* MidiChoice = nullptr;

    // The command-line arguments after the program's name (a data folder and
    // further archives). Their presence decides the installed-data search and
    // where the save file lies.
    std::vector<std::string> Args;

    // The one program-wide stop flag: the frame loop and the interpreter stop
    // when it is set.
    bool QuitRequested = false;
    // Asks the main window to close (after the current frame).
    std::function<void()> RequestClose;
    // Makes the Shift-JIS text the application title and window caption.
    std::function<void(const std::string& sjisTitle)> SetCaption;
    // One line for a person at a terminal (UTF-8, no newline). Standard error
    // when unset.
    std::function<void(const std::string& utf8Line)> Report;

    // What transitions read program-wide, among it their parameter defaults:
    // the project sets WP_ZOOMIN's to the centre of its screen.
    TWipeContext* Wipes = nullptr;

    // The running title; none before the project is created and after it is freed.
    TProject* Project = nullptr;

    // ---- what the interpreter reads and writes program-wide ----
    // The evaluator's context over Vars: every command expression runs in it.
    ScriptContext* Script = nullptr;
    // The component registry's event queue and components by name; none until
    // the registry exists (the interpreter then starts no handlers).
    IScriptEvents* Events = nullptr;
    // Where the interpreter's trace lines go; none: no tracing.
    TTraceSink* Trace = nullptr;
    // The program clock in milliseconds, summed over frames (a gap above
    // 300 ms is dropped), and the milliseconds of the last frame. The frame
    // loop advances both before each interpreter step; waiting commands count
    // down by FrameDelta and trace lines show TimeCounter.
    int32_t TimeCounter = 0;
    int32_t FrameDelta = 0;
    // Frames run so far (@UpdateCount).
    int32_t FrameCount = 0;
    // The length a frame aims at, in milliseconds; also the time unit of
    // particles.
    int32_t FramePeriod = 16;
    // Every FpsDivisor-th frame is composed and presented.
    int32_t FpsDivisor = 1;

    // Where the save file goes when set (a native folder); otherwise the
    // project decides (SavePath).
    std::string SaveFolder;

    // Shows a message box through Dialogs.
    platform::MessageResult ShowMessage(const std::string& sjisText, const std::string& sjisCaption,
                                        platform::MessageButtons buttons, platform::MessageIcon icon);
    void ReportLine(const std::string& utf8Line);
    // ReportLine, once per run for each text (what the player cannot do
    // yet is said the first time only).
    void ReportOnce(const std::string& utf8Line);
    std::set<std::string> ReportedOnce;
    // Messages shown or lines reported so far (start-up says nothing more
    // when a failure has already been told).
    int Reported = 0;
    // Sets QuitRequested and asks the main window to close.
    void Quit();
};

} // namespace nuvo
