// A mouse cursor as the window takes it: one or more pictures with a hot
// spot, and for animated cursors the order and length of their steps. The
// player's cursor files are decoded into this form above the seam
// (render/CursorImage.h); each backend makes its own cursors from it.
#pragma once

#include <cstdint>
#include <vector>

namespace nuvo::platform {

struct CursorFrame {
    int32_t width = 0;
    int32_t height = 0;
    // The point of the picture that is the pointer's position.
    int32_t hotX = 0;
    int32_t hotY = 0;
    // width x height pixels, top row first, as 0xAARRGGBB with straight
    // (not premultiplied) alpha.
    std::vector<uint32_t> argb;
    // Pixels that invert the screen under them (monochrome cursors such as
    // the text beam): empty when there are none, else one byte per pixel, 1
    // for an inverting pixel (its argb value is then opaque black, which is
    // what a window system without inversion shows).
    std::vector<uint8_t> invert;
};

struct CursorStep {
    int32_t frame = 0;      // index into CursorShape::frames
    int32_t durationMs = 0; // how long it shows, at least 1
};

struct CursorShape {
    std::vector<CursorFrame> frames;
    // Empty for a still cursor (the first frame shows); otherwise the steps
    // shown in order, starting again after the last.
    std::vector<CursorStep> steps;
};

} // namespace nuvo::platform
