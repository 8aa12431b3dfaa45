// The built-in function dispatcher. An ocFunc operation hands it the function
// number, the bound arguments and the entry that receives the result; the
// handler installed for that number performs the function.
//
// The script library (strings, numbers, mathematics, dates, flags and
// variables, Calc, arrays) is installed by the constructor. The functions that
// reach components, files, the system, message histories and data tables are
// installed by the layers that own those things (SetHandler); until then
// calling one raises an error naming it, which ends the evaluation like any
// other failure.
#pragma once

#include "script/FunctionCatalogue.h"
#include "script/Param.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

class ScriptContext;
class TCustomParam;
class TParamCollectionItem;
class TParamVar;

// One call of a built-in function, with the calling rules every function
// shares: arguments are read with the conversions of the value objects; a
// variable argument is a reference bound to a table entry; the result is
// stored with one setter, which converts to the result entry's type.
//
// A handler that may run another evaluation or delete variables must read its
// arguments before it does so: afterwards they may name entries that no
// longer exist. Storing the result stays safe (the entry is looked up again
// when the table lost entries meanwhile).
class FunctionCall {
public:
    FunctionCall(ScriptContext& context, int number, TParamCollectionItem* result, std::string_view resultName,
                 std::span<TCustomParam* const> args);

    ScriptContext& Context;
    const int Number;
    const FunctionInfo& Info() const { return functionInfo(Number); }

    int ArgCount() const { return static_cast<int>(args_.size()); }
    bool HasArg(int i) const { return i >= 0 && i < ArgCount(); }
    // Argument i; a missing one reads as an empty value (0, 0.0, FALSE, "").
    const TCustomParam& Arg(int i) const;
    int32_t Int(int i) const;
    long double Float(int i) const;
    bool Bool(int i) const;
    std::string Str(int i) const;
    // Optional arguments: the default when absent.
    int32_t Int(int i, int32_t def) const { return HasArg(i) ? Int(i) : def; }
    bool Bool(int i, bool def) const { return HasArg(i) ? Bool(i) : def; }
    std::string Str(int i, std::string_view def) const { return HasArg(i) ? Str(i) : std::string(def); }

    // True when argument i is a reference bound to a variable.
    bool IsVariable(int i) const;
    // Argument i as a variable; raises the message (a UTF-8 literal) when it is none.
    TParamVar& Variable(int i, std::string_view utf8Message) const;
    // The value argument i is changed through: the reference itself when it is
    // a variable; otherwise a copy, so that a constant of the compiled
    // expression is never changed.
    TCustomParam& Writable(int i);

    void SetResultInt(int32_t v);
    void SetResultFloat(long double x);
    void SetResultBool(bool b);
    void SetResultStr(std::string_view s);
    // The result entry's value, or none when it no longer exists.
    TCustomParam* ResultValue();

private:
    TParamCollectionItem* result_;
    std::string_view resultName_;
    std::span<TCustomParam* const> args_;
    uint64_t deletionsAtStart_;
    std::vector<std::unique_ptr<TCustomParam>> scratch_;
};

using FunctionHandler = std::function<void(FunctionCall&)>;

class TSysFuncMan {
public:
    TSysFuncMan();
    ~TSysFuncMan();
    TSysFuncMan(const TSysFuncMan&) = delete;
    TSysFuncMan& operator=(const TSysFuncMan&) = delete;

    // Performs function number: any number outside the catalogue does
    // nothing; a number of arguments outside the function's bounds raises its
    // argument-count message.
    void Call(ScriptContext& context, TParamCollectionItem* result, std::string_view resultName, int number,
              std::span<TCustomParam* const> args);

    // Installs the implementation of a function. selfContained promises that it
    // never looks variables up by name, never adds or deletes variables, never
    // runs another evaluation and calls nothing that might: the evaluator may
    // then keep its temporaries out of the table around the call.
    void SetHandler(int number, FunctionHandler handler, bool selfContained = false);
    bool IsSelfContained(int number) const { return isFunctionNumber(number) && selfContained_[number]; }

private:
    FunctionHandler handlers_[kFunctionCount];
    bool selfContained_[kFunctionCount] = {};
};

// The largest string a function or the ++ operator may produce (16 MiB): a
// longer one raises instead of exhausting memory.
constexpr size_t kMaxScriptString = 16u << 20;
// Raises unless n bytes are within kMaxScriptString.
void checkStringSize(uint64_t n);

} // namespace nuvo
