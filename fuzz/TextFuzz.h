// What the text fuzz targets share: one glyph cache on the IPA faces (a
// configuration of our own), pictures named "WxH" drawn as boxes, variables
// whose value is their name, and the drive of a laid-out word.
#pragma once

#include "base/Stream.h"
#include "platform/Fonts.h"
#include "render/DIBX.h"
#include "text/FontPixel.h"
#include "text/KvWord.h"

#include <cstdio>
#include <memory>

// fontconfig keeps its configuration for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

namespace nuvo::fuzz {

inline TFontPixelManager& glyphs() {
    static const std::unique_ptr<platform::IFontEngine> engine = platform::createFontEngine({true, {}});
    static TFontPixelManager cache(*engine);
    return cache;
}

class BoxPicture final : public IWordPicture {
public:
    BoxPicture(int32_t w, int32_t h) : w_(w), h_(h) {}
    int32_t Width() const override { return w_; }
    int32_t Height() const override { return h_; }
    int FrameCount() const override { return 2; }
    int32_t FrameDuration(int frame) const override { return 10 + frame; }
    void DrawFrame(int frame, TCustomDIBX& target, int32_t x, int32_t y, int32_t alpha, const TRect& r) override {
        target.FillRectAlpha(offsetRect(r, x, y), frame ? 0x00FF00 : 0x0000FF, alpha);
    }

private:
    int32_t w_, h_;
};

inline void prepare(TKvWord& word) {
    word.Glyphs = &glyphs();
    word.VariableText = [](const std::string& name) -> std::optional<std::string> { return name; };
    word.LoadPicture = [](const std::string& src) -> std::unique_ptr<IWordPicture> {
        int w = 0, h = 0;
        if (std::sscanf(src.c_str(), "%dx%d", &w, &h) != 2 || w < 0 || h < 0 || w > 2000 || h > 2000) return nullptr;
        return std::make_unique<BoxPicture>(w, h);
    };
}

// Lays the word out, renders and draws its first pages with a reveal, a
// hover and a fade, and writes its element stream.
inline void drive(TKvWord& word) {
    TWdPageList pages;
    word.Layout(pages);
    TDIBX dest(320, 240, 32);
    for (size_t p = 0; p < pages.size() && p < 2; ++p) {
        TWdPage& page = *pages[p];
        const int bits = p ? 16 : 32;
        dest.SetSize(320, 240, bits);
        word.RenderPage(page, bits);
        TWdReal* hit = nullptr;
        page.ForEach([&](const TWdRow&, TWdGlyph& e) {
            if (auto* r = dynamic_cast<TWdReal*>(&e)) {
                if (!hit && !r->Link.empty()) hit = r;
                r->StartFade(3);
                r->FadeStep(1);
            }
        });
        word.SetHover(page, hit);
        word.Animate(page, 15);
        word.DrawPage(page, dest);
        word.HitTest(page, 5, 5);
    }
    word.TakeChangedRects();
    TKvMemoryStream s;
    word.SaveToStream(s);
}

} // namespace nuvo::fuzz
