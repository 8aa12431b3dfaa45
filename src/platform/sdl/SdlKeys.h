// SDL's keys as the system's virtual-key numbers. Letters follow the
// keyboard layout (the key that types "a" is A); every other key goes by its
// place: digits, function and editing keys, the number pad, and the
// punctuation keys, whose numbers differ between the US layout and the
// Japanese one (on a Japanese layout "@" is Oem3, ":" Oem1, ";" OemPlus,
// "^" Oem7, "[" Oem4, "]" Oem6). The keys of Japanese keyboards:
// 半角/全角 is Kanji, 変換 Convert, 無変換 NonConvert, カタカナ/ひらがな Kana,
// ¥ Oem5, ろ (backslash and underscore) Oem102, 英数 (Caps Lock) Capital.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace nuvo::platform::sdl {

// 0 for keys without a number.
uint8_t virtualKeyOf(SDL_Scancode scancode, SDL_Keycode keycode, bool japaneseLayout);

// Whether the current keyboard layout is Japanese (the key right of ";"
// on a US keyboard types ":"). Asks SDL, which must be started.
bool japaneseLayoutActive();

} // namespace nuvo::platform::sdl
