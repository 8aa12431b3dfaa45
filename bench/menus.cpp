// A menu of 500 items of 20 Japanese characters in 12 rows of 20-pixel IPA
// Gothic, each pair of sides run alternately, many short rounds, the fastest
// of each compared:
//   1. making the menu, laying it out and painting it the first time, against
//      FreeType loading and rendering the glyphs of the 12 visible rows into
//      bitmaps (only visible labels are ever rendered);
//   2. moving the hover by one item and painting the two rows it touched
//      (one rectangle when they are neighbours), against a full paint.
//
//   bench_menus
#include "BenchFonts.h"
#include "base/Cp932.h"
#include "components/NuvoBase.h"
#include "components/NuvoBaseList.h"
#include "components/NuvoMenu.h"
#include "platform/Fonts.h"
#include "text/FontPixel.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace nuvo;

namespace {

constexpr int32_t kRows = 12, kItems = 500, kSize = 20;

class Host final : public IBaseListHost {
public:
    TFontPixelManager* cache = nullptr;
    TFontPixelManager* Glyphs() override { return cache; }
};

std::string itemsText() {
    const std::string source = utf8ToSjis("吾輩は猫である名前はまだ無いどこで生れたかとんと見当がつかぬ何でも薄暗いじめじめした所で泣いていた事だけは記憶している");
    std::string text;
    for (int i = 0; i < kItems; ++i) {
        const size_t start = (static_cast<size_t>(i) * 6) % (source.size() - 40);
        text += source.substr(start - start % 2, 40);
        text += "\r\n";
    }
    return text;
}

double seconds(const std::function<void()>& f) {
    const auto a = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count();
}

// Runs the sides alternately and gives each one's fastest round.
std::vector<double> alternate(const std::vector<std::function<void()>>& sides, int rounds) {
    std::vector<double> best(sides.size(), 1e30);
    for (int r = 0; r < rounds; ++r)
        for (size_t i = 0; i < sides.size(); ++i) best[i] = std::min(best[i], seconds(sides[i]));
    return best;
}

} // namespace

int main() {
    const std::string file = bench::ipaGothicFile();
    if (file.empty()) {
        std::printf("IPAGothic is not installed (scripts/install-deps installs it)\n");
        return 1;
    }
    const auto engine = platform::createFontEngine({true, {}});
    TFontPixelManager glyphs(*engine);
    Host host;
    host.cache = &glyphs;
    TNuvoBaseList registry;
    registry.Host = &host;
    registry.SetSize(640, 480);
    TCustomDIBX& screen = *registry.DrawTarget();
    const std::string text = itemsText();

    const auto makeMenu = [&] {
        auto* m = registry.Create<TNuvoMenu>();
        m->SetParent(registry.ActiveBase());
        m->SetFontName("IPAGothic");
        m->SetFontHeight(kSize);
        m->SetRowCount(kRows);
        m->SetColor(0x402020);
        m->SetText(text);
        m->SetLeft(20);
        m->SetTop(20);
        return m;
    };
    const auto paint = [&](TNuvoMenu& m, const TRect& clip) {
        screen.ClipRect = clip;
        m.Paint();
        screen.ResetClip();
    };

    // Baseline 1: the visible rows' glyphs through FreeType.
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    FT_Init_FreeType(&library);
    FT_New_Face(library, file.c_str(), 0, &face);
    FT_Set_Pixel_Sizes(face, 0, kSize);
    std::vector<uint32_t> visible;
    {
        const std::string rows = text.substr(0, static_cast<size_t>(kRows) * 42);
        for (size_t i = 0; i + 1 < rows.size(); i += 2)
            if (rows[i] != '\r') visible.push_back(static_cast<uint32_t>(TFontPixelManager::CodePoint(
                    static_cast<uint16_t>(static_cast<uint8_t>(rows[i]) << 8 | static_cast<uint8_t>(rows[i + 1])))));
    }
    TNuvoMenu* first = nullptr;
    const std::vector<double> open = alternate(
        {[&] {
             TNuvoMenu* m = makeMenu();
             m->Layout();
             paint(*m, m->GetScreenRect());
             if (first) registry.FreeObject(first);
             first = m;
         },
         [&] {
             for (uint32_t u : visible) {
                 if (FT_Load_Char(face, u, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL)) continue;
                 FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
             }
         }},
        60);

    TNuvoMenu* m = first;
    paint(*m, m->GetScreenRect());
    int32_t hover = 0;
    const std::vector<double> hoverMove = alternate(
        {[&] {
             const int32_t next = (hover + 1) % kRows;
             const TRect before = m->RowRect(hover);
             m->SetHover(next);
             const TRect after = m->RowRect(next);
             // As the base screen repaints them: neighbouring rows are one
             // dirty rectangle (the wrap from the last row to the first, two).
             if (next != 0) {
                 paint(*m, unionRect(before, after));
             } else {
                 paint(*m, before);
                 paint(*m, after);
             }
             hover = next;
         },
         [&] { paint(*m, m->GetScreenRect()); }},
        300);

    std::printf("A menu of %d items of 20 characters, %d rows of %d-pixel IPA Gothic (fastest of alternating rounds)\n",
                kItems, kRows, kSize);
    std::printf("  %-50s %10.1f us\n", "make, lay out and first paint", open[0] * 1e6);
    std::printf("  %-50s %10.1f us   menu / FreeType = %.2f\n", "FreeType: load and render the visible glyphs",
                open[1] * 1e6, open[0] / open[1]);
    std::printf("  %-50s %10.1f us\n", "hover moved by one, two rows painted", hoverMove[0] * 1e6);
    std::printf("  %-50s %10.1f us   hover / full = %.3f\n", "full paint of the menu", hoverMove[1] * 1e6,
                hoverMove[0] / hoverMove[1]);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    registry.Clear();
    return 0;
}
