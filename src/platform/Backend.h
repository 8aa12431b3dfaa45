// A backend of the window seam: the window, the clock, the dialogs and the
// audio device that belong together, chosen once by the player ("sdl" for the desktop,
// "headless" for scripted runs). The backend classes live hidden in
// platform/sdl and platform/headless; only the player's entry links them.
#pragma once

#include "platform/Audio.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Window.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace nuvo::platform {

class IBackend {
public:
    virtual ~IBackend() = default;
    virtual const char* Name() const = 0;
    virtual IWindow& Window() = 0;
    virtual IClock& Clock() = 0;
    virtual IDialogs& Dialogs() = 0;
    // The audio device; it opens at first use.
    virtual IAudioDevice& Audio() = 0;
    // Writes what the run leaves behind when it ends (the headless WAV of
    // everything played). Raises ENuvoError when it cannot.
    virtual void Finish() {}
    // Frames ended so far (calls of IClock::FrameEnded); the headless
    // script's frame numbers count these.
    virtual int64_t FrameNumber() const = 0;
    // Nothing more will come from the input: the headless script has
    // delivered its last line. The desktop never runs out.
    virtual bool InputFinished() const { return false; }
};

// The exit code of a headless run that a dialog stopped because the script
// had no answer for it.
inline constexpr int kUnansweredDialogExit = 3;

struct HeadlessOptions {
    // The input script's text (docs/headless.md) and a name for messages.
    std::string script;
    std::string scriptName = "input script";
    // Virtual milliseconds per frame.
    int32_t frameMs = 16;
    // The local time at frame 0 (a Saturday by default).
    LocalTime startTime{};
    // Where Finish writes everything the audio device played (empty: nowhere).
    std::string audioWav;
};

// The headless backend. Raises EInputScriptError (InputScript.h) when the
// script does not parse.
std::unique_ptr<IBackend> createHeadlessBackend(const HeadlessOptions& options);
// No display to open a window on: SDL found only its offscreen or dummy
// driver, and SDL_VIDEODRIVER did not ask for it.
class ENoDisplay : public std::runtime_error {
public:
    ENoDisplay() : std::runtime_error("no display to open a window on") {}
};

// The desktop backend on SDL (X11 or Wayland, as SDL chooses). Raises
// ENuvoError when the video system cannot start, ENoDisplay when it starts
// only without a display.
std::unique_ptr<IBackend> createSdlBackend();

// The backend by name. Unknown names raise std::invalid_argument. Only
// programs that link both backends may call this.
inline std::unique_ptr<IBackend> createBackend(std::string_view name, const HeadlessOptions& headless) {
    if (name == "headless") return createHeadlessBackend(headless);
    if (name == "sdl") return createSdlBackend();
    throw std::invalid_argument("unknown backend \"" + std::string(name) + "\" (sdl or headless)");
}

} // namespace nuvo::platform
