#include "platform/sdl/SdlToolbar.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <string>
#include <string_view>

namespace nuvo::platform::sdl {

namespace {

constexpr int32_t kButtonTop = (IWindow::kToolbarHeight - IWindow::kToolbarButtonHeight) / 2;
constexpr int32_t kFontPixels = 12;
constexpr uint32_t kFace = 0xFFF0F0F0, kLight = 0xFFFFFFFF, kShadow = 0xFFA0A0A0, kInk = 0xFF000000;
const char* const kCaptions[2] = {"終了", "画面切替"};

std::u32string decodeUtf8(std::string_view s) {
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t cp = n == 1 ? c : n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
        for (int k = 1; k < n && i + k < s.size(); ++k)
            cp = cp << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += static_cast<size_t>(n);
    }
    return out;
}

// The file of a font that fontconfig prefers for Japanese text holding
// every character of the captions; empty when there is none.
std::string findFontFile(const std::u32string& needed, int& faceIndex) {
    std::string file;
    // A configuration of our own, freed here, so nothing stays behind in
    // fontconfig's global state.
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return file;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ja"));
    if (!pattern) {
        FcConfigDestroy(config);
        return file;
    }
    FcCharSet* charset = FcCharSetCreate();
    for (char32_t c : needed)
        FcCharSetAddChar(charset, c);
    FcPatternAddCharSet(pattern, FC_CHARSET, charset);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
        FcChar8* path = nullptr;
        FcCharSet* has = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch &&
            FcPatternGetCharSet(match, FC_CHARSET, 0, &has) == FcResultMatch && FcCharSetIsSubset(charset, has)) {
            file = reinterpret_cast<const char*>(path);
            if (FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex) != FcResultMatch) faceIndex = 0;
        }
        FcPatternDestroy(match);
    }
    FcCharSetDestroy(charset);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    return file;
}

} // namespace

ToolbarPainter::ToolbarPainter() {
    std::u32string needed;
    for (const char* caption : kCaptions)
        needed += decodeUtf8(caption);
    int faceIndex = 0;
    const std::string fontFile = findFontFile(needed, faceIndex);
    if (fontFile.empty()) return;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library)) return;
    FT_Face face = nullptr;
    if (!FT_New_Face(library, fontFile.c_str(), faceIndex, &face) && !FT_Set_Pixel_Sizes(face, 0, kFontPixels)) {
        const int32_t ascender = static_cast<int32_t>(face->size->metrics.ascender >> 6);
        const int32_t descender = static_cast<int32_t>(-(face->size->metrics.descender >> 6));
        for (const char* text : kCaptions) {
            const std::u32string chars = decodeUtf8(text);
            // First the width, then the glyphs into a coverage picture.
            int32_t width = 0;
            for (char32_t c : chars)
                if (!FT_Load_Char(face, c, FT_LOAD_DEFAULT)) width += static_cast<int32_t>(face->glyph->advance.x >> 6);
            Caption caption;
            caption.width = std::max(width, 1);
            caption.height = std::max(ascender + descender, 1);
            caption.coverage.assign(static_cast<size_t>(caption.width) * static_cast<size_t>(caption.height), 0);
            int32_t pen = 0;
            for (char32_t c : chars) {
                if (FT_Load_Char(face, c, FT_LOAD_RENDER)) continue;
                const FT_GlyphSlot g = face->glyph;
                for (unsigned row = 0; row < g->bitmap.rows; ++row) {
                    const int32_t y = ascender - g->bitmap_top + static_cast<int32_t>(row);
                    if (y < 0 || y >= caption.height) continue;
                    for (unsigned col = 0; col < g->bitmap.width; ++col) {
                        const int32_t x = pen + g->bitmap_left + static_cast<int32_t>(col);
                        if (x < 0 || x >= caption.width) continue;
                        uint8_t& cell = caption.coverage[static_cast<size_t>(y) * static_cast<size_t>(caption.width) +
                                                         static_cast<size_t>(x)];
                        cell = std::max(cell, g->bitmap.buffer[row * static_cast<unsigned>(g->bitmap.pitch) + col]);
                    }
                }
                pen += static_cast<int32_t>(g->advance.x >> 6);
            }
            captions_.push_back(std::move(caption));
        }
    }
    if (face) FT_Done_Face(face);
    FT_Done_FreeType(library);
}

ToolbarPainter::~ToolbarPainter() = default;

int ToolbarPainter::buttonAt(int32_t x, int32_t y) {
    if (y < kButtonTop || y >= kButtonTop + IWindow::kToolbarButtonHeight || x < 0) return -1;
    const int32_t index = x / IWindow::kToolbarButtonWidth;
    return index < 2 ? static_cast<int>(index) : -1;
}

void ToolbarPainter::paint(uint32_t* pixels, int32_t width, int32_t pitch, int hovered, int pressed) const {
    const int32_t height = IWindow::kToolbarHeight;
    const auto put = [&](int32_t x, int32_t y, uint32_t v) {
        if (x >= 0 && x < width && y >= 0 && y < height)
            pixels[static_cast<size_t>(y) * static_cast<size_t>(pitch) + static_cast<size_t>(x)] = v;
    };
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            put(x, y, kFace);
    for (int i = 0; i < 2; ++i) {
        const int32_t left = i * IWindow::kToolbarButtonWidth, top = kButtonTop;
        const int32_t right = left + IWindow::kToolbarButtonWidth - 1, bottom = top + IWindow::kToolbarButtonHeight - 1;
        const bool down = pressed == i && hovered == i;
        if (hovered == i || pressed == i) {
            const uint32_t topLeft = down ? kShadow : kLight, bottomRight = down ? kLight : kShadow;
            for (int32_t x = left; x <= right; ++x)
                put(x, top, topLeft), put(x, bottom, bottomRight);
            for (int32_t y = top; y <= bottom; ++y)
                put(left, y, topLeft), put(right, y, bottomRight);
        }
        if (static_cast<size_t>(i) >= captions_.size()) continue;
        const Caption& c = captions_[static_cast<size_t>(i)];
        const int32_t shift = down ? 1 : 0;
        const int32_t cx = left + (IWindow::kToolbarButtonWidth - c.width) / 2 + shift;
        const int32_t cy = top + (IWindow::kToolbarButtonHeight - c.height) / 2 + shift;
        for (int32_t y = 0; y < c.height; ++y) {
            for (int32_t x = 0; x < c.width; ++x) {
                const uint32_t a =
                    c.coverage[static_cast<size_t>(y) * static_cast<size_t>(c.width) + static_cast<size_t>(x)];
                if (!a) continue;
                // Ink over the face colour (each channel of the face is 0xF0).
                const uint32_t v = (0xF0 * (255 - a) + (kInk & 0xFF) * a) / 255;
                put(cx + x, cy + y, 0xFF000000u | v << 16 | v << 8 | v);
            }
        }
    }
}

} // namespace nuvo::platform::sdl
