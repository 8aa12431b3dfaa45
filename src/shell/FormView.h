// TFormView, the player's one window and everything it owns: its creation
// performs the whole start-up in a fixed order (settings, data sources, the
// variables and the system variables, the registry, the project, the screen
// manager and the base screens), its frame function runs one frame of the
// title, its handlers turn the window's input into the base screens' input
// state, and its destruction tears everything down in a fixed order.
//
// Frames come from two drivers, both on the main thread: the window's own
// loop (the idle driver: RunLoop on the desktop, the headless runner's loop
// with the virtual clock) and the pacing thread, whose requests are served
// wherever the main thread waits (ServeModal, which dialogs call while they
// are open). Both measure the frame from the same reference, so frames never
// double and the clocks are written by the main thread only. Frames are
// paced: the loop sleeps out the rest of each 16 ms period.
//
// Everything here runs on the main thread.
#pragma once

#include "components/BaseListHost.h"
#include "engine/ProgramContext.h"
#include "engine/TraceSink.h"
#include "platform/Backend.h"
#include "platform/Fonts.h"
#include "platform/MidiOut.h"
#include "shell/FrameClock.h"
#include "shell/Settings.h"
#include "shell/SystemVariables.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nuvo {

class ScriptContext;
class TDBManager;
class TFontPixelManager;
class TLoopThread;
class TMidiPortChoice;
class TNuvoBaseList;
class TParamCollection;
class TProject;
class TProjectPictures;
class TRegistryEvents;
class TScreenManager;
class TScriptWipeRandom;
class TSysFuncMan;
class TVrFileManager;
struct TWipeContext;

struct TFormViewSetup {
    // Borrowed; they must outlive the view.
    platform::IWindow* Window = nullptr;
    platform::IClock* Clock = nullptr;
    platform::IDialogs* Dialogs = nullptr;
    platform::ISystem* System = nullptr;
    // None: the font lists are empty.
    platform::IFontCatalog* Fonts = nullptr;
    // Makes the font engine labels draw with, at the first label; unset:
    // labels draw nothing.
    std::function<std::unique_ptr<platform::IFontEngine>()> MakeFontEngine;
    // The backend's audio device; none: no sound and no MIDI ports.
    platform::IAudioDevice* Audio = nullptr;
    // The soundfont named on the command line (empty: the settings' or the
    // system's).
    std::string SoundFont;
    // List the ALSA sequencer's ports among the MIDI ports (the desktop).
    bool AlsaPorts = false;
    // Where every message the MIDI ports receive is logged; none: nowhere.
    platform::TMidiLog* MidiLog = nullptr;
    // The command line of the title (data folder and archives).
    std::vector<std::string> Args;
    // "game.ini" to read the machine settings from (it may not exist).
    std::string SettingsPath;
    // Where the save file goes instead of the data folder; empty: there.
    std::string SaveFolder;
    // The interpreter's trace; none: no tracing.
    std::unique_ptr<TTraceSink> Trace;
    // The pacing thread runs on the desktop; virtual-clock runs have none.
    bool PacingThread = true;
    // Called by the pacing thread after each request (any thread).
    std::function<void()> Waker;
    // The system's primary language is Japanese (the quit box's text and the
    // font lists follow it).
    bool Japanese = true;
    // Performs a pending save or load after the interpreter's step; true
    // when a load was performed (the next composition is then skipped).
    std::function<bool(TProgramContext&)> ServicePending;
    // Called during the teardown after the project is gone and before the
    // variable table is freed (the headless variable dump).
    std::function<void(const TParamCollection&)> BeforeVariablesFreed;
    // Called right after that, with the registry (the component tree dump).
    std::function<void(const TNuvoBaseList&)> BeforeRegistryFreed;
};

class TFormView final : public platform::IWindowEvents, public IBaseListHost, public ISystemVariableHost {
public:
    // The whole start-up. An error raised in it is shown in a warning box and
    // the view is then closed (StartupFailed); so is a title that could not be
    // loaded (QuitRequested after creation).
    explicit TFormView(TFormViewSetup setup);
    // The teardown: the pacing thread, the project (its exit page), the
    // functions, the variables, the tables, the registry, the screen manager.
    ~TFormView() override;
    TFormView(const TFormView&) = delete;
    TFormView& operator=(const TFormView&) = delete;

    // ---- Frames ----
    // One frame of the title.
    void Frame();
    // The idle driver once: measure (dropping gaps above 300 ms), run a frame
    // and count the frame rate. False when no frame ran.
    bool IdleStep();
    // The desktop loop: events, frames at the frame period, waits in
    // between; returns when the window is to close.
    void RunLoop();
    // Called by a dialog while it is open: the window's events (input is
    // dropped, the dialog owns it) and the frames the pacing thread asks for.
    // A dialog opened from inside a frame (by the script) gets compositions
    // only: the interpreter and the components wait for its answer.
    void ServeModal();
    // The window's events now.
    void PumpEvents();

    // ---- Window commands ----
    void AskQuit();
    void SetFullScreen(bool full);
    void ApplyScreenMode();
    void SetCursorX(int32_t x) override;
    void SetCursorY(int32_t y) override;

    // ---- State ----
    bool CloseRequested() const { return closeRequested_; }
    // Creation did not complete (an error, or no title to run).
    bool StartupFailed() const { return startupFailed_; }
    // Empty when the failure has been told already (a message box or a line).
    const std::string& StartupError() const { return startupError_; }
    bool LoopActive() const { return loopActive_; }
    // RunLoop ends after this many frames (-1: when the window closes).
    int64_t FrameLimit = -1;
    int32_t RenderSkip = 0;
    int32_t FpsPhase = 0;
    bool FullScreenSwitching = false;

    TProgramContext& Context() override { return context_; }
    TNuvoBaseList* Bases() override { return bases_.get(); }
    TScreenManager* Screen() override { return screen_.get(); }
    TProject* Project() { return context_.Project; }
    TParamCollection& Vars() { return *vars_; }
    TFrameClock& Clocks() { return frameClock_; }
    const TMachineSettings& Settings() const { return settings_; }
    TLoopThread* LoopThread() { return thread_.get(); }
    // Frames composed and presented so far.
    int64_t ComposedFrames() const { return composedFrames_; }

    // ---- platform::IWindowEvents ----
    void MouseMove(const platform::PointerEvent& e) override;
    void MouseDown(const platform::PointerEvent& e) override;
    void MouseUp(const platform::PointerEvent& e) override;
    void MouseWheel(bool up) override;
    void KeyDown(uint8_t vk, bool repeat) override;
    void KeyUp(uint8_t vk) override;
    void Activate() override;
    void Deactivate() override;
    void ToolbarClick(platform::ToolbarButton button) override;
    void CloseRequest() override;
    void RepaintRequest() override;

    // ---- IBaseListHost ----
    void ShowCursor(const std::string& fileName) override;
    std::string DefaultCursor() const override;
    void ReleasePictures() override;
    void RestorePictures() override;
    TPelkCollection* PictureCache() override;
    ScriptContext* Script() override { return script_.get(); }
    TFontPixelManager* Glyphs() override;

    // ---- ISystemVariableHost ----
    platform::LocalTime FrameLocalTime() override;
    uint32_t SystemTickMs() override;
    std::vector<std::string> FontNames(bool fixedPitchOnly) override;
    bool IsFullScreen() override;
    int32_t DisplayModeIndex() override { return chosenMode_; }
    void SelectDisplayMode(int32_t index) override;
    bool CGDither() override;
    void SetCGDither(bool dither) override;
    std::vector<std::string> MidiPorts() override;
    std::string MidiPort() override;
    void SetMidiPort(const std::string& name) override;
    TMidiPortChoice* MidiChoice() { return midiChoice_.get(); }

private:
    void create();
    void initialise();
    void openWindow();
    void compose();
    void teardown();
    uint32_t now32() const;
    bool showsToolbar() const;
    // Full screen did not come: back to the window with its tool bar.
    void fallBackToWindow();

    platform::IWindow& window_;
    platform::IClock& clock_;
    platform::IDialogs* dialogs_;
    platform::ISystem* system_;
    platform::IFontCatalog* fonts_;
    TFormViewSetup setup_;

    // The glyph cache outlives the components drawing through it.
    std::unique_ptr<platform::IFontEngine> fontEngine_;
    std::unique_ptr<TFontPixelManager> glyphs_;
    bool glyphsTried_ = false;
    TMachineSettings settings_;
    std::unique_ptr<TVrFileManager> files_;
    std::unique_ptr<TParamCollection> vars_;
    std::unique_ptr<TSysFuncMan> functions_;
    std::unique_ptr<ScriptContext> script_;
    std::unique_ptr<TTraceSink> trace_;
    std::unique_ptr<TWipeContext> wipes_;
    std::unique_ptr<TScriptWipeRandom> wipeRandom_;
    TProgramContext context_;
    std::unique_ptr<TProjectPictures> pictures_;
    std::unique_ptr<TNuvoBaseList> bases_;
    std::unique_ptr<TRegistryEvents> events_;
    std::unique_ptr<TDBManager> tables_;
    std::unique_ptr<TProject> project_;
    std::unique_ptr<TScreenManager> screen_;
    std::unique_ptr<platform::IMidiPorts> midiPorts_;
    std::unique_ptr<TMidiPortChoice> midiChoice_;
    std::unique_ptr<TLoopThread> thread_;
    TFrameClock frameClock_{context_};

    std::string captionSjis_;
    bool windowOpen_ = false;
    bool loopActive_ = false;
    bool closeRequested_ = false;
    bool startupFailed_ = false;
    std::string startupError_;
    bool inFrame_ = false;
    bool torn_ = false;
    int32_t chosenMode_ = -1;
    int64_t composedFrames_ = 0;
    platform::LocalTime frameTime_{};
    std::optional<std::vector<std::string>> fontCache_[2];
};

} // namespace nuvo
