// The titles' cursor files: Windows cursors (".cur", and icons, which
// work as cursors too) and animated cursors (".ani"), decoded into the
// window's cursor form (32-bit pictures with hot spots, and the steps of an
// animation). Decoding is pure and survives any bytes: damage raises
// ENuvoError ("画像データが壊れています (...)"), which leaves the window's
// cursor as it was.
//
// Of the pictures a cursor file holds, the one nearest to 32 x 32 pixels is
// taken (the larger on a tie, then the most colours). Bitmap pictures of 1,
// 4, 8, 24 and 32 bits and PNG pictures are read, up to 256 x 256. 32-bit
// pictures with any alpha use their alpha, all others their AND mask; a
// masked pixel whose colour is not black inverts the screen (CursorFrame).
// An animated cursor's frames are its icon chunks; its steps come from its
// sequence (or the frames in order) and its rates (or the header's rate), in
// sixtieths of a second, each shown at least 1 ms.
#pragma once

#include "platform/Cursor.h"

#include <cstddef>
#include <cstdint>

namespace nuvo {

// Limits that keep a decode small whatever a file claims.
inline constexpr int32_t kMaxCursorSide = 256;
inline constexpr int32_t kMaxCursorFrames = 1024;
inline constexpr int32_t kMaxCursorSteps = 4096;
inline constexpr int64_t kMaxCursorPixels = int64_t{4} << 20;

// Recognises the file by its first bytes ("RIFF" ... "ACON" an animated
// cursor, otherwise an icon directory of type 1 or 2).
platform::CursorShape DecodeCursorFile(const uint8_t* data, size_t size);

} // namespace nuvo
