#include "render/wipe/WipeShapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Box sums keep the four bytes of a pixel in four 16-bit lanes: a window of
// at most 255 pixels keeps a lane, plus half the window for rounding, below
// 65536.
constexpr int32_t kMaxBoxRadius = 127;

struct TBox {
    int32_t a;     // radius
    uint16_t mul;  // 65536 / window
    uint16_t half; // window / 2
};

#if defined(__SSE2__)
// Two pixels as eight 16-bit lanes.
inline __m128i lanes(uint32_t p0, uint32_t p1) {
    return _mm_unpacklo_epi8(_mm_set_epi32(0, 0, static_cast<int>(p1), static_cast<int>(p0)), _mm_setzero_si128());
}
inline __m128i averages(__m128i sums, const TBox& b) {
    const __m128i avg = _mm_mulhi_epu16(_mm_add_epi16(sums, _mm_set1_epi16(static_cast<short>(b.half))),
                                        _mm_set1_epi16(static_cast<short>(b.mul)));
    return _mm_packus_epi16(avg, avg); // pixel 0 in bytes 0..3, pixel 1 in 4..7
}
#endif

inline uint64_t spread(uint32_t p) {
    const uint64_t v = p;
    return (v & 0xFF) | ((v & 0xFF00) << 8) | ((v & 0xFF0000) << 16) | ((v & 0xFF000000u) << 24);
}

// ((lane + half) x mul) >> 16 per lane: the rounded average of the window.
inline uint32_t average(uint64_t sums, const TBox& b) {
    uint32_t out = 0;
    for (int c = 0; c < 4; ++c) {
        const auto lane = static_cast<uint32_t>((sums >> (16 * c)) & 0xFFFF);
        out |= std::min<uint32_t>(255, ((lane + b.half) * b.mul) >> 16) << (8 * c);
    }
    return out;
}

// One box pass along rows r0 and r1 (the same row when alone), edges
// extended, reading from copies t0 and t1.
void boxRows(uint32_t* r0, uint32_t* r1, int32_t n, const TBox& b, std::vector<uint32_t>& t0,
             std::vector<uint32_t>& t1) {
    t0.assign(r0, r0 + n);
    t1.assign(r1, r1 + n);
    const auto at = [&](const std::vector<uint32_t>& t, int64_t i) {
        return t[static_cast<size_t>(std::clamp<int64_t>(i, 0, n - 1))];
    };
#if defined(__SSE2__)
    __m128i sums = _mm_setzero_si128();
    for (int64_t i = -b.a; i <= b.a; ++i)
        sums = _mm_add_epi16(sums, lanes(at(t0, i), at(t1, i)));
    for (int32_t i = 0; i < n; ++i) {
        const __m128i avg = averages(sums, b);
        r0[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(avg));
        r1[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(avg, 4)));
        const int64_t in = int64_t{i} + b.a + 1, out = int64_t{i} - b.a;
        sums = _mm_sub_epi16(_mm_add_epi16(sums, lanes(at(t0, in), at(t1, in))), lanes(at(t0, out), at(t1, out)));
    }
#else
    for (auto [row, t] : {std::pair{r0, &t0}, std::pair{r1, &t1}}) {
        uint64_t sums = 0;
        for (int64_t i = -b.a; i <= b.a; ++i)
            sums += spread(at(*t, i));
        for (int32_t i = 0; i < n; ++i) {
            row[i] = average(sums, b);
            sums = sums + spread(at(*t, int64_t{i} + b.a + 1)) - spread(at(*t, int64_t{i} - b.a));
        }
    }
#endif
}

// One box pass down every column at once, row by row (so memory is walked
// in order), reading from a copy of the pixels.
void boxColumns(uint32_t* px, int32_t w, int32_t h, int64_t step, const TBox& b, std::vector<uint32_t>& copy,
                std::vector<uint64_t>& sums) {
    copy.resize(static_cast<size_t>(w) * static_cast<size_t>(h) + 1);
    for (int32_t y = 0; y < h; ++y)
        std::copy(px + step * y, px + step * y + w, copy.begin() + int64_t{w} * y);
    const auto row = [&](int64_t y) { return copy.data() + int64_t{w} * std::clamp<int64_t>(y, 0, h - 1); };
    sums.assign(static_cast<size_t>(w) + 1, 0);
    for (int64_t y = -b.a; y <= b.a; ++y) {
        const uint32_t* r = row(y);
        for (int32_t x = 0; x < w; ++x)
            sums[static_cast<size_t>(x)] += spread(r[x]);
    }
    for (int32_t y = 0; y < h; ++y) {
        uint32_t* out = px + step * y;
        const uint32_t* in = row(int64_t{y} + b.a + 1);
        const uint32_t* gone = row(int64_t{y} - b.a);
        int32_t x = 0;
#if defined(__SSE2__)
        for (; x + 2 <= w; x += 2) {
            auto* s = reinterpret_cast<__m128i*>(&sums[static_cast<size_t>(x)]);
            const __m128i v = _mm_loadu_si128(s);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), averages(v, b));
            _mm_storeu_si128(s, _mm_sub_epi16(_mm_add_epi16(v, lanes(in[x], in[x + 1])), lanes(gone[x], gone[x + 1])));
        }
#endif
        for (; x < w; ++x) {
            uint64_t& s = sums[static_cast<size_t>(x)];
            out[x] = average(s, b);
            s = s + spread(in[x]) - spread(gone[x]);
        }
    }
}

} // namespace

void blur32(TDIBX& surface, int32_t radius) {
    if (radius <= 0 || surface.BitCount() != 32 || surface.IsEmpty()) return;
    const int32_t w = surface.Width(), h = surface.Height();
    TBox b;
    b.a = std::min((radius + 1) / 2, kMaxBoxRadius);
    const auto window = static_cast<uint32_t>(2 * b.a + 1);
    b.mul = static_cast<uint16_t>(65536 / window);
    b.half = static_cast<uint16_t>(window / 2);
    const int64_t step = surface.RowStep() / 4;
    auto* px = reinterpret_cast<uint32_t*>(surface.Bits());
    std::vector<uint32_t> t0, t1, copy;
    std::vector<uint64_t> sums;
    for (int pass = 0; pass < 2; ++pass) {
        for (int32_t y = 0; y < h; y += 2)
            boxRows(px + step * y, px + step * std::min(y + 1, h - 1), w, b, t0, t1);
        boxColumns(px, w, h, step, b, copy, sums);
    }
}

} // namespace nuvo::wipe
