// The script library's function families, installed into the dispatcher by its
// constructor. Each family file registers its functions by catalogue number.
#pragma once

#include <cstdint>
#include <string_view>

namespace nuvo {

class FunctionCall;
class TSysFuncMan;

void registerStringFunctions(TSysFuncMan& functions);
void registerNumberFunctions(TSysFuncMan& functions);
void registerVariableFunctions(TSysFuncMan& functions);
void registerArrayFunctions(TSysFuncMan& functions);

// Stores a real result; an infinity or a NaN raises instead.
void setCheckedFloat(FunctionCall& call, long double x);

} // namespace nuvo
