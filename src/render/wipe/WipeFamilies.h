// The families of transition kinds, each in its own file; CreateWipe asks
// them in turn. Each gives the transition of a kind it implements, or none.
#pragma once

#include "render/wipe/Wipe.h"

#include <functional>
#include <memory>

namespace nuvo::wipe {

using TWipePtr = std::unique_ptr<TCustomWipe>;

// Blinds, curtains, grids, dither, mask fade, clock hand, fans, circle, blocks.
TWipePtr createMaskWipe(int32_t kind, TCustomDIBX& dest, TCustomDIBX& from, TCustomDIBX& to, TWipeContext* context);
// Fade, scrolls, white, black, flash, mosaic, sudare, rubber, small, big, zoom in.
TWipePtr createPictureWipe(int32_t kind, TCustomDIBX& dest, TCustomDIBX& from, TCustomDIBX& to, TWipeContext* context);
// Spotlight, mask white and black, blur white and black.
TWipePtr createLightWipe(int32_t kind, TCustomDIBX& dest, TCustomDIBX& from, TCustomDIBX& to, TWipeContext* context);
// Ripple, twist, crack.
TWipePtr createMotionWipe(int32_t kind, TCustomDIBX& dest, TCustomDIBX& from, TCustomDIBX& to, TWipeContext* context);

// Puts 0 .. n-1 in random order the way the system shuffles: each next item
// is the Random(remaining)-th of those not taken yet (the rest keeping their
// order). take(item) is called for every item in the new order, so a caller
// may draw more numbers for an item between the picks.
void shuffleItems(int32_t n, IWipeRandom& random, const std::function<void(int32_t)>& take);

// Rounds to the nearest integer, ties to the even one (saturating).
int32_t roundEven(double v);
// a * b / c without overflow, truncated toward zero (c > 0); callers keep
// a / c below 1 so the result fits.
inline int64_t mulDiv(int64_t a, int64_t b, int64_t c) {
    return static_cast<int64_t>(static_cast<__int128>(a) * b / c);
}

} // namespace nuvo::wipe
