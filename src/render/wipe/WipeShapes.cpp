#include "render/wipe/WipeShapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace nuvo::wipe {
namespace {

uint8_t* maskRow(TDIBX& mask, int32_t y) { return mask.Bits() + int64_t{mask.RowStep()} * y; }

// First pixel whose centre lies at or right of x (the spans are half-open).
int32_t firstCovered(double x, int32_t limit) {
    const double c = std::ceil(x - 0.5);
    if (c <= 0) return 0;
    if (c >= limit) return limit;
    return static_cast<int32_t>(c);
}

} // namespace

void fillMaskRect(TDIBX& mask, int32_t left, int32_t top, int32_t right, int32_t bottom, uint8_t value) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, mask.Width());
    bottom = std::min(bottom, mask.Height());
    if (left >= right || top >= bottom) return;
    for (int32_t y = top; y < bottom; ++y)
        std::fill(maskRow(mask, y) + left, maskRow(mask, y) + right, value);
}

void fillPolygon(TDIBX& mask, const std::vector<TPointF>& points, uint8_t value) {
    const int32_t w = mask.Width(), h = mask.Height();
    if (points.size() < 3 || w <= 0 || h <= 0) return;
    // Each edge with its ends in a fixed order (top end first), so an edge two
    // polygons share gives both the same crossings.
    struct Edge {
        TPointF a, b;
    };
    std::vector<Edge> edges;
    edges.reserve(points.size());
    double minY = points[0].y, maxY = points[0].y;
    for (size_t i = 0; i < points.size(); ++i) {
        const TPointF& p = points[i];
        const TPointF& q = points[(i + 1) % points.size()];
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
        if (p.y == q.y) continue;
        edges.push_back(p.y < q.y ? Edge{p, q} : Edge{q, p});
    }
    const int32_t y0 = firstCovered(minY, h);
    const int32_t y1 = firstCovered(maxY, h);
    std::vector<double> xs;
    for (int32_t y = y0; y < y1; ++y) {
        const double yc = y + 0.5;
        xs.clear();
        for (const Edge& e : edges)
            if (e.a.y <= yc && yc < e.b.y) xs.push_back(e.a.x + (yc - e.a.y) * (e.b.x - e.a.x) / (e.b.y - e.a.y));
        std::sort(xs.begin(), xs.end());
        uint8_t* row = maskRow(mask, y);
        for (size_t i = 0; i + 1 < xs.size(); i += 2) {
            const int32_t l = firstCovered(xs[i], w), r = firstCovered(xs[i + 1], w);
            if (l < r) std::fill(row + l, row + r, value);
        }
    }
}

void fillSector(TDIBX& mask, double cx, double cy, double radius, double a0, double a1, uint8_t value) {
    constexpr double kTurn = 2 * std::numbers::pi;
    if (!(a1 > a0)) return;
    if (a1 - a0 >= kTurn) {
        fillMaskRect(mask, 0, 0, mask.Width(), mask.Height(), value);
        return;
    }
    // Arc points at most a 256th of a turn apart, pushed out so that the
    // chords between them stay beyond radius + 1.
    constexpr double kStep = kTurn / 256;
    const double r = (std::max(radius, 0.0) + 1) / std::cos(kStep / 2);
    const int n = std::max(1, static_cast<int>(std::ceil((a1 - a0) / kStep)));
    std::vector<TPointF> points;
    points.reserve(static_cast<size_t>(n) + 2);
    points.push_back({cx, cy});
    for (int k = 0; k <= n; ++k) {
        const double a = k == n ? a1 : a0 + (a1 - a0) * k / n;
        points.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    fillPolygon(mask, points, value);
}

void fillDisc(TDIBX& mask, int32_t cx, int32_t cy, int32_t r, uint8_t value) {
    if (r <= 0) return;
    // Centre (x + 0.5, y + 0.5) within r of (cx, cy), in doubled units:
    // (2x + 1 - 2cx)^2 + (2y + 1 - 2cy)^2 <= 4r^2.
    const int64_t r4 = 4 * int64_t{r} * r;
    for (int32_t y = 0; y < mask.Height(); ++y) {
        const int64_t dy = 2 * int64_t{y} + 1 - 2 * int64_t{cy};
        const int64_t room = r4 - dy * dy;
        if (room < 0) continue;
        auto m = static_cast<int64_t>(std::sqrt(static_cast<double>(room)));
        while (m * m > room)
            --m;
        while ((m + 1) * (m + 1) <= room)
            ++m;
        // |2x + 1 - 2cx| <= m
        const int64_t lo = 2 * int64_t{cx} - 1 - m, hi = 2 * int64_t{cx} - 1 + m;
        const int64_t left = lo >= 0 ? (lo + 1) / 2 : -((-lo) / 2); // ceil(lo / 2)
        const int64_t right = hi >= 0 ? hi / 2 : -((-hi + 1) / 2);  // floor(hi / 2)
        const auto l = static_cast<int32_t>(std::clamp<int64_t>(left, 0, mask.Width()));
        const auto rr = static_cast<int32_t>(std::clamp<int64_t>(right + 1, 0, mask.Width()));
        if (l < rr) std::fill(maskRow(mask, y) + l, maskRow(mask, y) + rr, value);
    }
}

namespace {

// One box pass of radius a along n pixels spaced stride apart, edges
// extended, through tmp (n pixels).
void boxLine(uint32_t* p, int32_t n, int64_t stride, int32_t a, uint32_t* tmp) {
    const uint64_t width = 2 * static_cast<uint64_t>(a) + 1;
    const uint64_t mul = ((uint64_t{1} << 32) + width / 2) / width;
    for (int32_t i = 0; i < n; ++i)
        tmp[i] = p[stride * i];
    const auto at = [&](int64_t i) { return tmp[std::clamp<int64_t>(i, 0, n - 1)]; };
    uint64_t sum[4] = {0, 0, 0, 0};
    for (int64_t i = -a; i <= a; ++i) {
        const uint32_t v = at(i);
        for (int c = 0; c < 4; ++c)
            sum[c] += (v >> (8 * c)) & 0xFF;
    }
    for (int32_t i = 0; i < n; ++i) {
        uint32_t out = 0;
        for (int c = 0; c < 4; ++c)
            out |= static_cast<uint32_t>(std::min<uint64_t>(255, (sum[c] * mul + (uint64_t{1} << 31)) >> 32))
                   << (8 * c);
        p[stride * i] = out;
        const uint32_t in = at(int64_t{i} + a + 1), gone = at(int64_t{i} - a);
        for (int c = 0; c < 4; ++c)
            sum[c] = sum[c] + ((in >> (8 * c)) & 0xFF) - ((gone >> (8 * c)) & 0xFF);
    }
}

} // namespace

void blur32(TDIBX& surface, int32_t radius) {
    if (radius <= 0 || surface.BitCount() != 32 || surface.IsEmpty()) return;
    const int32_t w = surface.Width(), h = surface.Height();
    const int32_t a = (radius + 1) / 2;
    const int64_t step = surface.RowStep() / 4;
    auto* px = reinterpret_cast<uint32_t*>(surface.Bits());
    std::vector<uint32_t> tmp(static_cast<size_t>(std::max(w, h)));
    for (int pass = 0; pass < 2; ++pass) {
        for (int32_t y = 0; y < h; ++y)
            boxLine(px + step * y, w, 1, a, tmp.data());
        for (int32_t x = 0; x < w; ++x)
            boxLine(px + x, h, step, a, tmp.data());
    }
}

} // namespace nuvo::wipe
