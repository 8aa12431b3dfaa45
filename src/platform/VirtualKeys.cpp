#include "platform/VirtualKeys.h"

#include <array>
#include <cstdio>

namespace nuvo::platform::vk {

namespace {

struct KeyName {
    const char* name;
    uint8_t key;
};

// Where a key has several names, the first is the one keyName gives.
constexpr KeyName kNames[] = {
    {"Backspace", Back},
    {"Back", Back},
    {"Tab", Tab},
    {"Clear", Clear},
    {"Enter", Return},
    {"Return", Return},
    {"Shift", Shift},
    {"Control", Control},
    {"Ctrl", Control},
    {"Alt", Menu},
    {"Menu", Menu},
    {"Pause", Pause},
    {"CapsLock", Capital},
    {"Capital", Capital},
    {"Kana", Kana},
    {"Kanji", Kanji},
    {"Escape", Escape},
    {"Esc", Escape},
    {"Convert", Convert},
    {"NonConvert", NonConvert},
    {"Space", Space},
    {"PageUp", Prior},
    {"Prior", Prior},
    {"PageDown", Next},
    {"Next", Next},
    {"End", End},
    {"Home", Home},
    {"Left", Left},
    {"Up", Up},
    {"Right", Right},
    {"Down", Down},
    {"PrintScreen", Snapshot},
    {"Snapshot", Snapshot},
    {"Insert", Insert},
    {"Delete", Delete},
    {"Help", Help},
    {"LWin", LWin},
    {"RWin", RWin},
    {"Apps", Apps},
    {"Multiply", Multiply},
    {"Add", Add},
    {"Separator", Separator},
    {"Subtract", Subtract},
    {"Decimal", Decimal},
    {"Divide", Divide},
    {"NumLock", NumLock},
    {"ScrollLock", Scroll},
    {"Scroll", Scroll},
    {"LShift", 0xA0},
    {"RShift", 0xA1},
    {"LControl", 0xA2},
    {"RControl", 0xA3},
    {"LAlt", 0xA4},
    {"RAlt", 0xA5},
    {"Oem1", Oem1},
    {"OemPlus", OemPlus},
    {"OemComma", OemComma},
    {"OemMinus", OemMinus},
    {"OemPeriod", OemPeriod},
    {"Oem2", Oem2},
    {"Oem3", Oem3},
    {"Oem4", Oem4},
    {"Oem5", Oem5},
    {"Oem6", Oem6},
    {"Oem7", Oem7},
    {"Oem102", Oem102},
    {"Alphanumeric", DbeAlphanumeric},
    {"Katakana", DbeKatakana},
    {"Hiragana", DbeHiragana},
};

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

// A number 1..255 (decimal, or hexadecimal after 0x); 0 when it is none.
uint8_t keyFromNumber(std::string_view s) {
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && lowerAscii(s[1]) == 'x') {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty() || s.size() > 4) return 0;
    int value = 0;
    for (char c : s) {
        int d;
        const char l = lowerAscii(c);
        if (l >= '0' && l <= '9')
            d = l - '0';
        else if (base == 16 && l >= 'a' && l <= 'f')
            d = l - 'a' + 10;
        else
            return 0;
        value = value * base + d;
    }
    return value >= 1 && value <= 255 ? static_cast<uint8_t>(value) : 0;
}

// "F1".."F24" and "NumPad0".."NumPad9".
uint8_t keyFromNumberedName(std::string_view s) {
    const auto numberAfter = [&](size_t prefix, int low, int high) {
        const std::string_view digits = s.substr(prefix);
        if (digits.empty() || digits.size() > 2 || digits[0] == '0') return -1;
        int n = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return -1;
            n = n * 10 + (c - '0');
        }
        return n >= low && n <= high ? n : -1;
    };
    if (s.size() >= 2 && lowerAscii(s[0]) == 'f') {
        const int n = numberAfter(1, 1, 24);
        if (n > 0) return static_cast<uint8_t>(F1 + n - 1);
    }
    if (s.size() == 7 && sameName(s.substr(0, 6), "numpad") && s[6] >= '0' && s[6] <= '9')
        return static_cast<uint8_t>(NumPad0 + (s[6] - '0'));
    return 0;
}

} // namespace

uint8_t keyFromName(std::string_view name) {
    if (name.size() == 1) {
        const char c = name[0];
        if (c >= '0' && c <= '9') return static_cast<uint8_t>(c);
        const char l = lowerAscii(c);
        if (l >= 'a' && l <= 'z') return static_cast<uint8_t>(l - 'a' + 'A');
        return 0;
    }
    for (const KeyName& k : kNames)
        if (sameName(name, k.name)) return k.key;
    if (const uint8_t key = keyFromNumberedName(name)) return key;
    return keyFromNumber(name);
}

std::string keyName(uint8_t key) {
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
    if (key >= F1 && key < F1 + 24) return "F" + std::to_string(key - F1 + 1);
    if (key >= NumPad0 && key <= NumPad0 + 9) return "NumPad" + std::to_string(key - NumPad0);
    for (const KeyName& k : kNames)
        if (k.key == key) return k.name;
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%02X", key);
    return buffer;
}

} // namespace nuvo::platform::vk
