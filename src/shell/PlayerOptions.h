// The player's own command-line options, under the convention of
// cli/CommandLine.h (any other argument beginning with "-" is a usage
// error). The options are taken out before the title's command line (a data
// folder and further archives, or "/config") is read. They are one table
// (PlayerOptionTable), from which the parser, the usage text, the manual
// page and the shell completion are made. The options of the virtual clock,
// the screenshots and the recorded sound need --headless.
#pragma once

#include "cli/CommandLine.h"
#include "platform/Clock.h"

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

// Exit codes of the player.
enum : int {
    kExitOk = 0,
    // The title could not be started or the run failed (a file not written).
    kExitFailed = 1,
    // A bad option or input script.
    kExitUsage = 2,
    // A headless dialog the input script had no answer for.
    kExitUnanswered = 3,
    // --timeout ran out.
    kExitTimeout = 4,
};

// A usage error of the command line (exit 2).
using EPlayerOptionError = cli::EUsageError;

struct TPlayerOptions {
    bool Help = false;
    bool Version = false;
    bool Headless = false;
    // Frames to run (-1: until the title ends).
    int64_t Frames = -1;
    int32_t StepMs = 16;
    std::string InputFile;
    std::string ShotsDir;
    std::vector<int64_t> ShotAt;
    int64_t ShotEvery = 0;
    std::string DumpVarsFile;
    std::string DumpTreeFile;
    std::string TraceFile;
    std::optional<platform::LocalTime> Date;
    std::string SaveDir;
    // Everything the audio device played, as a WAV file written at the end.
    std::string AudioWav;
    // Every message the MIDI ports received, "TIME_MS HEX..." a line.
    std::string MidiLog;
    // The MIDI synthesizer's soundfont.
    std::string SoundFont;
    // Wall-clock limit of the run (0: none).
    double TimeoutSeconds = 0;
    // What is left: the title's command line.
    std::vector<std::string> Args;

    // Whether frame f (counted from 0) is to be captured.
    bool WantsShot(int64_t frame) const;
};

// One option of the player: what the parser, the usage text, the manual page
// and the shell completion all read.
struct TPlayerOptionInfo {
    const char* Name; // with its dashes: "--frames"
    cli::Arity Arity;
    // The value's placeholder ("N", "FILE", "DIR"); empty for a flag. A
    // placeholder ending in FILE or DIR names a file or a folder.
    const char* Value;
    bool HeadlessOnly;
    const char* Help; // one line, lower case, no full stop
};
std::span<const TPlayerOptionInfo> PlayerOptionTable();

// The forms of the command line, after "nuvoplayer", with a line each.
struct TPlayerUsageForm {
    const char* Synopsis; // "[OPTIONS] [DATA_FOLDER [ARCHIVE...]]"
    const char* Help;
};
std::span<const TPlayerUsageForm> PlayerUsageForms();

struct TPlayerExitCode {
    int Code;
    const char* Meaning;
};
std::span<const TPlayerExitCode> PlayerExitCodes();

// Raises EPlayerOptionError with a message for a person.
TPlayerOptions ParsePlayerOptions(const std::vector<std::string>& arguments);

// "YYYY-MM-DDTHH:MM:SS" (a "T" or a blank between date and time) with its
// day of the week; raises EPlayerOptionError on anything else, or on a date
// that does not exist.
platform::LocalTime ParseDateOption(std::string_view text);

// The usage text, made from the tables above.
const char* PlayerUsage();

} // namespace nuvo
