// Shapes drawn into the 8-bit masks of the transitions, and the blur of the
// blur transitions.
//
// Shapes cover a pixel when its centre (x + 0.5, y + 0.5) lies inside, with
// half-open spans, so two shapes that share an edge (two sectors meeting at
// the same angle) neither overlap nor leave a gap.
#pragma once

#include "render/DIBX.h"

#include <cstdint>
#include <vector>

namespace nuvo::wipe {

struct TPointF {
    double x = 0, y = 0;
};

// Fills a simple polygon (any winding) with value, clipped to the mask.
void fillPolygon(TDIBX& mask, const std::vector<TPointF>& points, uint8_t value);

// Fills the sector of the disc around (cx, cy) between the angles a0 and a1
// (radians, a0 <= a1, clockwise on screen because y grows downwards) out to
// beyond radius, so that every pixel centre within radius + 1 of the centre
// in that sector is covered. A sweep of a full turn or more fills the mask.
// The arc's points depend only on their angle and radius, so sectors that
// meet at an angle share that edge exactly.
void fillSector(TDIBX& mask, double cx, double cy, double radius, double a0, double a1, uint8_t value);

// Fills the pixels whose centres lie within r of (cx, cy) (a disc of radius
// 0 covers nothing).
void fillDisc(TDIBX& mask, int32_t cx, int32_t cy, int32_t r, uint8_t value);

// Fills rect (clipped to the mask) with value.
void fillMaskRect(TDIBX& mask, int32_t left, int32_t top, int32_t right, int32_t bottom, uint8_t value);

// A soft blur of a 32-bit surface in place: two passes of a box filter of
// radius (radius + 1) / 2 each way, edges extended (close to a Gaussian of
// about radius / 2.4). Radius 0 leaves the pixels.
void blur32(TDIBX& surface, int32_t radius);

} // namespace nuvo::wipe
