// The behaviour of the 51 "@" variables: what a read computes from the
// player's state and what a write does. InstallSystemVariables gives each
// TParamSystem of the variable table its accessor; the accessors ask the
// host (the main window, or a test's stand-in) for the state they show.
//
// Every variable has its own type. A read or write of another type is
// converted from or to it with the system's rules, which differ slightly from
// the ordinary variables': an integer read from a string variable parses the
// text as a decimal integer (0 when it is none), and so does a real read; a
// flag read from a string is TRUE for any non-empty text; a string written
// into an integer or real variable is ignored unless it is a number of that
// kind; a string written into a flag stores TRUE only for a non-zero integer
// text. The aliases @Result and @Temp instead forward every operation to the
// value they stand for (defaults and ignored writes when there is none).
#pragma once

#include "platform/Clock.h"
#include "platform/Fonts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace nuvo {

class TNuvoBaseList;
class TParamCollection;
class TScreenManager;
struct TProgramContext;

class ISystemVariableHost {
public:
    virtual ~ISystemVariableHost() = default;

    // The program context: project, variables, interpreter, clocks.
    virtual TProgramContext& Context() = 0;
    // None before the registry and the screen manager exist.
    virtual TNuvoBaseList* Bases() = 0;
    virtual TScreenManager* Screen() = 0;
    // The local time, read once per frame.
    virtual platform::LocalTime FrameLocalTime() = 0;
    // The system's millisecond timer.
    virtual uint32_t SystemTickMs() = 0;
    // Installed font names (Shift-JIS), sorted, one per entry.
    virtual std::vector<std::string> FontNames(bool fixedPitchOnly) = 0;

    virtual bool IsFullScreen() = 0;
    virtual void SetFullScreen(bool full) = 0;
    // The display mode chosen for full screen, and choosing (and applying) one.
    virtual int32_t DisplayModeIndex() = 0;
    virtual void SelectDisplayMode(int32_t index) = 0;
    // Moves the mouse pointer to a panel coordinate, keeping the other one.
    virtual void SetCursorX(int32_t x) = 0;
    virtual void SetCursorY(int32_t y) = 0;
    // The picture cache's dithering setting; a change repaints both bases.
    virtual bool CGDither() = 0;
    virtual void SetCGDither(bool dither) = 0;

    // The default message history; none exists yet, so it is empty and only
    // remembers its maximum.
    virtual int32_t HistoryCount() { return 0; }
    virtual int32_t HistoryMaxCount() { return historyMax_; }
    virtual void SetHistoryMaxCount(int32_t n) { historyMax_ = n; }
    // MIDI output ports; none until a MIDI player exists.
    virtual std::vector<std::string> MidiPorts() { return {}; }
    virtual std::string MidiPort() { return {}; }
    virtual void SetMidiPort(const std::string& name) { (void)name; }

private:
    int32_t historyMax_ = 0;
};

// Gives the 51 system variables of vars their behaviour; the host must
// outlive the table's use of them.
void InstallSystemVariables(TParamCollection& vars, ISystemVariableHost& host);

// The font list as @Fonts reads it: names joined by CR LF, no line break at
// the end.
std::string JoinFontNames(const std::vector<std::string>& names);

// The names @Fonts (or, fixedPitchOnly, @FixedFonts) lists of the installed
// faces: TrueType faces only, never a name beginning with "@", with a
// Japanese system language only faces that cover Japanese; in Shift-JIS
// (names without an exact Shift-JIS form are left out), sorted, each once.
std::vector<std::string> ScriptFontNames(const std::vector<platform::FontFace>& faces, bool fixedPitchOnly,
                                         bool japanese);

} // namespace nuvo
