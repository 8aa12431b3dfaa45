// Presentation of a 1280 x 720 back buffer through the screen manager: one
// small changed rectangle per frame against the whole frame, and the zoomed
// paths, next to memcpy of one frame measured in the same process. The
// window here does what the desktop window does with the pixels it is given
// (a row copy of each rectangle into its texture memory), so the figures are
// the player's own share of a present, without the window system's.
// The bodies run alternately, many short rounds, and the fastest round of
// each is compared.
//
//   bench_present                  the alternating comparison table
//   bench_present --benchmark_...  Google Benchmark runs of the same bodies
#include "render/ScreenManager.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace nuvo;

namespace {

constexpr int32_t W = 1280, H = 720;

// Keeps a texture-sized copy of what it was shown, updated rectangle by
// rectangle.
class UploadWindow : public platform::IWindow {
public:
    std::vector<uint8_t> texture = std::vector<uint8_t>(size_t(W) * H * 4);

    void Present(const platform::PixelView& p, const platform::PanelRect* rects, size_t count) override {
        for (size_t i = 0; i < count; ++i) {
            const platform::PanelRect& r = rects[i];
            const size_t bytes = size_t(r.right - r.left) * 4;
            for (int32_t y = r.top; y < r.bottom; ++y)
                std::memcpy(texture.data() + (size_t(y) * W + size_t(r.left)) * 4,
                            p.pixels + ptrdiff_t(y) * p.rowStep + ptrdiff_t(r.left) * 4, bytes);
        }
    }
    platform::DisplayInfo QueryDisplay() override {
        platform::DisplayInfo d;
        d.available = true;
        d.desktopBitCount = d.presentBitCount = 32;
        d.modes = {{1280, 720, 32, 60}};
        return d;
    }
    void Open(const platform::WindowSetup&) override {}
    void SetCaption(const std::string&) override {}
    void SetPanelSize(int32_t, int32_t) override {}
    void SetToolbarVisible(bool) override {}
    bool ToolbarVisible() const override { return false; }
    bool ReadPresented(std::vector<uint32_t>&, int32_t&, int32_t&) override { return false; }
    bool EnterFullScreen(const platform::DisplayMode&) override { return true; }
    void LeaveFullScreen() override {}
    bool IsFullScreen() const override { return false; }
    void SetCursor(const platform::CursorShape*) override {}
    bool MovePointer(int32_t, int32_t) override { return false; }
    void PumpEvents(platform::IWindowEvents&) override {}
    void WaitEvents(int32_t) override {}
};

struct Scene {
    UploadWindow window;
    TScreenManager screen{window, 720, 1280, H, W};
    std::vector<uint8_t> copyTarget = std::vector<uint8_t>(size_t(W) * H * 4);
    int32_t step = 0;

    Scene() {
        uint32_t seed = 1;
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                screen.BackBuffer().SetPixel(x, y, static_cast<int32_t>((seed = seed * 1664525u + 1013904223u) >> 8));
    }
    // A 64 x 32 rectangle (a caret, a button's highlight) that moves each frame.
    TRect smallRect() {
        step = (step + 37) % 1000;
        const int32_t x = (step * 13) % (W - 64), y = (step * 7) % (H - 32);
        return TRect{x, y, x + 64, y + 32};
    }
    // The same in the top-left quarter, which a 200 % zoom keeps on screen.
    TRect smallRectInQuarter() {
        const TRect r = smallRect();
        return TRect{r.Left / 2, r.Top / 2, r.Left / 2 + 64, r.Top / 2 + 32};
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
    const TRect all{0, 0, W, H};
    return {
        {"memcpy of one frame",
         [&s] { std::memcpy(s.copyTarget.data(), s.screen.BackBuffer().Bits(), s.copyTarget.size()); }},
        {"present one 64x32 rectangle", [&s] { s.screen.Present(100, TRect{}, {s.smallRect()}); }},
        {"present the whole frame", [&s, all] { s.screen.Present(100, all, {}); }},
        {"present 200% one rectangle", [&s] { s.screen.Present(200, TRect{}, {s.smallRectInQuarter()}); }},
        {"present 150% (whole stretch)", [&s] { s.screen.Present(150, TRect{}, {}); }},
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
        for (size_t i = 0; i < b.size(); ++i)
            best[i] = std::min(best[i], secondsOf(b[i].run));
    return best;
}

void printTable() {
    const std::vector<Body> b = bodies();
    for (const Body& x : b)
        x.run(); // warm up, touch every page
    std::printf("1280 x 720, 32-bit back buffer; fastest of 300 alternating rounds\n");
    const std::vector<double> best = alternatingMinima(b, 300);
    const double copy = best[0];
    std::printf("%-34s %10s %9s\n", "operation", "us", "x memcpy");
    for (size_t i = 0; i < b.size(); ++i)
        std::printf("%-34s %10.2f %9.3f\n", b[i].name, best[i] * 1e6, best[i] / copy);
}

void registerBenchmarks() {
    for (const Body& b : bodies())
        benchmark::RegisterBenchmark(b.name, [run = b.run](benchmark::State& state) {
            for (auto _ : state)
                run();
        });
}

} // namespace

int main(int argc, char** argv) {
    bool gbench = false;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--benchmark", 11) == 0) gbench = true;
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
