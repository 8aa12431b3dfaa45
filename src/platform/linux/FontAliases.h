// The faces titles name and the installed faces drawn for them, shared by
// the catalogue and the glyph engine.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nuvo::platform {

// A standard Windows face and the IPA face with the same metrics.
struct StandardFace {
    const char* name;        // as titles write it (UTF-8)
    const char* englishName; // the same face's English name
    const char* ipa;
};
inline constexpr StandardFace kStandardFaces[] = {
    {"ＭＳ ゴシック", "MS Gothic", "IPAGothic"},
    {"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic"},
    {"ＭＳ 明朝", "MS Mincho", "IPAMincho"},
    {"ＭＳ Ｐ明朝", "MS PMincho", "IPAPMincho"},
    {"MS UI Gothic", "MS UI Gothic", "IPAPGothic"},
};

// The installed family drawn for a name: the IPA face for a standard name
// (ASCII letters compared without regard to case), else the name itself.
std::string aliasTarget(std::string_view family);

// fontconfig rules that prepend the IPA face to every standard name.
std::string aliasConfig();

// Once per process: fontconfig started and the rules above added to its
// current configuration. fontconfig's state lives until the process ends:
// GTK and Pango hold patterns of it to the last moment, and finishing it at
// exit under them aborts the program.
void installAliases();

} // namespace nuvo::platform
