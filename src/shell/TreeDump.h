// The registry's components as JSON, for the player's --dump-tree and the
// toolkit's `compo render`:
//
//   {"active": 0, "objects": [
//     {"name": "bg", "type": "LT_IMAGES", "parent": "\x{01}BASE0", "base": 0,
//      "cabinet": false, "visible": true, "left": 0, "top": 0, "width": 640,
//      "height": 480, "priority": 0},
//     ...
//   ]}
//
// "active" is the index of the front screen; the objects are every listed
// object but the two base screens and those being deleted, in creation
// order. Names are UTF-8 with the toolkit's \x{..} escape for bytes that
// have no UTF-8 form (the screens' internal names begin with 0x01); "parent"
// and "base" are null where there is none.
#pragma once

#include <string>
#include <string_view>

namespace nuvo {

class TNuvoBaseList;
class TNuvoObject;

std::string dumpTreeJson(const TNuvoBaseList& registry);
// The fields of one object, from "name" to "priority", without the braces.
std::string treeFieldsJson(const TNuvoObject& object);
// A JSON string of Shift-JIS text, escaped as above.
std::string jsonText(std::string_view sjis);

// Writes dumpTreeJson atomically; raises ENuvoError when the file cannot be
// written.
void WriteTreeDump(const TNuvoBaseList& registry, const std::string& nativePath);

} // namespace nuvo
