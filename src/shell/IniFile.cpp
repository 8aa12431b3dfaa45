#include "shell/IniFile.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>

namespace nuvo {
namespace {

std::string trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
    return s.substr(a, b - a);
}

bool sameAscii(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// "[name]" gives name; other lines give nullopt.
std::optional<std::string> sectionName(const std::string& line) {
    const std::string t = trim(line);
    if (t.size() < 2 || t.front() != '[') return std::nullopt;
    const auto close = t.find(']');
    if (close == std::string::npos) return std::nullopt;
    return trim(t.substr(1, close - 1));
}

std::optional<std::pair<std::string, std::string>> keyValue(const std::string& line) {
    const std::string t = trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '[') return std::nullopt;
    const auto eq = t.find('=');
    if (eq == std::string::npos) return std::nullopt;
    return std::make_pair(trim(t.substr(0, eq)), trim(t.substr(eq + 1)));
}

std::optional<int> parseInteger(const std::string& s) {
    std::string t = trim(s);
    bool neg = false;
    size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) neg = t[i++] == '-';
    int base = 10;
    if (i < t.size() && t[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= t.size()) return std::nullopt;
    long long v = 0;
    auto r = std::from_chars(t.data() + i, t.data() + t.size(), v, base);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return std::nullopt;
    if (neg) v = -v;
    if (v < INT32_MIN || v > (base == 16 ? 0xFFFFFFFFLL : INT32_MAX)) return std::nullopt;
    return static_cast<int>(static_cast<uint32_t>(v));
}

} // namespace

TIniFile TIniFile::Load(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return {};
    std::stringstream ss;
    ss << f.rdbuf();
    return Parse(ss.str());
}

TIniFile TIniFile::Parse(const std::string& text) {
    TIniFile ini;
    ini.eol_ = text.find("\r\n") != std::string::npos || text.find('\n') == std::string::npos ? "\r\n" : "\n";
    ini.finalEol_ = text.empty() || text.back() == '\n';
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const bool last = end == std::string::npos;
        if (last) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ini.lines_.push_back({line});
        start = end + 1;
    }
    return ini;
}

int TIniFile::findSection(const std::string& section) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (auto s = sectionName(lines_[i].text); s && sameAscii(*s, section)) return static_cast<int>(i);
    return -1;
}

int TIniFile::sectionEnd(int header) const {
    size_t i = static_cast<size_t>(header) + 1;
    while (i < lines_.size() && !sectionName(lines_[i].text)) ++i;
    return static_cast<int>(i);
}

int TIniFile::findKey(int header, const std::string& key) const {
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i)
        if (auto kv = keyValue(lines_[static_cast<size_t>(i)].text); kv && sameAscii(kv->first, key)) return i;
    return -1;
}

std::optional<std::string> TIniFile::ReadString(const std::string& section, const std::string& key) const {
    const int header = findSection(section);
    if (header < 0) return std::nullopt;
    const int line = findKey(header, key);
    if (line < 0) return std::nullopt;
    return keyValue(lines_[static_cast<size_t>(line)].text)->second;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    auto s = ReadString(section, key);
    if (!s) return def;
    return parseInteger(*s).value_or(def);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    int header = findSection(section);
    if (header < 0) {
        if (!lines_.empty() && !trim(lines_.back().text).empty()) lines_.push_back({""});
        lines_.push_back({"[" + section + "]"});
        header = static_cast<int>(lines_.size()) - 1;
    }
    const int line = findKey(header, key);
    if (line >= 0) {
        lines_[static_cast<size_t>(line)].text = key + "=" + value;
        return;
    }
    // After the section's last non-blank line.
    int at = sectionEnd(header);
    while (at - 1 > header && trim(lines_[static_cast<size_t>(at - 1)].text).empty()) --at;
    lines_.insert(lines_.begin() + at, Line{key + "=" + value});
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

std::string TIniFile::Text() const {
    std::string out;
    for (size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i].text;
        if (i + 1 < lines_.size() || finalEol_) out += eol_;
    }
    return out;
}

void TIniFile::Save(const std::string& path) const {
    const std::string text = Text();
    platform::writeFileAtomic(path, text.data(), text.size());
}

} // namespace nuvo
