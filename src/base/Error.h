// The error every subsystem raises: it carries the system's own message as
// Shift-JIS bytes, which is what scripts and message boxes show.
#pragma once

#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace nuvo {

class ENuvoError : public std::exception {
public:
    explicit ENuvoError(std::string sjisMessage);

    // The message as the system shows it (Shift-JIS).
    const std::string& message() const noexcept { return message_; }
    // The message in UTF-8, for terminals and logs.
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    std::string message_;
    std::string utf8_;
};

[[noreturn]] void raiseError(std::string sjisMessage);

// A message template given in UTF-8 source text, converted to Shift-JIS once.
// Templates keep the printf-like markers of the original messages: %s takes a
// Shift-JIS string as it stands, %d an integer, %% a percent sign. Nothing from
// a script or a file is ever used as a template.
using FormatArg = std::variant<std::string_view, long long>;
std::string formatSjis(std::string_view sjisTemplate, std::initializer_list<FormatArg> args);

// Converts a UTF-8 message literal to Shift-JIS (every character must have a
// Shift-JIS form; messages are fixed texts).
std::string sjisText(std::string_view utf8);

// formatSjis(sjisText(utf8Template), args) and raise it.
[[noreturn]] void raiseFormat(std::string_view utf8Template, std::initializer_list<FormatArg> args);

} // namespace nuvo
