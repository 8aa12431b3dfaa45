// Label lists: short single-line texts turned into pictures with one shared
// font, colour, outline and shadow. Each label keeps a colour surface and an
// 8-bit mask rendered from the glyph cache, and is drawn onto the list's
// target surface at a position. Menus keep two lists (the normal and the
// hovered look of every item); a button keeps a one-entry list for its
// caption.
//
// Measuring and drawing both go through the glyph cache, so widths always
// match the ink: the face measured is the face drawn, whatever the name.
#pragma once

#include "render/DIBX.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

class TFontPixelManager;
class TKvLabelList;
class TStream;

// A label larger than this on either side draws nothing (a script may ask for
// a huge font or a very long line; the surfaces stay bounded).
inline constexpr int32_t kMaxLabelSide = 8192;

class TKvLabelDIB {
public:
    explicit TKvLabelDIB(TKvLabelList& owner) : owner_(owner) {}

    const std::string& Text() const { return text_; }
    // Sets the text and marks the label for rendering when it differs.
    void SetText(std::string_view s);
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    const std::vector<int32_t>& Advances() const { return advances_; }
    bool Dirty() const { return dirty_; }
    void MarkDirty() { dirty_ = true; }

    // Renders when needed, then draws onto the list's target with its
    // top-left at (x, y). Nothing without a target, at Alpha 0 or below, or
    // for a label beyond kMaxLabelSide.
    void DrawAt(int32_t x, int32_t y);
    // Renders when dirty or when the target's bit count changed; false when
    // the label has nothing to show.
    bool Render();

    const TDIBX& Colour() const { return colour_; }
    const TDIBX& Mask() const { return mask_; }

private:
    friend class TKvLabelList;
    TKvLabelList& owner_;
    TDIBX colour_;
    TDIBX mask_;
    std::string text_;
    bool dirty_ = true;
    bool rendered_ = false;
    int32_t height_ = 0;
    int32_t width_ = 0;
    std::vector<int32_t> advances_;
};

class TKvLabelList {
public:
    static constexpr size_t kMetricsSize = 212;

    // The anti-aliasing level handed to the glyph cache (PR_ANTIALIAS sets 3
    // or 0 and reads true above 0).
    int32_t Quality = 3;
    // Where labels are drawn; set by the owner before each paint (borrowed).
    TCustomDIBX* Target = nullptr;
    int32_t BorderWidth = 0;
    int32_t Alpha = 255;
    int32_t FontHeight = 12;
    std::string FontName = "\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e"; // ＭＳ Ｐゴシック
    int32_t FontColor = 0xFFFFFF;
    int32_t BorderColor = 0;
    uint8_t FontStyle = 0;
    // The outline text metrics block as last measured: its size field (212),
    // the cell height at byte 4 and the overhang (0) at byte 36, zeros
    // elsewhere. A loaded block is kept for the record only.
    std::array<uint8_t, kMetricsSize> Metrics{};
    int32_t ShadowWidth = 0;
    int32_t ShadowColor = 0;
    // The glyph cache (borrowed; none: labels measure 0 and draw nothing).
    TFontPixelManager* Glyphs = nullptr;

    TKvLabelList() = default;
    TKvLabelList(const TKvLabelList&) = delete;
    TKvLabelList& operator=(const TKvLabelList&) = delete;

    TKvLabelDIB& Add();
    void Clear() { items_.clear(); }
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    // The label, or none outside 0 .. Count - 1.
    TKvLabelDIB* Items(int32_t i) const;

    // Recomputes every label's size with the face the glyph cache draws with.
    void Measure();
    // Every label renders again at its next drawing.
    void MarkDirty();
    int32_t MaxWidth() const;

    // The settings record (fonts, colours, metrics, shadow).
    void SaveSettings(TStream& s) const;
    // Raises ENuvoError on damaged data.
    void LoadSettings(TStream& s, int32_t version);

private:
    std::vector<std::unique_ptr<TKvLabelDIB>> items_;
};

} // namespace nuvo
