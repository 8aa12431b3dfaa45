// Compiled expressions in the toolkit's source form.
//
// An expression is written as its text between braces, "{x > 3}", compiled
// with our own compiler when read. "{}" (only blanks between the braces) is
// the empty expression, which has no operations. A compiled expression that
// our compiler would not give back from any text we can write (an unusual
// temporary numbering, constants no text produces, unknown operation codes,
// calls of a number the function catalogue lacks, "#200(a)", or with an
// argument count outside the function's bounds) is written as its operation
// list, "raw{ocBig ____0 := x, 3; ocTo ____arg := ____0}", which reads back
// to the same operations.
//
// The writer turns an operation list back into text, compiles that text and
// keeps it only when the result is byte for byte the same list; otherwise it
// writes the raw form.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nuvo {

class ENuvoError;
class SourceLexer;
class TNuvoParser;

// "{}", "{text}" or "raw{...}" (UTF-8).
std::string expressionSource(const TNuvoParser& e);
// Shift-JIS text that compiles to exactly the same operations, or nullopt.
std::optional<std::string> decompileExpression(const TNuvoParser& e);
// The raw form "raw{...}" of any operation list.
std::string rawExpressionSource(const TNuvoParser& e);

// True when the lexer stands at an expression value ("{" or "raw{").
bool atExpressionSource(SourceLexer& lex);
// Reads "{...}" or "raw{...}" and gives the stream form of the compiled
// expression; compiler errors and malformed raw lists raise ESourceError,
// placed at the character the compiler stopped at.
std::string readExpressionSource(SourceLexer& lex);

// The message of an error from compiling utf8Text (as typed: UTF-8 with
// \x{..} escapes, converted with utf8EscapedToSjis) in the form the source
// errors take: "line 1, column 5: 構文エラー", lines and columns counted in
// utf8Text as readExpressionSource counts them in a page line. Errors
// without a place give their message alone.
std::string compileErrorText(std::string_view utf8Text, const ENuvoError& e);

} // namespace nuvo
