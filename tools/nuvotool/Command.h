// nuvotool's command groups ("arc", "page", "pel", ...). Each group lives in
// its own file and registers itself with a static NuvoGroup object holding a
// table of its commands; main() applies the command-line convention of
// src/cli/CommandLine.h to every one of them:
//
//   nuvotool GROUP              usage on standard error, exit 2
//   nuvotool GROUP --help       the group's usage on standard output, exit 0
//   nuvotool GROUP CMD --help   the command's usage on standard output, exit 0
//   an unknown command or option, or a wrong number of arguments: the
//   command's usage on standard error, exit 2
//
// A command writes its results to Invocation::out, which reaches standard
// output only when it succeeds (returns 0): a failing command prints nothing
// there. Failures are one line on standard error, "nuvotool: PATH: what went
// wrong (the system's reason)", through fail() or by raising EToolError or
// ENuvoError.
#pragma once

#include "cli/CommandLine.h"

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace nuvotool {

using Args = std::vector<std::string>;
using nuvo::cli::Arity;
using nuvo::cli::OptionDef;

struct Invocation {
    const nuvo::cli::TCommandLine& line;
    // Standard output, written when the command returns 0.
    std::string& out;

    const std::vector<std::string>& args() const { return line.Positional(); }
    const std::string& arg(size_t i) const { return line.Positional()[i]; }
};

// Returns the exit code: 0 done, 1 failed.
using CommandFn = int (*)(Invocation& call);

struct CommandDef {
    const char* name;
    // The arguments after the name, for the group's list: "ARCHIVE [--long]".
    // Options are written "--name" (a value option followed by its value's
    // placeholder), positional arguments as upper-case placeholders, "..."
    // after one that repeats. The manual page and the shell completion read
    // the placeholders: one with an extension ("FILE.pel", "OUT.png") is a
    // file of that kind, one ending in DIR or FOLDER a folder; one letter
    // ("N"), one with ':', ',' or '=' in it ("NAME:TYPE", "A,B"), and MS,
    // SECONDS, TEXT, NAME, KIND and PROGRAM are no file names; any other is
    // a file or a folder.
    const char* synopsis;
    // One line for the group's list.
    const char* summary;
    // The rest of the command's --help text (may be empty).
    const char* details;
    std::vector<OptionDef> options;
    // Positional arguments allowed; maxArgs -1 means no limit.
    int minArgs;
    int maxArgs;
    CommandFn run;
};

struct GroupDef {
    const char* name;
    // One line for nuvotool --help.
    const char* summary;
    // Said below the command list in the group's --help (may be empty).
    const char* notes;
    std::vector<CommandDef> commands;
    // Left out of nuvotool --help (tools for building nuvo itself); the
    // manual page still documents it.
    bool hidden = false;
};

// Every group, by name.
const std::map<std::string, GroupDef>& registeredGroups();

struct NuvoGroup {
    explicit NuvoGroup(GroupDef group);
};

// A failure of the work (exit 1), its message already in the one-line form
// without the "nuvotool: " prefix.
class EToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "PATH: what (reason)", the reason left out when empty. A reason that is a
// raised error's Shift-JIS text is converted; a leading copy of the path in
// it (the system's messages name the file) is dropped, so the path shows once.
std::string fileMessage(const std::string& path, const std::string& what, const std::string& reason = {});
// The text of a raised error for a person: Shift-JIS converted to UTF-8.
std::string errorText(const std::exception& e);

// Prints "nuvotool: message" on standard error and returns 1 (for `return fail(...)`).
int fail(const std::string& message);
// fail(fileMessage(path, what, reason)).
int failFile(const std::string& path, const std::string& what, const std::string& reason = {});

} // namespace nuvotool
