// nuvotool: the command-line toolkit around the player's own code.
#include "Command.h"

#include "base/Error.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

namespace nuvotool {
namespace {

struct Entry {
    const char* summary;
    CommandFn run;
};

std::map<std::string, Entry>& registry() {
    static std::map<std::string, Entry> commands;
    return commands;
}

void usage(FILE* out) {
    std::fprintf(out, "usage: nuvotool GROUP COMMAND [ARGS...]\n\ngroups:\n");
    for (const auto& [name, entry] : registry()) std::fprintf(out, "  %-8s %s\n", name.c_str(), entry.summary);
    std::fprintf(out, "\n'nuvotool GROUP --help' describes a group's commands.\n");
}

} // namespace

NuvoCommand::NuvoCommand(const char* group, const char* summary, CommandFn run) {
    registry()[group] = Entry{summary, run};
}

int fail(const std::string& message) {
    std::fprintf(stderr, "nuvotool: %s\n", message.c_str());
    return 1;
}

bool wantsHelp(const Args& args) {
    return std::any_of(args.begin(), args.end(), [](const std::string& a) { return a == "-h" || a == "--help"; });
}

} // namespace nuvotool

int main(int argc, char** argv) {
    using namespace nuvotool;
    if (argc < 2 || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help")) {
        usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    auto it = registry().find(argv[1]);
    if (it == registry().end()) {
        std::fprintf(stderr, "nuvotool: unknown group '%s'\n", argv[1]);
        usage(stderr);
        return 2;
    }
    try {
        return it->second.run(Args(argv + 2, argv + argc));
    } catch (const nuvo::ENuvoError& e) {
        return fail(e.what());
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}
