// The font lists of @Fonts and @FixedFonts, the standard Japanese faces
// mapped to the IPA faces through fontconfig, and the system language read
// from the locale.
#include "base/Cp932.h"
#include "platform/Fonts.h"
#include "platform/Locale.h"
#include "shell/SystemVariables.h"
#include "support/TestSupport.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace nuvo {
namespace {

using test::sj;

TEST(FontLists, FilterSortAndDeduplicate) {
    const std::vector<platform::FontFace> faces = {
        // family, TrueType, fixed pitch, Japanese
        {"IPAGothic", true, true, true},
        {"DejaVu Sans", true, false, false},
        {"@IPAGothic", true, true, true},   // vertical faces never appear
        {"Fixed", false, true, true},       // bitmap fonts never appear
        {"ＭＳ Ｐゴシック", true, false, true},
        {"ipagothic", true, true, true},    // the same name in other case
        {"Noto Sans 한국어", true, false, true}, // no Shift-JIS form
        {"Ahem", true, true, false},
    };
    EXPECT_EQ(ScriptFontNames(faces, false, true),
              (std::vector<std::string>{"IPAGothic", sj("ＭＳ Ｐゴシック")}));
    EXPECT_EQ(ScriptFontNames(faces, true, true), (std::vector<std::string>{"IPAGothic"}));
    EXPECT_EQ(ScriptFontNames(faces, false, false),
              (std::vector<std::string>{"Ahem", "DejaVu Sans", "IPAGothic", sj("ＭＳ Ｐゴシック")}));
    EXPECT_EQ(ScriptFontNames(faces, true, false), (std::vector<std::string>{"Ahem", "IPAGothic"}));
    EXPECT_EQ(JoinFontNames({"a", "b", "c"}), "a\r\nb\r\nc");
    EXPECT_EQ(JoinFontNames({}), "");
}

bool ipaInstalled() {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("IPAGothic"));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    const bool found = set && set->nfont > 0;
    if (set) FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return found;
}

// The family fontconfig chooses for a requested one.
std::string matchedFamily(const char* requested) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(requested));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    std::string family;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        FcChar8* name = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch) family = reinterpret_cast<char*>(name);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return family;
}

TEST(FontLists, StandardJapaneseFacesAreTheIpaFaces) {
    auto catalog = platform::createFontconfigCatalog();
    if (!ipaInstalled()) GTEST_SKIP() << "the IPA fonts are not installed (scripts/install-deps installs them)";
    EXPECT_EQ(matchedFamily("ＭＳ ゴシック"), "IPAGothic");
    EXPECT_EQ(matchedFamily("ＭＳ Ｐゴシック"), "IPAPGothic");
    EXPECT_EQ(matchedFamily("ＭＳ 明朝"), "IPAMincho");
    EXPECT_EQ(matchedFamily("ＭＳ Ｐ明朝"), "IPAPMincho");
    EXPECT_EQ(matchedFamily("MS PGothic"), "IPAPGothic");
    // The names titles ask for are listed, with the faces' properties.
    const std::vector<platform::FontFace> faces = catalog->Families();
    const auto find = [&](const std::string& name) -> std::optional<platform::FontFace> {
        for (const auto& f : faces)
            if (f.family == name) return f;
        return std::nullopt;
    };
    const auto gothic = find("ＭＳ ゴシック");
    ASSERT_TRUE(gothic);
    EXPECT_TRUE(gothic->trueType);
    EXPECT_TRUE(gothic->japanese);
    EXPECT_TRUE(gothic->fixedPitch);
    const auto proportional = find("ＭＳ Ｐ明朝");
    ASSERT_TRUE(proportional);
    EXPECT_FALSE(proportional->fixedPitch);
    const std::vector<std::string> listed = ScriptFontNames(faces, false, true);
    EXPECT_TRUE(std::find(listed.begin(), listed.end(), sj("ＭＳ Ｐゴシック")) != listed.end());
    EXPECT_TRUE(std::find(listed.begin(), listed.end(), std::string("DejaVu Sans")) == listed.end())
        << "a face without Japanese is not listed for a Japanese system";
}

// Sets the locale variables for one case and puts them back.
class LocaleEnv {
public:
    LocaleEnv() {
        for (const char* n : kNames) saved_.push_back(std::getenv(n) ? std::optional<std::string>(std::getenv(n)) : std::nullopt);
    }
    ~LocaleEnv() {
        for (size_t i = 0; i < std::size(kNames); ++i)
            saved_[i] ? setenv(kNames[i], saved_[i]->c_str(), 1) : unsetenv(kNames[i]);
    }
    void set(const char* all, const char* messages, const char* lang) {
        const char* values[] = {all, messages, lang};
        for (size_t i = 0; i < std::size(kNames); ++i)
            values[i] ? setenv(kNames[i], values[i], 1) : unsetenv(kNames[i]);
    }

private:
    static constexpr const char* kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::vector<std::optional<std::string>> saved_;
};

TEST(Locale, PrimaryLanguageFromTheEnvironment) {
    LocaleEnv env;
    const struct {
        const char* all;
        const char* messages;
        const char* lang;
        const char* language;
    } cases[] = {
        {nullptr, nullptr, "ja_JP.UTF-8", "ja"},
        {nullptr, "en_US.UTF-8", "ja_JP.UTF-8", "en"},
        {nullptr, "ja_JP.eucJP", "C", "ja"},
        {"de_DE@euro", "ja_JP", "ja_JP", "de"},
        {"", "", "ja", "ja"},
        {nullptr, nullptr, "C.UTF-8", "en"},
        {nullptr, nullptr, "POSIX", "en"},
        {nullptr, nullptr, nullptr, "en"},
    };
    for (const auto& c : cases) {
        env.set(c.all, c.messages, c.lang);
        EXPECT_EQ(platform::primaryLanguage(), c.language) << (c.lang ? c.lang : "-");
        EXPECT_EQ(platform::primaryLanguageIsJapanese(), std::string(c.language) == "ja");
    }
}

} // namespace
} // namespace nuvo
