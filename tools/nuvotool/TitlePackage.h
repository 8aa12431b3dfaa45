// The "title package" command of nuvotool's title group.
#pragma once

#include "Command.h"

namespace nuvotool {

CommandDef titlePackageCommand();

} // namespace nuvotool
