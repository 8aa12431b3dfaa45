// nuvotool expr: compile expressions to their operation lists, and evaluate
// them against a fresh variable table.
#include "Command.h"

#include "base/Cp932.h"
#include "base/Error.h"
#include "script/NuvoParser.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"
#include "script/VariableDump.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace nuvotool {
namespace {

const char* const kUsage = "usage: nuvotool expr compile [--] TEXT\n"
                           "       nuvotool expr eval [--seed N] [--var NAME:TYPE[=VALUE]]... [--] TEXT...\n"
                           "\n"
                           "compile  prints the operation list of an expression, one operation per line\n"
                           "eval     declares the variables (TYPE: int, float, flag, str or 1..4; NAME may\n"
                           "         carry dimensions, a[3,4]:int), evaluates each TEXT in order as the\n"
                           "         Calc command does, then prints the variables as JSON\n"
                           "\n"
                           "\"--\" ends the options: every argument after it is a TEXT, even one that\n"
                           "begins with \"-\".\n";

constexpr const char* kEndOfOptions = "--";

// The arguments before "--" (all of them without one): only those are options.
Args optionsPart(const Args& args) { return Args(args.begin(), std::find(args.begin(), args.end(), kEndOfOptions)); }

std::string toSjis(const std::string& utf8) {
    auto sjis = nuvo::utf8EscapedToSjis(utf8);
    if (!sjis) throw nuvo::ENuvoError(nuvo::sjisText("Shift-JIS にできない文字があります: ") + nuvo::utf8ToSjis(utf8));
    return *sjis;
}

int compile(const Args& args) {
    const bool marked = !args.empty() && args[0] == kEndOfOptions;
    if (args.size() != (marked ? 2u : 1u)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::unique_ptr<nuvo::TNuvoParser> parser;
    try {
        parser = nuvo::compileExpression(toSjis(args.back()));
    } catch (const nuvo::ENuvoError& e) {
        return fail(e.what());
    }
    for (const auto& op : parser->Operations())
        std::printf("%s\n", nuvo::sjisToUtf8Escaped(nuvo::describeOperation(op)).c_str());
    return 0;
}

int eval(const Args& args) {
    nuvo::TParamCollection vars;
    nuvo::TSysFuncMan functions;
    nuvo::ScriptContext ctx(vars, functions);
    std::vector<std::string> texts;
    bool options = true;
    for (size_t i = 0; i < args.size(); ++i) {
        if (options && args[i] == kEndOfOptions) {
            options = false;
        } else if (options && (args[i] == "--var" || args[i] == "--seed") && i + 1 < args.size()) {
            const std::string& value = args[++i];
            if (args[i - 1] == "--seed") {
                ctx.RandSeed = static_cast<uint32_t>(std::stoul(value));
                continue;
            }
            try {
                nuvo::declareVariable(vars, value);
            } catch (const nuvo::ENuvoError& e) {
                return fail(e.what());
            }
        } else {
            texts.push_back(args[i]);
        }
    }
    int status = 0;
    for (const std::string& text : texts) {
        std::unique_ptr<nuvo::TNuvoParser> parser;
        try {
            parser = nuvo::compileExpression(toSjis(text));
        } catch (const nuvo::ENuvoError& e) {
            fail(e.what());
            status = 1;
            continue;
        }
        parser->Execute(ctx);
        if (!parser->LastError().empty())
            std::fprintf(stderr, "nuvotool: evaluation of \"%s\" stopped: %s\n", text.c_str(),
                         nuvo::sjisToUtf8Escaped(parser->LastError()).c_str());
    }
    std::fputs(nuvo::dumpVariablesJson(vars).c_str(), stdout);
    return status;
}

int runExpr(const Args& args) {
    if (args.empty() || wantsHelp(optionsPart(args))) {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    const Args rest(args.begin() + 1, args.end());
    if (args[0] == "compile") return compile(rest);
    if (args[0] == "eval") return eval(rest);
    std::fputs(kUsage, stderr);
    return 2;
}

NuvoCommand reg("expr", "compile and evaluate script expressions", &runExpr);

} // namespace
} // namespace nuvotool
