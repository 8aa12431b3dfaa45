// Drawing operations on 1280 x 720 surfaces against baselines measured in
// the same process: memcpy of the same bytes (the physical limit) and pixman
// doing the nearest equivalent composite. Each pair runs alternately, many
// short rounds, and the minimum of each side is compared.
//
//   bench_surfaces                 the alternating comparison table
//   bench_surfaces --benchmark_... Google Benchmark runs of the same bodies
#include "render/DIBX.h"
#include "render/KernelLevel.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace nuvo;

namespace {

constexpr int32_t W = 1280, H = 720;

struct Scene {
    TDIBX dest{W, H, 32}, source{W, H, 32}, softMask{W, H, 8}, noiseMask{W, H, 8};
    std::vector<uint32_t> copyTarget = std::vector<uint32_t>(size_t(W) * H);
    pixman_image_t* pDest = nullptr;
    pixman_image_t* pSource = nullptr;
    pixman_image_t* pSourceAlpha = nullptr;
    pixman_image_t* pSoftMask = nullptr;
    pixman_image_t* pNoiseMask = nullptr;
    pixman_image_t* pConstant = nullptr;

    Scene() {
        uint32_t seed = 1;
        auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x) {
                dest.SetPixel(x, y, static_cast<int32_t>(next() >> 8));
                source.SetPixel(x, y, static_cast<int32_t>(next() >> 8));
                // Sprites: soft discs on a 64-pixel grid, mostly 0 or 255.
                const double d = std::hypot((x % 64) - 31.5, (y % 64) - 31.5);
                softMask.SetPixel(x, y, d < 24 ? 255 : d < 30 ? static_cast<int32_t>((30 - d) * 42) : 0);
                noiseMask.SetPixel(x, y, static_cast<int32_t>(next() >> 24));
            }
        // pixman works on the same memory: x8r8g8b8 is our 32-bit layout.
        pDest = pixman_image_create_bits(PIXMAN_x8r8g8b8, W, H, reinterpret_cast<uint32_t*>(dest.Bits()), dest.RowStep());
        pSource = pixman_image_create_bits(PIXMAN_x8r8g8b8, W, H, reinterpret_cast<uint32_t*>(source.Bits()), source.RowStep());
        pSourceAlpha = pixman_image_create_bits(PIXMAN_a8r8g8b8, W, H, reinterpret_cast<uint32_t*>(source.Bits()), source.RowStep());
        pSoftMask = pixman_image_create_bits(PIXMAN_a8, W, H, reinterpret_cast<uint32_t*>(softMask.Bits()), softMask.RowStep());
        pNoiseMask = pixman_image_create_bits(PIXMAN_a8, W, H, reinterpret_cast<uint32_t*>(noiseMask.Bits()), noiseMask.RowStep());
        const pixman_color_t half = {0, 0, 0, 0x8080};
        pConstant = pixman_image_create_solid_fill(&half);
    }
    ~Scene() {
        for (pixman_image_t* i : {pDest, pSource, pSourceAlpha, pSoftMask, pNoiseMask, pConstant}) pixman_image_unref(i);
    }
};

Scene& scene() {
    static Scene s;
    return s;
}

const TRect kAll{0, 0, W, H};

struct Body {
    const char* name;
    std::function<void()> run;
};

std::vector<Body> bodies() {
    Scene& s = scene();
    return {
        {"memcpy", [&s] { std::memcpy(s.copyTarget.data(), s.source.Bits(), s.source.BitsSize()); }},
        {"Draw (opaque copy)", [&s] { s.dest.Draw(0, 0, s.source, kAll, false); }},
        {"DrawMask soft mask", [&s] { s.dest.DrawMask(0, 0, s.source, kAll, s.softMask); }},
        {"pixman OVER x888 + a8 soft mask",
         [&s] { pixman_image_composite32(PIXMAN_OP_OVER, s.pSource, s.pSoftMask, s.pDest, 0, 0, 0, 0, 0, 0, W, H); }},
        {"DrawMask noise mask", [&s] { s.dest.DrawMask(0, 0, s.source, kAll, s.noiseMask); }},
        {"pixman OVER x888 + a8 noise mask",
         [&s] { pixman_image_composite32(PIXMAN_OP_OVER, s.pSource, s.pNoiseMask, s.pDest, 0, 0, 0, 0, 0, 0, W, H); }},
        {"DrawAlphaMask 200 noise mask", [&s] { s.dest.DrawAlphaMask(0, 0, s.source, kAll, s.noiseMask, 200); }},
        {"DrawAlpha 128", [&s] { s.dest.DrawAlpha(0, 0, s.source, kAll, 128, false); }},
        {"pixman OVER x888 + constant alpha",
         [&s] { pixman_image_composite32(PIXMAN_OP_OVER, s.pSource, s.pConstant, s.pDest, 0, 0, 0, 0, 0, 0, W, H); }},
        {"DrawAdd 255", [&s] { s.dest.DrawAdd(0, 0, s.source, kAll, 255); }},
        {"pixman ADD 8888", [&s] { pixman_image_composite32(PIXMAN_OP_ADD, s.pSourceAlpha, nullptr, s.pDest, 0, 0, 0, 0, 0, 0, W, H); }},
        {"DrawAddMask 255 soft mask", [&s] { s.dest.DrawAddMask(0, 0, s.source, kAll, s.softMask, 255); }},
        {"FillRectAlpha 128", [&s] { s.dest.FillRectAlpha(kAll, 0x406080, 128); }},
        {"FillMask 255 soft mask", [&s] { s.dest.FillMask(0, 0, kAll, s.softMask, 0x406080, 255); }},
        {"StretchDraw 640x360 -> 1280x720", [&s] { s.dest.StretchDraw(kAll, s.source, TRect{0, 0, 640, 360}, 255, false); }},
    };
}

double secondsOf(const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Runs the bodies round-robin and keeps each one's fastest round.
std::vector<double> alternatingMinima(const std::vector<Body>& b, int rounds) {
    std::vector<double> best(b.size(), 1e9);
    for (int r = 0; r < rounds; ++r)
        for (size_t i = 0; i < b.size(); ++i) best[i] = std::min(best[i], secondsOf(b[i].run));
    return best;
}

void printTable() {
    const std::vector<Body> b = bodies();
    for (const Body& x : b) x.run(); // warm up, touch every page
    std::printf("1280 x 720, 32-bit; %s kernels; fastest of 200 alternating rounds\n",
                kernelLevelName(activeKernelLevel()));
    const std::vector<double> best = alternatingMinima(b, 200);
    const double copy = best[0];
    std::printf("%-36s %9s %9s\n", "operation", "ms", "x memcpy");
    for (size_t i = 0; i < b.size(); ++i)
        std::printf("%-36s %9.3f %9.2f\n", b[i].name, best[i] * 1e3, best[i] / copy);
}

void registerBenchmarks() {
    for (const Body& b : bodies())
        benchmark::RegisterBenchmark(b.name, [run = b.run](benchmark::State& state) {
            for (auto _ : state) run();
            state.SetBytesProcessed(state.iterations() * int64_t{W} * H * 4);
        });
}

} // namespace

int main(int argc, char** argv) {
    bool gbench = false;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--benchmark", 11) == 0) gbench = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        for (TKernelLevel l : {TKernelLevel::Reference, TKernelLevel::Scalar, TKernelLevel::Sse2, TKernelLevel::Avx2})
            if (a == std::string("--level=") + kernelLevelName(l)) setKernelLevel(l);
    }
    if (!gbench) {
        printTable();
        return 0;
    }
    registerBenchmarks();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
