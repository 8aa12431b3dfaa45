// Font files the benchmarks hand straight to FreeType for their baselines.
#pragma once

#include <fontconfig/fontconfig.h>
#include <string>

namespace nuvo::bench {

// The file of the IPAGothic face as the system's fontconfig finds it; empty
// when it is not installed.
inline std::string ipaGothicFile() {
    FcInit();
    FcPattern* p = FcNameParse(reinterpret_cast<const FcChar8*>("IPAGothic"));
    FcConfigSubstitute(nullptr, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    FcResult r;
    std::string file;
    if (FcPattern* m = FcFontMatch(nullptr, p, &r)) {
        FcChar8* f = nullptr;
        if (FcPatternGetString(m, FC_FILE, 0, &f) == FcResultMatch) file = reinterpret_cast<char*>(f);
        FcPatternDestroy(m);
    }
    FcPatternDestroy(p);
    return file;
}

} // namespace nuvo::bench
