// The font catalogue through fontconfig, with the standard Japanese names
// listed for the IPA faces they are drawn with.
#include "platform/Fonts.h"
#include "platform/linux/FontAliases.h"
#include "platform/Locale.h"

#include <fontconfig/fontconfig.h>

#include <set>
#include <string>
#include <string_view>

namespace nuvo::platform {

namespace {

// The family name in the wanted language when the font has one, else its
// first name.
std::string familyName(FcPattern* font, std::string_view language) {
    FcChar8* first = nullptr;
    FcPatternGetString(font, FC_FAMILY, 0, &first);
    for (int i = 0;; ++i) {
        FcChar8* family = nullptr;
        FcChar8* lang = nullptr;
        if (FcPatternGetString(font, FC_FAMILY, i, &family) != FcResultMatch) break;
        if (FcPatternGetString(font, FC_FAMILYLANG, i, &lang) != FcResultMatch) continue;
        const std::string_view l(reinterpret_cast<const char*>(lang));
        if (l.substr(0, language.size()) == language) return reinterpret_cast<const char*>(family);
    }
    return first ? reinterpret_cast<const char*>(first) : std::string();
}

bool hasFamily(FcPattern* font, const char* name) {
    FcChar8* family = nullptr;
    for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &family) == FcResultMatch; ++i)
        if (FcStrCmpIgnoreCase(family, reinterpret_cast<const FcChar8*>(name)) == 0) return true;
    return false;
}

class FontconfigCatalog final : public IFontCatalog {
public:
    std::vector<FontFace> Families() override {
        std::vector<FontFace> out;
        if (!FcInit()) return out;
        const std::string language = primaryLanguage();
        FcPattern* any = FcPatternCreate();
        FcObjectSet* objects =
            FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_FONTFORMAT, FC_SPACING, FC_LANG, FC_OUTLINE, nullptr);
        FcFontSet* fonts = FcFontList(nullptr, any, objects);
        std::set<std::string> seen;
        FontFace standard[std::size(kStandardFaces)];
        bool standardFound[std::size(kStandardFaces)] = {};
        for (int i = 0; fonts && i < fonts->nfont; ++i) {
            FcPattern* font = fonts->fonts[i];
            FontFace face;
            face.family = familyName(font, language);
            FcChar8* format = nullptr;
            FcBool outline = FcFalse;
            FcPatternGetBool(font, FC_OUTLINE, 0, &outline);
            if (FcPatternGetString(font, FC_FONTFORMAT, 0, &format) == FcResultMatch) {
                const std::string_view f(reinterpret_cast<const char*>(format));
                face.trueType = outline && (f == "TrueType" || f == "CFF");
            }
            int spacing = FC_PROPORTIONAL;
            FcPatternGetInteger(font, FC_SPACING, 0, &spacing);
            face.fixedPitch = spacing == FC_MONO || spacing == FC_DUAL || spacing == FC_CHARCELL;
            FcLangSet* langs = nullptr;
            face.japanese = FcPatternGetLangSet(font, FC_LANG, 0, &langs) == FcResultMatch &&
                            FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) == FcLangEqual;
            for (size_t k = 0; k < std::size(kStandardFaces); ++k) {
                if (standardFound[k] || !hasFamily(font, kStandardFaces[k].ipa)) continue;
                standardFound[k] = true;
                standard[k] = face;
                standard[k].family = kStandardFaces[k].name;
            }
            if (face.family.empty() || !seen.insert(face.family).second) continue;
            out.push_back(std::move(face));
        }
        for (size_t k = 0; k < std::size(kStandardFaces); ++k)
            if (standardFound[k] && seen.insert(standard[k].family).second) out.push_back(standard[k]);
        if (fonts) FcFontSetDestroy(fonts);
        FcObjectSetDestroy(objects);
        FcPatternDestroy(any);
        return out;
    }
};

} // namespace

std::unique_ptr<IFontCatalog> createFontconfigCatalog() {
    installAliases();
    return std::make_unique<FontconfigCatalog>();
}

} // namespace nuvo::platform
