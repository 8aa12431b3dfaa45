// nuvotool expr: compile expressions to their operation lists, and evaluate
// them against a fresh variable table and a fresh table manager.
#include "Command.h"

#include "archive/VrFileManager.h"
#include "base/Cp932.h"
#include "base/Error.h"
#include "base/Stream.h"
#include "engine/ExprText.h"
#include "platform/FileSystem.h"
#include "script/DBFunctions.h"
#include "script/DBManager.h"
#include "script/NuvoParser.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"
#include "script/VariableDump.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

namespace nuvotool {
namespace {

const char* kNotes = "\"--\" ends the options: every argument after it is a TEXT, even one that\n"
                     "begins with \"-\".\n";

const char* kEvalDetails = "Declares the variables (TYPE: int, float, flag, str or 1..4; NAME may carry\n"
                           "dimensions, a[3,4]:int), evaluates each TEXT in order as the Calc command\n"
                           "does, then prints the variables as JSON. An evaluation that stops is\n"
                           "reported on standard error and the next one runs, as in a title; a TEXT\n"
                           "that does not compile fails the command.\n"
                           "The data tables start empty; DBLoadTsvFile reads the files of DIR given\n"
                           "with --data (names as a title gives them, without regard to case).\n";

std::string toSjis(const std::string& utf8) {
    auto sjis = nuvo::utf8EscapedToSjis(utf8);
    if (!sjis) throw EToolError("\"" + utf8 + "\": the text has no Shift-JIS form");
    return *sjis;
}

std::unique_ptr<nuvo::TNuvoParser> compile(const std::string& text) {
    try {
        return nuvo::compileExpression(toSjis(text));
    } catch (const nuvo::ENuvoError& e) {
        throw EToolError("\"" + text + "\": " + nuvo::compileErrorText(text, e));
    }
}

int runCompile(Invocation& call) {
    const auto parser = compile(call.arg(0));
    for (const auto& op : parser->Operations()) call.out += nuvo::sjisToUtf8Escaped(nuvo::describeOperation(op)) + "\n";
    return 0;
}

int runEval(Invocation& call) {
    nuvo::TParamCollection vars;
    nuvo::TSysFuncMan functions;
    nuvo::ScriptContext ctx(vars, functions);
    nuvo::TDBManager tables;
    nuvo::TVrFileManager files(nullptr, nullptr);
    const std::optional<std::string> dataDir = call.line.Value("--data");
    const bool hasData = dataDir.has_value();
    if (hasData) {
        if (!nuvo::platform::isDirectory(*dataDir)) return failFile(*dataDir, "not a folder");
        files.SetBaseFolder(*dataDir);
    }
    nuvo::installDBFunctions(functions, tables, [&](std::string_view name, std::string& bytes) {
        if (!hasData || !files.Exists(name)) return false;
        try {
            nuvo::TKvMemoryStream s;
            files.LoadToStream(s, name);
            bytes.assign(s.bytes().begin(), s.bytes().end());
            return true;
        } catch (const nuvo::ENuvoError&) {
            return false;
        }
    });
    ctx.RandSeed = static_cast<uint32_t>(call.line.Integer("--seed", 0, UINT32_MAX, ctx.RandSeed));
    for (const std::string& declaration : call.line.Values("--var")) {
        try {
            nuvo::declareVariable(vars, declaration);
        } catch (const nuvo::ENuvoError& e) {
            throw nuvo::cli::EUsageError("--var " + declaration + ": " + errorText(e));
        }
    }
    std::vector<std::unique_ptr<nuvo::TNuvoParser>> parsers;
    for (const std::string& text : call.args()) parsers.push_back(compile(text));
    for (size_t i = 0; i < parsers.size(); ++i) {
        parsers[i]->Execute(ctx);
        if (!parsers[i]->LastError().empty())
            fail("warning: evaluation of \"" + call.arg(i) + "\" stopped: " +
                 nuvo::sjisToUtf8Escaped(parsers[i]->LastError()));
    }
    call.out = nuvo::dumpVariablesJson(vars);
    return 0;
}

const NuvoGroup group({"expr", "compile and evaluate script expressions", kNotes,
                       {
                           {"compile", "[--] TEXT", "print the operation list of an expression, one per line", "",
                            {}, 1, 1, &runCompile},
                           {"eval", "[--seed N] [--data DIR] [--var NAME:TYPE[=VALUE]]... [--] TEXT...",
                            "evaluate expressions and print the variables as JSON", kEvalDetails,
                            {{"--seed", Arity::Value}, {"--data", Arity::Value}, {"--var", Arity::Repeated}}, 0, -1,
                            &runEval},
                       }});

} // namespace
} // namespace nuvotool
