#include "shell/PlayerOptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <map>

namespace nuvo {

namespace {

[[noreturn]] void fail(const std::string& message) { throw EPlayerOptionError(message); }

int64_t wholeNumber(std::string_view text, const std::string& option, int64_t low, int64_t high) {
    return cli::parseWholeNumber(text, option, low, high);
}

std::vector<int64_t> frameList(std::string_view text, const std::string& option) {
    std::vector<int64_t> frames;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        frames.push_back(wholeNumber(text.substr(start, comma - start), option, 0, 100'000'000));
        start = comma + 1;
        if (comma == text.size()) break;
    }
    std::sort(frames.begin(), frames.end());
    return frames;
}

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leapYear(y) ? 29 : days[m - 1];
}

// 0 = Sunday (Sakamoto's rule).
int dayOfWeek(int y, int m, int d) {
    static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (m < 3) y -= 1;
    return (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
}

} // namespace

bool TPlayerOptions::WantsShot(int64_t frame) const {
    if (ShotsDir.empty()) return false;
    if (ShotEvery > 0) return frame % ShotEvery == 0;
    return std::binary_search(ShotAt.begin(), ShotAt.end(), frame);
}

platform::LocalTime ParseDateOption(std::string_view text) {
    const auto bad = [&] {
        fail("--date takes YYYY-MM-DDTHH:MM:SS (a date that exists, years 1601 to 9999), not \"" + std::string(text) +
             "\"");
    };
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != ' ') ||
        text[13] != ':' || text[16] != ':')
        bad();
    const auto field = [&](size_t at, size_t length) {
        int v = 0;
        for (size_t i = at; i < at + length; ++i) {
            if (text[i] < '0' || text[i] > '9') bad();
            v = v * 10 + (text[i] - '0');
        }
        return v;
    };
    platform::LocalTime t;
    t.year = field(0, 4);
    t.month = field(5, 2);
    t.day = field(8, 2);
    t.hour = field(11, 2);
    t.minute = field(14, 2);
    t.second = field(17, 2);
    t.millisecond = 0;
    if (t.year < 1601 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > daysInMonth(t.year, t.month) ||
        t.hour > 23 || t.minute > 59 || t.second > 59)
        bad();
    t.dayOfWeek = dayOfWeek(t.year, t.month, t.day);
    return t;
}

TPlayerOptions ParsePlayerOptions(const std::vector<std::string>& arguments) {
    using cli::Arity;
    static const cli::OptionDef kOptions[] = {
        {"--headless"},
        {"--frames", Arity::Value},
        {"--step", Arity::Value},
        {"--input", Arity::Value},
        {"--shots", Arity::Value},
        {"--shot-at", Arity::Value},
        {"--shot-every", Arity::Value},
        {"--date", Arity::Value},
        {"--dump-vars", Arity::Value},
        {"--trace", Arity::Value},
        {"--save-dir", Arity::Value},
        {"--timeout", Arity::Value},
        {"--audio-wav", Arity::Value},
        {"--midi-log", Arity::Value},
        {"--soundfont", Arity::Value},
    };
    static const char* const kHeadlessOnly[] = {"--step",   "--input", "--shots",    "--shot-at",
                                                "--shot-every", "--date", "--audio-wav", "--midi-log"};

    const cli::TCommandLine line(arguments, kOptions);
    TPlayerOptions o;
    o.Help = line.HelpRequested();
    o.Version = line.VersionRequested();
    if (o.Help || o.Version) return o;
    o.Args = line.Positional();
    o.Headless = line.Has("--headless");
    if (!o.Headless)
        for (const auto& item : line.Items())
            if (std::find_if(std::begin(kHeadlessOnly), std::end(kHeadlessOnly),
                             [&](const char* n) { return item.name == n; }) != std::end(kHeadlessOnly))
                fail(item.name + " needs --headless");
    o.Frames = line.Integer("--frames", 0, 100'000'000, -1);
    o.StepMs = static_cast<int32_t>(line.Integer("--step", 1, 1000, 16));
    o.InputFile = line.Value("--input", "");
    o.ShotsDir = line.Value("--shots", "");
    const bool shotAtGiven = line.Has("--shot-at");
    if (shotAtGiven) o.ShotAt = frameList(*line.Value("--shot-at"), "--shot-at");
    o.ShotEvery = line.Integer("--shot-every", 1, 100'000'000, 0);
    if (const auto date = line.Value("--date")) o.Date = ParseDateOption(*date);
    o.DumpVarsFile = line.Value("--dump-vars", "");
    o.TraceFile = line.Value("--trace", "");
    o.SaveDir = line.Value("--save-dir", "");
    o.AudioWav = line.Value("--audio-wav", "");
    o.MidiLog = line.Value("--midi-log", "");
    o.SoundFont = line.Value("--soundfont", "");
    if (const auto v = line.Value("--timeout")) {
        char* end = nullptr;
        const double seconds = std::strtod(v->c_str(), &end);
        if (v->empty() || *end || !std::isfinite(seconds) || seconds <= 0 || seconds > 1e6)
            fail("--timeout takes a number of seconds above 0, not \"" + *v + "\"");
        o.TimeoutSeconds = seconds;
    }
    if (shotAtGiven && o.ShotEvery > 0) fail("--shot-at and --shot-every exclude each other");
    if ((shotAtGiven || o.ShotEvery > 0) && o.ShotsDir.empty()) fail("--shot-at and --shot-every need --shots DIR");
    if (!o.ShotsDir.empty() && !shotAtGiven && o.ShotEvery == 0) o.ShotEvery = 1;
    return o;
}

const char* PlayerUsage() {
    return "usage: nuvoplayer [OPTIONS] [DATA_FOLDER [ARCHIVE...]]\n"
           "       nuvoplayer /config\n"
           "\n"
           "Runs the title found in DATA_FOLDER (or beside the program) in a window,\n"
           "reading its folders, its game.dat archive and any further archives named.\n"
           "/config opens the settings dialog.\n"
           "\n"
           "Options:\n"
           "  --headless            run without a window, on a virtual clock\n"
           "  --frames N            stop after N frames\n"
           "  --step MS             (headless) milliseconds per frame (16)\n"
           "  --input FILE          (headless) the input script (docs/player.md)\n"
           "  --shots DIR           (headless) write screenshots DIR/frame-000123.png\n"
           "  --shot-at F1,F2,...   (headless) only at these frames\n"
           "  --shot-every K        (headless) every K-th frame (1 when neither is given)\n"
           "  --date YYYY-MM-DDTHH:MM:SS\n"
           "                        (headless) the local time at frame 0\n"
           "  --dump-vars FILE      write the variable table as JSON when the title ends\n"
           "  --trace FILE          write the interpreter's trace lines to FILE\n"
           "  --save-dir DIR        keep save.dat in DIR instead of the data folder\n"
           "  --audio-wav FILE      (headless) write everything played as a WAV file\n"
           "  --midi-log FILE       (headless) write every MIDI message sent, a line each\n"
           "  --soundfont FILE      the MIDI synthesizer's soundfont (.sf2)\n"
           "  --timeout SECONDS     end the run with an error after this much wall time\n"
           "  --version             print the version\n"
           "  -h, --help            show this text\n"
           "\n"
           "\"--\" ends the options (for a data folder whose name begins with \"-\").\n"
           "Exit codes: 0 the title ended, 1 it could not start or the run failed,\n"
           "2 a usage error, 3 a headless dialog the input script did not answer,\n"
           "4 --timeout ran out.\n";
}

} // namespace nuvo
