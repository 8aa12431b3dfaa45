// The built-in functions through which expressions reach components:
// GetProp(c, n) and SetProp(c, n, value) find c with the registry's
// FindByName (the empty name is the active base screen) and read or write
// property n (PropertyDispatch.h). A name that finds nothing does nothing;
// a bad property number ends the evaluation with the dispatch's error.
// GetCheck(c, n) and SetCheck(c, n, b) read and write the check flag of item
// n of a list box.
#pragma once

namespace nuvo {

class TNuvoBaseList;
class TSysFuncMan;

// Installs the handlers; the registry must outlive the dispatcher's use of them.
void installComponentFunctions(TSysFuncMan& functions, TNuvoBaseList& registry);

} // namespace nuvo
