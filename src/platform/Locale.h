// The user's language, as the locale environment names it: LC_ALL, then
// LC_MESSAGES, then LANG (the first that is set and not empty; "C" and
// "POSIX" mean English).
#pragma once

#include <string>

namespace nuvo::platform {

// The language code of the locale in lower case ("ja", "en"); "en" when
// nothing is set.
std::string primaryLanguage();
bool primaryLanguageIsJapanese();

} // namespace nuvo::platform
