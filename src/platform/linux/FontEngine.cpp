// Glyphs through FreeType, faces chosen by fontconfig.
//
// A family name goes through the alias table first (the standard Windows
// names become the IPA faces); it counts as installed when fontconfig's best
// match carries that family. Characters a face lacks are taken from the first
// Japanese face that has them. Embedded bitmaps are never used, so every size
// is drawn from the outlines.
#include "platform/Fonts.h"
#include "platform/linux/FontAliases.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace nuvo::platform {

namespace {

constexpr const char* kIpaFamilies[] = {"IPAGothic", "IPAPGothic", "IPAMincho", "IPAPMincho"};

// A face file chosen for a request, and whether its weight and slant are
// what was asked.
struct FaceChoice {
    std::string file;
    int index = 0;
    bool bold = false;
    bool italic = false;
    std::string family;
};

bool patternHasFamily(FcPattern* p, const std::string& name) {
    FcChar8* family = nullptr;
    for (int i = 0; FcPatternGetString(p, FC_FAMILY, i, &family) == FcResultMatch; ++i)
        if (FcStrCmpIgnoreCase(family, reinterpret_cast<const FcChar8*>(name.c_str())) == 0) return true;
    return false;
}

bool patternHasChar(FcPattern* p, int32_t codePoint) {
    FcCharSet* set = nullptr;
    return FcPatternGetCharSet(p, FC_CHARSET, 0, &set) == FcResultMatch &&
           FcCharSetHasChar(set, static_cast<FcChar32>(codePoint));
}

std::optional<FaceChoice> choiceOf(FcPattern* p) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
    FaceChoice c;
    c.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(p, FC_INDEX, 0, &c.index);
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(p, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(p, FC_SLANT, 0, &slant);
    // A system configuration may answer a bold or italic request with the
    // regular face marked for emboldening or an oblique matrix: that face has
    // no such style of its own, and the engine makes it up.
    FcBool embolden = FcFalse;
    FcPatternGetBool(p, FC_EMBOLDEN, 0, &embolden);
    FcMatrix* matrix = nullptr;
    const bool sheared = FcPatternGetMatrix(p, FC_MATRIX, 0, &matrix) == FcResultMatch && matrix && matrix->xy != 0;
    c.bold = weight >= FC_WEIGHT_DEMIBOLD && !embolden;
    c.italic = slant != FC_SLANT_ROMAN && !sheared;
    FcChar8* family = nullptr;
    if (FcPatternGetString(p, FC_FAMILY, 0, &family) == FcResultMatch) c.family = reinterpret_cast<const char*>(family);
    return c;
}

// A value in font units scaled to pixels at an em height, rounded.
int32_t scaled(long value, int32_t height, int unitsPerEm) {
    if (unitsPerEm <= 0) return 0;
    return static_cast<int32_t>(std::lround(static_cast<double>(value) * height / unitsPerEm));
}

// One face file at one size, with what has to be made up for the request.
struct SizedFace {
    FT_Face face = nullptr;
    FT_Size size = nullptr;
    bool emboldens = false;
    bool shears = false;
};

class FontEngine;

class FreeTypeFace final : public IFontFace {
public:
    FreeTypeFace(FontEngine& engine, SizedFace main, FontMetrics metrics, bool bold, bool italic)
        : engine_(engine), main_(main), metrics_(std::move(metrics)), bold_(bold), italic_(italic) {}
    ~FreeTypeFace() override;

    const FontMetrics& Metrics() const override { return metrics_; }
    bool Render(int32_t codePoint, GlyphMode mode, GlyphImage& out) override;

private:
    // The face used for a code point the main face lacks, sized like it.
    const SizedFace* fallbackFor(int32_t codePoint);

    FontEngine& engine_;
    SizedFace main_;
    FontMetrics metrics_;
    bool bold_, italic_;
    std::map<std::pair<std::string, int>, SizedFace> fallbacks_;
};

class FontEngine final : public IFontEngine {
public:
    explicit FontEngine(const FontEngineSetup& setup) : own_(setup.ownConfiguration) {
        FT_Init_FreeType(&library_);
        if (own_) buildOwnConfiguration(setup.extraFontFiles);
        else {
            installAliases();
            config_ = FcConfigReference(nullptr);
            for (const std::string& file : setup.extraFontFiles)
                FcConfigAppFontAddFile(config_, reinterpret_cast<const FcChar8*>(file.c_str()));
        }
    }

    ~FontEngine() override {
        for (auto& [key, face] : faces_) FT_Done_Face(face);
        if (library_) FT_Done_FreeType(library_);
        if (ownSet_) FcFontSetDestroy(ownSet_);
        if (config_) FcConfigDestroy(config_);
    }

    bool IsInstalled(std::string_view family) override {
        return choose(aliasTarget(family), false, false).has_value();
    }

    std::unique_ptr<IFontFace> OpenFace(std::string_view family, int32_t height, bool bold, bool italic) override {
        height = std::clamp<int32_t>(height, 1, 1024);
        std::optional<FaceChoice> choice = choose(aliasTarget(family), bold, italic);
        if (!choice) choice = choose(aliasTarget(kDefaultFaceName), bold, italic);
        if (!choice) choice = anyFace(bold, italic);
        if (!choice) return nullptr;
        SizedFace main;
        if (!sized(*choice, height, bold, italic, main)) return nullptr;
        FontMetrics m;
        m.height = height;
        const int upem = main.face->units_per_EM;
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(main.face, FT_SFNT_OS2));
        if (os2 && os2->version != 0xFFFF) {
            m.ascent = scaled(os2->usWinAscent, height, upem);
            m.descent = scaled(os2->usWinDescent, height, upem);
            m.strikePosition = scaled(os2->yStrikeoutPosition, height, upem);
            m.strikeSize = std::max(1, scaled(os2->yStrikeoutSize, height, upem));
        } else {
            m.ascent = scaled(main.face->ascender, height, upem);
            m.descent = scaled(-main.face->descender, height, upem);
            m.strikePosition = m.ascent / 3;
            m.strikeSize = std::max(1, scaled(main.face->underline_thickness, height, upem));
        }
        m.cellHeight = m.ascent + m.descent;
        m.underlineSize = std::max(1, scaled(main.face->underline_thickness, height, upem));
        m.syntheticBold = main.emboldens;
        m.syntheticItalic = main.shears;
        m.family = choice->family;
        return std::make_unique<FreeTypeFace>(*this, main, std::move(m), bold, italic);
    }

    // A face of some Japanese family that has the code point (regular style).
    std::optional<FaceChoice> fallbackChoice(int32_t codePoint) {
        if (auto it = fallbacks_.find(codePoint); it != fallbacks_.end()) return it->second;
        std::optional<FaceChoice> found;
        FcPattern* p = FcPatternCreate();
        FcPatternAddString(p, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
        FcPatternAddBool(p, FC_SCALABLE, FcTrue);
        FcCharSet* chars = FcCharSetCreate();
        FcCharSetAddChar(chars, static_cast<FcChar32>(codePoint));
        FcPatternAddCharSet(p, FC_CHARSET, chars);
        FcCharSetDestroy(chars);
        FcConfigSubstitute(config_, p, FcMatchPattern);
        FcDefaultSubstitute(p);
        FcResult result;
        FcFontSet* sorted = own_ ? FcFontSetSort(config_, &ownSet_, 1, p, FcFalse, nullptr, &result)
                                 : FcFontSort(config_, p, FcFalse, nullptr, &result);
        for (int i = 0; sorted && i < sorted->nfont && !found; ++i)
            if (patternHasChar(sorted->fonts[i], codePoint)) found = choiceOf(sorted->fonts[i]);
        if (sorted) FcFontSetDestroy(sorted);
        FcPatternDestroy(p);
        fallbacks_.emplace(codePoint, found);
        return found;
    }

    // Opens a size of the chosen face; false when FreeType cannot.
    bool sized(const FaceChoice& choice, int32_t height, bool bold, bool italic, SizedFace& out) {
        FT_Face face = openFile(choice.file, choice.index);
        if (!face || !FT_IS_SCALABLE(face)) return false;
        FT_Size size = nullptr;
        if (FT_New_Size(face, &size)) return false;
        FT_Activate_Size(size);
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(height))) {
            FT_Done_Size(size);
            return false;
        }
        out.face = face;
        out.size = size;
        out.emboldens = bold && !choice.bold;
        out.shears = italic && !choice.italic;
        return true;
    }

private:
    // The configuration of our own: no rules, and a font set of the IPA faces
    // (taken from the system's configuration, whose caches already describe
    // them, leaving out files in the user's home) and the extra files.
    void buildOwnConfiguration(const std::vector<std::string>& extraFiles) {
        config_ = FcConfigCreate();
        ownSet_ = FcFontSetCreate();
        if (FcInit()) {
            const char* home = std::getenv("HOME");
            const std::string homePrefix = home && *home ? std::string(home) + "/" : std::string();
            std::vector<FcPattern*> ipa;
            for (FcSetName which : {FcSetSystem, FcSetApplication}) {
                FcFontSet* set = FcConfigGetFonts(nullptr, which);
                for (int i = 0; set && i < set->nfont; ++i) {
                    FcPattern* p = set->fonts[i];
                    FcChar8* file = nullptr;
                    if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch) continue;
                    const std::string path = reinterpret_cast<const char*>(file);
                    if (!homePrefix.empty() && path.compare(0, homePrefix.size(), homePrefix) == 0) continue;
                    for (const char* family : kIpaFamilies)
                        if (patternHasFamily(p, family)) {
                            ipa.push_back(p);
                            break;
                        }
                }
            }
            // One file per family, the same whatever order the caches list them in.
            std::sort(ipa.begin(), ipa.end(), [](FcPattern* a, FcPattern* b) {
                FcChar8 *fa = nullptr, *fb = nullptr;
                FcPatternGetString(a, FC_FILE, 0, &fa);
                FcPatternGetString(b, FC_FILE, 0, &fb);
                return std::strcmp(reinterpret_cast<char*>(fa), reinterpret_cast<char*>(fb)) < 0;
            });
            std::vector<std::string> taken;
            for (FcPattern* p : ipa) {
                FcChar8* family = nullptr;
                FcPatternGetString(p, FC_FAMILY, 0, &family);
                const std::string f = reinterpret_cast<const char*>(family);
                if (std::find(taken.begin(), taken.end(), f) != taken.end()) continue;
                taken.push_back(f);
                FcPatternReference(p);
                FcFontSetAdd(ownSet_, p);
            }
        }
        for (const std::string& file : extraFiles) {
            int count = 0;
            for (int id = 0; id == 0 || id < count; ++id) {
                FcPattern* p = FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(file.c_str()), id, nullptr, &count);
                if (!p) break;
                FcFontSetAdd(ownSet_, p);
            }
        }
    }

    // The best face for a family that really carries it.
    std::optional<FaceChoice> choose(const std::string& family, bool bold, bool italic) {
        const std::string key = family + (bold ? "\x01" "b" : "\x01") + (italic ? "i" : "");
        if (auto it = choices_.find(key); it != choices_.end()) return it->second;
        std::optional<FaceChoice> found;
        if (!family.empty()) {
            FcPattern* p = request(family, bold, italic);
            FcResult result;
            FcPattern* m = own_ ? FcFontSetMatch(config_, &ownSet_, 1, p, &result) : FcFontMatch(config_, p, &result);
            if (m && patternHasFamily(m, family)) found = choiceOf(m);
            if (m) FcPatternDestroy(m);
            FcPatternDestroy(p);
        }
        choices_.emplace(key, found);
        return found;
    }

    // Whatever fontconfig offers for Japanese text, when not even the default
    // face is installed.
    std::optional<FaceChoice> anyFace(bool bold, bool italic) {
        FcPattern* p = request({}, bold, italic);
        FcResult result;
        FcPattern* m = own_ ? FcFontSetMatch(config_, &ownSet_, 1, p, &result) : FcFontMatch(config_, p, &result);
        std::optional<FaceChoice> found = m ? choiceOf(m) : std::nullopt;
        if (m) FcPatternDestroy(m);
        FcPatternDestroy(p);
        return found;
    }

    FcPattern* request(const std::string& family, bool bold, bool italic) {
        FcPattern* p = FcPatternCreate();
        if (!family.empty()) FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        else FcPatternAddString(p, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
        FcPatternAddInteger(p, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(p, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(config_, p, FcMatchPattern);
        FcDefaultSubstitute(p);
        return p;
    }

    FT_Face openFile(const std::string& file, int index) {
        const auto key = std::make_pair(file, index);
        if (auto it = faces_.find(key); it != faces_.end()) return it->second;
        FT_Face face = nullptr;
        if (!library_ || FT_New_Face(library_, file.c_str(), index, &face)) face = nullptr;
        if (face) faces_.emplace(key, face);
        return face;
    }

    bool own_;
    FT_Library library_ = nullptr;
    FcConfig* config_ = nullptr;
    FcFontSet* ownSet_ = nullptr;
    std::map<std::pair<std::string, int>, FT_Face> faces_;
    std::unordered_map<std::string, std::optional<FaceChoice>> choices_;
    std::unordered_map<int32_t, std::optional<FaceChoice>> fallbacks_;
};

FreeTypeFace::~FreeTypeFace() {
    for (auto& [key, f] : fallbacks_)
        if (f.size) FT_Done_Size(f.size);
    if (main_.size) FT_Done_Size(main_.size);
}

const SizedFace* FreeTypeFace::fallbackFor(int32_t codePoint) {
    const std::optional<FaceChoice> choice = engine_.fallbackChoice(codePoint);
    if (!choice) return nullptr;
    const auto key = std::make_pair(choice->file, choice->index);
    if (auto it = fallbacks_.find(key); it != fallbacks_.end()) return it->second.face ? &it->second : nullptr;
    SizedFace f;
    if (!engine_.sized(*choice, metrics_.height, bold_, italic_, f)) f = {};
    auto [it, added] = fallbacks_.emplace(key, f);
    return it->second.face ? &it->second : nullptr;
}

bool FreeTypeFace::Render(int32_t codePoint, GlyphMode mode, GlyphImage& out) {
    out = GlyphImage{};
    const SizedFace* use = &main_;
    FT_UInt index = codePoint >= 0 ? FT_Get_Char_Index(main_.face, static_cast<FT_ULong>(codePoint)) : 0;
    if (codePoint >= 0 && index == 0)
        if (const SizedFace* other = fallbackFor(codePoint)) {
            const FT_UInt there = FT_Get_Char_Index(other->face, static_cast<FT_ULong>(codePoint));
            if (there) {
                use = other;
                index = there;
            }
        }
    const bool mono = mode == GlyphMode::Mono;
    FT_Activate_Size(use->size);
    FT_Face face = use->face;
    const FT_Int32 flags = FT_LOAD_NO_BITMAP | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(face, index, flags)) return false;
    FT_GlyphSlot slot = face->glyph;
    if (use->shears && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Matrix shear{0x10000, 0x3333, 0, 0x10000};
        FT_Outline_Transform(&slot->outline, &shear);
    }
    if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL)) return false;
    const FT_Bitmap& b = slot->bitmap;
    out.advance = static_cast<int32_t>((slot->advance.x + 32) >> 6);
    if (b.width == 0 || b.rows == 0 || !b.buffer) {
        if (use->emboldens) ++out.advance;
        return true;
    }
    const bool bits = b.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!bits && b.pixel_mode != FT_PIXEL_MODE_GRAY) return false;
    const int32_t w = static_cast<int32_t>(b.width), h = static_cast<int32_t>(b.rows);
    const int32_t outW = w + (use->emboldens ? 1 : 0);
    out.width = outW;
    out.height = h;
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    out.coverage.assign(static_cast<size_t>(outW) * h, 0);
    const int pitch = b.pitch;
    for (int32_t y = 0; y < h; ++y) {
        const unsigned char* row = pitch >= 0 ? b.buffer + static_cast<ptrdiff_t>(y) * pitch
                                              : b.buffer + static_cast<ptrdiff_t>(h - 1 - y) * -pitch;
        uint8_t* dst = out.coverage.data() + static_cast<size_t>(y) * outW;
        if (bits)
            for (int32_t x = 0; x < w; ++x) dst[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        else
            std::memcpy(dst, row, static_cast<size_t>(w));
        // No bold face: every column also inks the one to its right.
        if (use->emboldens)
            for (int32_t x = outW - 1; x > 0; --x) dst[x] = std::max(dst[x], dst[x - 1]);
    }
    if (use->emboldens) ++out.advance;
    // The monochrome render gives a blank pixel for an empty outline: no ink.
    if (std::all_of(out.coverage.begin(), out.coverage.end(), [](uint8_t v) { return v == 0; })) {
        out.width = out.height = out.left = out.top = 0;
        out.coverage.clear();
    }
    return true;
}

} // namespace

std::unique_ptr<IFontEngine> createFontEngine(const FontEngineSetup& setup) {
    return std::make_unique<FontEngine>(setup);
}

} // namespace nuvo::platform
