#include "platform/sdl/SdlKeys.h"

#include "platform/VirtualKeys.h"

namespace nuvo::platform::sdl {

namespace {

struct KeyPlace {
    SDL_Scancode scancode;
    uint8_t key;
};

// Keys that mean the same on every layout.
constexpr KeyPlace kFixed[] = {
    {SDL_SCANCODE_RETURN, vk::Return},
    {SDL_SCANCODE_ESCAPE, vk::Escape},
    {SDL_SCANCODE_BACKSPACE, vk::Back},
    {SDL_SCANCODE_TAB, vk::Tab},
    {SDL_SCANCODE_SPACE, vk::Space},
    {SDL_SCANCODE_CAPSLOCK, vk::Capital},
    {SDL_SCANCODE_PRINTSCREEN, vk::Snapshot},
    {SDL_SCANCODE_SCROLLLOCK, vk::Scroll},
    {SDL_SCANCODE_PAUSE, vk::Pause},
    {SDL_SCANCODE_INSERT, vk::Insert},
    {SDL_SCANCODE_HOME, vk::Home},
    {SDL_SCANCODE_PAGEUP, vk::Prior},
    {SDL_SCANCODE_DELETE, vk::Delete},
    {SDL_SCANCODE_END, vk::End},
    {SDL_SCANCODE_PAGEDOWN, vk::Next},
    {SDL_SCANCODE_RIGHT, vk::Right},
    {SDL_SCANCODE_LEFT, vk::Left},
    {SDL_SCANCODE_DOWN, vk::Down},
    {SDL_SCANCODE_UP, vk::Up},
    {SDL_SCANCODE_NUMLOCKCLEAR, vk::NumLock},
    {SDL_SCANCODE_KP_DIVIDE, vk::Divide},
    {SDL_SCANCODE_KP_MULTIPLY, vk::Multiply},
    {SDL_SCANCODE_KP_MINUS, vk::Subtract},
    {SDL_SCANCODE_KP_PLUS, vk::Add},
    {SDL_SCANCODE_KP_ENTER, vk::Return},
    {SDL_SCANCODE_KP_PERIOD, vk::Decimal},
    {SDL_SCANCODE_KP_COMMA, vk::Separator},
    {SDL_SCANCODE_KP_0, vk::NumPad0},
    {SDL_SCANCODE_APPLICATION, vk::Apps},
    {SDL_SCANCODE_HELP, vk::Help},
    {SDL_SCANCODE_LCTRL, vk::Control},
    {SDL_SCANCODE_RCTRL, vk::Control},
    {SDL_SCANCODE_LSHIFT, vk::Shift},
    {SDL_SCANCODE_RSHIFT, vk::Shift},
    {SDL_SCANCODE_LALT, vk::Menu},
    {SDL_SCANCODE_RALT, vk::Menu},
    {SDL_SCANCODE_LGUI, vk::LWin},
    {SDL_SCANCODE_RGUI, vk::RWin},
    {SDL_SCANCODE_NONUSBACKSLASH, vk::Oem102},
    // Japanese keyboards (and the Korean keys that share their numbers).
    {SDL_SCANCODE_INTERNATIONAL1, vk::Oem102},
    {SDL_SCANCODE_INTERNATIONAL2, vk::Kana},
    {SDL_SCANCODE_INTERNATIONAL3, vk::Oem5},
    {SDL_SCANCODE_INTERNATIONAL4, vk::Convert},
    {SDL_SCANCODE_INTERNATIONAL5, vk::NonConvert},
    {SDL_SCANCODE_LANG1, vk::Kana},
    {SDL_SCANCODE_LANG2, vk::Kanji},
    {SDL_SCANCODE_LANG3, vk::DbeKatakana},
    {SDL_SCANCODE_LANG4, vk::DbeHiragana},
    {SDL_SCANCODE_LANG5, vk::Kanji},
};

// The punctuation group by place, on a US layout and on a Japanese one.
struct PunctuationPlace {
    SDL_Scancode scancode;
    uint8_t us;
    uint8_t japanese;
};

constexpr PunctuationPlace kPunctuation[] = {
    {SDL_SCANCODE_MINUS, vk::OemMinus, vk::OemMinus},    {SDL_SCANCODE_EQUALS, vk::OemPlus, vk::Oem7},
    {SDL_SCANCODE_LEFTBRACKET, vk::Oem4, vk::Oem3},      {SDL_SCANCODE_RIGHTBRACKET, vk::Oem6, vk::Oem4},
    {SDL_SCANCODE_BACKSLASH, vk::Oem5, vk::Oem6},        {SDL_SCANCODE_NONUSHASH, vk::Oem5, vk::Oem6},
    {SDL_SCANCODE_SEMICOLON, vk::Oem1, vk::OemPlus},     {SDL_SCANCODE_APOSTROPHE, vk::Oem7, vk::Oem1},
    {SDL_SCANCODE_GRAVE, vk::Oem3, vk::Kanji},           {SDL_SCANCODE_COMMA, vk::OemComma, vk::OemComma},
    {SDL_SCANCODE_PERIOD, vk::OemPeriod, vk::OemPeriod}, {SDL_SCANCODE_SLASH, vk::Oem2, vk::Oem2},
};

} // namespace

uint8_t virtualKeyOf(SDL_Scancode scancode, SDL_Keycode keycode, bool japaneseLayout) {
    if (keycode >= SDLK_a && keycode <= SDLK_z) return static_cast<uint8_t>(vk::LetterA + (keycode - SDLK_a));
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        return static_cast<uint8_t>(vk::LetterA + (scancode - SDL_SCANCODE_A));
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
        return static_cast<uint8_t>('1' + (scancode - SDL_SCANCODE_1));
    if (scancode == SDL_SCANCODE_0) return '0';
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12)
        return static_cast<uint8_t>(vk::F1 + (scancode - SDL_SCANCODE_F1));
    if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F24)
        return static_cast<uint8_t>(vk::F1 + 12 + (scancode - SDL_SCANCODE_F13));
    if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9)
        return static_cast<uint8_t>(vk::NumPad0 + 1 + (scancode - SDL_SCANCODE_KP_1));
    for (const PunctuationPlace& p : kPunctuation)
        if (p.scancode == scancode) return japaneseLayout ? p.japanese : p.us;
    for (const KeyPlace& k : kFixed)
        if (k.scancode == scancode) return k.key;
    return 0;
}

bool japaneseLayoutActive() { return SDL_GetKeyFromScancode(SDL_SCANCODE_APOSTROPHE) == SDLK_COLON; }

} // namespace nuvo::platform::sdl
