// The system's virtual-key numbers, the key codes everything above the seam
// uses (1 to 255). Each backend maps its own keys onto them; the headless
// input script names them. Only the numbers the player and its backends
// name are listed here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nuvo::platform::vk {

inline constexpr uint8_t Back = 0x08, Tab = 0x09, Clear = 0x0C, Return = 0x0D;
inline constexpr uint8_t Shift = 0x10, Control = 0x11, Menu = 0x12, Pause = 0x13, Capital = 0x14;
// Japanese (and Korean) keyboards: kana and kanji modes, conversion keys.
inline constexpr uint8_t Kana = 0x15, Kanji = 0x19, Convert = 0x1C, NonConvert = 0x1D;
inline constexpr uint8_t Escape = 0x1B, Space = 0x20, Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24;
inline constexpr uint8_t Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28;
inline constexpr uint8_t Snapshot = 0x2C, Insert = 0x2D, Delete = 0x2E, Help = 0x2F;
inline constexpr uint8_t Digit0 = 0x30;  // '0'..'9' are 0x30..0x39
inline constexpr uint8_t LetterA = 0x41; // 'A'..'Z' are 0x41..0x5A
inline constexpr uint8_t LWin = 0x5B, RWin = 0x5C, Apps = 0x5D;
inline constexpr uint8_t NumPad0 = 0x60; // 0x60..0x69
inline constexpr uint8_t Multiply = 0x6A, Add = 0x6B, Separator = 0x6C, Subtract = 0x6D, Decimal = 0x6E, Divide = 0x6F;
inline constexpr uint8_t F1 = 0x70; // F1..F24 are 0x70..0x87
inline constexpr uint8_t NumLock = 0x90, Scroll = 0x91;
// Keys of the punctuation group, named by the system after their place on
// a US keyboard; a Japanese keyboard puts other characters on some of them.
inline constexpr uint8_t Oem1 = 0xBA, OemPlus = 0xBB, OemComma = 0xBC, OemMinus = 0xBD, OemPeriod = 0xBE, Oem2 = 0xBF,
                         Oem3 = 0xC0, Oem4 = 0xDB, Oem5 = 0xDC, Oem6 = 0xDD, Oem7 = 0xDE, Oem102 = 0xE2;
// Input-mode keys of Japanese keyboards without an input method.
inline constexpr uint8_t DbeAlphanumeric = 0xF0, DbeKatakana = 0xF1, DbeHiragana = 0xF2;

// The key named (without regard to letter case): a name of the table
// ("Enter", "Escape", "Space", "Left", "F1", "A", "0", "NumPad5", "Kanji",
// ...), a decimal number or 0x followed by hexadecimal digits, 1..255.
// Gives 0 for anything else.
uint8_t keyFromName(std::string_view name);
// The table's name of a key, or "0xHH" for a number without one.
std::string keyName(uint8_t key);

} // namespace nuvo::platform::vk
