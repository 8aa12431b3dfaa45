// Drawing a cached glyph into a colour surface and a mask surface.
//
// The glyph's shape is its coverage plus the underline and strikeout bands.
// Each layer is laid over what is there as ink of coverage K in one colour:
// the mask grows by K * (255 - mask) / 255 (to 255 when K is 255) and the
// colour moves toward the layer's colour with weight K * 255 / new mask. The
// outline spreads every shape pixel over the (2W+1) x (2W+1) square around
// it; laying the spread pixels one after another in one colour gives the
// same pixels as laying their union once, so the outline is drawn as the
// union coverage 1 - prod(1 - K) of the square's neighbours (built in
// floating point, rounded once). The shadow is
// the outlined shape moved D pixels right and down, drawn first. The body
// then takes the text colour, its edges blended toward the outline colour.
#include "text/FontPixel.h"

#include "render/CustomDIBX.h"
#include "render/PixelFormat.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace nuvo {

namespace {

struct LayerTables {
    uint8_t grow[256][256];   // [mask][K]: the mask after ink K
    uint8_t weight[256][256]; // [K][new mask]: the weight of the ink's colour
    LayerTables() {
        for (uint32_t m = 0; m < 256; ++m)
            for (uint32_t k = 0; k < 256; ++k) grow[m][k] = static_cast<uint8_t>(k == 255 ? 255 : m + k * (255 - m) / 255);
        for (uint32_t k = 0; k < 256; ++k)
            for (uint32_t n = 0; n < 256; ++n) weight[k][n] = static_cast<uint8_t>(n ? std::min<uint32_t>(255, k * 255 / n) : 0);
    }
};

const LayerTables& tables() {
    static const LayerTables t;
    return t;
}

// Blend(S, D, w) = floor((w*S + (255 - w)*D) / 256) per channel.
struct Pixels32 {
    using T = uint32_t;
    static uint32_t blend(uint32_t s, uint32_t d, uint32_t w) {
        const uint32_t iw = 255 - w;
        const uint32_t rb = (((s & 0x00FF00FFu) * w + (d & 0x00FF00FFu) * iw) >> 8) & 0x00FF00FFu;
        const uint32_t ag = (((s >> 8) & 0x00FF00FFu) * w + ((d >> 8) & 0x00FF00FFu) * iw) & 0xFF00FF00u;
        return rb | ag;
    }
    const TChannelLayout* layout = nullptr;
};

struct Pixels16 {
    using T = uint16_t;
    const TChannelLayout* layout = nullptr;
    uint32_t blend(uint32_t s, uint32_t d, uint32_t w) const {
        uint32_t r = 0;
        for (int i = 0; i < layout->count; ++i) {
            const uint32_t sv = (s & layout->mask[i]) >> layout->shift[i];
            const uint32_t dv = (d & layout->mask[i]) >> layout->shift[i];
            r |= ((w * sv + (255 - w) * dv) >> 8) << layout->shift[i];
        }
        return r;
    }
};

// The surfaces' memory for one draw.
struct Canvas {
    uint8_t* colour = nullptr;
    int64_t colourStep = 0;
    uint8_t* mask = nullptr;
    int64_t maskStep = 0;
    TRect limit; // where writing is allowed
};

// A coverage buffer over a rectangle of the surfaces.
struct Layer {
    TRect at;
    std::vector<uint8_t> values;
    int32_t width() const { return at.Width(); }
    uint8_t* row(int32_t y) { return values.data() + static_cast<size_t>(y) * width(); }
    const uint8_t* row(int32_t y) const { return values.data() + static_cast<size_t>(y) * width(); }
};

// Lays a layer over the canvas at an offset in one colour.
template <class P>
void paint(const P& px, Canvas& c, const Layer& layer, int32_t dx, int32_t dy, uint32_t colour) {
    const LayerTables& t = tables();
    const TRect dest = intersectRect(offsetRect(layer.at, dx, dy), c.limit);
    for (int32_t y = dest.Top; y < dest.Bottom; ++y) {
        const uint8_t* src = layer.row(y - dy - layer.at.Top) + (dest.Left - dx - layer.at.Left);
        auto* col = reinterpret_cast<typename P::T*>(c.colour + c.colourStep * y) + dest.Left;
        uint8_t* m = c.mask + c.maskStep * y + dest.Left;
        for (int32_t i = 0, n = dest.Right - dest.Left; i < n; ++i) {
            const uint32_t k = src[i];
            if (!k) continue;
            const uint32_t nm = t.grow[m[i]][k];
            const uint32_t w = t.weight[k][nm];
            col[i] = static_cast<typename P::T>(w >= 255 ? colour : px.blend(colour, col[i], w));
            m[i] = static_cast<uint8_t>(nm);
        }
    }
}

// The body over an outline: full ink takes the text colour, edges the text
// colour blended over the outline colour.
template <class P>
void paintBody(const P& px, Canvas& c, const Layer& layer, uint32_t text, uint32_t outline) {
    const LayerTables& t = tables();
    const TRect dest = intersectRect(layer.at, c.limit);
    for (int32_t y = dest.Top; y < dest.Bottom; ++y) {
        const uint8_t* src = layer.row(y - layer.at.Top) + (dest.Left - layer.at.Left);
        auto* col = reinterpret_cast<typename P::T*>(c.colour + c.colourStep * y) + dest.Left;
        uint8_t* m = c.mask + c.maskStep * y + dest.Left;
        for (int32_t i = 0, n = dest.Right - dest.Left; i < n; ++i) {
            const uint32_t k = src[i];
            if (!k) continue;
            col[i] = static_cast<typename P::T>(k == 255 ? text : px.blend(text, outline, k));
            m[i] = t.grow[m[i]][k];
        }
    }
}

thread_local Layer tBody, tOutline, tUnion;
thread_local std::vector<float> tClear, tRowAll, tRowSides, tWindow, tPrefix, tSuffix;

// Products of every window of k lines of a: out line i = a[i] * ... *
// a[i + k - 1] for i in 0 .. lines - k, each line `width` values long (a
// pixel row, or whole rows for a column pass). The van Herk / Gil-Werman
// scheme: prefix products within blocks of k lines and suffix products
// within the same blocks make any window the product of two, whatever k.
void windowProducts(const float* a, int32_t lines, int32_t width, int32_t k, float* out) {
    const size_t w = static_cast<size_t>(width);
    tPrefix.resize(static_cast<size_t>(lines) * w);
    tSuffix.resize(static_cast<size_t>(lines) * w);
    float* g = tPrefix.data();
    float* h = tSuffix.data();
    for (int32_t r = 0; r < lines; ++r) {
        const float* src = a + r * w;
        float* dst = g + r * w;
        if (r % k == 0) std::copy(src, src + w, dst);
        else {
            const float* before = g + (r - 1) * w;
            for (size_t x = 0; x < w; ++x) dst[x] = before[x] * src[x];
        }
    }
    for (int32_t r = lines - 1; r >= 0; --r) {
        const float* src = a + r * w;
        float* dst = h + r * w;
        if (r % k == k - 1 || r == lines - 1) std::copy(src, src + w, dst);
        else {
            const float* after = h + (r + 1) * w;
            for (size_t x = 0; x < w; ++x) dst[x] = after[x] * src[x];
        }
    }
    for (int32_t r = 0; r + k <= lines; ++r) {
        float* dst = out + r * w;
        const float* head = h + r * w;
        if (r % k == 0) std::copy(head, head + w, dst);
        else {
            const float* tail = g + (r + k - 1) * w;
            for (size_t x = 0; x < w; ++x) dst[x] = head[x] * tail[x];
        }
    }
}

// The outline and the union of body and outline. What the square's
// neighbours leave uncovered, prod(1 - K), is separable: products over row
// windows, then over the rows of the square; the centre is left out by
// taking, on the centre row, the windows left and right of the pixel only.
// Window products cost the same whatever the outline's width.
void buildOutline(int32_t w) {
    const int32_t bw = tBody.width(), bh = tBody.at.Height();
    const int32_t padded = bw + 2 * w;
    const size_t n = static_cast<size_t>(bw) * bh;
    // One row at a time, padded with w clear pixels each side.
    tClear.assign(static_cast<size_t>(padded), 1.0f);
    tWindow.resize(static_cast<size_t>(padded));
    tRowAll.assign(static_cast<size_t>(bw) * (bh + 2 * w), 1.0f);
    tRowSides.resize(n);
    for (int32_t y = 0; y < bh; ++y) {
        const uint8_t* b = tBody.row(y);
        for (int32_t x = 0; x < bw; ++x) tClear[static_cast<size_t>(x + w)] = 1.0f - b[x] * (1.0f / 255.0f);
        windowProducts(tClear.data(), padded, 1, w, tWindow.data());
        float* sides = tRowSides.data() + static_cast<size_t>(y) * bw;
        float* all = tRowAll.data() + static_cast<size_t>(y + w) * bw;
        for (int32_t x = 0; x < bw; ++x) {
            sides[x] = tWindow[static_cast<size_t>(x)] * tWindow[static_cast<size_t>(x + w + 1)];
            all[x] = sides[x] * tClear[static_cast<size_t>(x + w)];
        }
    }
    // Columns: the w rows above and the w rows below, each whole windows.
    const int32_t lines = bh + 2 * w;
    tWindow.resize(static_cast<size_t>(lines) * bw);
    windowProducts(tRowAll.data(), lines, bw, w, tWindow.data());
    tOutline.at = tUnion.at = tBody.at;
    tOutline.values.resize(n);
    tUnion.values.resize(n);
    for (int32_t y = 0; y < bh; ++y) {
        const float* above = tWindow.data() + static_cast<size_t>(y) * bw;
        const float* below = tWindow.data() + static_cast<size_t>(y + w + 1) * bw;
        const float* sides = tRowSides.data() + static_cast<size_t>(y) * bw;
        const uint8_t* b = tBody.row(y);
        uint8_t* o = tOutline.row(y);
        uint8_t* u = tUnion.row(y);
        for (int32_t x = 0; x < bw; ++x) {
            const float left = sides[x] * above[x] * below[x];
            o[x] = static_cast<uint8_t>(255 - static_cast<int>(left * 255.0f + 0.5f));
            const float both = left * (1.0f - b[x] * (1.0f / 255.0f));
            u[x] = static_cast<uint8_t>(255 - static_cast<int>(both * 255.0f + 0.5f));
        }
    }
}

template <class P>
void drawLayers(const P& px, Canvas& c, int32_t w, int32_t d, uint32_t shadow, uint32_t outline, uint32_t text) {
    if (w > 0) buildOutline(w);
    if (d > 0) paint(px, c, w > 0 ? tUnion : tBody, d, d, shadow);
    if (w > 0) {
        paint(px, c, tOutline, 0, 0, outline);
        paintBody(px, c, tBody, text, outline);
    } else
        paint(px, c, tBody, 0, 0, text);
}

TRect grown(const TRect& r, int32_t by) { return TRect{r.Left - by, r.Top - by, r.Right + by, r.Bottom + by}; }

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

} // namespace

TGlyphPlacement TFontPixelManager::Place(const TFontPixel& glyph, const TRect& cell, int32_t outlineWidth) {
    const int32_t w = std::clamp(outlineWidth, 0, kMaxOutlineWidth);
    const int64_t ink = glyph.BitmapWidth();
    const int64_t room = std::min<int64_t>(cell.width64(), glyph.Height);
    const int64_t advance = glyph.Advance();
    int64_t shift = 0;
    // A glyph narrower than its cell keeps the middle of its ink at the same
    // fraction of the width as in the font (a half-width character is
    // centred in a full cell).
    if (advance > 0 && glyph.OriginX + glyph.ExtraAdvance < room - ink) {
        const int64_t num = (2 * int64_t{glyph.AbcA} + ink) * room - ink * advance;
        shift = std::max<int64_t>(0, floorDiv(num + advance, 2 * advance) - glyph.OriginX);
    }
    const auto clamp32 = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2)); };
    return TGlyphPlacement{clamp32(int64_t{cell.Left} + glyph.OriginX + shift + w),
                           clamp32(int64_t{cell.Top} + glyph.OriginY + w)};
}

TRect TFontPixelManager::DrawGlyph(const TFontPixel& glyph, TCustomDIBX& colour, TCustomDIBX& mask, bool clear,
                                   int32_t shadowPixel, int32_t outlinePixel, int32_t textPixel, bool joinLeft,
                                   bool joinRight, int32_t shadowOffset, int32_t outlineWidth, const TRect& cell,
                                   const TRect* clip) {
    const int bits = colour.BitCount();
    if ((bits != 15 && bits != 16 && bits != 32) || mask.BitCount() != 8) return {};
    const int32_t w = std::clamp(outlineWidth, 0, kMaxOutlineWidth);
    const int32_t d = std::clamp(shadowOffset, 0, kMaxShadowOffset);
    // Cells come from layout and are far inside the 32-bit range; keep the
    // arithmetic below safe for any rectangle anyway.
    const TRect safeCell = intersectRect(cell, TRect{INT32_MIN / 4, INT32_MIN / 4, INT32_MAX / 4, INT32_MAX / 4});
    if (safeCell.isEmpty()) return {};
    const TGlyphPlacement at = Place(glyph, safeCell, w);

    TRect limit = intersectRect(TRect{0, 0, colour.Width(), colour.Height()}, TRect{0, 0, mask.Width(), mask.Height()});
    if (clip) limit = intersectRect(limit, *clip);
    const TRect outer{safeCell.Left, safeCell.Top, safeCell.Right + 2 * w + d, safeCell.Bottom + 2 * w + d};

    // The shape: ink and bands.
    std::vector<TRect> bands;
    const int32_t bandLeft = joinLeft ? safeCell.Left - w - d : safeCell.Left + w;
    const int32_t bandRight = joinRight ? outer.Right + w : safeCell.Right + w;
    if (glyph.UnderlineSize > 0) {
        const int32_t bottom = safeCell.Bottom + w;
        bands.push_back(TRect{bandLeft, bottom - std::min(glyph.UnderlineSize, kMaxGlyphHeight), bandRight, bottom});
    }
    if (glyph.StrikeSize > 0) {
        const int32_t top = safeCell.Top + w + std::clamp(glyph.StrikePos, -kMaxGlyphHeight, kMaxGlyphHeight);
        bands.push_back(TRect{bandLeft, top, bandRight, top + std::min(glyph.StrikeSize, kMaxGlyphHeight)});
    }
    TRect shape{};
    bool any = false;
    const TRect ink{at.x, at.y, at.x + glyph.BitmapWidth(), at.y + glyph.BitmapHeight()};
    for (const TRect& r : bands)
        if (!r.isEmpty()) {
            shape = any ? unionRect(shape, r) : r;
            any = true;
        }
    if (!ink.isEmpty()) {
        shape = any ? unionRect(shape, ink) : ink;
        any = true;
    }
    const TRect reach = any ? TRect{shape.Left - w, shape.Top - w, shape.Right + w + d, shape.Bottom + w + d} : TRect{};
    const TRect touched = any ? intersectRect(reach, limit) : TRect{};

    TPixelAccess colourAccess(colour, 0, 0);
    TPixelAccess maskAccess(mask, 0, 0);
    if (!colourAccess || !maskAccess || limit.isEmpty()) return {};
    Canvas canvas{colourAccess.get(), colour.RowStep(), maskAccess.get(), mask.RowStep(), limit};

    if (clear) {
        const TRect cleared = intersectRect(any ? unionRect(outer, reach) : outer, limit);
        for (int32_t y = cleared.Top; y < cleared.Bottom; ++y)
            std::memset(canvas.mask + canvas.maskStep * y + cleared.Left, 0, static_cast<size_t>(cleared.Width()));
    }
    if (!any || touched.isEmpty()) return touched.isEmpty() ? TRect{} : touched;

    // Only the part of the shape that can reach the writable area is built.
    const TRect needed = intersectRect(shape, TRect{limit.Left - w - d, limit.Top - w - d, limit.Right + w, limit.Bottom + w});
    if (needed.isEmpty()) return {};
    tBody.at = grown(needed, w);
    tBody.values.assign(static_cast<size_t>(tBody.at.Width()) * tBody.at.Height(), 0);
    for (const TRect& r : bands) {
        const TRect b = intersectRect(r, needed);
        for (int32_t y = b.Top; y < b.Bottom; ++y)
            std::memset(tBody.row(y - tBody.at.Top) + (b.Left - tBody.at.Left), 255, static_cast<size_t>(b.Width()));
    }
    const TRect inkPart = intersectRect(ink, needed);
    if (!inkPart.isEmpty()) {
        TCustomDIBX& cov = *glyph.Coverage;
        TPixelAccess covAccess(cov, 0, 0);
        if (covAccess)
            for (int32_t y = inkPart.Top; y < inkPart.Bottom; ++y) {
                const uint8_t* src = covAccess.get() + int64_t{cov.RowStep()} * (y - ink.Top) + (inkPart.Left - ink.Left);
                uint8_t* dst = tBody.row(y - tBody.at.Top) + (inkPart.Left - tBody.at.Left);
                for (int32_t x = 0, n = inkPart.Width(); x < n; ++x) dst[x] = std::max(dst[x], src[x]);
            }
    }

    const uint32_t shadow = static_cast<uint32_t>(shadowPixel), outline = static_cast<uint32_t>(outlinePixel),
                   text = static_cast<uint32_t>(textPixel);
    if (bits == 32) drawLayers(Pixels32{}, canvas, w, d, shadow, outline, text);
    else drawLayers(Pixels16{&channelLayoutOf(bits)}, canvas, w, d, shadow, outline, text);
    return touched;
}

} // namespace nuvo
