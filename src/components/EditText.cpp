#include "components/EditText.h"

#include "base/Cp932.h"

#include <algorithm>

namespace nuvo {

namespace {

// The next code point of strict UTF-8 at i (advancing i), or -1 for a byte
// that starts no valid sequence (i then moves past that byte only).
int32_t nextCodePoint(std::string_view s, size_t& i) {
    const auto b = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t c = b(i);
    int len = 0;
    uint32_t cp = 0, min = 0;
    if (c < 0x80) {
        ++i;
        return c;
    }
    if (c >= 0xC2 && c <= 0xDF) len = 2, cp = c & 0x1F, min = 0x80;
    else if (c >= 0xE0 && c <= 0xEF) len = 3, cp = c & 0x0F, min = 0x800;
    else if (c >= 0xF0 && c <= 0xF4) len = 4, cp = c & 0x07, min = 0x10000;
    if (len == 0 || i + static_cast<size_t>(len) > s.size()) {
        ++i;
        return -1;
    }
    for (int k = 1; k < len; ++k) {
        const uint8_t t = b(i + static_cast<size_t>(k));
        if ((t & 0xC0) != 0x80) {
            ++i;
            return -1;
        }
        cp = (cp << 6) | (t & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return -1;
    }
    i += static_cast<size_t>(len);
    return static_cast<int32_t>(cp);
}

// Kinds of characters a double click keeps together.
int charKind(std::string_view s, size_t pos) {
    const auto c = static_cast<uint8_t>(s[pos]);
    if (charLength(s, pos) == 2) {
        const uint16_t code = static_cast<uint16_t>(c << 8 | static_cast<uint8_t>(s[pos + 1]));
        if (code == 0x8140) return 0;                   // ideographic space
        if (code >= 0x829F && code <= 0x82F1) return 4; // hiragana
        if (code >= 0x8340 && code <= 0x8396) return 5; // katakana
        if (code >= 0x889F) return 6;                   // kanji
        return 7;                                       // other full-width signs
    }
    if (c == ' ' || c == '\t') return 0;
    if (c == '\r' || c == '\n') return 1;
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_') return 2;
    if (c >= 0xA1 && c <= 0xDF) return 3; // half-width katakana
    return 8;
}

} // namespace

std::string TEditText::FromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const int32_t cp = nextCodePoint(utf8, i);
        if (cp < 0) continue;
        if ((cp < 0x20 && cp != '\r' && cp != '\n' && cp != '\t') || cp == 0x7F) continue;
        const int32_t code = unicodeToCp932(static_cast<uint32_t>(cp));
        if (code < 0) continue;
        if (code > 0xFF) out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
    }
    return out;
}

int32_t TEditText::CharCount(std::string_view sjis) {
    int32_t n = 0;
    for (size_t i = 0; i < sjis.size(); i += charLength(sjis, i))
        ++n;
    return n;
}

std::string TEditText::normalized(std::string_view sjis) const {
    std::string out;
    out.reserve(sjis.size());
    size_t i = 0;
    while (i < sjis.size()) {
        const char c = sjis[i];
        if (isSjisLead(static_cast<uint8_t>(c))) {
            // A lead byte without a trail byte would join whatever follows
            // it (a line break, or the next text typed): it is dropped.
            const uint8_t t = i + 1 < sjis.size() ? static_cast<uint8_t>(sjis[i + 1]) : 0;
            if (t >= 0x40 && t != 0x7F && t <= 0xFC) out.append(sjis.substr(i, 2));
            i += (t >= 0x40 && t != 0x7F && t <= 0xFC) ? 2 : 1;
            continue;
        }
        ++i;
        if (c == '\r' || c == '\n') {
            if (!multiLine_) break;
            out += "\r\n";
            if (c == '\r' && i < sjis.size() && sjis[i] == '\n') ++i;
            continue;
        }
        out += c;
    }
    return out;
}

void TEditText::SetText(std::string_view sjis) {
    std::string t = normalized(sjis);
    // Cut after kMaxChars characters.
    size_t i = 0;
    for (int32_t n = 0; i < t.size() && n < kMaxChars; ++n)
        i += charLength(t, i);
    t.resize(i);
    text_ = std::move(t);
    caret_ = anchor_ = static_cast<int32_t>(text_.size());
    canUndo_ = false;
    ClearComposition();
}

std::string TEditText::SelectedText() const {
    return text_.substr(static_cast<size_t>(SelStart()), static_cast<size_t>(SelEnd() - SelStart()));
}

int32_t TEditText::snap(int32_t pos) const {
    pos = std::clamp<int32_t>(pos, 0, static_cast<int32_t>(text_.size()));
    size_t i = 0;
    while (i < text_.size()) {
        const size_t next = i + charLength(text_, i);
        if (static_cast<int32_t>(next) > pos) break;
        i = next;
    }
    return static_cast<int32_t>(i);
}

int32_t TEditText::prevChar(int32_t pos) const { return pos <= 0 ? 0 : snap(pos - 1); }

int32_t TEditText::nextChar(int32_t pos) const {
    if (pos >= static_cast<int32_t>(text_.size())) return static_cast<int32_t>(text_.size());
    return pos + static_cast<int32_t>(charLength(text_, static_cast<size_t>(pos)));
}

void TEditText::MoveTo(int32_t byteOffset, bool extend) {
    caret_ = snap(byteOffset);
    if (!extend) anchor_ = caret_;
}

void TEditText::Left(bool extend) {
    if (HasSelection() && !extend) return MoveTo(SelStart(), false);
    MoveTo(prevChar(caret_), extend);
}

void TEditText::Right(bool extend) {
    if (HasSelection() && !extend) return MoveTo(SelEnd(), false);
    MoveTo(nextChar(caret_), extend);
}

// CR and LF are never trail bytes: a byte search finds line breaks.
void TEditText::Home(bool extend) {
    if (!multiLine_ || caret_ == 0) return MoveTo(0, extend);
    const size_t lf = text_.rfind('\n', static_cast<size_t>(caret_ - 1));
    MoveTo(lf == std::string::npos ? 0 : static_cast<int32_t>(lf + 1), extend);
}

void TEditText::End(bool extend) {
    const size_t cr = multiLine_ ? text_.find('\r', static_cast<size_t>(caret_)) : std::string::npos;
    MoveTo(cr == std::string::npos ? static_cast<int32_t>(text_.size()) : static_cast<int32_t>(cr), extend);
}

void TEditText::SelectAll() {
    anchor_ = 0;
    caret_ = static_cast<int32_t>(text_.size());
}

void TEditText::SelectWordAt(int32_t byteOffset) {
    if (text_.empty()) return;
    int32_t p = snap(byteOffset);
    if (p >= static_cast<int32_t>(text_.size())) p = prevChar(p);
    // One walk from the start: runs of one kind, the one holding p chosen.
    size_t runStart = 0;
    int runKind = -1;
    size_t i = 0;
    for (; i < text_.size(); i += charLength(text_, i)) {
        const int kind = charKind(text_, i);
        if (kind != runKind) {
            if (static_cast<int32_t>(i) > p) break;
            runStart = i;
            runKind = kind;
        }
    }
    anchor_ = static_cast<int32_t>(runStart);
    caret_ = static_cast<int32_t>(i);
}

void TEditText::remember() {
    undo_ = State{text_, caret_, anchor_};
    canUndo_ = true;
}

void TEditText::replaceSelection(std::string_view sjis) {
    const auto start = static_cast<size_t>(SelStart());
    text_.replace(start, static_cast<size_t>(SelEnd()) - start, sjis);
    caret_ = anchor_ = static_cast<int32_t>(start + sjis.size());
}

bool TEditText::Insert(std::string_view sjis) {
    std::string t = normalized(sjis);
    const int32_t room = kMaxChars - (CharCount(text_) - CharCount(SelectedText()));
    size_t i = 0;
    for (int32_t n = 0; i < t.size() && n < room; ++n)
        i += charLength(t, i);
    t.resize(i);
    if (t.empty() && !HasSelection()) return false;
    remember();
    replaceSelection(t);
    return true;
}

bool TEditText::Backspace() {
    if (!HasSelection()) {
        if (caret_ == 0) return false;
        remember();
        anchor_ = caret_;
        caret_ = prevChar(caret_);
        // A line break goes as one.
        if (caret_ > 0 && text_[static_cast<size_t>(caret_)] == '\n' && text_[static_cast<size_t>(caret_ - 1)] == '\r')
            --caret_;
    } else {
        remember();
    }
    replaceSelection({});
    return true;
}

bool TEditText::Delete() {
    if (!HasSelection()) {
        if (caret_ >= static_cast<int32_t>(text_.size())) return false;
        remember();
        anchor_ = nextChar(caret_);
        if (text_[static_cast<size_t>(caret_)] == '\r' && anchor_ < static_cast<int32_t>(text_.size()) &&
            text_[static_cast<size_t>(anchor_)] == '\n')
            ++anchor_;
    } else {
        remember();
    }
    replaceSelection({});
    return true;
}

bool TEditText::Enter() { return multiLine_ && Insert("\r\n"); }

std::string TEditText::Cut() {
    if (!HasSelection()) return {};
    std::string taken = SelectedText();
    remember();
    replaceSelection({});
    return taken;
}

bool TEditText::Undo() {
    if (!canUndo_) return false;
    State now{text_, caret_, anchor_};
    text_ = std::move(undo_.text);
    caret_ = undo_.caret;
    anchor_ = undo_.anchor;
    undo_ = std::move(now);
    return true;
}

void TEditText::SetComposition(std::string_view sjis, int32_t cursor, int32_t length) {
    // A composition never holds line breaks.
    std::string t;
    for (size_t i = 0; i < sjis.size(); i += charLength(sjis, i))
        if (sjis[i] != '\r' && sjis[i] != '\n') t.append(sjis.substr(i, charLength(sjis, i)));
    const int32_t chars = CharCount(t);
    composition_ = std::move(t);
    compCursor_ = std::clamp(cursor, 0, chars);
    compLength_ = std::clamp(length, 0, chars - compCursor_);
}

} // namespace nuvo
