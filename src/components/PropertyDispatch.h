// The generic property access: scripts (the GetProp and SetProp functions
// and commands) read and write a component's numbered properties here. The
// catalogue (script/PropertyTypes.h) gives each number its type, access and
// carriers; a table of accessors binds each number to the TNuvoObject
// accessor that serves it. An object that does not carry a property reads
// its default (0, FALSE, 0.0 or the empty string) and ignores writes.
#pragma once

#include <cstdint>
#include <string>

namespace nuvo {

class TCustomParam;
class TNuvoObject;

// Stores property number of object into var (converted by var's own setter).
// Raises "GetPropエラー" for a number outside 0..164.
void GetProperty(TCustomParam& var, const TNuvoObject& object, int32_t number);

// Converts value to the property's type and hands it to the object. Raises
// "SetPropエラー" for a number outside 0..164 and for PR_APPEARX/PR_APPEARY;
// read-only properties ignore the write. PR_PARENT looks the name up among
// the registry's controls and ignores names that find nothing; PR_TEXT first
// resets a message box's insertion state.
void SetProperty(TNuvoObject& object, int32_t number, const TCustomParam& value);

// The setter alone, as component creation applies a property: carriers and
// read-only access are respected, the SetProp-only rules are not (no
// insertion reset before PR_TEXT; PR_PARENT sets any control found, as
// SetProp does). Numbers outside the catalogue and PR_APPEARX/Y do nothing.
void ApplyProperty(TNuvoObject& object, int32_t number, const TCustomParam& value);

// Whether object carries property number (its class implements it).
bool CarriesProperty(const TNuvoObject& object, int32_t number);

// The accessor's string for a string property, whether carried or not (the
// empty string for other numbers); event raising reads handlers with it.
std::string readStringProperty(const TNuvoObject& object, int32_t number);

} // namespace nuvo
