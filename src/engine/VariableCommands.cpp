// Calc, VarNew and VarDel: the commands that evaluate and declare. Each moves
// to the next command before its work, so an error it raises leaves the
// script after it.
#include "engine/CallMan.h"
#include "engine/CommandRuntime.h"
#include "engine/Commands.h"
#include "engine/ProgramContext.h"
#include "script/ParamCollection.h"

namespace nuvo::run {

void calcExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    ++index;
    cm.Evaluate(static_cast<TComCalc&>(c).CalcExpr);
}

void varNewExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    auto& cmd = static_cast<TComVarNew&>(c);
    ++index;
    TParamCollection* vars = cm.Context().Vars;
    if (!vars) return;
    // The initial value is evaluated only when the declaration uses it (an
    // existing status variable keeps its value).
    vars->Declare(cmd.VarName, cmd.VarType, cmd.Scope, [&] { return cm.Evaluate(cmd.InitialExpr); });
}

void varDelExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    auto& cmd = static_cast<TComVarDel&>(c);
    ++index;
    TParamCollection* vars = cm.Context().Vars;
    if (!vars || cmd.VarName.empty()) return;
    if (TParamCollectionItem* entry = vars->Find(cmd.VarName)) vars->Delete(entry);
}

} // namespace nuvo::run
