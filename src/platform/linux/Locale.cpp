#include "platform/Locale.h"

#include <cstdlib>

namespace nuvo::platform {

std::string primaryLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        std::string code;
        for (const char* p = value; *p && *p != '_' && *p != '.' && *p != '@'; ++p)
            code += (*p >= 'A' && *p <= 'Z') ? static_cast<char>(*p + 32) : *p;
        if (code == "c" || code == "posix" || code.empty()) return "en";
        return code;
    }
    return "en";
}

bool primaryLanguageIsJapanese() { return primaryLanguage() == "ja"; }

} // namespace nuvo::platform
