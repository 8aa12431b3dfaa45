// Markup to elements: the tokenizer and the tags.
//
// Text and tags are read in one pass. A tag is "<" ... ">" with nested "<"
// counted; comments and SCRIPT and STYLE blocks are skipped whole. Outside
// PRE and TEXTAREA a line break becomes one space (unless the text token
// already ends with one), runs of spaces collapse and tabs are dropped;
// inside them a line break ends the token (PRE adds a return) and a tab is
// eight spaces. Inside a double-quoted run line breaks and tabs are dropped.
#include "base/Cp932.h"
#include "base/Error.h"
#include "text/FontPixel.h"
#include "text/KvWord.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace nuvo {

namespace {

// Values pushed by FONT and popped by /FONT.
struct FontState {
    int32_t size = 0;
    int32_t color = -1;
    int32_t borderColor = -1;
    int32_t shadowColor = -1;
    std::string name;
    int32_t border = -1;
    int32_t shadow = -1;
};

struct Attribute {
    std::string name; // upper case
    std::optional<std::string> value;
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool startsWithNoCase(std::string_view text, size_t at, std::string_view prefix) {
    if (text.size() - at < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[at + i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != prefix[i]) return false;
    }
    return true;
}

size_t findNoCase(std::string_view text, size_t from, std::string_view what) {
    for (size_t i = from; i + what.size() <= text.size(); ++i)
        if (startsWithNoCase(text, i, what)) return i;
    return std::string_view::npos;
}

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// A whole number, optionally signed; nullopt for anything else. Values
// beyond the 32-bit range saturate.
std::optional<int32_t> wholeNumber(std::string_view s) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    if (i == s.size()) return std::nullopt;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return std::nullopt;
        v = std::min<int64_t>(v * 10 + (s[i] - '0'), int64_t{INT32_MAX} + 1);
    }
    v = negative ? -v : v;
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "#RRGGBB" as a colour (red in the low byte); nullopt for any other form.
std::optional<int32_t> colourValue(std::string_view s) {
    if (s.size() != 7 || s[0] != '#') return std::nullopt;
    int32_t channel[3];
    for (int k = 0; k < 3; ++k) {
        const int hi = hexDigit(s[1 + 2 * k]), lo = hexDigit(s[2 + 2 * k]);
        if (hi < 0 || lo < 0) return std::nullopt;
        channel[k] = hi * 16 + lo;
    }
    return channel[0] | channel[1] << 8 | channel[2] << 16;
}

// The tag's name and attributes. Names are compared without regard to case;
// values may be quoted with " or '.
void splitTag(std::string_view body, std::string& name, std::vector<Attribute>& attributes) {
    size_t i = 0;
    while (i < body.size() && isBlank(body[i])) ++i;
    const size_t nameStart = i;
    while (i < body.size() && !isBlank(body[i])) ++i;
    name = upperAscii(body.substr(nameStart, i - nameStart));
    while (i < body.size()) {
        while (i < body.size() && isBlank(body[i])) ++i;
        if (i >= body.size()) break;
        const size_t start = i;
        while (i < body.size() && !isBlank(body[i]) && body[i] != '=') ++i;
        Attribute a{upperAscii(body.substr(start, i - start)), std::nullopt};
        if (i < body.size() && body[i] == '=') {
            ++i;
            if (i < body.size() && (body[i] == '"' || body[i] == '\'')) {
                const char quote = body[i++];
                const size_t end = body.find(quote, i);
                const size_t stop = end == std::string_view::npos ? body.size() : end;
                a.value = std::string(body.substr(i, stop - i));
                i = end == std::string_view::npos ? body.size() : end + 1;
            } else {
                const size_t vs = i;
                while (i < body.size() && !isBlank(body[i])) ++i;
                a.value = std::string(body.substr(vs, i - vs));
            }
        }
        if (a.name.empty()) {
            ++i; // a stray "="
            continue;
        }
        attributes.push_back(std::move(a));
    }
}

const Attribute* findAttribute(const std::vector<Attribute>& list, std::string_view name) {
    for (const Attribute& a : list)
        if (a.name == name) return &a;
    return nullptr;
}

// An ALIGN value among those a tag allows, else the tag's default.
int32_t alignValue(const std::vector<Attribute>& list, std::initializer_list<int32_t> allowed, int32_t fallback) {
    const Attribute* a = findAttribute(list, "ALIGN");
    if (!a || !a->value) return fallback;
    static constexpr std::pair<const char*, int32_t> kNames[] = {
        {"LEFT", kAlignLeft}, {"RIGHT", kAlignRight}, {"CENTER", kAlignCenter}, {"TOP", kAlignTop}, {"BOTTOM", kAlignBottom}};
    const std::string v = upperAscii(*a->value);
    for (const auto& [n, code] : kNames)
        if (v == n) return std::find(allowed.begin(), allowed.end(), code) != allowed.end() ? code : fallback;
    return fallback;
}

// The style bit a tag B, I, U, S (or its closing form) sets; 0 for others.
uint8_t styleBitOf(std::string_view name) {
    if (!name.empty() && name[0] == '/') name.remove_prefix(1);
    if (name == "B") return kStyleBold;
    if (name == "I") return kStyleItalic;
    if (name == "U") return kStyleUnderline;
    if (name == "S") return kStyleStrikeOut;
    return 0;
}

class TMarkupParser {
public:
    TMarkupParser(TKvWord& word, std::vector<std::unique_ptr<TWdGlyph>>& out) : word_(word), out_(out) {
        wait_ = word.DefaultWait ? word.DefaultWait() : 50;
    }

    void run(std::string_view text);

private:
    enum class Block { None, Pre, TextArea };

    TDecorate* style();
    void addChar(uint16_t code);
    void tag(std::string_view body);
    void dirty() { style_ = nullptr; }

    TKvWord& word_;
    std::vector<std::unique_ptr<TWdGlyph>>& out_;

    FontState font_;
    std::vector<FontState> fontStack_;
    uint8_t bits_ = 0;
    bool noBreak_ = false;
    std::string ruby_;
    std::string link_;
    std::vector<int32_t> alignStack_;
    int32_t wait_;
    std::vector<int32_t> waitStack_;
    TDecorate* style_ = nullptr;

    bool endsWithSpace_ = false; // the current text token ends with a space
    bool quoted_ = false;
    Block block_ = Block::None;
    bool skipBreak_ = false;
};

TDecorate* TMarkupParser::style() {
    if (!style_) {
        TDecorate d;
        d.Color = font_.color;
        d.BorderColor = font_.borderColor;
        d.ShadowColor = font_.shadowColor;
        d.Size = font_.size;
        d.Style = bits_;
        d.Name = font_.name;
        d.NoBreak = noBreak_;
        d.Ruby = ruby_;
        d.BorderWidth = font_.border;
        d.ShadowOffset = font_.shadow;
        style_ = word_.Styles.Intern(d);
    }
    return style_;
}

void TMarkupParser::addChar(uint16_t code) {
    auto c = std::make_unique<TWdChar>(&word_, code, &word_.Styles, style());
    c->Link = link_;
    c->Wait = wait_;
    out_.push_back(std::move(c));
}

void TMarkupParser::run(std::string_view text) {
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const auto c = static_cast<uint8_t>(text[i]);
        const bool lineBreak = c == '\r' || c == '\n';
        const size_t breakLength = (c == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
        if (skipBreak_) {
            skipBreak_ = false;
            if (lineBreak) {
                i += breakLength;
                continue;
            }
        }
        if (c == '<') {
            size_t skipTo = std::string_view::npos;
            if (text.compare(i, 4, "<!--") == 0) {
                const size_t end = text.find("-->", i + 4);
                skipTo = end == std::string_view::npos ? n : end + 3;
            } else if (startsWithNoCase(text, i, "<SCRIPT")) {
                const size_t end = findNoCase(text, i + 7, "</SCRIPT>");
                skipTo = end == std::string_view::npos ? n : end + 9;
            } else if (startsWithNoCase(text, i, "<STYLE")) {
                const size_t end = findNoCase(text, i + 6, "</STYLE>");
                skipTo = end == std::string_view::npos ? n : end + 8;
            }
            if (skipTo != std::string_view::npos) {
                i = skipTo;
                endsWithSpace_ = false;
                continue;
            }
            // The matching ">" (nested "<" counted); without one the "<" is text.
            size_t depth = 0, j = i;
            for (; j < n; ++j) {
                if (text[j] == '<') ++depth;
                else if (text[j] == '>' && --depth == 0) break;
            }
            if (j < n) {
                endsWithSpace_ = false;
                tag(text.substr(i + 1, j - i - 1));
                i = j + 1;
                continue;
            }
        }
        if (c == '\\' && i + 1 < n && std::strchr("\"%<>\\{}", text[i + 1]) && text[i + 1] != '\0') {
            addChar(static_cast<uint8_t>(text[i + 1]));
            endsWithSpace_ = false;
            i += 2;
            continue;
        }
        if (isSjisLead(c) && i + 1 < n) {
            addChar(static_cast<uint16_t>(c << 8 | static_cast<uint8_t>(text[i + 1])));
            endsWithSpace_ = false;
            i += 2;
            continue;
        }
        if (lineBreak) {
            i += breakLength;
            if (block_ != Block::None) {
                if (block_ == Block::Pre) out_.push_back(std::make_unique<TWdOpeReturn>(&word_, false));
                endsWithSpace_ = false;
            } else if (!quoted_ && !endsWithSpace_) {
                addChar(' ');
                endsWithSpace_ = true;
            }
            continue;
        }
        ++i;
        if (c == '\t') {
            if (block_ != Block::None) {
                for (int k = 0; k < 8; ++k) addChar(' ');
                endsWithSpace_ = true;
            }
            continue;
        }
        if (c == ' ') {
            if (block_ != Block::None || quoted_ || !endsWithSpace_) addChar(' ');
            endsWithSpace_ = true;
            continue;
        }
        if (c == 0x14) { // a space nothing collapses
            addChar(' ');
            endsWithSpace_ = true;
            continue;
        }
        if (c == '"') quoted_ = !quoted_;
        addChar(c);
        endsWithSpace_ = false;
    }
}

void TMarkupParser::tag(std::string_view body) {
    std::string name;
    std::vector<Attribute> attrs;
    splitTag(body, name, attrs);
    const auto value = [&](std::string_view attr) -> std::optional<std::string> {
        const Attribute* a = findAttribute(attrs, attr);
        if (!a) return std::nullopt;
        return a->value ? *a->value : std::string();
    };

    if (name == "PRE" || name == "TEXTAREA") {
        block_ = name == "PRE" ? Block::Pre : Block::TextArea;
        skipBreak_ = true;
    } else if (name == "/PRE" || name == "/TEXTAREA") {
        block_ = Block::None;
    } else if (name == "A") {
        const auto href = value("HREF");
        if (!href) raiseError(sjisText("<A>タグにHREF値がありません"));
        link_ = *href;
    } else if (name == "/A") {
        link_.clear();
    } else if (const uint8_t bit = styleBitOf(name)) {
        bits_ = name[0] == '/' ? static_cast<uint8_t>(bits_ & ~bit) : static_cast<uint8_t>(bits_ | bit);
        dirty();
    } else if (name == "FONT") {
        fontStack_.push_back(font_);
        if (auto v = value("SIZE"))
            if (auto size = wholeNumber(*v)) font_.size = *size == 0 ? 0 : std::clamp(*size, 1, kMaxGlyphHeight);
        for (auto [attr, field] : {std::pair{"COLOR", &font_.color}, std::pair{"BCOLOR", &font_.borderColor},
                                   std::pair{"SCOLOR", &font_.shadowColor}})
            if (auto v = value(attr))
                if (auto colour = colourValue(*v)) *field = *colour;
        if (auto v = value("NAME")) font_.name = *v;
        for (auto [attr, field, most] : {std::tuple{"BORDER", &font_.border, kMaxOutlineWidth},
                                         std::tuple{"SHADOW", &font_.shadow, kMaxShadowOffset}})
            if (auto v = value(attr)) {
                const auto number = wholeNumber(*v);
                *field = number ? std::clamp(*number, 0, most) : 1;
            }
        dirty();
    } else if (name == "/FONT") {
        if (!fontStack_.empty()) {
            font_ = std::move(fontStack_.back());
            fontStack_.pop_back();
            dirty();
        }
    } else if (name == "NOBR" || name == "/NOBR") {
        noBreak_ = name == "NOBR";
        dirty();
    } else if (name == "RUBY") {
        ruby_ = value("VALUE").value_or(std::string());
        dirty();
    } else if (name == "/RUBY") {
        ruby_.clear();
        dirty();
    } else if (name == "DIV") {
        alignStack_.push_back(alignValue(attrs, {kAlignLeft, kAlignRight, kAlignCenter}, kAlignLeft));
        out_.push_back(std::make_unique<TWdOpeAlign>(&word_, alignStack_.back()));
    } else if (name == "/DIV") {
        if (!alignStack_.empty()) alignStack_.pop_back();
        out_.push_back(std::make_unique<TWdOpeAlign>(&word_, alignStack_.empty() ? kAlignLeft : alignStack_.back()));
    } else if (name == "INDENT") {
        out_.push_back(std::make_unique<TWdOpeIndent>(&word_));
    } else if (name == "UNDENT") {
        out_.push_back(std::make_unique<TWdOpeUndent>(&word_));
    } else if (name == "BR") {
        out_.push_back(std::make_unique<TWdOpeReturn>(&word_, findAttribute(attrs, "CLEAR") != nullptr));
    } else if (name == "CLEAR") {
        out_.push_back(std::make_unique<TWdOpeReturn>(&word_, true));
    } else if (name == "EVENT") {
        std::string handler = value("VALUE").value_or(std::string());
        if (findAttribute(attrs, "END")) handler.insert(handler.begin(), '\x01');
        out_.push_back(std::make_unique<TWdOpeEvent>(&word_, std::move(handler), wait_));
    } else if (name == "WAIT") {
        waitStack_.push_back(wait_);
        if (auto v = value("VALUE"))
            if (auto w = wholeNumber(*v)) wait_ = *w;
    } else if (name == "/WAIT") {
        if (!waitStack_.empty()) {
            wait_ = waitStack_.back();
            waitStack_.pop_back();
        }
    } else if (name == "VAR") {
        if (auto v = value("NAME"))
            out_.push_back(std::make_unique<TWdOpeVar>(&word_, *v, &word_.Styles, style()));
    } else if (name == "IMG") {
        if (auto src = value("SRC")) {
            auto img = std::make_unique<TWdImg>(&word_);
            img->Src = *src;
            // LEFT and RIGHT make floating pictures, which layout places.
            img->Align = alignValue(attrs, {kAlignCenter, kAlignTop, kAlignBottom, kAlignLeft, kAlignRight}, kAlignBottom);
            img->NoBreak = noBreak_;
            img->Ruby = ruby_;
            img->Link = link_;
            img->Wait = wait_;
            out_.push_back(std::move(img));
        }
    } else if (name == "HISTCHAR") {
        out_.push_back(std::make_unique<TWdOpeHistChar>(&word_, value("VALUE").value_or(std::string()), &word_.Styles, style()));
    }
}

} // namespace

void TKvWord::SetText(std::string_view text) {
    std::vector<std::unique_ptr<TWdGlyph>> parsed;
    try {
        TMarkupParser(*this, parsed).run(text);
    } catch (...) {
        parsed.clear();
        Styles.Compact();
        throw;
    }
    detachPages();
    Elements = std::move(parsed);
    reindex();
    Styles.Compact();
}

void TKvWord::SetText(const std::vector<std::string>& lines) {
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) joined += '\r';
        joined += lines[i];
    }
    SetText(std::string_view(joined));
}

} // namespace nuvo
