// The headless window's input script: plain text, one event per line,
//   FRAME ACTION ARGUMENTS...
// with "#" starting a comment, blank lines ignored, actions and names
// without regard to letter case. docs/headless.md describes every action.
// The script is outside input: any text either parses or raises
// EInputScriptError naming the line.
#pragma once

#include "platform/Dialogs.h"
#include "platform/Window.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo::platform {

class EInputScriptError : public std::runtime_error {
public:
    EInputScriptError(int line, const std::string& message);
    int Line() const { return line_; }

private:
    int line_;
};

// One event of the script after expansion: "click" becomes Down and Up on the
// next frame, "key" KeyDown and KeyUp on the next frame, "wheel up 3" three
// Wheel events.
struct InputAction {
    enum class Kind : uint8_t { Move, Down, Up, Wheel, KeyDown, KeyUp, Answer, Quit, Activate, Deactivate, Toolbar };
    int64_t frame = 0;
    Kind kind = Kind::Move;
    int line = 0;
    // Move, and Down/Up written with a position (hasPosition).
    bool hasPosition = false;
    int32_t x = 0;
    int32_t y = 0;
    MouseButton button = MouseButton::Left;
    bool wheelUp = false;
    uint8_t key = 0;
    MessageResult answer = MessageResult::Ok;
    ToolbarButton toolbarButton = ToolbarButton::Quit;
};

// Largest frame number and coordinate the script accepts.
inline constexpr int64_t kMaxScriptFrame = 100'000'000;
inline constexpr int32_t kMaxScriptCoordinate = 1'000'000;
inline constexpr int kMaxWheelNotches = 100;

// The actions of a script in the order they happen: by frame, and in the
// order of the text within a frame.
std::vector<InputAction> parseInputScript(std::string_view text);

} // namespace nuvo::platform
