// Every transition kind at 1280 x 720 (32-bit), one step at half time, against
// pixman compositing one 1280 x 720 a8r8g8b8 picture over another (OVER), the
// per-frame work of a plain cross-fade. Each kind's drawn state is forgotten
// before every step (ResetLevel), so kinds that redraw only when their level
// changes do their full work every time. Each kind and the baseline run
// alternately, many short rounds, and the fastest round of each is compared.
//
//   bench_wipes [--rounds=N] [--level=Reference|Scalar|Sse2|Avx2] [KIND...]
//
// Targets: fade, the scrolls, white and black at least as fast as the
// composite (ratio <= 1); every kind under 4 times it.
#include "render/DIBSurface.h"
#include "render/KernelLevel.h"
#include "render/wipe/Wipe.h"

#include <pixman.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace nuvo;

namespace {

constexpr int32_t W = 1280, H = 720, T = 1000;

// Picture-like content: smooth gradients with a little noise.
void paint(TDIBX& s, uint32_t seed) {
    std::mt19937 gen(seed);
    for (int32_t y = 0; y < s.Height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(s.ScanLine(y));
        for (int32_t x = 0; x < s.Width(); ++x) {
            const uint32_t n = gen() & 7;
            const uint32_t r = (x * 255 / W + n) & 255, g = (y * 255 / H + seed * 40) & 255,
                           b = ((x + y) / 8 + n) & 255;
            row[x] = r << 16 | g << 8 | b;
        }
    }
}

class TMaskPicture : public IWipePictureSource {
public:
    bool LoadWipePicture(const std::string&, TDIBSurface& picture) override {
        picture.SetSize(W / 2, H / 2, 24);
        for (int32_t y = 0; y < H / 2; ++y)
            for (int32_t x = 0; x < W / 2; ++x) {
                const auto v = static_cast<uint32_t>((x + 2 * y) % 256);
                picture.SetPixel(x, y, static_cast<int32_t>(v << 16 | v << 8 | v));
            }
        return true;
    }
};

struct Scene {
    TDIBX from{W, H, 32}, to{W, H, 32}, dest{W, H, 32};
    TDIBX pSource{W, H, 32}, pDest{W, H, 32};
    pixman_image_t* source = nullptr;
    pixman_image_t* target = nullptr;
    TWipeRandom random{1};
    TMaskPicture masks;
    TWipeContext context;

    Scene() {
        paint(from, 1);
        paint(to, 2);
        dest.Assign(from);
        // A premultiplied source whose alpha runs over the whole range, so
        // pixman has no opaque or clear shortcuts to take.
        paint(pSource, 3);
        paint(pDest, 4);
        for (int32_t y = 0; y < H; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(pSource.ScanLine(y));
            for (int32_t x = 0; x < W; ++x) {
                const uint32_t a = 16 + (x + y) % 224, p = row[x];
                const auto pre = [&](int s) { return ((p >> s & 255) * a / 255) << s; };
                row[x] = a << 24 | pre(16) | pre(8) | pre(0);
            }
        }
        source = pixman_image_create_bits(PIXMAN_a8r8g8b8, W, H, reinterpret_cast<uint32_t*>(pSource.Bits()),
                                          pSource.RowStep());
        target =
            pixman_image_create_bits(PIXMAN_a8r8g8b8, W, H, reinterpret_cast<uint32_t*>(pDest.Bits()), pDest.RowStep());
        context.Random = &random;
        context.Pictures = &masks;
        context.SetDefaultParams(WP_ZOOMIN, W / 2, H / 2);
    }
    ~Scene() {
        pixman_image_unref(source);
        pixman_image_unref(target);
    }
    void composite() { pixman_image_composite32(PIXMAN_OP_OVER, source, nullptr, target, 0, 0, 0, 0, 0, 0, W, H); }
};

double secondsOf(const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 60;
    std::vector<int32_t> kinds;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--rounds=", 0) == 0) {
            rounds = std::max(1, std::atoi(a.c_str() + 9));
            continue;
        }
        bool level = false;
        for (TKernelLevel l : {TKernelLevel::Reference, TKernelLevel::Scalar, TKernelLevel::Sse2, TKernelLevel::Avx2})
            if (a == std::string("--level=") + kernelLevelName(l)) setKernelLevel(l), level = true;
        if (level) continue;
        const int32_t k = std::atoi(a.c_str()) > 0 ? std::atoi(a.c_str()) : wipeKindByIdentifier(a);
        if (k < 1 || k >= kWipeKindCount) {
            std::fprintf(stderr, "bench_wipes: unknown kind '%s'\n", a.c_str());
            return 2;
        }
        kinds.push_back(k);
    }
    if (kinds.empty())
        for (int32_t k = 1; k < kWipeKindCount; ++k)
            kinds.push_back(k);

    Scene s;
    std::vector<std::unique_ptr<TCustomWipe>> wipes;
    for (int32_t k : kinds) {
        auto w = CreateWipe(k, s.dest, s.from, s.to, &s.context);
        w->Duration = T;
        if (k == WP_MASKFADE || k == WP_MASKWHITE || k == WP_MASKBLACK) w->SetMaskName("mask");
        w->Prepare();
        w->Elapsed = T / 2;
        w->Step(); // warm up (and make what a kind makes on its first use)
        wipes.push_back(std::move(w));
    }
    s.composite();

    std::vector<double> best(wipes.size(), 1e9);
    double baseline = 1e9;
    for (int r = 0; r < rounds; ++r)
        for (size_t i = 0; i < wipes.size(); ++i) {
            baseline = std::min(baseline, secondsOf([&] { s.composite(); }));
            TCustomWipe& w = *wipes[i];
            best[i] = std::min(best[i], secondsOf([&] {
                                   w.ResetLevel();
                                   w.Step();
                               }));
        }

    std::printf("1280 x 720, 32-bit, one step at half time; %s kernels; fastest of %d alternating rounds\n",
                kernelLevelName(activeKernelLevel()), rounds);
    std::printf("baseline: pixman OVER a8r8g8b8 onto a8r8g8b8  %.3f ms\n\n", baseline * 1e3);
    std::printf("%-3s %-16s %9s %9s\n", "", "kind", "ms", "x pixman");
    for (size_t i = 0; i < wipes.size(); ++i)
        std::printf("%-3d %-16s %9.3f %9.2f\n", kinds[i], wipeKindInfo(kinds[i]).Identifier, best[i] * 1e3,
                    best[i] / baseline);
    std::vector<size_t> order(wipes.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return best[a] > best[b]; });
    std::printf("\nslowest:");
    for (size_t i = 0; i < std::min<size_t>(5, order.size()); ++i)
        std::printf(" %s %.2fx%s", wipeKindInfo(kinds[order[i]]).Identifier, best[order[i]] / baseline,
                    i + 1 < std::min<size_t>(5, order.size()) ? "," : "\n");
    return 0;
}
