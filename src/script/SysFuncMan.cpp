#include "script/SysFuncMan.h"

#include "base/Error.h"
#include "script/ParamCollection.h"
#include "script/ParamVar.h"
#include "script/ScriptContext.h"
#include "script/ScriptLibrary.h"

#include <typeinfo>

namespace nuvo {
namespace {

// The value a missing optional argument reads as.
const TCustomParam& emptyValue() {
    static const std::unique_ptr<TCustomParam> empty = CreateValue(PT_NONE);
    return *empty;
}

bool isBoundReference(const TCustomParam* p) {
    return p && typeid(*p) == typeid(TParamVar) && static_cast<const TParamVar*>(p)->Target != nullptr;
}

bool tableHolds(const TParamCollection& vars, const TParamCollectionItem* entry) {
    for (int i = 0; i < vars.Count(); ++i)
        if (vars.Entry(i) == entry) return true;
    return false;
}

} // namespace

void checkStringSize(uint64_t n) {
    if (n > kMaxScriptString) raiseFormat("文字列が長すぎます", {});
}

FunctionCall::FunctionCall(ScriptContext& context, int number, TParamCollectionItem* result,
                           std::string_view resultName, std::span<TCustomParam* const> args)
    : Context(context), Number(number), result_(result), resultName_(resultName), args_(args),
      deletionsAtStart_(context.Vars.DeleteCount()) {}

const TCustomParam& FunctionCall::Arg(int i) const { return HasArg(i) ? *args_[static_cast<size_t>(i)] : emptyValue(); }
int32_t FunctionCall::Int(int i) const { return Arg(i).AsInteger(); }
long double FunctionCall::Float(int i) const { return Arg(i).AsFloat(); }
bool FunctionCall::Bool(int i) const { return Arg(i).AsBool(); }
std::string FunctionCall::Str(int i) const { return Arg(i).AsString(); }

bool FunctionCall::IsVariable(int i) const { return HasArg(i) && isBoundReference(args_[static_cast<size_t>(i)]); }

TParamVar& FunctionCall::Variable(int i, std::string_view utf8Message) const {
    if (!IsVariable(i)) raiseFormat(utf8Message, {});
    return *static_cast<TParamVar*>(args_[static_cast<size_t>(i)]);
}

TCustomParam& FunctionCall::Writable(int i) {
    if (IsVariable(i)) return *args_[static_cast<size_t>(i)];
    // A constant is never changed: the function works on a copy of it.
    const TCustomParam& source = Arg(i);
    const uint8_t type = source.ParamType();
    const bool stored = type >= PT_INT && type <= PT_STR;
    auto copy = CreateValue(stored ? type : static_cast<uint8_t>(PT_STR));
    if (stored) copy->AssignFrom(source);
    scratch_.push_back(std::move(copy));
    return *scratch_.back();
}

TCustomParam* FunctionCall::ResultValue() {
    if (Context.Vars.DeleteCount() != deletionsAtStart_) {
        // Something this call ran deleted variables: the entry may be gone.
        if (!result_ || !tableHolds(Context.Vars, result_)) result_ = Context.Vars.Find(resultName_);
        deletionsAtStart_ = Context.Vars.DeleteCount();
    }
    return result_ ? result_->Value() : nullptr;
}

void FunctionCall::SetResultInt(int32_t v) {
    if (TCustomParam* r = ResultValue()) r->SetInteger(v);
}
void FunctionCall::SetResultFloat(long double x) {
    if (TCustomParam* r = ResultValue()) r->SetFloat(x);
}
void FunctionCall::SetResultBool(bool b) {
    if (TCustomParam* r = ResultValue()) r->SetBool(b);
}
void FunctionCall::SetResultStr(std::string_view s) {
    if (TCustomParam* r = ResultValue()) r->SetString(s);
}

TSysFuncMan::TSysFuncMan() {
    for (int i = 0; i < kFunctionCount; ++i) {
        handlers_[i] = [](FunctionCall& call) {
            raiseFormat("%s:この関数はまだ使えません", {std::string_view(call.Info().name)});
        };
    }
    registerStringFunctions(*this);
    registerNumberFunctions(*this);
    registerVariableFunctions(*this);
    registerArrayFunctions(*this);
}

TSysFuncMan::~TSysFuncMan() = default;

void TSysFuncMan::SetHandler(int number, FunctionHandler handler, bool selfContained) {
    if (!isFunctionNumber(number)) return;
    handlers_[number] = std::move(handler);
    selfContained_[number] = selfContained;
}

void TSysFuncMan::Call(ScriptContext& context, TParamCollectionItem* result, std::string_view resultName, int number,
                       std::span<TCustomParam* const> args) {
    if (!isFunctionNumber(number)) return;
    // Stored expressions are only checked when compiled: a handler never
    // sees a count outside its function's bounds.
    if (!functionInfo(number).acceptsArgCount(static_cast<int64_t>(args.size()))) raiseArgumentCount(number);
    FunctionCall call(context, number, result, resultName, args);
    handlers_[number](call);
}

} // namespace nuvo
