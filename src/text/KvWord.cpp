// TKvWord: element list, character counts, copies and the style rules.
#include "text/KvWord.h"

#include "base/Cp932.h"
#include "base/Error.h"
#include "text/FontPixel.h"

#include <algorithm>

namespace nuvo {

std::vector<uint16_t> charCodes(std::string_view s) {
    std::vector<uint16_t> out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<uint8_t>(s[i]);
        if (isSjisLead(b) && i + 1 < s.size()) {
            out.push_back(static_cast<uint16_t>(b << 8 | static_cast<uint8_t>(s[i + 1])));
            i += 2;
        } else {
            out.push_back(b);
            ++i;
        }
    }
    return out;
}

std::string codeText(uint16_t code) {
    if (code > 0xFF) return std::string{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    return std::string(1, static_cast<char>(code));
}

TKvWord::TKvWord() : FontName(sjisText("ＭＳ ゴシック")) {
    ColourSurface.SetSize(1, 1, 32);
    MaskSurface.SetSize(1, 1, 8);
}

TKvWord::~TKvWord() {
    detachPages();
    Elements.clear();
}

void TKvWord::detachPages() {
    for (TWdPage* p : pages_) {
        p->Detach();
        p->Owner = nullptr;
    }
    pages_.clear();
    hoverAt_ = nullptr;
    hoverRun_.clear();
    hoverPage_ = nullptr;
}

void TKvWord::reindex() {
    for (size_t i = 0; i < Elements.size(); ++i) Elements[i]->Index = static_cast<int32_t>(i);
}

void TKvWord::Clear() {
    detachPages();
    Elements.clear();
    Styles.Compact();
}

TWdGlyph* TKvWord::ElementAt(int32_t index) const {
    return index >= 0 && index < Count() ? Elements[static_cast<size_t>(index)].get() : nullptr;
}

int32_t TKvWord::IndexOf(const TWdGlyph* e) const {
    if (!e || e->Owner != this || e->Index < 0 || e->Index >= Count()) return -1;
    return Elements[static_cast<size_t>(e->Index)].get() == e ? e->Index : -1;
}

int32_t TKvWord::IndexAtChars(int32_t n) const {
    int32_t chars = 0;
    for (int32_t i = 0; i < Count(); ++i) {
        if (chars >= n) return i;
        if (Elements[static_cast<size_t>(i)]->TypeCode() == kWdChar) ++chars;
    }
    return Count();
}

int32_t TKvWord::CharsBefore(int32_t index) const {
    int32_t chars = 0;
    const int32_t end = std::clamp(index, 0, Count());
    for (int32_t i = 0; i < end; ++i)
        if (Elements[static_cast<size_t>(i)]->TypeCode() == kWdChar) ++chars;
    return chars;
}

void TKvWord::Append(const TKvWord& other, int32_t first, int32_t last) {
    if (&other == this) return;
    first = std::max(first, 0);
    if (last < 0 || last >= other.Count()) last = other.Count() - 1;
    for (int32_t i = first; i <= last; ++i)
        if (auto copy = other.Elements[static_cast<size_t>(i)]->Clone(*this)) Elements.push_back(std::move(copy));
    reindex();
}

std::string TKvWord::PlainText(int32_t first, int32_t last) const {
    first = std::max(first, 0);
    if (last < 0 || last >= Count()) last = Count() - 1;
    std::string out;
    for (int32_t i = first; i <= last; ++i) {
        const TWdGlyph& e = *Elements[static_cast<size_t>(i)];
        if (e.TypeCode() == kWdChar) out += e.Text();
        else if (e.TypeCode() == kWdVar && VariableText) {
            if (auto v = VariableText(static_cast<const TWdOpeVar&>(e).Value)) out += *v;
        } else if (e.TypeCode() == kWdHistChar && HistoryRecall)
            out += static_cast<const TWdOpeHistChar&>(e).Value;
    }
    return out;
}

TKvWord::TCellStyle TKvWord::CellOf(const TDecorate* style) const {
    TCellStyle c;
    c.size = std::clamp(style && style->Size > 0 ? style->Size : FontSize, 1, kMaxGlyphHeight);
    c.border = std::clamp(style && style->BorderWidth >= 0 ? style->BorderWidth : BorderWidth, 0, kMaxOutlineWidth);
    c.shadow = std::clamp(style && style->ShadowOffset >= 0 ? style->ShadowOffset : ShadowOffset, 0, kMaxShadowOffset);
    c.styleBits = style ? style->Style : 0;
    c.rubyHeight = style && !style->Ruby.empty() ? std::max(1, c.size / 2) : 0;
    const int32_t italic = (c.styleBits & kStyleItalic) ? c.size / 5 : 0;
    c.width = c.size + italic + 2 * c.border + c.shadow;
    c.halfWidth = (c.size + 1) / 2 + italic + 2 * c.border + c.shadow;
    c.height = c.size + c.rubyHeight + 2 * c.border + c.shadow;
    return c;
}

std::string TKvWord::FontOf(const TDecorate* style) const {
    if (style && !style->Name.empty()) return style->Name;
    if (!FontName.empty()) return FontName;
    return sjisText("ＭＳ ゴシック");
}

int32_t TKvWord::TextColorOf(const TWdChar& c) const {
    if (c.Hovered && !c.Link.empty()) return HoverColor;
    if (c.Style() && c.Style()->Color >= 0) return c.Style()->Color;
    return c.Link.empty() ? FontColor : LinkColor;
}

int32_t TKvWord::BorderColorOf(const TDecorate* style) const {
    return style && style->BorderColor >= 0 ? style->BorderColor : BorderColor;
}

int32_t TKvWord::ShadowColorOf(const TDecorate* style) const {
    return style && style->ShadowColor >= 0 ? style->ShadowColor : ShadowColor;
}

int32_t TKvWord::DrawAlpha(int32_t reveal) const {
    reveal = std::clamp(reveal, 0, 255);
    if (Alpha >= 255) return reveal;
    return reveal * std::clamp(Alpha, 0, 255) / 255;
}

void TKvWord::MarkChanged(const TWdGlyph& e) {
    const TRect r = offsetRect(e.AreaRect(), OriginX, OriginY);
    if (!r.isEmpty()) ChangedRects.push_back(r);
}

std::vector<TRect> TKvWord::TakeChangedRects() {
    std::vector<TRect> out;
    out.swap(ChangedRects);
    return out;
}

} // namespace nuvo
