// The installed fonts as the player lists them for scripts: every face
// family with what the lists filter on. The desktop answers through
// fontconfig (platform/sdl/FontCatalog.cpp), which also maps the standard
// Japanese faces titles ask for ("ＭＳ ゴシック", "ＭＳ Ｐゴシック", "ＭＳ 明朝",
// "ＭＳ Ｐ明朝") to the metric-compatible IPA faces.
#pragma once

#include <memory>
#include <string>
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

} // namespace nuvo::platform
