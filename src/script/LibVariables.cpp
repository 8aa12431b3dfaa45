// Flags and variables: Not, VarExists, GetVarType, AssignTemp, PushVar,
// PopVar, and Calc, which compiles and evaluates a text at once.
#include "base/Error.h"
#include "script/NuvoParser.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"
#include "script/ScriptLibrary.h"
#include "script/SysFuncMan.h"

#include <memory>

namespace nuvo {
namespace {

void calc(FunctionCall& c) {
    ScriptContext& ctx = c.Context;
    const std::string text = c.Str(0); // read before anything runs: the evaluation may delete variables
    if (ctx.EvaluationDepth >= ScriptContext::kMaxEvaluationDepth || ctx.NestedRuns >= ScriptContext::kMaxNestedRuns ||
        ctx.NestedBytes + text.size() > ScriptContext::kMaxNestedBytes)
        raiseFormat("Calc:式の入れ子が深すぎます", {});
    ++ctx.NestedRuns;
    ctx.NestedBytes += text.size();
    size_t b = 0, e = text.size();
    while (b < e && static_cast<uint8_t>(text[b]) <= 0x20) ++b;
    while (e > b && static_cast<uint8_t>(text[e - 1]) <= 0x20) --e;
    if (b == e) return;
    std::unique_ptr<TNuvoParser> parser;
    try {
        parser = compileExpression(std::string_view(text).substr(b, e - b));
    } catch (const ENuvoError&) {
        return; // a text that does not compile stores nothing
    }
    parser->Execute(ctx);
    c.SetResultStr("TRUE");
}

} // namespace

void registerVariableFunctions(TSysFuncMan& functions) {
    functions.SetHandler(findFunction("Not"), [](FunctionCall& c) { c.SetResultBool(!c.Bool(0)); }, true);
    functions.SetHandler(findFunction("GetVarType"), [](FunctionCall& c) { c.SetResultInt(c.Arg(0).ParamType()); }, true);
    functions.SetHandler(findFunction("VarExists"),
                         [](FunctionCall& c) { c.SetResultBool(c.Context.Vars.Find(c.Str(0)) != nullptr); });
    functions.SetHandler(findFunction("AssignTemp"), [](FunctionCall& c) {
        const std::string name = c.Str(0);
        const bool found = !name.empty() && c.Context.Vars.Find(name);
        if (found) c.Context.Vars.TempAlias = name;
        c.SetResultBool(found);
    });
    functions.SetHandler(findFunction("PushVar"), [](FunctionCall& c) {
        std::vector<std::string> names;
        for (int i = 0; i < c.ArgCount(); ++i) names.push_back(c.Str(i));
        c.Context.Vars.PushVar(names);
        c.SetResultBool(true);
    });
    functions.SetHandler(findFunction("PopVar"), [](FunctionCall& c) {
        c.Context.Vars.PopVar();
        c.SetResultBool(true);
    });
    functions.SetHandler(findFunction("Calc"), calc);
}

} // namespace nuvo
