// The variable table as JSON, for the toolkit and the headless player's
// variable dump, and the declaration form the toolkit accepts.
//
// The dump is one object mapping each variable name to
//   {"type": code, "dims": [sizes...], "value": scalar or flat array}
// in table order. A name appears once, for the entry a script would find by it
// (locals of other call levels are left out); the system variables are not
// listed. Strings are UTF-8, with the toolkit's \x{..} escape for bytes that
// have no UTF-8 form; flags are true/false; reals the nearest double; a
// reference (type 0) gives "target" and "index" instead of a value.
#pragma once

#include <string>
#include <string_view>

namespace nuvo {

class TParamCollection;

std::string dumpVariablesJson(const TParamCollection& vars);

// Declares a global variable from "NAME:TYPE[=VALUE]" (UTF-8): TYPE is int,
// float, flag or str, or the codes 1 to 4; NAME may carry dimensions, as in
// "a[3,4]:int"; VALUE, read as the type (flags: true/false, TRUE/FALSE, 1/0),
// goes into every element. Raises ENuvoError on a malformed declaration.
void declareVariable(TParamCollection& vars, std::string_view utf8Spec);

} // namespace nuvo
