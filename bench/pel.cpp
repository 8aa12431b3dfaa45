// Decoding a 1280 x 720 layered image with a zlib plane against libpng
// decoding the same picture, alternating rounds and comparing minima; and
// the copy of a decoded frame into a 32-bit display surface.
#include "base/Stream.h"
#include "render/DIBSurface.h"
#include "render/ImageCodecs.h"
#include "render/PelkImage.h"

#include <png.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

using namespace nuvo;

namespace {

constexpr int32_t W = 1280, H = 720;

// A picture that compresses like an illustration: gradients, shapes, grain.
TDIBSurface picture() {
    TDIBSurface p(W, H, 24);
    uint32_t seed = 7;
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = static_cast<int>(seed >> 29) - 4;
            int r = x * 200 / W + 30, g = y * 180 / H + 40, b = 120 + static_cast<int>(60 * std::sin(x * 0.01 + y * 0.02));
            if (std::hypot(x - 400.0, y - 300.0) < 180) r = 230, g = 210, b = 190;
            if ((x / 40 + y / 40) % 7 == 0) b = 40;
            auto c = [&](int v) { return static_cast<uint32_t>(std::clamp(v + grain, 0, 255)); };
            p.SetPixel(x, y, static_cast<int32_t>(c(r) << 16 | c(g) << 8 | c(b)));
        }
    return p;
}

double secondsOf(const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

int main() {
    TDIBSurface pic = picture();
    TPelkFrameList list;
    list.AddFrame().Composite.Duplicate(pic);
    TKvMemoryStream pel;
    list.SaveToStream(pel, 0, 70);
    const std::vector<uint8_t> png = WritePng(pic, -1);
    std::vector<uint8_t> rgb(size_t(W) * H * 3);
    TDIBX display(1, 1, 32);

    TPelkFrameList decoded;
    const std::function<void()> ours = [&] {
        pel.setPosition(0);
        decoded.LoadFromStream(pel, false, false, false);
    };
    const std::function<void()> libpng = [&] {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        png_image_begin_read_from_memory(&image, png.data(), png.size());
        image.format = PNG_FORMAT_BGR;
        png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr);
    };
    const std::function<void()> toScreen = [&] { CopyToSurface(decoded.GetFrame(0), display); };
    ours();
    libpng();
    toScreen();
    double best[3] = {1e9, 1e9, 1e9};
    for (int r = 0; r < 60; ++r) {
        best[0] = std::min(best[0], secondsOf(ours));
        best[1] = std::min(best[1], secondsOf(libpng));
        best[2] = std::min(best[2], secondsOf(toScreen));
    }
    std::printf("1280 x 720, 24-bit picture: layered image %zu bytes (zlib, fastest level), PNG %zu bytes (libpng defaults)\n",
                pel.bytes().size(), png.size());
    std::printf("fastest of 60 alternating rounds\n");
    std::printf("%-40s %8.3f ms\n", "pel decode (TPelkFrameList)", best[0] * 1e3);
    std::printf("%-40s %8.3f ms\n", "libpng decode (simplified API, BGR)", best[1] * 1e3);
    std::printf("%-40s %8.2f\n", "ratio pel / libpng", best[0] / best[1]);
    std::printf("%-40s %8.3f ms\n", "CopyToSurface 24 -> 32", best[2] * 1e3);
    return 0;
}
