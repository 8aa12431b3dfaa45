#include "engine/ProjectSource.h"

#include "engine/ProjectSetting.h"
#include "engine/SourceText.h"

#include <functional>
#include <set>

namespace nuvo {
namespace {

const char* const kTypeNames[] = {nullptr, "int", "float", "bool", "str"};

// Settings every version holds (versions may even be negative).
constexpr int32_t kAlways = INT32_MIN;

// One setting line: its key, the version from which the file holds it, and
// how its value is read and written.
struct SettingLine {
    const char* key;
    int32_t since;
    std::function<std::string(const TProjectSetting&)> write;
    std::function<void(SourceLexer&, TProjectSetting&)> read;
};

int32_t readInt32(SourceLexer& lex) {
    const int64_t v = lex.Integer();
    if (v < INT32_MIN || v > INT32_MAX) lex.Fail("number out of range");
    return static_cast<int32_t>(v);
}

uint8_t readByte(SourceLexer& lex) {
    const int64_t v = lex.Integer();
    if (v < 0 || v > 255) lex.Fail("a number from 0 to 255");
    return static_cast<uint8_t>(v);
}

SettingLine text(const char* key, int32_t since, std::string TProjectSetting::*field) {
    return {key, since, [field](const TProjectSetting& p) { return quoteText(p.*field); },
            [field](SourceLexer& lex, TProjectSetting& p) { p.*field = lex.QuotedString(); }};
}

SettingLine number(const char* key, int32_t TProjectSetting::*field) {
    return {key, kAlways, [field](const TProjectSetting& p) { return std::to_string(p.*field); },
            [field](SourceLexer& lex, TProjectSetting& p) { p.*field = readInt32(lex); }};
}

SettingLine size(const char* key, int32_t TProjectSetting::*w, int32_t TProjectSetting::*h) {
    return {key, kAlways,
            [w, h](const TProjectSetting& p) { return std::to_string(p.*w) + " " + std::to_string(p.*h); },
            [w, h](SourceLexer& lex, TProjectSetting& p) {
                p.*w = readInt32(lex);
                p.*h = readInt32(lex);
            }};
}

SettingLine flag(const char* key, int32_t since, uint8_t TProjectSetting::*field) {
    return {key, since, [field](const TProjectSetting& p) { return std::to_string(p.*field); },
            [field](SourceLexer& lex, TProjectSetting& p) { p.*field = readByte(lex); }};
}

SettingLine message(const char* key, size_t index) {
    return {key, kAlways, [index](const TProjectSetting& p) { return quoteText(p.Messages[index]); },
            [index](SourceLexer& lex, TProjectSetting& p) { p.Messages[index] = lex.QuotedString(); }};
}

const std::vector<SettingLine>& settingLines() {
    static const std::vector<SettingLine> lines = {
        text("title", kAlways, &TProjectSetting::Title),
        size("screen", &TProjectSetting::ScreenWidth, &TProjectSetting::ScreenHeight),
        size("fullscreen", &TProjectSetting::FullScreenWidth, &TProjectSetting::FullScreenHeight),
        text("start", kAlways, &TProjectSetting::StartPage),
        text("exit", 110, &TProjectSetting::ExitPage),
        text("registrykey", kAlways, &TProjectSetting::RegistryKey),
        number("imageseed", &TProjectSetting::ImageSeed),
        flag("savestatus", 104, &TProjectSetting::SaveStatus),
        flag("yield", 106, &TProjectSetting::YieldBetweenFrames),
        text("noprompt", 109, &TProjectSetting::NoPromptExtensions),
        flag("pauseinactive", 113, &TProjectSetting::PauseWhenInactive),
        flag("flag114", 114, &TProjectSetting::UnusedFlag),
        flag("toolbar", 116, &TProjectSetting::ShowToolbar),
        message("changemedia", 0),
        message("exitmessage", 1),
    };
    return lines;
}

std::string variableLine(const TParamData& d) {
    std::string out = "var ";
    out += d.Type >= 1 && d.Type <= 4 ? kTypeNames[d.Type] : std::to_string(d.Type);
    out += " " + nameText(d.Name);
    switch (d.Type) {
    case 1:
        out += " = " + std::to_string(d.IntValue);
        break;
    case 2:
        out += " = " + realText(d.FloatBytes);
        break;
    case 3:
        out += " = " + std::string(d.FlagValue == 0   ? "FALSE"
                                   : d.FlagValue == 1 ? "TRUE"
                                                      : std::to_string(d.FlagValue));
        break;
    case 4:
        out += " = " + quoteText(d.StrValue);
        break;
    default:
        break;
    }
    return out;
}

TParamData readVariable(SourceLexer& lex) {
    TParamData d;
    if (lex.Peek() >= '0' && lex.Peek() <= '9') {
        d.Type = readByte(lex);
    } else {
        const std::string t = lex.RequireWord("a type: int, float, bool, str or a number");
        for (uint8_t k = 1; k <= 4; ++k)
            if (t == kTypeNames[k]) d.Type = k;
        if (!d.Type) lex.Fail("unknown type '" + t + "'");
    }
    d.Name = lex.Name();
    if (d.Type < 1 || d.Type > 4) return d;
    lex.Expect('=');
    switch (d.Type) {
    case 1:
        d.IntValue = readInt32(lex);
        break;
    case 2: {
        const std::string t = lex.NumberToken();
        auto bytes = parseRealText(t);
        if (!bytes && t.find_first_of(".eE#") == std::string::npos) bytes = parseRealText(t + ".0");
        if (!bytes) lex.Fail("bad real value '" + t + "'");
        d.FloatBytes = *bytes;
        break;
    }
    case 3:
        if (lex.Peek() >= '0' && lex.Peek() <= '9') {
            d.FlagValue = readByte(lex);
        } else {
            const std::string w = lex.RequireWord("TRUE or FALSE");
            if (w != "TRUE" && w != "FALSE") lex.Fail("a flag is TRUE, FALSE or a number");
            d.FlagValue = w == "TRUE" ? 1 : 0;
        }
        break;
    case 4:
        d.StrValue = lex.QuotedString();
        break;
    }
    return d;
}

} // namespace

std::string writeProjectSource(const TProjectSetting& p) {
    std::string out = "project version=" + std::to_string(p.Version) + "\n";
    for (const SettingLine& line : settingLines())
        if (p.Version >= line.since) out += std::string(line.key) + " " + line.write(p) + "\n";
    for (const TParamData& d : p.Variables)
        out += variableLine(d) + "\n";
    for (const auto& e : p.FolderDisks.Entries())
        out += "disk " + quoteText(e.Folder) + " " + std::to_string(e.Disk) + "\n";
    return out;
}

void readProjectSource(std::string_view source, TProjectSetting& p) {
    p = TProjectSetting();
    bool header = false;
    std::set<std::string> seen;
    int lineNo = 0;
    for (size_t pos = 0; pos <= source.size();) {
        size_t end = source.find('\n', pos);
        if (end == std::string_view::npos) end = source.size();
        std::string_view line = source.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        SourceLexer lex(line, lineNo);
        if (lex.AtEnd() || lex.Peek() == '#') continue;
        const std::string key = lex.RequireWord("a setting");
        if (!header) {
            if (key != "project") lex.Fail("a project source begins with: project version=N");
            if (lex.RequireWord("version=") != "version") lex.Fail("expected version=");
            lex.Expect('=');
            p.Version = readInt32(lex);
            if (p.Version > kMaxProjectVersion)
                lex.Fail("the player loads project versions up to " + std::to_string(kMaxProjectVersion));
            header = true;
        } else if (key == "var") {
            p.Variables.push_back(readVariable(lex));
        } else if (key == "disk") {
            std::string folder = lex.QuotedString();
            p.FolderDisks.Add(std::move(folder), readInt32(lex));
        } else {
            const SettingLine* found = nullptr;
            for (const SettingLine& s : settingLines())
                if (key == s.key) found = &s;
            if (!found) lex.Fail("unknown setting '" + key + "'");
            if (!seen.insert(key).second) lex.Fail("'" + key + "' given twice");
            if (p.Version < found->since)
                lex.Fail("'" + key + "' needs project version " + std::to_string(found->since) + " or later");
            found->read(lex, p);
        }
        if (!lex.AtEnd()) lex.Fail("unexpected text at the end of the line");
    }
    if (!header) throw ESourceError(0, "empty project source: it begins with: project version=N");
}

} // namespace nuvo
