#include "cli/CommandLine.h"

#include "cli/VersionInfo.h"

#include <algorithm>
#include <charconv>

namespace nuvo::cli {

namespace {

const OptionDef* findOption(std::span<const OptionDef> options, std::string_view name) {
    const auto it = std::find_if(options.begin(), options.end(), [&](const OptionDef& o) { return name == o.name; });
    return it == options.end() ? nullptr : &*it;
}

} // namespace

TCommandLine::TCommandLine(std::span<const std::string> args, std::span<const OptionDef> options) {
    // A request for help or for the version wins over anything else before
    // "--": "CMD --bad --help" shows the usage instead of complaining. A
    // command that has an option --version of its own (a package's version)
    // takes it as that option.
    const bool ownVersion = findOption(options, "--version") != nullptr;
    const auto optionsEnd = std::find(args.begin(), args.end(), "--");
    for (auto it = args.begin(); it != optionsEnd; ++it) {
        help_ = help_ || *it == "-h" || *it == "--help";
        version_ = version_ || (*it == "--version" && !ownVersion);
    }
    if (help_ || version_) return;

    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || a[0] != '-') {
            positional_.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t eq = a.find('=');
        const std::string name = a.substr(0, eq);
        const OptionDef* def = a[1] == '-' ? findOption(options, name) : nullptr;
        if (!def) throw EUsageError("unknown option " + name);
        if (def->arity == Arity::Flag) {
            if (eq != std::string::npos) throw EUsageError(name + " takes no value");
            items_.push_back({name, {}});
            continue;
        }
        if (eq != std::string::npos) {
            items_.push_back({name, a.substr(eq + 1)});
            continue;
        }
        if (i + 1 >= args.size()) throw EUsageError(name + " needs a value");
        items_.push_back({name, args[++i]});
    }
}

bool TCommandLine::Has(std::string_view name) const {
    return std::any_of(items_.begin(), items_.end(), [&](const Item& it) { return it.name == name; });
}

std::optional<std::string> TCommandLine::Value(std::string_view name) const {
    for (auto it = items_.rbegin(); it != items_.rend(); ++it)
        if (it->name == name) return it->value;
    return std::nullopt;
}

std::string TCommandLine::Value(std::string_view name, std::string_view fallback) const {
    auto v = Value(name);
    return v ? *v : std::string(fallback);
}

std::vector<std::string> TCommandLine::Values(std::string_view name) const {
    std::vector<std::string> out;
    for (const Item& it : items_)
        if (it.name == name) out.push_back(it.value);
    return out;
}

int64_t TCommandLine::Integer(std::string_view name, int64_t low, int64_t high, int64_t fallback) const {
    const auto v = Value(name);
    return v ? parseWholeNumber(*v, name, low, high) : fallback;
}

int64_t parseWholeNumber(std::string_view text, std::string_view what, int64_t low, int64_t high) {
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || v < low || v > high)
        throw EUsageError(std::string(what) + " takes a whole number from " + std::to_string(low) + " to " +
                          std::to_string(high) + ", not \"" + std::string(text) + "\"");
    return v;
}

std::string versionLine(std::string_view program) {
    std::string line = std::string(program) + " " + kProjectVersion;
    if (*kGitDescribe) line += std::string(" (git ") + kGitDescribe + ")";
    return line;
}

} // namespace nuvo::cli
