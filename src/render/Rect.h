// Rectangles as the drawing code passes them: four signed 32-bit edges, the
// right and bottom edges exclusive. Rectangles come from scripts and files, so
// every helper here is free of overflow whatever the values.
#pragma once

#include <algorithm>
#include <cstdint>

namespace nuvo {

struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    // Widths of absurd rectangles wrap instead of overflowing; use the 64-bit
    // forms where a rectangle has not been clipped yet.
    constexpr int32_t Width() const { return static_cast<int32_t>(static_cast<uint32_t>(Right) - static_cast<uint32_t>(Left)); }
    constexpr int32_t Height() const { return static_cast<int32_t>(static_cast<uint32_t>(Bottom) - static_cast<uint32_t>(Top)); }
    constexpr int64_t width64() const { return int64_t{Right} - Left; }
    constexpr int64_t height64() const { return int64_t{Bottom} - Top; }
    // True when the rectangle holds no pixel.
    constexpr bool isEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool contains(int32_t x, int32_t y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }

    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect makeRect(int32_t left, int32_t top, int32_t right, int32_t bottom) { return TRect{left, top, right, bottom}; }

// A rectangle from a position and a size, saturated to the 32-bit range.
constexpr TRect boundsRect(int32_t x, int32_t y, int32_t width, int32_t height) {
    const auto sat = [](int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    };
    return TRect{x, y, sat(int64_t{x} + width), sat(int64_t{y} + height)};
}

// The common part; an empty result keeps whatever edges fall out (test with isEmpty).
constexpr TRect intersectRect(const TRect& a, const TRect& b) {
    return TRect{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                 std::min(a.Bottom, b.Bottom)};
}

// The bounding box of two rectangles (empty ones included as they stand).
constexpr TRect unionRect(const TRect& a, const TRect& b) {
    return TRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                 std::max(a.Bottom, b.Bottom)};
}

constexpr TRect offsetRect(const TRect& r, int32_t dx, int32_t dy) {
    const auto add = [](int32_t v, int32_t d) {
        return static_cast<int32_t>(std::clamp<int64_t>(int64_t{v} + d, INT32_MIN, INT32_MAX));
    };
    return TRect{add(r.Left, dx), add(r.Top, dy), add(r.Right, dx), add(r.Bottom, dy)};
}

} // namespace nuvo
