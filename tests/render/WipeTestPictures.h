// Pictures and a runner shared by the transition tests: a 64 x 48 outgoing
// picture of sixteen coloured cells with white grid lines, an incoming one of
// a blue and yellow checker with a red ring, and a grey mask picture.
#pragma once

#include "render/DIBSurface.h"
#include "render/wipe/Wipe.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace nuvo::wipetest {

constexpr int32_t kW = 64, kH = 48, kT = 1000;

inline uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }
inline uint32_t red(uint32_t p) { return (p >> 16) & 0xFF; }
inline uint32_t green(uint32_t p) { return (p >> 8) & 0xFF; }
inline uint32_t blue(uint32_t p) { return p & 0xFF; }

inline uint32_t px(const TCustomDIBX& s, int32_t x, int32_t y) {
    return static_cast<uint32_t>(s.GetPixel(x, y)) & 0xFFFFFF;
}

// Sixteen cells of 16 x 12 pixels, white lines on the cell edges.
inline void paintFrom(TCustomDIBX& s) {
    static const uint32_t cells[16] = {rgb(200, 30, 30),  rgb(30, 160, 40),   rgb(40, 60, 200),  rgb(220, 200, 40),
                                       rgb(150, 40, 170), rgb(30, 170, 170),  rgb(240, 130, 30), rgb(90, 90, 90),
                                       rgb(120, 200, 90), rgb(200, 100, 150), rgb(60, 30, 120),  rgb(170, 150, 110),
                                       rgb(20, 90, 60),   rgb(230, 230, 200), rgb(100, 50, 20),  rgb(60, 140, 230)};
    for (int32_t y = 0; y < s.Height(); ++y)
        for (int32_t x = 0; x < s.Width(); ++x) {
            const bool line = x % 16 == 0 || y % 12 == 0;
            const uint32_t c = line ? rgb(255, 255, 255) : cells[((y / 12) % 4) * 4 + (x / 16) % 4];
            s.SetPixel(x, y, static_cast<int32_t>(s.ColorToPixel(makeColor(red(c), green(c), blue(c)))));
        }
}

// A checker of 8-pixel squares with a red ring around the centre.
inline void paintTo(TCustomDIBX& s) {
    for (int32_t y = 0; y < s.Height(); ++y)
        for (int32_t x = 0; x < s.Width(); ++x) {
            const double d = std::hypot(x + 0.5 - s.Width() / 2.0, y + 0.5 - s.Height() / 2.0);
            uint32_t c = ((x / 8 + y / 8) % 2) ? rgb(30, 40, 140) : rgb(250, 210, 70);
            if (d >= 10 && d < 15) c = rgb(210, 30, 40);
            s.SetPixel(x, y, static_cast<int32_t>(s.ColorToPixel(makeColor(red(c), green(c), blue(c)))));
        }
}

// A grey picture of half the size: a diagonal ramp (r = g = b).
inline TDIBSurface greyRamp() {
    TDIBSurface p(kW / 2, kH / 2, 24);
    for (int32_t y = 0; y < p.Height(); ++y)
        for (int32_t x = 0; x < p.Width(); ++x) {
            const auto v = static_cast<uint32_t>((x * 6 + y * 3) % 256);
            p.SetPixel(x, y, static_cast<int32_t>(rgb(v, v, v)));
        }
    return p;
}

// Hands out pictures by name from a function (none by default).
class TTestPictures : public IWipePictureSource {
public:
    std::function<bool(const std::string&, TDIBSurface&)> load;
    int calls = 0;
    bool LoadWipePicture(const std::string& name, TDIBSurface& picture) override {
        ++calls;
        return load && load(name, picture);
    }
};

struct TRunOptions {
    bool reverse = false;
    std::optional<int32_t> p0, p1;
    std::string mask;
    int bitCount = 32;
    int32_t width = kW, height = kH;
    uint32_t seed = 1;
};

// A transition over the test pictures with a generator and the ramp as the
// mask picture "ramp"; Dest starts as From, as the back buffer does.
struct TWipeRun {
    TDIBSurface from, to, dest;
    TWipeRandom random;
    TTestPictures pictures;
    TWipeContext context;
    std::unique_ptr<TCustomWipe> wipe;

    TWipeRun(int32_t kind, const TRunOptions& o = {})
        : from(o.width, o.height, o.bitCount), to(o.width, o.height, o.bitCount), dest(o.width, o.height, o.bitCount),
          random(o.seed) {
        paintFrom(from);
        paintTo(to);
        dest.Assign(from);
        pictures.load = [](const std::string& name, TDIBSurface& out) {
            if (name != "ramp") return false;
            out.Duplicate(greyRamp());
            return true;
        };
        context.Random = &random;
        context.Pictures = &pictures;
        wipe = CreateWipe(kind, dest, from, to, &context);
        if (!wipe) return;
        wipe->Duration = kT;
        wipe->SetReverse(o.reverse);
        if (o.p0) wipe->SetParam(0, *o.p0);
        if (o.p1) wipe->SetParam(1, *o.p1);
        if (!o.mask.empty()) wipe->SetMaskName(o.mask);
        wipe->Prepare();
    }

    // Steps to t; returns the step's answer.
    bool step(int32_t t) {
        wipe->Elapsed = t;
        return wipe->Step();
    }
};

// The lower-case name of a kind without "WP_" ("blindh").
inline std::string kindName(int32_t kind) {
    std::string s = wipeKindInfo(kind).Identifier + 3;
    for (char& c : s)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return s;
}

} // namespace nuvo::wipetest
