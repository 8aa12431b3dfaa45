// A Windows-style settings file ("game.ini"): [sections] of key=value lines.
// Sections and keys compare without regard to letter case; CRLF and LF line
// ends are both read. Writing changes only the lines of the keys written (or
// appends them) and keeps every other line, and the file's line ends, as they
// were.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace nuvo {

class TIniFile {
public:
    TIniFile() = default;
    // Reads a native path; a missing or unreadable file reads as empty.
    static TIniFile Load(const std::string& path);
    static TIniFile Parse(const std::string& text);

    std::optional<std::string> ReadString(const std::string& section, const std::string& key) const;
    // An integer (decimal, or hexadecimal after "$" or "0x"); def when absent or not a number.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    // Any integer, 0 meaning false; def when absent or not a number.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

    std::string Text() const;
    // Writes the whole file atomically (platform::writeFileAtomic); raises on failure.
    void Save(const std::string& path) const;

private:
    struct Line {
        std::string text; // without its line end
    };
    std::vector<Line> lines_;
    std::string eol_ = "\r\n";
    bool finalEol_ = true;

    // Index of the section header line, or -1.
    int findSection(const std::string& section) const;
    // Index of the key's line inside the section starting at header, or -1.
    int findKey(int header, const std::string& key) const;
    int sectionEnd(int header) const;
};

} // namespace nuvo
