#include "platform/linux/FontAliases.h"

#include <fontconfig/fontconfig.h>

#include <mutex>

namespace nuvo::platform {

namespace {

bool sameAsciiFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::once_flag aliasesOnce;

} // namespace

std::string aliasTarget(std::string_view family) {
    for (const StandardFace& f : kStandardFaces)
        if (sameAsciiFolded(family, f.name) || sameAsciiFolded(family, f.englishName)) return f.ipa;
    return std::string(family);
}

std::string aliasConfig() {
    std::string xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n";
    for (const StandardFace& f : kStandardFaces) {
        for (const char* name : {f.name, f.englishName}) {
            if (name == f.englishName && std::string_view(name) == f.name) continue;
            xml += "  <match target=\"pattern\">\n    <test name=\"family\"><string>";
            xml += name;
            xml += "</string></test>\n    <edit name=\"family\" mode=\"prepend\" binding=\"strong\"><string>";
            xml += f.ipa;
            xml += "</string></edit>\n  </match>\n";
        }
    }
    return xml + "</fontconfig>\n";
}

void installAliases() {
    std::call_once(aliasesOnce, [] {
        if (!FcInit()) return;
        const std::string xml = aliasConfig();
        FcConfigParseAndLoadFromMemory(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(xml.c_str()), FcFalse);
    });
}

} // namespace nuvo::platform
