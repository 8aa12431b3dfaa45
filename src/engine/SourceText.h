// Pieces shared by the text forms of pages and projects (the toolkit's
// source format, described in docs/title-format.md): quoted strings, words,
// numbers, reals written bit-exactly, and a lexer over one line.
//
// Text is UTF-8 outside and Shift-JIS inside. A quoted string escapes
// backslash, double quote, CR, LF, TAB and the other control bytes, and writes
// a character that does not come back identically through UTF-8 as \x{HH} or
// \x{HHHH} with its Shift-JIS bytes, so every string survives a round trip.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace nuvo {

// An error in a source text, with its line and column (1-based; 0 when not
// known). The message reads "line L, column C: what", or "line L: what"
// without a column. A column counts characters of the UTF-8 line (a tab is
// one character), so it is what an editor shows.
class ESourceError : public std::runtime_error {
public:
    ESourceError(int line, const std::string& message) : ESourceError(line, 0, message) {}
    ESourceError(int line, int column, const std::string& message);
    int Line() const { return line_; }
    int Column() const { return column_; }
    // The message without the place.
    const std::string& Message() const { return message_; }

private:
    int line_;
    int column_;
    std::string message_;
};

// "line L, column C: " (or "line L: ", or nothing for line 0).
std::string sourcePlaceText(int line, int column);

// The 1-based column of the byte at offset in a UTF-8 line: the characters
// before it, plus one (bytes that are not UTF-8 count one each).
int columnAt(std::string_view utf8Line, size_t offset);

// The byte offset in text as the source writes it (UTF-8 with \x{..} escapes,
// as utf8EscapedToSjis reads it) of the character that gives the Shift-JIS
// byte at sjisOffset of its conversion; the end of the text for an offset
// beyond the conversion.
size_t sourceOffsetOfSjis(std::string_view utf8Escaped, size_t sjisOffset);

// The quoted UTF-8 form of Shift-JIS bytes.
std::string quoteText(std::string_view sjis);

// A name written bare when it reads back as one word (ASCII letters, digits,
// "_", "@", "." and characters beyond ASCII, not starting with a digit, and
// not a word the form reserves), else quoted with a "$" before it.
std::string nameText(std::string_view sjis);

// A 10-byte extended real: the shortest decimal text that reads back to the
// same bits (always with a point or an exponent), or "#" and 20 hexadecimal
// digits (the bytes from the most significant) for values no decimal text
// gives back (NaN, infinities, unnormal encodings).
std::string realText(const std::array<uint8_t, 10>& bytes);
// Reads either form; nullopt when the text is neither.
std::optional<std::array<uint8_t, 10>> parseRealText(std::string_view text);

// A lexer over one line of source (UTF-8). Every read skips blanks first;
// errors raise ESourceError with the line's number and the column where the
// last read began (the token at fault).
class SourceLexer {
public:
    SourceLexer(std::string_view text, int line) : text_(text), line_(line) {}

    int Line() const { return line_; }
    bool AtEnd();
    // The next character without consuming it ('\0' at the end).
    char Peek();
    bool Accept(char c);
    void Expect(char c);
    bool StartsWith(std::string_view s);
    // A run of word characters (see nameText), possibly empty.
    std::string Word();
    // A word that must be present.
    std::string RequireWord(const char* what);
    // A quoted string, returned as Shift-JIS.
    std::string QuotedString();
    // A name: a bare word or "$" and a quoted string; Shift-JIS.
    std::string Name();
    // A decimal integer with an optional sign (int64 so callers check ranges).
    int64_t Integer();
    // The text of a number token (digits, sign, point, exponent, "#" hex).
    std::string NumberToken();
    // The body of "{...}" up to its closing brace: double-quoted literals
    // (with the expression language's \" and \\) and \x{..} escapes are
    // stepped over, so a brace inside them does not end the body.
    std::string BracedExpression();
    // The position, for messages.
    size_t Position() const { return pos_; }
    // Fails at the start of the last read.
    [[noreturn]] void Fail(const std::string& message) const;
    // Fails at a byte offset of the line.
    [[noreturn]] void FailAt(size_t offset, const std::string& message) const;

private:
    void skipBlanks();
    std::string_view text_;
    size_t pos_ = 0;
    size_t mark_ = 0; // where the last read began, after blanks
    int line_;
};

bool isWordChar(unsigned char c);

} // namespace nuvo
