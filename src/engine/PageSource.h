// The toolkit's text form of a page (docs/title-format.md): a header with the
// version and the result type, optional mask lines, then one command per line
// with its indent as indentation, its kind by name, its common-record flags
// where they differ from the defaults and its stored fields.
#pragma once

#include <string>
#include <string_view>

namespace nuvo {

class TPage;

// The source text of a loaded page (UTF-8). Loop targets that nesting gives
// and property numbers that have a name are written in the short forms.
std::string writePageSource(const TPage& page);
// Fills page (which must be empty and fresh) from source text. pageName is
// the name Jump and Call give the page being built (Shift-JIS, as
// "scene.nsb" or "sub\scene.nsb"): a label= field is resolved only when
// it names that page; empty when not known (label= is then refused).
// Errors raise ESourceError with the line and column.
void readPageSource(std::string_view text, TPage& page, std::string_view pageName = {});

} // namespace nuvo
