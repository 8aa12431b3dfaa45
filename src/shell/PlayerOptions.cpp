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

namespace {

using cli::Arity;

const TPlayerOptionInfo kPlayerOptions[] = {
    {"--headless", Arity::Flag, "", false, "run without a window, on a virtual clock"},
    {"--frames", Arity::Value, "N", false, "stop after N frames"},
    {"--step", Arity::Value, "MS", true, "milliseconds per frame (16)"},
    {"--input", Arity::Value, "FILE", true, "the input script (docs/headless.md)"},
    {"--shots", Arity::Value, "DIR", true, "write screenshots DIR/frame-000123.png"},
    {"--shot-at", Arity::Value, "F1,F2,...", true, "only at these frames"},
    {"--shot-every", Arity::Value, "K", true, "every K-th frame (1 when neither is given)"},
    {"--date", Arity::Value, "YYYY-MM-DDTHH:MM:SS", true, "the local time at frame 0"},
    {"--dump-vars", Arity::Value, "FILE", false, "write the variable table as JSON when the title ends"},
    {"--dump-tree", Arity::Value, "FILE", false, "write the components as JSON when the title ends"},
    {"--trace", Arity::Value, "FILE", false, "write the interpreter's trace lines to FILE"},
    {"--save-dir", Arity::Value, "DIR", false, "keep save.dat in DIR instead of the data folder"},
    {"--timeout", Arity::Value, "SECONDS", false, "end the run with an error after this much wall time"},
    {"--audio-wav", Arity::Value, "FILE", true, "write everything played as a WAV file"},
    {"--midi-log", Arity::Value, "FILE", true, "write every MIDI message sent, a line each"},
    {"--soundfont", Arity::Value, "FILE", false, "the MIDI synthesizer's soundfont (.sf2)"},
};

const TPlayerUsageForm kUsageForms[] = {
    {"[OPTIONS] [DATA_FOLDER [ARCHIVE...]]",
     "Runs the title found in DATA_FOLDER (or beside the program) in a window, reading its folders, its game.dat "
     "archive and any further archives named. DATA_FOLDER may also be an archive: its folder is then the data "
     "folder."},
    {"/config", "/config opens the settings dialog."},
};

const TPlayerExitCode kExitCodes[] = {
    {kExitOk, "the title ended"},
    {kExitFailed, "it could not start or the run failed"},
    {kExitUsage, "a usage error"},
    {kExitUnanswered, "a headless dialog the input script did not answer"},
    {kExitTimeout, "--timeout ran out"},
};

constexpr char kNoBreak = '\x01';

// Words of text filled into lines of at most width characters, each line
// after the first beginning with indent.
std::string wrap(std::string_view text, size_t width, std::string_view indent = "") {
    std::string out, line;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view word = text.substr(start, end - start);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            out += line + "\n";
            line = std::string(indent);
        } else if (!line.empty()) {
            line += ' ';
        }
        line += word;
        start = end + 1;
    }
    out += line + "\n";
    // A non-breaking space, kept within a line, is written as a space.
    std::replace(out.begin(), out.end(), kNoBreak, ' ');
    return out;
}

std::string makeUsage() {
    std::string text;
    for (const TPlayerUsageForm& form : kUsageForms)
        text += (text.empty() ? "usage: nuvoplayer " : "       nuvoplayer ") + std::string(form.Synopsis) + "\n";
    text += "\n";
    for (const TPlayerUsageForm& form : kUsageForms) text += wrap(form.Help, 76);
    text += "\nOptions:\n";
    const auto item = [&](const std::string& left, const std::string& help) {
        constexpr size_t kColumn = 24;
        text += "  " + left;
        if (left.size() + 2 < kColumn) text += std::string(kColumn - 2 - left.size(), ' ');
        else text += "\n" + std::string(kColumn, ' ');
        text += help + "\n";
    };
    for (const TPlayerOptionInfo& o : kPlayerOptions)
        item(std::string(o.Name) + (*o.Value ? std::string(" ") + o.Value : ""),
             (o.HeadlessOnly ? "(headless) " : "") + std::string(o.Help));
    item("--version", "print the version");
    item("-h, --help", "show this text");
    text += "\n\"--\" ends the options (for a data folder whose name begins with \"-\").\n";
    std::string codes = "Exit codes:";
    for (const TPlayerExitCode& c : kExitCodes)
        codes += " " + std::to_string(c.Code) + kNoBreak + c.Meaning + (&c == &std::end(kExitCodes)[-1] ? "." : ",");
    return text + wrap(codes, 76);
}

} // namespace

std::span<const TPlayerOptionInfo> PlayerOptionTable() { return kPlayerOptions; }
std::span<const TPlayerUsageForm> PlayerUsageForms() { return kUsageForms; }
std::span<const TPlayerExitCode> PlayerExitCodes() { return kExitCodes; }

TPlayerOptions ParsePlayerOptions(const std::vector<std::string>& arguments) {
    std::vector<cli::OptionDef> options;
    for (const TPlayerOptionInfo& o : kPlayerOptions) options.push_back({o.Name, o.Arity});
    const cli::TCommandLine line(arguments, options);
    TPlayerOptions o;
    o.Help = line.HelpRequested();
    o.Version = line.VersionRequested();
    if (o.Help || o.Version) return o;
    o.Args = line.Positional();
    o.Headless = line.Has("--headless");
    if (!o.Headless)
        for (const auto& item : line.Items())
            for (const TPlayerOptionInfo& info : kPlayerOptions)
                if (info.HeadlessOnly && item.name == info.Name) fail(item.name + " needs --headless");
    o.Frames = line.Integer("--frames", 0, 100'000'000, -1);
    o.StepMs = static_cast<int32_t>(line.Integer("--step", 1, 1000, 16));
    o.InputFile = line.Value("--input", "");
    o.ShotsDir = line.Value("--shots", "");
    const bool shotAtGiven = line.Has("--shot-at");
    if (shotAtGiven) o.ShotAt = frameList(*line.Value("--shot-at"), "--shot-at");
    o.ShotEvery = line.Integer("--shot-every", 1, 100'000'000, 0);
    if (const auto date = line.Value("--date")) o.Date = ParseDateOption(*date);
    o.DumpVarsFile = line.Value("--dump-vars", "");
    o.DumpTreeFile = line.Value("--dump-tree", "");
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
    static const std::string text = makeUsage();
    return text.c_str();
}

} // namespace nuvo
