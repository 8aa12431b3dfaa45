#include "engine/SourceText.h"

#include "base/Cp932.h"
#include "base/StreamIO.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace nuvo {

std::string sourcePlaceText(int line, int column) {
    if (line <= 0) return {};
    std::string out = "line " + std::to_string(line);
    if (column > 0) out += ", column " + std::to_string(column);
    return out + ": ";
}

ESourceError::ESourceError(int line, int column, const std::string& message)
    : std::runtime_error(sourcePlaceText(line, column) + message), line_(line), column_(line > 0 ? column : 0),
      message_(message) {}

int columnAt(std::string_view utf8Line, size_t offset) {
    offset = std::min(offset, utf8Line.size());
    int column = 1;
    for (size_t i = 0; i < offset; ++i)
        if ((static_cast<unsigned char>(utf8Line[i]) & 0xC0) != 0x80) ++column;
    return column;
}

size_t sourceOffsetOfSjis(std::string_view utf8Escaped, size_t sjisOffset) {
    // Character by character as utf8EscapedToSjis reads the text, adding up
    // the Shift-JIS bytes each gives.
    size_t sjis = 0;
    for (size_t i = 0; i < utf8Escaped.size();) {
        size_t length = 1;
        if (utf8Escaped.compare(i, 3, "\\x{") == 0) {
            const size_t close = utf8Escaped.find('}', i + 3);
            if (close != std::string_view::npos && (close - i - 3 == 2 || close - i - 3 == 4)) length = close + 1 - i;
        }
        if (length == 1) {
            const auto lead = static_cast<unsigned char>(utf8Escaped[i]);
            length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            length = std::min(length, utf8Escaped.size() - i);
        }
        const auto converted = utf8EscapedToSjis(utf8Escaped.substr(i, length));
        sjis += converted ? std::max<size_t>(converted->size(), 1) : 1;
        if (sjis > sjisOffset) return i;
        i += length;
    }
    return utf8Escaped.size();
}

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void appendHexEscape(std::string& out, std::string_view bytes) {
    out += "\\x{";
    for (char b : bytes) {
        char buf[3];
        std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned char>(b));
        out += buf;
    }
    out += '}';
}

bool isReservedWord(std::string_view w) { return w == "TRUE" || w == "FALSE" || w == "FLAG"; }

} // namespace

bool isWordChar(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '@' ||
           c == '.' || c >= 0x80;
}

std::string quoteText(std::string_view sjis) {
    const std::string u = sjisToUtf8Escaped(sjis);
    std::string out = "\"";
    for (size_t i = 0; i < u.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(u[i]);
        if (c == '\\' && u.compare(i, 3, "\\x{") == 0) {
            // An escape of the exact conversion: copy it whole.
            const size_t close = u.find('}', i);
            out.append(u, i, close - i + 1);
            i = close;
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '"') {
            out += "\\\"";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            appendHexEscape(out, u.substr(i, 1));
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
    return out;
}

std::string nameText(std::string_view sjis) {
    const std::string u = sjisToUtf8Escaped(sjis);
    bool bare = !u.empty() && !(u[0] >= '0' && u[0] <= '9') && u[0] != '.' && !isReservedWord(u);
    for (unsigned char c : u)
        if (!isWordChar(c)) bare = false;
    return bare ? u : "$" + quoteText(sjis);
}

std::string realText(const std::array<uint8_t, 10>& bytes) {
    const long double v = float80FromBytes(bytes.data());
    char buf[64];
    for (int precision = 1; precision <= 21; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*Lg", precision, v);
        std::string t = buf;
        if (t.find_first_of("ni") != std::string::npos) break; // nan, inf
        if (t.find_first_of(".e") == std::string::npos) t += ".0";
        const auto back = parseRealText(t);
        if (back && *back == bytes) return t;
    }
    std::string out = "#";
    for (int i = 9; i >= 0; --i) {
        std::snprintf(buf, sizeof buf, "%02X", bytes[static_cast<size_t>(i)]);
        out += buf;
    }
    return out;
}

std::optional<std::array<uint8_t, 10>> parseRealText(std::string_view text) {
    std::array<uint8_t, 10> bytes{};
    if (!text.empty() && text[0] == '#') {
        if (text.size() != 21) return std::nullopt;
        for (int i = 0; i < 10; ++i) {
            const int hi = hexDigit(text[static_cast<size_t>(1 + 2 * i)]);
            const int lo = hexDigit(text[static_cast<size_t>(2 + 2 * i)]);
            if (hi < 0 || lo < 0) return std::nullopt;
            bytes[static_cast<size_t>(9 - i)] = static_cast<uint8_t>(hi << 4 | lo);
        }
        return bytes;
    }
    if (text.empty() || text.find_first_of(".eE") == std::string_view::npos) return std::nullopt;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+')) return std::nullopt;
    const std::string s(text);
    char* end = nullptr;
    const long double v = std::strtold(s.c_str(), &end);
    if (end != s.c_str() + s.size()) return std::nullopt;
    float80ToBytes(v, bytes.data());
    return bytes;
}

void SourceLexer::skipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t'))
        ++pos_;
    mark_ = pos_;
}

bool SourceLexer::AtEnd() {
    skipBlanks();
    return pos_ >= text_.size();
}

char SourceLexer::Peek() {
    skipBlanks();
    return pos_ < text_.size() ? text_[pos_] : '\0';
}

bool SourceLexer::Accept(char c) {
    if (Peek() != c || AtEnd()) return false;
    ++pos_;
    return true;
}

void SourceLexer::Expect(char c) {
    if (!Accept(c)) Fail(std::string("expected '") + c + "'");
}

bool SourceLexer::StartsWith(std::string_view s) {
    skipBlanks();
    return text_.substr(pos_, s.size()) == s;
}

void SourceLexer::Fail(const std::string& message) const { FailAt(mark_, message); }

void SourceLexer::FailAt(size_t offset, const std::string& message) const {
    throw ESourceError(line_, columnAt(text_, offset), message);
}

std::string SourceLexer::Word() {
    skipBlanks();
    const size_t start = pos_;
    while (pos_ < text_.size() && isWordChar(static_cast<unsigned char>(text_[pos_])))
        ++pos_;
    return std::string(text_.substr(start, pos_ - start));
}

std::string SourceLexer::RequireWord(const char* what) {
    std::string w = Word();
    if (w.empty()) Fail(std::string("expected ") + what);
    return w;
}

std::string SourceLexer::QuotedString() {
    skipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != '"') Fail("expected a quoted string");
    ++pos_;
    std::string out; // Shift-JIS
    std::string run; // plain UTF-8 waiting for conversion
    auto flush = [&] {
        const auto converted = utf8EscapedToSjis(run);
        if (!converted) Fail("a character without a Shift-JIS form in a string");
        out += *converted;
        run.clear();
    };
    for (;;) {
        if (pos_ >= text_.size()) Fail("unterminated string");
        const char c = text_[pos_++];
        if (c == '"') break;
        if (c != '\\') {
            run += c;
            continue;
        }
        if (pos_ >= text_.size()) Fail("unterminated string");
        const char e = text_[pos_++];
        flush();
        switch (e) {
        case '\\':
            out += '\\';
            break;
        case '"':
            out += '"';
            break;
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'x': {
            const size_t close = text_.find('}', pos_);
            if (pos_ >= text_.size() || text_[pos_] != '{' || close == std::string_view::npos)
                Fail("bad \\x{..} escape");
            const std::string_view hex = text_.substr(pos_ + 1, close - pos_ - 1);
            if (hex.size() != 2 && hex.size() != 4) Fail("a \\x{..} escape takes 2 or 4 hexadecimal digits");
            for (size_t k = 0; k < hex.size(); k += 2) {
                const int hi = hexDigit(hex[k]), lo = hexDigit(hex[k + 1]);
                if (hi < 0 || lo < 0) Fail("bad \\x{..} escape");
                out += static_cast<char>(hi << 4 | lo);
            }
            pos_ = close + 1;
            break;
        }
        default:
            Fail(std::string("unknown escape \\") + e);
        }
    }
    flush();
    return out;
}

std::string SourceLexer::Name() {
    if (Accept('$')) return QuotedString();
    const std::string w = Word();
    if (w.empty()) Fail("expected a name");
    const auto sjis = utf8EscapedToSjis(w);
    if (!sjis) Fail("a name without a Shift-JIS form");
    return *sjis;
}

int64_t SourceLexer::Integer() {
    skipBlanks();
    const size_t start = pos_;
    if (pos_ < text_.size() && (text_[pos_] == '-' || text_[pos_] == '+')) ++pos_;
    int64_t v = 0;
    size_t digits = 0;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
        if (v < (int64_t{1} << 40)) v = v * 10 + (text_[pos_] - '0');
        ++pos_;
        ++digits;
    }
    if (digits == 0 || (pos_ < text_.size() && isWordChar(static_cast<unsigned char>(text_[pos_])))) {
        pos_ = start;
        Fail("expected an integer");
    }
    return text_[start] == '-' ? -v : v;
}

std::string SourceLexer::NumberToken() {
    skipBlanks();
    const size_t start = pos_;
    while (pos_ < text_.size()) {
        const char c = text_[pos_];
        const bool sign = (c == '-' || c == '+') && (pos_ == start || text_[pos_ - 1] == 'e' || text_[pos_ - 1] == 'E');
        if (!(isWordChar(static_cast<unsigned char>(c)) || c == '#' || sign)) break;
        ++pos_;
    }
    if (pos_ == start) Fail("expected a number");
    return std::string(text_.substr(start, pos_ - start));
}

std::string SourceLexer::BracedExpression() {
    Expect('{');
    const size_t start = pos_;
    bool inLiteral = false;
    while (pos_ < text_.size()) {
        const char c = text_[pos_];
        if (c == '\\' && text_.compare(pos_, 3, "\\x{") == 0) {
            const size_t close = text_.find('}', pos_ + 3);
            if (close == std::string_view::npos) break;
            pos_ = close + 1;
            continue;
        }
        if (inLiteral) {
            if (c == '\\' && pos_ + 1 < text_.size() && (text_[pos_ + 1] == '"' || text_[pos_ + 1] == '\\')) {
                pos_ += 2;
                continue;
            }
            if (c == '"') inLiteral = false;
        } else if (c == '"') {
            inLiteral = true;
        } else if (c == '}') {
            const std::string body(text_.substr(start, pos_ - start));
            ++pos_;
            return body;
        }
        ++pos_;
    }
    Fail(inLiteral ? "unterminated string literal in an expression" : "expected '}' after an expression");
}

} // namespace nuvo
