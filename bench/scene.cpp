// A 1280 x 720 screen of 40 overlapping half-transparent images on one base
// screen, painted through the registry, against baselines measured in the
// same process:
//   full repaint       the whole base dirty, painted (background and 40 images)
//   pixman full        pixman compositing the same background and 40 images
//   moving image       one small image moved by a few pixels: its rectangles
//                      painted and presented (copied to a window picture)
//   memcpy             one frame copied
// Each body runs alternately, many short rounds, and the minimum of each is
// compared.
//
//   bench_scene                 the alternating comparison table
//   bench_scene --benchmark_... Google Benchmark runs of the same bodies
#include "components/NuvoBaseList.h"
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
constexpr int kImages = 40;
constexpr int32_t kBackground = 0x402818;

// An image as image components paint one: a picture drawn through its
// 8-bit mask.
class TSceneImage : public TNuvoControl {
public:
    TSceneImage(TNuvoBaseList* owner, int32_t w, int32_t h, uint32_t seed) : TNuvoControl(owner) {
        Picture.SetSize(w, h, 32);
        Mask.SetSize(w, h, 8);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                seed = seed * 1664525u + 1013904223u;
                Picture.SetPixel(x, y, static_cast<int32_t>(((seed >> 8) & 0x3F3F3F) + 0x604020 * ((x / 16 + y / 16) % 3)));
                // Half transparent inside, fading out towards the edges.
                const double dx = (x + 0.5) / w - 0.5, dy = (y + 0.5) / h - 0.5;
                const double d = std::sqrt(dx * dx + dy * dy) * 2;
                Mask.SetPixel(x, y, d >= 1 ? 0 : d < 0.7 ? 128 : static_cast<int32_t>(128 * (1 - d) / 0.3));
            }
        SetBounds(0, 0, w, h);
    }
    TDIBX Picture;
    TDIBX Mask;
    void Paint() override {
        if (TCustomDIBX* surface = GetDrawSurface())
            surface->DrawMask(GetAbsLeft(), GetAbsTop(), Picture, makeRect(0, 0, GetWidth(), GetHeight()), Mask);
        TNuvoControl::Paint();
    }
};

struct Placement {
    int32_t x, y, w, h;
};

struct Scene {
    TNuvoBaseList registry;
    TDIBX screen{W, H, 32};                                   // the screen manager's back buffer
    std::vector<uint32_t> window = std::vector<uint32_t>(size_t(W) * H); // what the window shows
    std::vector<Placement> placed;
    std::vector<TSceneImage*> images;
    TSceneImage* sprite = nullptr;
    int step = 0;

    pixman_image_t* pDest = nullptr;
    std::vector<pixman_image_t*> pPictures, pMasks;
    pixman_color_t background{};

    Scene() {
        registry.AttachScreen(&screen);
        registry.SetSize(W, H);
        registry.ActiveBase()->SetColor(kBackground);
        uint32_t seed = 12345;
        const auto next = [&] { return seed = seed * 1103515245u + 12345u; };
        for (int i = 0; i < kImages; ++i) {
            const int32_t w = 160 + static_cast<int32_t>(next() >> 16) % 192;
            const int32_t h = 120 + static_cast<int32_t>(next() >> 16) % 160;
            const int32_t x = static_cast<int32_t>(next() >> 16) % (W - w / 2) - w / 4;
            const int32_t y = static_cast<int32_t>(next() >> 16) % (H - h / 2) - h / 4;
            auto* image = registry.Create<TSceneImage>(w, h, next());
            image->SetParent(registry.ActiveBase());
            image->SetBounds(x, y, w, h);
            image->SetPriority(i);
            images.push_back(image);
            placed.push_back({x, y, w, h});
        }
        sprite = registry.Create<TSceneImage>(64, 64, 99u);
        sprite->SetParent(registry.ActiveBase());
        sprite->SetBounds(600, 300, 64, 64);
        sprite->SetPriority(kImages / 2); // in the middle of the pile

        pDest = pixman_image_create_bits(PIXMAN_x8r8g8b8, W, H, reinterpret_cast<uint32_t*>(screen.Bits()), screen.RowStep());
        for (TSceneImage* image : images) {
            pPictures.push_back(pixman_image_create_bits(PIXMAN_x8r8g8b8, image->GetWidth(), image->GetHeight(),
                                                         reinterpret_cast<uint32_t*>(image->Picture.Bits()),
                                                         image->Picture.RowStep()));
            pMasks.push_back(pixman_image_create_bits(PIXMAN_a8, image->GetWidth(), image->GetHeight(),
                                                      reinterpret_cast<uint32_t*>(image->Mask.Bits()),
                                                      image->Mask.RowStep()));
        }
        const uint32_t px = static_cast<uint32_t>(screen.ColorToPixel(kBackground));
        background = {static_cast<uint16_t>(((px >> 16) & 0xFF) * 257), static_cast<uint16_t>(((px >> 8) & 0xFF) * 257),
                      static_cast<uint16_t>((px & 0xFF) * 257), 0xFFFF};
    }
    ~Scene() {
        pixman_image_unref(pDest);
        for (pixman_image_t* i : pPictures) pixman_image_unref(i);
        for (pixman_image_t* i : pMasks) pixman_image_unref(i);
    }

    // What the frame loop does after painting: present the changed rectangles.
    void present() {
        for (const TRect& r : registry.ActiveBase()->DirtyList.Rects())
            for (int32_t y = r.Top; y < r.Bottom; ++y)
                std::memcpy(&window[size_t(y) * W + size_t(r.Left)], screen.Bits() + size_t(y) * size_t(screen.RowStep()) + size_t(r.Left) * 4,
                            size_t(r.Right - r.Left) * 4);
        registry.ClearDirtyLists();
    }
    void fullRepaint() {
        registry.ActiveBase()->Invalidate();
        registry.Paint();
        registry.ClearDirtyLists();
    }
    void moveSprite() {
        ++step;
        sprite->SetLeft(600 + static_cast<int32_t>(200 * std::sin(step * 0.05)));
        sprite->SetTop(300 + static_cast<int32_t>(150 * std::cos(step * 0.07)));
        registry.Paint();
        present();
    }
    // The background and the 40 images (the sprite left out, as it is one
    // small image more).
    void pixmanFull() {
        const pixman_rectangle16_t all{0, 0, W, H};
        pixman_image_fill_rectangles(PIXMAN_OP_SRC, pDest, &background, 1, &all);
        for (size_t i = 0; i < placed.size(); ++i)
            pixman_image_composite32(PIXMAN_OP_OVER, pPictures[i], pMasks[i], pDest, 0, 0, 0, 0, placed[i].x,
                                     placed[i].y, placed[i].w, placed[i].h);
    }
};

Scene& scene() {
    static Scene s;
    return s;
}

struct Body {
    const char* name;
    std::function<void()> run;
};

std::vector<Body> bodies() {
    Scene& s = scene();
    return {
        {"memcpy of one frame", [&s] { std::memcpy(s.window.data(), s.screen.Bits(), size_t(W) * H * 4); }},
        {"full repaint", [&s] { s.fullRepaint(); }},
        {"pixman full", [&s] { s.pixmanFull(); }},
        {"moving image (paint + present)", [&s] { s.moveSprite(); }},
    };
}

double secondsOf(const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Both full paints must give the same picture (the blend rules differ by
// their rounding): the largest channel difference between them.
int largestDifference() {
    Scene& s = scene();
    s.sprite->SetVisible(false);
    s.fullRepaint();
    s.sprite->SetVisible(true);
    TDIBX ours(W, H, 32);
    ours.Assign(s.screen);
    s.pixmanFull();
    int largest = 0;
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            const uint32_t a = static_cast<uint32_t>(ours.GetPixel(x, y)), b = static_cast<uint32_t>(s.screen.GetPixel(x, y));
            for (int shift = 0; shift < 24; shift += 8)
                largest = std::max(largest, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
        }
    s.fullRepaint();
    return largest;
}

void printTable() {
    std::printf("largest channel difference between the full repaint and pixman's: %d\n", largestDifference());
    const std::vector<Body> b = bodies();
    for (const Body& x : b) x.run();
    const int rounds = 300;
    std::vector<double> best(b.size(), 1e9);
    for (int r = 0; r < rounds; ++r)
        for (size_t i = 0; i < b.size(); ++i) best[i] = std::min(best[i], secondsOf(b[i].run));
    std::printf("1280 x 720, 32-bit, 40 images with half-transparent masks; %s kernels; fastest of %d alternating "
                "rounds\n",
                kernelLevelName(activeKernelLevel()), rounds);
    std::printf("%-34s %9s %12s %12s\n", "body", "ms", "x memcpy", "x full");
    for (size_t i = 0; i < b.size(); ++i)
        std::printf("%-34s %9.3f %12.2f %12.3f\n", b[i].name, best[i] * 1e3, best[i] / best[0], best[i] / best[1]);
    std::printf("full repaint / pixman full: %.3f\n", best[1] / best[2]);
}

void registerBenchmarks() {
    for (const Body& b : bodies())
        benchmark::RegisterBenchmark(b.name, [run = b.run](benchmark::State& state) {
            for (auto _ : state) run();
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
