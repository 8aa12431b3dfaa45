// The command-line convention shared by nuvoplayer and every nuvotool group.
//
//   --name=value and --name value are the same; a flag takes no value.
//   "--" ends the options: every argument after it is positional, even one
//   that begins with "-".
//   -h or --help anywhere before "--" asks for the command's usage (standard
//   output, exit 0); --version likewise asks for the version, unless the
//   command has a --version option of its own.
//   Any other argument that begins with "-" (but "-" alone, which names
//   standard input) must be a known option: otherwise it is a usage error.
//
// Exit codes, the same for both programs: 0 done, 1 the work failed, 2 a
// usage error (usage goes to standard error).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo::cli {

enum : int {
    kExitOk = 0,
    kExitFailed = 1,
    kExitUsage = 2,
};

// A command line that does not follow the command's rules (exit 2).
class EUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Arity {
    Flag,     // --name
    Value,    // --name V, the last one given counts
    Repeated, // --name V, every one given counts, in order
};

struct OptionDef {
    // The long form with its dashes: "--format".
    const char* name;
    Arity arity = Arity::Flag;
};

// One parsed command line.
class TCommandLine {
public:
    // Raises EUsageError for an unknown option, a flag given a value or a
    // value option without one. Help and version requests are recorded, not
    // raised, so the caller prints the right text.
    TCommandLine(std::span<const std::string> args, std::span<const OptionDef> options);

    bool HelpRequested() const { return help_; }
    bool VersionRequested() const { return version_; }

    const std::vector<std::string>& Positional() const { return positional_; }
    bool Has(std::string_view name) const;
    // The last value given, if any.
    std::optional<std::string> Value(std::string_view name) const;
    std::string Value(std::string_view name, std::string_view fallback) const;
    // Every value given, in order.
    std::vector<std::string> Values(std::string_view name) const;
    // A whole number within [low, high]; raises EUsageError naming the option
    // for anything else.
    int64_t Integer(std::string_view name, int64_t low, int64_t high, int64_t fallback) const;
    // The options as given, in order (for commands where order matters).
    struct Item {
        std::string name;
        std::string value;
    };
    const std::vector<Item>& Items() const { return items_; }

private:
    bool help_ = false;
    bool version_ = false;
    std::vector<std::string> positional_;
    std::vector<Item> items_;
};

// A whole number within [low, high] from the text of option `what`; raises
// EUsageError otherwise.
int64_t parseWholeNumber(std::string_view text, std::string_view what, int64_t low, int64_t high);

// "PROGRAM VERSION" and, in a build from a git checkout, " (git DESCRIBE)".
std::string versionLine(std::string_view program);

} // namespace nuvo::cli
