// The toolkit's text form of a project file (docs/title-format.md): one
// setting per line, then the project's variables and the folder-disk table.
#pragma once

#include <string>
#include <string_view>

namespace nuvo {

class TProjectSetting;

// Every field the setting's version carries (UTF-8).
std::string writeProjectSource(const TProjectSetting& setting);
// Fills setting from source text; lines left out keep the defaults of a fresh
// TProjectSetting. Errors raise ESourceError with the line number.
void readProjectSource(std::string_view text, TProjectSetting& setting);

} // namespace nuvo
