// Fonts: the catalogue the player lists for scripts, and the engine that
// draws glyphs. Both answer through fontconfig (platform/linux/), which also
// maps the standard Japanese faces titles ask for ("ＭＳ ゴシック", "ＭＳ Ｐゴシック",
// "ＭＳ 明朝", "ＭＳ Ｐ明朝", "MS UI Gothic") to the metric-compatible IPA faces.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo::platform {

struct FontFace {
    // The family name in UTF-8 (the name in the system's language when the
    // font has one, else its first name).
    std::string family;
    // A TrueType or OpenType outline font (not a bitmap or Type 1 font).
    bool trueType = false;
    bool fixedPitch = false;
    // Covers the characters of the Japanese character set (kana and the
    // common kanji).
    bool japanese = false;
};

class IFontCatalog {
public:
    virtual ~IFontCatalog() = default;
    // Every face family once (in no particular order), the standard Japanese
    // names included when the faces they map to are installed.
    virtual std::vector<FontFace> Families() = 0;
};

// The fontconfig catalogue. Installing it also teaches the process's
// fontconfig the aliases of the standard Japanese faces.
std::unique_ptr<IFontCatalog> createFontconfigCatalog();

// The face a title gets when the one it names is not installed.
inline constexpr std::string_view kDefaultFaceName = "ＭＳ ゴシック";

// A face at one pixel size, as drawn. Every value is in whole pixels.
struct FontMetrics {
    int32_t height = 0;        // the em size
    int32_t ascent = 0;        // OS/2 winAscent, scaled and rounded
    int32_t descent = 0;       // OS/2 winDescent, scaled and rounded
    int32_t cellHeight = 0;    // ascent + descent
    int32_t underlineSize = 1; // at least 1
    int32_t strikePosition = 0; // above the baseline
    int32_t strikeSize = 1;    // at least 1
    bool syntheticBold = false;   // emboldened by one pixel (no bold face)
    bool syntheticItalic = false; // sheared by one fifth (no italic face)
    std::string family;        // the family really drawn with
};

// One glyph as drawn. The ink box is width x height pixels of coverage, row
// after row, 0 no ink to 255 full ink; a glyph without ink has width 0.
struct GlyphImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t left = 0;    // from the pen position to the ink's left column (A)
    int32_t top = 0;     // from the baseline up to the ink's top row
    int32_t advance = 0; // pen movement
    std::vector<uint8_t> coverage;
};

enum class GlyphMode {
    Mono, // monochrome with mono hinting: 0 or 255
    Grey, // 8-bit grey with the font's hinting
};

class IFontFace {
public:
    virtual ~IFontFace() = default;
    virtual const FontMetrics& Metrics() const = 0;
    // Renders a Unicode code point; a negative one, or one no face has, gives
    // the face's missing glyph. Characters the face lacks come from the
    // Japanese fallback faces. False when the rasteriser failed (out is then
    // empty).
    virtual bool Render(int32_t codePoint, GlyphMode mode, GlyphImage& out) = 0;
};

class IFontEngine {
public:
    virtual ~IFontEngine() = default;
    // True when a face of that family (UTF-8, or one of the standard names) is
    // installed.
    virtual bool IsInstalled(std::string_view family) = 0;
    // The face for a family at an em height of 1..1024 pixels (clamped);
    // a family that is not installed gives kDefaultFaceName's face. Null only
    // when no face at all can be found.
    virtual std::unique_ptr<IFontFace> OpenFace(std::string_view family, int32_t height, bool bold,
                                                bool italic) = 0;
};

struct FontEngineSetup {
    // False: the user's fontconfig configuration and every installed font.
    // True: a configuration of our own holding only the IPA faces and the
    // files below, so a user's fonts never change a picture (headless runs,
    // tests).
    bool ownConfiguration = false;
    std::vector<std::string> extraFontFiles;
};

// FreeType and fontconfig.
std::unique_ptr<IFontEngine> createFontEngine(const FontEngineSetup& setup);

} // namespace nuvo::platform
