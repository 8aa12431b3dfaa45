// The built-in functions through which scripts reach the data tables
// (DBCreateTable .. DBClearRecord, DBGetTableCount, DBGetTable). None raises
// an error of its own: each failure gives its FALSE, -1, 0 or empty result.
// DBGetTable writes only into variables; another argument in their place
// raises "DBGetTable:変数が見つかりません".
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

class TDBManager;
class TSysFuncMan;

// Gives the bytes of a title's file when it is available (asking for its
// disk where the title says so); false when it is not or cannot be read.
using DBFileSource = std::function<bool(std::string_view name, std::string& bytes)>;

// Installs the handlers; the manager must outlive the dispatcher's use of
// them. Without a file source DBLoadTsvFile finds no file.
void installDBFunctions(TSysFuncMan& functions, TDBManager& tables, DBFileSource files = {});

// Text split into lines at CR, LF or CR LF; a final line break adds no line.
std::vector<std::string> splitTextLines(std::string_view text);

} // namespace nuvo
