// Feeds any bytes to TNuvoParser::LoadFromStream and runs what loads, twice,
// against a small variable table. The functions that reach files, dialogs,
// URLs and the screen are not installed here, so they fail like any other
// failing operation. Every evaluation must leave no temporary behind.
#include "base/Error.h"
#include "base/Stream.h"
#include "script/FunctionCatalogue.h"
#include "script/NuvoParser.h"
#include "script/OpeCode.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"
#include "script/VariableDump.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nuvo::TKvMemoryStream stream(std::vector<uint8_t>(data, data + size));
    nuvo::TNuvoParser parser;
    try {
        parser.LoadFromStream(stream);
    } catch (const nuvo::ENuvoError&) {
        return 0;
    }
    nuvo::TParamCollection vars;
    nuvo::TSysFuncMan functions;
    nuvo::ScriptContext ctx(vars, functions);
    for (const char* spec : {"a:int=3", "b:int=-7", "f:float=2.5", "g:flag=true", "s:str=abc", "t:str=1,2,3",
                             "arr[3,4]:int=1", "sarr[4]:str=x", "farr[2]:float=0.5"})
        nuvo::declareVariable(vars, spec);
    // Only PopVar (perhaps run by Calc) makes variables; without either, the
    // table must be as large after an evaluation as before it.
    bool mayAdd = false;
    for (const auto& op : parser.Operations())
        if (op.Opcode == nuvo::ocFunc && (op.FuncId == nuvo::findFunction("PopVar") || op.FuncId == nuvo::FN_CALC))
            mayAdd = true;
    const int before = vars.Count();
    for (int round = 0; round < 2; ++round) {
        parser.Execute(ctx);
        if (ctx.EvaluationDepth != 0) std::abort();
        if (!mayAdd && vars.Count() != before) std::abort();
    }
    (void)nuvo::dumpVariablesJson(vars);
    nuvo::TKvMemoryStream out;
    parser.SaveToStream(out);
    return 0;
}
