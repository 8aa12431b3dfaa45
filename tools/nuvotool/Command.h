// nuvotool's command groups ("arc", "page", "pel", ...). Each group lives in
// its own file and registers itself with a static NuvoCommand object.
#pragma once

#include <string>
#include <vector>

namespace nuvotool {

using Args = std::vector<std::string>;
// A group's entry: args are the words after the group name. Returns the exit code.
using CommandFn = int (*)(const Args& args);

struct NuvoCommand {
    NuvoCommand(const char* group, const char* summary, CommandFn run);
};

// Prints "nuvotool: message" on standard error and returns 1 (for `return fail(...)`).
int fail(const std::string& message);
// True when args hold -h or --help.
bool wantsHelp(const Args& args);

} // namespace nuvotool
