// nuvotool: the command-line toolkit around the player's own code.
#include "Command.h"

#include "base/Error.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

// In a build with the leak checker: fontconfig keeps its configuration for
// the life of the process (text commands draw glyphs); what the tools
// allocate is checked all the same.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

namespace nuvotool {
namespace {

using nuvo::cli::EUsageError;
using nuvo::cli::kExitFailed;
using nuvo::cli::kExitOk;
using nuvo::cli::kExitUsage;
using nuvo::cli::TCommandLine;

std::map<std::string, GroupDef>& registry() {
    static std::map<std::string, GroupDef> groups;
    return groups;
}

std::string programUsage() {
    std::string text = "usage: nuvotool GROUP COMMAND [ARGS...]\n"
                       "       nuvotool --version\n\ngroups:\n";
    for (const auto& [name, group] : registry()) {
        if (group.hidden) continue;
        char line[160];
        std::snprintf(line, sizeof line, "  %-8s %s\n", name.c_str(), group.summary);
        text += line;
    }
    return text + "\n'nuvotool GROUP --help' describes a group's commands.\n";
}

// "arc pack"; a group that is one command ("wipe") has no command name.
std::string commandTitle(const GroupDef& group, const CommandDef& command) {
    return *command.name ? std::string(group.name) + " " + command.name : std::string(group.name);
}

bool isSingleCommand(const GroupDef& group) { return group.commands.size() == 1 && !*group.commands[0].name; }

std::string commandLine(const GroupDef& group, const CommandDef& command) {
    std::string line = "nuvotool " + commandTitle(group, command);
    if (*command.synopsis) line += std::string(" ") + command.synopsis;
    return line;
}

std::string groupUsage(const GroupDef& group) {
    std::string text;
    for (const CommandDef& c : group.commands) {
        text += (text.empty() ? "usage: " : "       ") + commandLine(group, c) + "\n";
    }
    text += "\n";
    for (const CommandDef& c : group.commands) {
        char line[200];
        std::snprintf(line, sizeof line, "  %-8s %s\n", c.name, c.summary);
        text += line;
    }
    if (*group.notes) text += std::string("\n") + group.notes;
    return text + "\n'nuvotool " + group.name + " COMMAND --help' describes one command.\n";
}

std::string commandUsage(const GroupDef& group, const CommandDef& command) {
    std::string summary = command.summary;
    if (!summary.empty() && summary[0] >= 'a' && summary[0] <= 'z') summary[0] = static_cast<char>(summary[0] - 32);
    std::string text = "usage: " + commandLine(group, command) + "\n\n" + summary + ".\n";
    if (*command.details) text += std::string("\n") + command.details;
    return text;
}

int usageError(const std::string& message, const std::string& usage) {
    std::fprintf(stderr, "nuvotool: %s\n\n%s", message.c_str(), usage.c_str());
    return kExitUsage;
}

int printOut(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitOk;
}

int runCommand(const GroupDef& group, const CommandDef& command, const Args& args) {
    const std::string usage = commandUsage(group, command);
    std::unique_ptr<TCommandLine> line;
    try {
        line = std::make_unique<TCommandLine>(args, command.options);
    } catch (const EUsageError& e) {
        return usageError(commandTitle(group, command) + ": " + e.what(), usage);
    }
    if (line->HelpRequested()) return printOut(usage);
    if (line->VersionRequested()) return printOut(nuvo::cli::versionLine("nuvotool") + "\n");
    const int count = static_cast<int>(line->Positional().size());
    if (count < command.minArgs || (command.maxArgs >= 0 && count > command.maxArgs))
        return usageError(commandTitle(group, command) + ": " +
                              (count < command.minArgs ? "missing arguments" : "too many arguments"),
                          usage);
    std::string out;
    Invocation call{*line, out};
    int code = kExitFailed;
    try {
        code = command.run(call);
    } catch (const EUsageError& e) {
        return usageError(commandTitle(group, command) + ": " + e.what(), usage);
    } catch (const std::exception& e) {
        return fail(errorText(e));
    }
    if (code == kExitOk) printOut(out);
    return code;
}

int runGroup(const GroupDef& group, const Args& args) {
    if (isSingleCommand(group)) return runCommand(group, group.commands[0], args);
    const std::string usage = groupUsage(group);
    if (args.empty()) return usageError(std::string(group.name) + ": expected a command", usage);
    const auto command = std::find_if(group.commands.begin(), group.commands.end(),
                                      [&](const CommandDef& c) { return args[0] == c.name; });
    if (command == group.commands.end()) {
        // Options before the command: only a request for help or the version.
        try {
            TCommandLine line(args, {});
            if (line.HelpRequested()) return printOut(usage);
            if (line.VersionRequested()) return printOut(nuvo::cli::versionLine("nuvotool") + "\n");
        } catch (const EUsageError& e) {
            return usageError(std::string(group.name) + ": " + e.what(), usage);
        }
        return usageError(std::string(group.name) + ": unknown command '" + args[0] + "'", usage);
    }
    return runCommand(group, *command, Args(args.begin() + 1, args.end()));
}

} // namespace

NuvoGroup::NuvoGroup(GroupDef group) {
    const std::string name = group.name;
    registry().emplace(name, std::move(group));
}

const std::map<std::string, GroupDef>& registeredGroups() { return registry(); }

std::string errorText(const std::exception& e) { return e.what(); }

std::string fileMessage(const std::string& path, const std::string& what, const std::string& reason) {
    std::string shownReason = reason;
    // The system's file messages begin with the file's name and a colon.
    if (shownReason.size() > path.size() && shownReason.compare(0, path.size(), path) == 0 &&
        shownReason[path.size()] == ':')
        shownReason.erase(0, path.size() + 1);
    std::string text = path + ": " + what;
    if (what.empty()) text = path + ": " + shownReason;
    else if (!shownReason.empty()) text += " (" + shownReason + ")";
    return text;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "nuvotool: %s\n", message.c_str());
    return kExitFailed;
}

int failFile(const std::string& path, const std::string& what, const std::string& reason) {
    return fail(fileMessage(path, what, reason));
}

} // namespace nuvotool

int main(int argc, char** argv) {
    using namespace nuvotool;
    const Args args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(programUsage().c_str(), stderr);
        return kExitUsage;
    }
    const auto group = registry().find(args[0]);
    if (group == registry().end()) {
        try {
            nuvo::cli::TCommandLine line(args, {});
            if (line.HelpRequested()) return printOut(programUsage());
            if (line.VersionRequested()) return printOut(nuvo::cli::versionLine("nuvotool") + "\n");
        } catch (const EUsageError& e) {
            return usageError(e.what(), programUsage());
        }
        return usageError("unknown group '" + args[0] + "'", programUsage());
    }
    return runGroup(group->second, Args(args.begin() + 1, args.end()));
}
