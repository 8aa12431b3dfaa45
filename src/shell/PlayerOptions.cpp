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
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high)
        fail(option + " takes a whole number from " + std::to_string(low) + " to " + std::to_string(high) + ", not \"" +
             std::string(text) + "\"");
    return v;
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
    TPlayerOptions o;
    bool headlessOnly = false;
    std::string headlessOnlyName;
    bool shotAtGiven = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "-h" || a == "--help") {
            o.Help = true;
            continue;
        }
        if (a.rfind("--", 0) != 0) {
            o.Args.push_back(a);
            continue;
        }
        // "--name=value" and "--name value" are the same.
        std::string name = a;
        std::optional<std::string> inlineValue;
        if (const size_t eq = a.find('='); eq != std::string::npos) {
            name = a.substr(0, eq);
            inlineValue = a.substr(eq + 1);
        }
        const auto value = [&]() -> std::string {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= arguments.size()) fail(name + " needs a value");
            return arguments[++i];
        };
        const auto noValue = [&] {
            if (inlineValue) fail(name + " takes no value");
        };
        const auto headless = [&] {
            headlessOnly = true;
            if (headlessOnlyName.empty()) headlessOnlyName = name;
        };
        if (name == "--headless") {
            noValue();
            o.Headless = true;
        } else if (name == "--frames") {
            o.Frames = wholeNumber(value(), name, 0, 100'000'000);
        } else if (name == "--step") {
            headless();
            o.StepMs = static_cast<int32_t>(wholeNumber(value(), name, 1, 1000));
        } else if (name == "--input") {
            headless();
            o.InputFile = value();
        } else if (name == "--shots") {
            headless();
            o.ShotsDir = value();
        } else if (name == "--shot-at") {
            headless();
            o.ShotAt = frameList(value(), name);
            shotAtGiven = true;
        } else if (name == "--shot-every") {
            headless();
            o.ShotEvery = wholeNumber(value(), name, 1, 100'000'000);
        } else if (name == "--date") {
            headless();
            o.Date = ParseDateOption(value());
        } else if (name == "--dump-vars") {
            o.DumpVarsFile = value();
        } else if (name == "--trace") {
            o.TraceFile = value();
        } else if (name == "--save-dir") {
            o.SaveDir = value();
        } else if (name == "--timeout") {
            const std::string v = value();
            char* end = nullptr;
            const double seconds = std::strtod(v.c_str(), &end);
            if (v.empty() || *end || !std::isfinite(seconds) || seconds <= 0 || seconds > 1e6)
                fail("--timeout takes a number of seconds above 0, not \"" + v + "\"");
            o.TimeoutSeconds = seconds;
        } else {
            fail("unknown option " + name + " (see --help)");
        }
    }
    if (headlessOnly && !o.Headless) fail(headlessOnlyName + " needs --headless");
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
           "  --timeout SECONDS     end the run with an error after this much wall time\n"
           "  -h, --help            show this text\n";
}

} // namespace nuvo
