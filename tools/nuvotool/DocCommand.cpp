// nuvotool doc: the manual pages and the bash completions of both programs,
// made from the same tables their command lines are parsed with (every
// group's GroupDef, the player's option table), so a new group or option
// reaches them with no edit. The build runs these; they are left out of
// nuvotool --help.
#include "Command.h"

#include "base/Error.h"
#include "cli/VersionInfo.h"
#include "shell/PlayerOptions.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace nuvotool {
namespace {

// ---- the placeholders of a synopsis ---------------------------------------

// What a placeholder names, for completion.
enum class Kind { None, Path, Folder, Extension };

struct Placeholder {
    std::string word; // "FILE.pel"
    Kind kind = Kind::None;
    std::string extension; // for Kind::Extension: "pel"
    bool repeats = false;
};

bool endsWith(const std::string& s, std::string_view tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Placeholders of numbers and words, never of a file.
const std::string_view kNotFiles[] = {"MS", "SECONDS", "TEXT", "NAME", "KIND", "PROGRAM"};

Placeholder classify(std::string word, bool repeats) {
    Placeholder p{word, Kind::Path, "", repeats};
    const size_t dot = word.rfind('.');
    if (dot != std::string::npos && dot + 1 < word.size()) {
        std::string ext = word.substr(dot + 1);
        bool lower = true;
        for (char c : ext)
            lower = lower && ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'));
        if (lower) {
            p.kind = Kind::Extension;
            p.extension = ext;
            return p;
        }
    }
    if (word == "PNG") {
        p.kind = Kind::Extension;
        p.extension = "png";
    } else if (endsWith(word, "DIR") || endsWith(word, "FOLDER")) {
        p.kind = Kind::Folder;
    } else if (word.size() == 1 || word.find_first_of(":,=") != std::string::npos ||
               std::find(std::begin(kNotFiles), std::end(kNotFiles), word) != std::end(kNotFiles)) {
        p.kind = Kind::None;
    }
    return p;
}

// The synopsis read back: positional placeholders in order, and the
// placeholder of each value option.
struct Synopsis {
    std::vector<Placeholder> positional;
    std::vector<std::pair<std::string, Placeholder>> values; // option, its value
};

// A synopsis word without the brackets around it and the "..." after it.
std::string core(const std::string& token, bool* repeats = nullptr) {
    std::string w = token;
    while (!w.empty() && w[0] == '[')
        w.erase(0, 1);
    bool dots = false;
    for (;;) {
        if (endsWith(w, "...")) {
            w.resize(w.size() - 3);
            dots = true;
        } else if (endsWith(w, "]") && std::count(w.begin(), w.end(), ']') > std::count(w.begin(), w.end(), '[')) {
            w.pop_back();
        } else {
            break;
        }
    }
    if (repeats) *repeats = dots;
    return w;
}

std::vector<std::string> tokens(std::string_view text) {
    std::vector<std::string> out;
    std::istringstream in{std::string(text)};
    for (std::string t; in >> t;)
        out.push_back(t);
    return out;
}

const OptionDef* findOption(const std::vector<OptionDef>& options, const std::string& name) {
    for (const OptionDef& o : options)
        if (name == o.name) return &o;
    return nullptr;
}

Synopsis readSynopsis(std::string_view text, const std::vector<OptionDef>& options) {
    Synopsis s;
    const std::vector<std::string> words = tokens(text);
    for (size_t i = 0; i < words.size(); ++i) {
        bool repeats = false;
        const std::string word = core(words[i], &repeats);
        if (word.empty() || word == "|" || word == "--" || word == "OPTIONS") continue;
        if (word.rfind("--", 0) == 0) {
            const OptionDef* def = findOption(options, word);
            if (def && def->arity != Arity::Flag && i + 1 < words.size())
                s.values.emplace_back(word, classify(core(words[++i]), false));
            continue;
        }
        s.positional.push_back(classify(word, repeats));
    }
    return s;
}

// ---- scdoc ------------------------------------------------------------------

// Text for scdoc: its formatting characters taken literally.
std::string plain(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '*' || c == '_' || c == '`') out += '\\';
        out += c;
    }
    return out;
}

// Text that begins a line: plain, and a first character that would start a
// list, a heading, a table or a comment taken literally.
std::string lineText(std::string_view text) {
    const std::string out = plain(text);
    return !out.empty() && std::string_view("-.#|:[;").find(out[0]) != std::string_view::npos ? "\\" + out : out;
}

// A synopsis with options in bold and placeholders underlined.
std::string formatSynopsis(std::string_view text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '[' || c == ']' || c == '|' || c == ' ' || c == '.') {
            out += c;
            ++i;
            continue;
        }
        size_t end = i;
        int depth = 0;
        // A word runs to a blank or to a bracket that closes outside it
        // ("NAME:TYPE[=VALUE]" stays one word).
        while (end < text.size() && text[end] != ' ' && text[end] != '|') {
            if (text[end] == '[') ++depth;
            if (text[end] == ']' && depth-- == 0) break;
            if (text.substr(end, 3) == "..." && depth == 0) break;
            ++end;
        }
        const std::string_view word = text.substr(i, end - i);
        if (word.rfind("--", 0) == 0 || word.rfind("-", 0) == 0 || word[0] == '/')
            out += "*" + plain(word) + "*";
        else
            out += "_" + plain(word) + "_";
        i = end;
    }
    return out;
}

std::string capitalised(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 32);
    return text;
}

// A literal block, indented by the given tabs.
std::string literal(std::string_view text, const std::string& tabs) {
    std::string out = tabs + "```\n";
    std::istringstream in{std::string(text)};
    for (std::string line; std::getline(in, line);) {
        std::string escaped;
        for (char c : line) {
            if (c == '\\') escaped += '\\';
            escaped += c;
        }
        out += tabs + escaped + "\n";
    }
    return out + tabs + "```\n";
}

std::string commandTitle(const GroupDef& g, const CommandDef& c) {
    return *c.name ? std::string(g.name) + " " + c.name : std::string(g.name);
}

std::string toolSynopsis() {
    std::string out;
    for (const auto& [name, g] : registeredGroups())
        for (const CommandDef& c : g.commands)
            out += (out.empty() ? "" : "++\n") + std::string("*nuvotool ") + plain(commandTitle(g, c)) + "* " +
                   formatSynopsis(c.synopsis);
    return out + "\n";
}

std::string toolCommands() {
    std::string out;
    for (const auto& [name, g] : registeredGroups()) {
        out += "## " + plain(name) + "\n\n" + lineText(capitalised(g.summary)) + ".\n\n";
        if (*g.notes) out += literal(g.notes, "") + "\n";
        for (const CommandDef& c : g.commands) {
            out += "*nuvotool " + plain(commandTitle(g, c)) + "* " + formatSynopsis(c.synopsis) + "\n";
            out += "\t" + lineText(capitalised(c.summary)) + ".\n\n";
            if (*c.details) out += literal(c.details, "\t") + "\n";
        }
    }
    return out;
}

std::string playerSynopsis() {
    std::string out;
    for (const nuvo::TPlayerUsageForm& f : nuvo::PlayerUsageForms())
        out += (out.empty() ? "" : "++\n") + std::string("*nuvoplayer* ") + formatSynopsis(f.Synopsis);
    return out + "\n";
}

std::string playerForms() {
    std::string out;
    for (const nuvo::TPlayerUsageForm& f : nuvo::PlayerUsageForms())
        out += lineText(f.Help) + "\n\n";
    return out;
}

std::string playerOptions() {
    std::string out;
    for (const nuvo::TPlayerOptionInfo& o : nuvo::PlayerOptionTable()) {
        out += "*" + plain(o.Name) + "*";
        if (*o.Value) out += " _" + plain(o.Value) + "_";
        out +=
            "\n\t" + (o.HeadlessOnly ? "With *--headless*: " + plain(o.Help) : lineText(capitalised(o.Help))) + ".\n\n";
    }
    out += "*--version*\n\tPrint the version.\n\n*-h*, *--help*\n\tShow the usage.\n\n";
    return out;
}

std::string playerExitCodes() {
    std::string out;
    for (const nuvo::TPlayerExitCode& c : nuvo::PlayerExitCodes())
        out += "*" + std::to_string(c.Code) + "*\n\t" + lineText(capitalised(c.Meaning)) + ".\n\n";
    return out;
}

int runManual(Invocation& call) {
    const std::string path = call.arg(0);
    std::ifstream in(path, std::ios::binary);
    if (!in) return failFile(path, "cannot be read");
    const std::pair<const char*, std::string (*)()> markers[] = {
        {"%%TOOL-SYNOPSIS%%", toolSynopsis},     {"%%TOOL-COMMANDS%%", toolCommands},
        {"%%PLAYER-SYNOPSIS%%", playerSynopsis}, {"%%PLAYER-FORMS%%", playerForms},
        {"%%PLAYER-OPTIONS%%", playerOptions},   {"%%PLAYER-EXIT-CODES%%", playerExitCodes},
    };
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        size_t at = 0;
        while ((at = line.find("%%VERSION%%", at)) != std::string::npos)
            line.replace(at, 11, nuvo::cli::kProjectVersion);
        if (line.rfind("%%", 0) != 0) {
            call.out += line + "\n";
            continue;
        }
        bool known = false;
        for (const auto& [marker, make] : markers)
            if (line == marker) {
                call.out += make();
                known = true;
            }
        if (!known) return failFile(path, "line " + std::to_string(number) + ": unknown marker " + line);
    }
    return 0;
}

// ---- bash completion ----------------------------------------------------------

// A bash word list in single quotes.
std::string quoted(const std::string& words) {
    std::string out = "'";
    for (char c : words)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string kindWord(const Placeholder& p) {
    switch (p.kind) {
    case Kind::None:
        return "none";
    case Kind::Path:
        return "path";
    case Kind::Folder:
        return "folder";
    case Kind::Extension:
        return "ext:" + p.extension;
    }
    return "none";
}

// The variables that describe one command to the completion: its options,
// the kinds of their values and of its positional arguments.
std::string commandVariables(const std::vector<OptionDef>& options, const Synopsis& synopsis) {
    std::string opts = "--help --version", valueOpts, kinds, valueKinds;
    for (const OptionDef& o : options) {
        if (std::string(o.name) == "--version") opts = "--help";
        opts += std::string(" ") + o.name;
        if (o.arity == Arity::Flag) continue;
        valueOpts += (valueOpts.empty() ? "" : " ") + std::string(o.name);
        std::string kind = "none";
        for (const auto& [name, value] : synopsis.values)
            if (name == o.name) kind = kindWord(value);
        valueKinds += (valueKinds.empty() ? "" : " ") + std::string(o.name) + "=" + kind;
    }
    bool repeats = false;
    for (const Placeholder& p : synopsis.positional) {
        kinds += (kinds.empty() ? "" : " ") + kindWord(p);
        repeats = repeats || p.repeats;
    }
    return "opts=" + quoted(opts) + " valueopts=" + quoted(valueOpts) + "\n        valuekinds=" + quoted(valueKinds) +
           " kinds=" + quoted(kinds) + " repeats=" + (repeats ? "1" : "0");
}

// What both programs' completions share: completes the current word by the
// variables a command's branch set.
const char* kCompletionCore = R"(# Completes "$2" as a $1: none, path, folder or ext:EXTENSION.
_nuvo_complete_kind() {
    local kind=$1 cur=$2
    COMPREPLY=()
    case $kind in
    folder) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -d -- "$cur") ;;
    path) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
    ext:*)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -d -- "$cur"; compgen -f -X "!*.${kind#ext:}" -- "$cur") ;;
    esac
}

# Completes words[$1], the command's arguments beginning at words[$2], by
# the variables opts, valueopts, valuekinds, kinds and repeats.
_nuvo_complete_args() {
    local cword=$1 first=$2 cur=${words[$1]} prev=
    local i n=0 ended=0 kind= w
    for ((i = first; i < cword; i++)); do
        w=${words[i]}
        if ((ended)); then n=$((n + 1)); continue; fi
        case $w in
        --) ended=1 ;;
        --*=*) ;;
        -?*) [[ " $valueopts " == *" $w "* ]] && ((i + 1 < cword)) && i=$((i + 1)) ;;
        *) n=$((n + 1)) ;;
        esac
    done
    if ((!ended)); then
        if [[ $cur == --*=* ]]; then
            prev=${cur%%=*} cur=${cur#*=} kind=none
        elif ((cword > first)) && [[ " $valueopts " == *" ${words[cword-1]} "* ]]; then
            prev=${words[cword-1]} kind=none
        fi
        if [[ -n $kind ]]; then
            for w in $valuekinds; do
                [[ ${w%%=*} == "$prev" ]] && kind=${w#*=}
            done
            _nuvo_complete_kind "$kind" "$cur"
            return
        fi
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W "$opts" -- "$cur")
            return
        fi
    fi
    local -a list=($kinds)
    if ((n < ${#list[@]})); then kind=${list[n]}
    elif ((repeats && ${#list[@]})); then kind=${list[${#list[@]}-1]}
    else kind=none; fi
    _nuvo_complete_kind "$kind" "$cur"
}

# The words of the command line, an option's "=VALUE" kept with it.
_nuvo_words() {
    if declare -F _get_comp_words_by_ref >/dev/null; then
        _get_comp_words_by_ref -n =: words cword
    else
        words=("${COMP_WORDS[@]}") cword=$COMP_CWORD
    fi
}
)";

std::string toolCompletion() {
    std::string groups, commandsOf, branches;
    for (const auto& [name, g] : registeredGroups()) {
        if (!g.hidden) groups += (groups.empty() ? "" : " ") + name;
        const bool single = g.commands.size() == 1 && !*g.commands[0].name;
        std::string names;
        for (const CommandDef& c : g.commands) {
            names += (names.empty() ? "" : " ") + std::string(c.name);
            branches += "    " + quoted(single ? name : name + " " + c.name) + ")\n        " +
                        commandVariables(c.options, readSynopsis(c.synopsis, c.options)) + " ;;\n";
        }
        commandsOf += "    " + quoted(name) + ") commands=" + quoted(single ? "" : names) + " ;;\n";
    }
    return std::string("# bash completion for nuvotool, made by nuvotool doc completion.\n") + kCompletionCore +
           R"(
_nuvotool() {
    local -a words
    local cword commands opts valueopts valuekinds kinds repeats group key first
    _nuvo_words
    local cur=${words[cword]}
    COMPREPLY=()
    if ((cword == 1)); then
        if [[ $cur == -* ]]; then mapfile -t COMPREPLY < <(compgen -W '--help --version' -- "$cur")
        else mapfile -t COMPREPLY < <(compgen -W )" +
           quoted(groups) + R"( -- "$cur"); fi
        return
    fi
    group=${words[1]}
    case $group in
)" + commandsOf +
           R"(    *) return ;;
    esac
    if [[ -z $commands ]]; then
        key=$group first=2
    elif ((cword == 2)); then
        if [[ $cur == -* ]]; then mapfile -t COMPREPLY < <(compgen -W '--help --version' -- "$cur")
        else mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur"); fi
        return
    else
        key="$group ${words[2]}" first=3
    fi
    case $key in
)" + branches +
           R"(    *) return ;;
    esac
    _nuvo_complete_args "$cword" "$first"
}
complete -F _nuvotool nuvotool
)";
}

std::string playerCompletion() {
    std::vector<OptionDef> options;
    std::string synopsisValues;
    for (const nuvo::TPlayerOptionInfo& o : nuvo::PlayerOptionTable()) {
        options.push_back({o.Name, o.Arity});
        synopsisValues += std::string(" ") + o.Name + (*o.Value ? std::string(" ") + o.Value : "");
    }
    Synopsis synopsis = readSynopsis(nuvo::PlayerUsageForms()[0].Synopsis, options);
    synopsis.values = readSynopsis(synopsisValues, options).values;
    return std::string("# bash completion for nuvoplayer, made by nuvotool doc completion.\n") + kCompletionCore +
           R"(
_nuvoplayer() {
    local -a words
    local cword opts valueopts valuekinds kinds repeats
    _nuvo_words
    COMPREPLY=()
    )" + commandVariables(options, synopsis) +
           R"(
    _nuvo_complete_args "$cword" 1
}
complete -F _nuvoplayer nuvoplayer
)";
}

int runCompletion(Invocation& call) {
    const std::string& program = call.arg(0);
    if (program == "nuvotool")
        call.out = toolCompletion();
    else if (program == "nuvoplayer")
        call.out = playerCompletion();
    else
        throw nuvo::cli::EUsageError("the programs are nuvotool and nuvoplayer, not '" + program + "'");
    return 0;
}

const char* kManualDetails = "Copies TEMPLATE, an scdoc source, to standard output, replacing each line that is\n"
                             "one of these markers by what it names:\n"
                             "  %%TOOL-SYNOPSIS%%        every nuvotool command line\n"
                             "  %%TOOL-COMMANDS%%        every group and command with its help\n"
                             "  %%PLAYER-SYNOPSIS%%      the forms of the nuvoplayer command line\n"
                             "  %%PLAYER-FORMS%%         what each form does\n"
                             "  %%PLAYER-OPTIONS%%       the player's options\n"
                             "  %%PLAYER-EXIT-CODES%%    the player's exit codes\n"
                             "and %%VERSION%% anywhere by the version. Another marker is an error.\n";

const char* kCompletionDetails = "Prints the bash completion of PROGRAM (nuvotool or nuvoplayer): groups,\n"
                                 "commands, options, and file names by the kinds the synopses name.\n";

const NuvoGroup group({"doc",
                       "manual pages and shell completions from the programs' own tables",
                       "",
                       {
                           {"manual",
                            "TEMPLATE",
                            "an scdoc manual page with the command tables filled in",
                            kManualDetails,
                            {},
                            1,
                            1,
                            &runManual},
                           {"completion",
                            "PROGRAM",
                            "the bash completion of nuvotool or nuvoplayer",
                            kCompletionDetails,
                            {},
                            1,
                            1,
                            &runCompletion},
                       },
                       true});

} // namespace
} // namespace nuvotool
