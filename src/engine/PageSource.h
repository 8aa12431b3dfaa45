// The toolkit's text form of a page (docs/title-format.md): a header with the
// version and the result type, optional mask lines, then one command per line
// with its indent as indentation, its kind by name, its common-record flags
// where they differ from the defaults and its stored fields.
#pragma once

#include <string>
#include <string_view>

namespace nuvo {

class TPage;

// The source text of a loaded page (UTF-8).
std::string writePageSource(const TPage& page);
// Fills page (which must be empty and fresh) from source text. Errors raise
// ESourceError with the line number.
void readPageSource(std::string_view text, TPage& page);

} // namespace nuvo
