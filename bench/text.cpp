// Glyph drawing and the glyph cache against baselines measured in the same
// process, each pair run alternately, many short rounds, the fastest of each
// side compared:
//   1. drawing 400 cached 24-pixel IPA Gothic glyphs onto a 32-bit picture
//      against pixman compositing the same coverage as a8 masks under a solid
//      colour; with outline 2 and shadow 2 (rendered into the colour and mask
//      surfaces, then drawn through the mask) against pixman compositing the
//      coverage at every offset of the outline square and at the shadow;
//   2. a page of 200 distinct glyphs from a cold cache against FreeType
//      loading and rendering them itself, and from a warm cache.
//
//   bench_text                 the alternating comparison table
//   bench_text --benchmark_... Google Benchmark runs of the same bodies
#include "BenchFonts.h"
#include "base/Cp932.h"
#include "platform/Fonts.h"
#include "render/DIBX.h"
#include "text/FontPixel.h"

#include <benchmark/benchmark.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <pixman.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace nuvo;

namespace {

constexpr int32_t kSize = 24;
constexpr int32_t W = 1280, H = 720;

// 200 distinct characters of a page of Japanese text (kana, kanji, punctuation).
std::vector<uint16_t> pageCodes() {
    const std::string text = utf8ToSjis(
        "吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。何でも薄暗いじめじめした所でニャーニャー泣いていた事"
        "だけは記憶している。吾輩はここで始めて人間というものを見た。しかもあとで聞くとそれは書生という人間中で一番獰悪な種族"
        "であったそうだ。この書生というのは時々我々を捕えて煮て食うという話である。しかしその当時は何という考もなかったから別段"
        "恐しいとも思わなかった。ただ彼の掌に載せられてスーと持ち上げられた時何だかフワフワした感じがあったばかりである。掌の上"
        "で少し落ちついて書生の顔を見たのがいわゆる人間というものの見始であろう。この時妙なものだと思った感じが今でも残っている"
        "。第一毛をもって装飾されべきはずの顔がつるつるしてまるで薬缶だ。その後猫にもだいぶ逢ったがこんな片輪には一度も出会わ"
        "した事がない。のみならず顔の真中があまりに突起している。そうしてその穴の中から時々ぷうぷうと煙を吹く。どうも咽せぽく"
        "て実に弱った。これが人間の飲む煙草というものである事はようやくこの頃知った。");
    std::vector<uint16_t> codes;
    for (size_t i = 0; i + 1 < text.size() && codes.size() < 200;) {
        const uint16_t c = static_cast<uint16_t>(static_cast<uint8_t>(text[i]) << 8 | static_cast<uint8_t>(text[i + 1]));
        i += 2;
        if (std::find(codes.begin(), codes.end(), c) == codes.end()) codes.push_back(c);
    }
    return codes;
}

struct Scene {
    std::unique_ptr<platform::IFontEngine> engine = platform::createFontEngine({true, {}});
    TFontPixelManager cache{*engine};
    std::vector<uint16_t> codes = pageCodes();
    std::string font = utf8ToSjis("ＭＳ ゴシック");
    std::vector<const TFontPixel*> glyphs; // 400: the page twice
    TDIBX dest{W, H, 32};
    // The surfaces an outlined character is rendered into.
    TDIBX colour{W, H, 32}, mask{W, H, 8};
    pixman_image_t* pDest = nullptr;
    pixman_image_t* pInk = nullptr;
    pixman_image_t* pOutline = nullptr;
    pixman_image_t* pShadow = nullptr;
    std::vector<pixman_image_t*> pMasks;
    FT_Library library = nullptr;
    FT_Face face = nullptr;

    Scene() {
        for (int pass = 0; pass < 2; ++pass)
            for (uint16_t c : codes) glyphs.push_back(&cache.GetGlyph(c, font, 0, kSize));
        dest.Clear(0x203040);
        pDest = pixman_image_create_bits(PIXMAN_x8r8g8b8, W, H, reinterpret_cast<uint32_t*>(dest.Bits()), dest.RowStep());
        const pixman_color_t white = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}, blue = {0x2000, 0x3000, 0x8000, 0xFFFF},
                             black = {0, 0, 0, 0xFFFF};
        pInk = pixman_image_create_solid_fill(&white);
        pOutline = pixman_image_create_solid_fill(&blue);
        pShadow = pixman_image_create_solid_fill(&black);
        for (const TFontPixel* g : glyphs)
            pMasks.push_back(g->Coverage ? pixman_image_create_bits(PIXMAN_a8, g->BitmapWidth(), g->BitmapHeight(),
                                                                    reinterpret_cast<uint32_t*>(g->Coverage->Bits()),
                                                                    g->Coverage->RowStep())
                                         : nullptr);
        FT_Init_FreeType(&library);
        const std::string file = bench::ipaGothicFile();
        if (file.empty() || FT_New_Face(library, file.c_str(), 0, &face)) face = nullptr;
        if (face) FT_Set_Pixel_Sizes(face, 0, kSize);
    }
    ~Scene() {
        for (pixman_image_t* i : pMasks)
            if (i) pixman_image_unref(i);
        for (pixman_image_t* i : {pDest, pInk, pOutline, pShadow}) pixman_image_unref(i);
        if (face) FT_Done_Face(face);
        FT_Done_FreeType(library);
    }

    // Where glyph i goes: 40 cells a row.
    TRect cell(size_t i, int32_t extra = 0) const {
        const int32_t step = kSize + extra;
        const int32_t x = static_cast<int32_t>(i % 40) * step + 8, y = static_cast<int32_t>(i / 40) * step + 8;
        return TRect{x, y, x + kSize, y + kSize};
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

std::vector<Body> drawBodies() {
    Scene& s = scene();
    const int32_t white = s.dest.ColorToPixel(0xFFFFFF), blue = s.dest.ColorToPixel(0x803020);
    return {
        {"400 glyphs: DrawGlyph8 (text)", [&s, white] {
             for (size_t i = 0; i < s.glyphs.size(); ++i) {
                 const TFontPixel& g = *s.glyphs[i];
                 if (!g.Coverage) continue;
                 const TGlyphPlacement at = TFontPixelManager::Place(g, s.cell(i), 0);
                 s.dest.DrawGlyph8(at.x, at.y, 255, white, *g.Coverage, TRect{0, 0, g.BitmapWidth(), g.BitmapHeight()});
             }
         }},
        {"400 glyphs: pixman OVER solid + a8", [&s] {
             for (size_t i = 0; i < s.glyphs.size(); ++i) {
                 const TFontPixel& g = *s.glyphs[i];
                 if (!s.pMasks[i]) continue;
                 const TGlyphPlacement at = TFontPixelManager::Place(g, s.cell(i), 0);
                 pixman_image_composite32(PIXMAN_OP_OVER, s.pInk, s.pMasks[i], s.pDest, 0, 0, 0, 0, at.x, at.y,
                                          g.BitmapWidth(), g.BitmapHeight());
             }
         }},
        {"400 glyphs: DrawGlyph, outline 2, shadow 2", [&s, white, blue] {
             for (size_t i = 0; i < s.glyphs.size(); ++i) {
                 const TFontPixel& g = *s.glyphs[i];
                 const TRect c = s.cell(i, 6);
                 const TRect outer{c.Left, c.Top, c.Right + 6, c.Bottom + 6};
                 TFontPixelManager::DrawGlyph(g, s.colour, s.mask, true, 0, blue, white, false, false, 2, 2, c, &outer);
                 s.dest.DrawMask(outer.Left, outer.Top, s.colour, outer, s.mask);
             }
         }},
        {"400 glyphs: pixman 25 offsets + shadow", [&s] {
             for (size_t i = 0; i < s.glyphs.size(); ++i) {
                 const TFontPixel& g = *s.glyphs[i];
                 if (!s.pMasks[i]) continue;
                 const TGlyphPlacement at = TFontPixelManager::Place(g, s.cell(i, 6), 2);
                 const int32_t w = g.BitmapWidth(), h = g.BitmapHeight();
                 pixman_image_composite32(PIXMAN_OP_OVER, s.pShadow, s.pMasks[i], s.pDest, 0, 0, 0, 0, at.x + 2, at.y + 2, w, h);
                 for (int dy = -2; dy <= 2; ++dy)
                     for (int dx = -2; dx <= 2; ++dx)
                         pixman_image_composite32(PIXMAN_OP_OVER, (dx || dy) ? s.pOutline : s.pInk, s.pMasks[i], s.pDest, 0, 0,
                                                  0, 0, at.x + dx, at.y + dy, w, h);
             }
         }},
    };
}

std::vector<Body> cacheBodies() {
    Scene& s = scene();
    return {
        {"200 glyphs, cold cache", [&s] {
             TFontPixelManager cold(*s.engine);
             for (uint16_t c : s.codes) benchmark::DoNotOptimize(cold.GetGlyph(c, s.font, 0, kSize).Coverage.get());
         }},
        {"200 glyphs, FreeType load + render", [&s] {
             for (uint16_t c : s.codes) {
                 const int32_t u = TFontPixelManager::CodePoint(c);
                 if (FT_Load_Char(s.face, static_cast<FT_ULong>(u), FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL)) continue;
                 FT_Render_Glyph(s.face->glyph, FT_RENDER_MODE_NORMAL);
                 benchmark::DoNotOptimize(s.face->glyph->bitmap.buffer);
             }
         }},
        {"200 glyphs, warm cache", [&s] {
             for (uint16_t c : s.codes) benchmark::DoNotOptimize(s.cache.GetGlyph(c, s.font, 0, kSize).Coverage.get());
         }},
    };
}

double secondsOf(const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

std::vector<double> alternatingMinima(const std::vector<Body>& b, int rounds) {
    std::vector<double> best(b.size(), 1e9);
    for (int r = 0; r < rounds; ++r)
        for (size_t i = 0; i < b.size(); ++i) best[i] = std::min(best[i], secondsOf(b[i].run));
    return best;
}

void printTable() {
    const std::vector<Body> draw = drawBodies();
    for (const Body& x : draw) x.run();
    const std::vector<double> d = alternatingMinima(draw, 300);
    std::printf("Drawing 400 cached %d-pixel glyphs on a 32-bit picture (fastest of 300 alternating rounds)\n", kSize);
    std::printf("  %-44s %10.1f us\n", draw[0].name, d[0] * 1e6);
    std::printf("  %-44s %10.1f us   ours / pixman = %.2f\n", draw[1].name, d[1] * 1e6, d[0] / d[1]);
    std::printf("  %-44s %10.1f us\n", draw[2].name, d[2] * 1e6);
    std::printf("  %-44s %10.1f us   ours / pixman = %.2f\n", draw[3].name, d[3] * 1e6, d[2] / d[3]);
    const std::vector<Body> cache = cacheBodies();
    for (const Body& x : cache) x.run();
    const std::vector<double> c = alternatingMinima(cache, 100);
    std::printf("A page of 200 distinct glyphs (fastest of 100 alternating rounds)\n");
    std::printf("  %-44s %10.1f us   ours / FreeType = %.2f\n", cache[0].name, c[0] * 1e6, c[0] / c[1]);
    std::printf("  %-44s %10.1f us\n", cache[1].name, c[1] * 1e6);
    std::printf("  %-44s %10.1f us   ours / FreeType = %.3f\n", cache[2].name, c[2] * 1e6, c[2] / c[1]);
}

double minOf(const std::vector<double>& v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }

void registerBenchmarks() {
    std::vector<Body> bodies = drawBodies();
    for (Body& b : cacheBodies()) bodies.push_back(std::move(b));
    for (const Body& b : bodies)
        benchmark::RegisterBenchmark(b.name,
                                     [run = b.run](benchmark::State& state) {
                                         for (auto _ : state) run();
                                     })
            ->Unit(benchmark::kMicrosecond)
            ->ComputeStatistics("min", minOf);
}

} // namespace

int main(int argc, char** argv) {
    bool gbench = false;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--benchmark", 11) == 0) gbench = true;
    if (!scene().face) {
        std::printf("IPAGothic is not installed (scripts/install-deps installs it)\n");
        return 1;
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
