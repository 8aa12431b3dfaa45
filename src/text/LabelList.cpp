#include "text/LabelList.h"

#include "base/Cp932.h"
#include "base/StreamIO.h"
#include "platform/Fonts.h"
#include "text/FontPixel.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace nuvo {

namespace {

// The glyph cache clamps what it draws; measuring uses the same values.
int32_t outlineOf(const TKvLabelList& list) { return std::clamp(list.BorderWidth, 0, kMaxOutlineWidth); }
int32_t shadowOf(const TKvLabelList& list) { return std::clamp(list.ShadowWidth, 0, kMaxShadowOffset); }
int32_t heightOf(const TKvLabelList& list) { return std::clamp(list.FontHeight, 1, kMaxGlyphHeight); }

void putInt(std::array<uint8_t, TKvLabelList::kMetricsSize>& block, size_t at, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (size_t i = 0; i < 4; ++i) block[at + i] = static_cast<uint8_t>(u >> (8 * i));
}

template <class F> void forEachChar(std::string_view s, F&& f) {
    for (size_t pos = 0; pos < s.size();) {
        const size_t n = charLength(s, pos);
        const auto lead = static_cast<uint8_t>(s[pos]);
        const uint16_t code = n == 2 ? static_cast<uint16_t>(lead << 8 | static_cast<uint8_t>(s[pos + 1])) : lead;
        pos += n;
        f(code, pos >= s.size());
    }
}

bool withinBounds(int32_t width, int32_t height) {
    return width > 0 && height > 0 && width <= kMaxLabelSide && height <= kMaxLabelSide;
}

} // namespace

// ---- Labels --------------------------------------------------------------------------

void TKvLabelDIB::SetText(std::string_view s) {
    if (s == text_) return;
    text_ = s;
    dirty_ = true;
}

bool TKvLabelDIB::Render() {
    TKvLabelList& list = owner_;
    if (!list.Target || !list.Glyphs || !withinBounds(width_, height_)) return false;
    const int bits = list.Target->BitCount();
    if (!dirty_ && rendered_ && colour_.BitCount() == bits) return true;
    if (colour_.Width() != width_ || colour_.Height() != height_ || colour_.BitCount() != bits)
        colour_.SetSize(width_, height_, bits);
    if (mask_.Width() != width_ || mask_.Height() != height_ || mask_.BitCount() != 8) mask_.SetSize(width_, height_, 8);
    mask_.Clear(0);
    list.Glyphs->SetLevel(list.Quality);
    const int32_t shadow = colour_.ColorToPixel(list.ShadowColor);
    const int32_t outline = colour_.ColorToPixel(list.BorderColor);
    const int32_t text = colour_.ColorToPixel(list.FontColor);
    const int32_t fontHeight = heightOf(list);
    int32_t x = 0;
    size_t i = 0;
    forEachChar(text_, [&](uint16_t code, bool last) {
        const int32_t advance = i < advances_.size() ? advances_[i] : 0;
        const TFontPixel& g = list.Glyphs->GetGlyph(code, list.FontName, list.FontStyle, fontHeight);
        // Neighbours within the label share the outline and shadow, so the
        // underline runs on between characters.
        TFontPixelManager::DrawGlyph(g, colour_, mask_, false, shadow, outline, text, i > 0, !last, shadowOf(list),
                                     outlineOf(list), boundsRect(x, 0, advance, fontHeight));
        x += advance;
        ++i;
    });
    dirty_ = false;
    rendered_ = true;
    return true;
}

void TKvLabelDIB::DrawAt(int32_t x, int32_t y) {
    TKvLabelList& list = owner_;
    if (list.Alpha <= 0 || !Render()) return;
    // Above 255 the mask weights would leave the blend's range.
    const int32_t alpha = std::min(list.Alpha, 255);
    const TRect source{0, 0, width_, height_};
    TCustomDIBX& target = *list.Target;
    if (outlineOf(list) == 0 && shadowOf(list) == 0)
        target.FillMask(x, y, source, mask_, target.ColorToPixel(list.FontColor), alpha);
    else if (alpha < 255)
        target.DrawAlphaMask(x, y, colour_, source, mask_, alpha);
    else
        target.DrawMask(x, y, colour_, source, mask_);
}

// ---- The list ------------------------------------------------------------------------

TKvLabelDIB& TKvLabelList::Add() {
    items_.push_back(std::make_unique<TKvLabelDIB>(*this));
    return *items_.back();
}

TKvLabelDIB* TKvLabelList::Items(int32_t i) const {
    return i >= 0 && i < Count() ? items_[static_cast<size_t>(i)].get() : nullptr;
}

void TKvLabelList::Measure() {
    if (!Glyphs) {
        for (auto& label : items_) {
            label->width_ = label->height_ = 0;
            label->advances_.assign(label->advances_.size(), 0);
        }
        return;
    }
    const int32_t fontHeight = heightOf(*this);
    const platform::FontMetrics& m = Glyphs->SelectFont(FontName, fontHeight, FontStyle);
    const int32_t cellHeight = m.cellHeight;
    constexpr int32_t overhang = 0;
    Metrics.fill(0);
    putInt(Metrics, 0, static_cast<int32_t>(kMetricsSize));
    putInt(Metrics, 4, cellHeight);
    putInt(Metrics, 36, overhang);
    const int32_t extra = 2 * outlineOf(*this) + shadowOf(*this);
    Glyphs->SetLevel(Quality);
    // Advances measured in this pass, by character code.
    std::unordered_map<uint16_t, int32_t> table;
    for (auto& label : items_) {
        label->height_ = cellHeight + extra;
        label->advances_.clear();
        int64_t width = 0;
        forEachChar(label->text_, [&](uint16_t code, bool last) {
            auto it = table.find(code);
            if (it == table.end() || last) {
                const TFontPixel& g = Glyphs->GetGlyph(code, FontName, FontStyle, fontHeight);
                int32_t advance = g.AbcA + g.AbcB + g.AbcC + overhang + extra;
                // The last character keeps the ink its negative C would hang out.
                if (last && g.AbcC < 0) advance -= g.AbcC;
                it = table.insert_or_assign(code, advance).first;
            }
            label->advances_.push_back(it->second);
            width += it->second;
        });
        label->width_ = static_cast<int32_t>(std::clamp<int64_t>(width, 0, INT32_MAX));
        label->dirty_ = true;
    }
}

void TKvLabelList::MarkDirty() {
    for (auto& label : items_) label->dirty_ = true;
}

int32_t TKvLabelList::MaxWidth() const {
    int32_t best = 0;
    for (const auto& label : items_) best = std::max(best, label->width_);
    return best;
}

void TKvLabelList::SaveSettings(TStream& s) const {
    WriteInt(s, Quality);
    WriteInt(s, BorderWidth);
    WriteInt(s, Alpha);
    WriteInt(s, FontHeight);
    WriteStr(s, FontName);
    WriteInt(s, FontColor);
    WriteInt(s, BorderColor);
    WriteByte(s, FontStyle);
    s.write(Metrics.data(), static_cast<int64_t>(Metrics.size()));
    WriteInt(s, ShadowWidth);
    WriteInt(s, ShadowColor);
}

void TKvLabelList::LoadSettings(TStream& s, int32_t version) {
    int32_t quality = ReadIntChecked(s);
    if (version < 109) quality = quality > 1 ? 3 : 0;
    Quality = quality;
    BorderWidth = ReadIntChecked(s);
    Alpha = ReadIntChecked(s);
    FontHeight = ReadIntChecked(s);
    FontName = ReadStrChecked(s);
    FontColor = ReadIntChecked(s);
    BorderColor = ReadIntChecked(s);
    FontStyle = ReadByteChecked(s);
    ReadExact(s, Metrics.data(), static_cast<int64_t>(Metrics.size()));
    if (version >= 122) {
        ShadowWidth = ReadIntChecked(s);
        ShadowColor = ReadIntChecked(s);
    }
    MarkDirty();
}

} // namespace nuvo
