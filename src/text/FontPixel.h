// The glyph cache: 8-bit coverage bitmaps of characters in a font, size,
// style and anti-aliasing level, the 256 most recently used kept, and the
// drawing of a glyph with its outline, shadow, underline and strikeout into
// a colour surface and a mask surface.
//
// There is one manager per program; it outlives every word and label that
// draws through it, and the font engine outlives the manager.
//
// Coverage levels: 0 is the monochrome render (ink 255); 1, 2 and 3 take the
// 8-bit grey render c, reduce it to g = (c*N + 127) div 255 with N = 4, 16
// and 64, and map g through the level's table (TFontPixelManager::LevelTable).
#pragma once

#include "render/DIBX.h"
#include "render/Rect.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nuvo {

namespace platform {
class IFontEngine;
class IFontFace;
struct FontMetrics;
} // namespace platform

// Style bits of glyphs and text decorations.
enum : uint8_t {
    kStyleBold = 1,
    kStyleItalic = 2,
    kStyleUnderline = 4,
    kStyleStrikeOut = 8,
};

// Limits the cache applies to what it is asked.
inline constexpr int32_t kMaxGlyphHeight = 1024;
inline constexpr int32_t kMaxOutlineWidth = 16;
inline constexpr int32_t kMaxShadowOffset = 256;

// One cached glyph.
class TFontPixel {
public:
    // 8-bit, ink box sized (0 no ink .. 255 full ink); null without ink.
    std::unique_ptr<TDIBX> Coverage;
    uint16_t Code = 0; // a two-byte Shift-JIS character as lead * 256 + trail
    std::string Font;  // as asked (Shift-JIS)
    int32_t Height = 0;
    uint8_t StyleBits = 0;
    int32_t Level = 0;
    int32_t OriginX = 0;       // max(0, left bearing)
    int32_t OriginY = 0;       // max(0, ascent - ink top above the baseline)
    int32_t UnderlineSize = 0; // the face's underline thickness when underlined
    int32_t StrikePos = 0;     // from the cell top, when struck out
    int32_t StrikeSize = 0;
    int32_t ExtraAdvance = 0;  // advance - ink width - OriginX when positive; a space's whole advance
    // The glyph as drawn: A the left bearing, B the ink width, C = advance - A - B.
    int32_t AbcA = 0;
    int32_t AbcB = 0;
    int32_t AbcC = 0;

    int32_t BitmapWidth() const { return Coverage ? Coverage->Width() : 0; }
    int32_t BitmapHeight() const { return Coverage ? Coverage->Height() : 0; }
    int32_t Advance() const { return AbcA + AbcB + AbcC; }

private:
    friend class TFontPixelManager;
    TFontPixel* newer_ = nullptr; // towards the most recently used
    TFontPixel* older_ = nullptr;
    size_t bytes_ = 0;
};

// Where DrawGlyph puts a glyph and what it touched.
struct TGlyphPlacement {
    int32_t x = 0; // top-left of the ink box
    int32_t y = 0;
};

class TFontPixelManager {
public:
    static constexpr size_t kCapacity = 256;
    // Coverage bytes kept at most (the newest glyph is always kept).
    static constexpr size_t kDefaultByteBudget = size_t{16} << 20;

    explicit TFontPixelManager(platform::IFontEngine& engine, size_t byteBudget = kDefaultByteBudget);
    ~TFontPixelManager();
    TFontPixelManager(const TFontPixelManager&) = delete;
    TFontPixelManager& operator=(const TFontPixelManager&) = delete;

    // The anti-aliasing level of the next lookups (clamped to 0..3; 3 at start).
    int32_t Level() const { return level_; }
    void SetLevel(int32_t level);

    // The cached glyph, made when missing (the key includes the current
    // level). Heights are clamped to 1..1024. Raises "Error:GetOutlineTextMetrics"
    // when no face at all can be had. A glyph the rasteriser cannot draw is
    // kept without ink.
    const TFontPixel& GetGlyph(uint16_t code, const std::string& fontName, uint8_t styleBits, int32_t height);

    // Selects the face for (name, height, style) as GetGlyph would and gives
    // its metrics (the face really drawn with, after the default-face rule).
    const platform::FontMetrics& SelectFont(const std::string& fontName, int32_t height, uint8_t styleBits);
    // The ascent of the current face (0 before any lookup).
    int32_t Ascent() const;

    size_t Count() const { return count_; }
    size_t Bytes() const { return bytes_; }
    // The most recently used glyph first (for tests and tools).
    std::vector<const TFontPixel*> InUseOrder() const;

    // Coverage values of each level, indexed by the reduced grey value.
    static const std::vector<uint8_t>& LevelTable(int32_t level);
    // The grey value of the platform's 8-bit render reduced for a level.
    static uint8_t LevelCoverage(int32_t level, uint8_t grey);
    // The Unicode code point a character code is drawn as (-1: the missing
    // glyph). 0x5C is the yen sign, as on Japanese systems.
    static int32_t CodePoint(uint16_t code);

    // Renders a glyph into colour (15, 16 or 32 bits; others are left alone)
    // and mask (8 bits) with its outline (width W, 0..16), shadow (offset D,
    // 0..256), underline and strikeout; pixels are in colour's format. cell is
    // the character's cell; the glyph body sits W pixels right of and below
    // its top-left, the outline and shadow use 2W + D more on the right and
    // bottom. Joins say the neighbour on that side has the same outline and
    // shadow, so the lines run on to the cell's edge. With clear the mask is
    // zeroed first over the cell and the touched area. Nothing is written
    // outside clip (when given) or the surfaces. Returns the touched rectangle.
    static TRect DrawGlyph(const TFontPixel& glyph, TCustomDIBX& colour, TCustomDIBX& mask, bool clear,
                           int32_t shadowPixel, int32_t outlinePixel, int32_t textPixel, bool joinLeft,
                           bool joinRight, int32_t shadowOffset, int32_t outlineWidth, const TRect& cell,
                           const TRect* clip = nullptr);
    // The top-left of the glyph's ink in a cell (the body's place in DrawGlyph).
    static TGlyphPlacement Place(const TFontPixel& glyph, const TRect& cell, int32_t outlineWidth);

private:
    TFontPixel* find(uint16_t code, const std::string& font, int32_t height, uint8_t style, int32_t level) const;
    void select(const std::string& font, int32_t height, uint8_t style);
    std::unique_ptr<TFontPixel> make(uint16_t code, const std::string& font, int32_t height, uint8_t style);
    void touch(TFontPixel* g);
    void unlink(TFontPixel* g);
    void evict();

    platform::IFontEngine& engine_;
    size_t budget_;
    int32_t level_ = 3;
    std::vector<TFontPixel*> buckets_[256];
    TFontPixel* newest_ = nullptr;
    TFontPixel* oldest_ = nullptr;
    size_t count_ = 0;
    size_t bytes_ = 0;
    // The face the lookups currently draw with.
    std::unique_ptr<platform::IFontFace> face_;
    std::string faceName_;
    int32_t faceHeight_ = 0;
    uint8_t faceStyle_ = 0;
    bool faceSelected_ = false;
};

} // namespace nuvo
