// A small world for the image components: layered images made in memory,
// the picture cache over them, a registry whose host hands the cache (and a
// script context) to the images, and helpers to paint them.
#pragma once

#include "components/NuvoBaseList.h"
#include "components/NuvoBox.h"
#include "components/NuvoImages.h"
#include "render/DIBSurface.h"
#include "render/PelkCache.h"
#include "render/PelkImage.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"
#include "support/Golden.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

namespace nuvo::test {

constexpr int32_t rgb(int32_t r, int32_t g, int32_t b) { return r | (g << 8) | (b << 16); }

// Layered images held in memory.
class PictureFiles : public IPelkSource {
public:
    std::map<std::string, std::vector<uint8_t>> files;
    int32_t ImageSeed() const override { return 0; }
    bool EnsureAvailable(const std::string& name) override { return files.count(name) > 0; }
    bool LoadToStream(TStream& stream, const std::string& name) override {
        auto it = files.find(name);
        if (it == files.end()) return false;
        stream.write(it->second.data(), static_cast<int64_t>(it->second.size()));
        return true;
    }

    // One frame: a w x h 24-bit picture drawn by paint(x, y) -> colour, an
    // optional mask by mask(x, y) -> 0..255, a colour key, content areas.
    struct Frame {
        int32_t width = 16, height = 12;
        std::function<int32_t(int32_t, int32_t)> paint;
        std::function<int32_t(int32_t, int32_t)> mask;
        int32_t key = -1;
        int32_t duration = 100;
        std::vector<TRect> areas;
    };
    static Frame frame(int32_t width, int32_t height, std::function<int32_t(int32_t, int32_t)> paint, int32_t key = -1,
                       int32_t duration = 100, std::function<int32_t(int32_t, int32_t)> mask = nullptr) {
        Frame f;
        f.width = width;
        f.height = height;
        f.paint = std::move(paint);
        f.key = key;
        f.duration = duration;
        f.mask = std::move(mask);
        return f;
    }
    void add(const std::string& name, const std::vector<Frame>& frames) {
        TPelkFrameList list(0);
        for (const Frame& spec : frames) {
            TPelkFrame& f = list.AddFrame();
            f.Composite.SetSize(spec.width, spec.height, 24);
            for (int32_t y = 0; y < spec.height; ++y)
                for (int32_t x = 0; x < spec.width; ++x) {
                    const int32_t c = spec.paint(x, y);
                    f.Composite.SetPixel(x, y, f.Composite.ColorToPixel(c));
                }
            if (spec.mask) {
                f.Composite.CreateMask();
                for (int32_t y = 0; y < spec.height; ++y)
                    for (int32_t x = 0; x < spec.width; ++x)
                        f.Composite.Mask->SetPixel(x, y, spec.mask(x, y));
            }
            f.TransparentValue = spec.key >= 0 ? f.Composite.ColorToPixel(spec.key) : -1;
            f.UpdateTransparentColour();
            f.Duration = spec.duration;
            f.ContentAreas = spec.areas;
        }
        TKvMemoryStream s;
        list.SaveToStream(s, 0, 70);
        files[name] = s.bytes();
    }
};

class ImageHost : public IBaseListHost {
public:
    TPelkCollection* Cache = nullptr;
    ScriptContext* Context = nullptr;
    TFontPixelManager* GlyphCache = nullptr;
    TPelkCollection* PictureCache() override { return Cache; }
    TFontPixelManager* Glyphs() override { return GlyphCache; }
    ScriptContext* Script() override { return Context; }
    // A display change makes every cached picture anew.
    void RestorePictures() override {
        if (Cache) Cache->ReloadAll(true);
    }
};

// The pictures the tests use: "pic.pel" 16 x 12 with four coloured
// quadrants and a magenta corner block as its colour key, "masked.pel" a
// round soft mask over stripes, "areas.pel" two content areas with a gap,
// "two.pel" two frames of 100 ms, "three.pel" 100, 50 and 200 ms.
inline void addStandardPictures(PictureFiles& files) {
    const auto quadrants = [](int32_t x, int32_t y) {
        if (x >= 12 && y >= 8) return rgb(255, 0, 255);
        if (x < 8) return y < 6 ? rgb(220, 40, 40) : rgb(40, 200, 60);
        return y < 6 ? rgb(40, 80, 230) : rgb(240, 220, 40);
    };
    using F = PictureFiles;
    files.add("pic.pel", {F::frame(16, 12, quadrants, rgb(255, 0, 255))});
    const auto stripes = [](int32_t x, int32_t) { return (x / 2) % 2 ? rgb(250, 250, 250) : rgb(250, 120, 0); };
    const auto disc = [](int32_t x, int32_t y) {
        const int32_t dx = 2 * x - 15, dy = 2 * y - 15, d2 = dx * dx + dy * dy;
        return d2 >= 225 ? 0 : std::min(255, (225 - d2) * 2);
    };
    files.add("masked.pel", {F::frame(16, 16, stripes, -1, 100, disc)});
    PictureFiles::Frame areas = F::frame(16, 12, quadrants);
    areas.areas = {makeRect(0, 0, 5, 12), makeRect(10, 2, 16, 8)};
    files.add("areas.pel", {areas});
    const auto solid = [](int32_t c) { return [c](int32_t, int32_t) { return c; }; };
    files.add("two.pel", {F::frame(4, 4, solid(rgb(255, 0, 0))), F::frame(6, 2, solid(rgb(0, 0, 255)))});
    files.add("three.pel",
              {F::frame(4, 4, solid(rgb(255, 0, 0)), -1, 100), F::frame(4, 4, solid(rgb(0, 255, 0)), -1, 50),
               F::frame(4, 4, solid(rgb(0, 0, 255)), -1, 200)});
}

// A registry of a small screen with the cache and a script context.
struct ImageWorld {
    PictureFiles files;
    TPelkCollection cache{files};
    TParamCollection vars;
    TSysFuncMan functions;
    ScriptContext script{vars, functions};
    ImageHost host;
    TNuvoBaseList bases;

    explicit ImageWorld(int32_t width = 40, int32_t height = 32, int32_t background = rgb(48, 48, 64)) {
        addStandardPictures(files);
        host.Cache = &cache;
        host.Context = &script;
        bases.Host = &host;
        bases.SetSize(width, height);
        bases.Base(0)->SetColor(background);
        bases.Base(1)->SetColor(background);
    }
    ~ImageWorld() { bases.Clear(); }

    TNuvoImages* image(const std::string& source, int32_t left = 0, int32_t top = 0) {
        auto* image = bases.Create<TNuvoImages>();
        image->SetParent(bases.ActiveBase());
        image->SetSource(source);
        image->SetLeft(left);
        image->SetTop(top);
        return image;
    }
    // One frame of the registry: input, ticks, painting.
    void frame(int32_t ms = 16) {
        bases.FrameDelta = ms;
        bases.ProcessInput();
        bases.Tick();
        paint();
    }
    TCustomDIBX& paint() {
        bases.Paint();
        bases.ClearDirtyLists();
        return *bases.DrawTarget();
    }
};

inline uint32_t px(const TCustomDIBX& s, int32_t x, int32_t y) {
    return static_cast<uint32_t>(s.GetPixel(x, y)) & 0xFFFFFF;
}

} // namespace nuvo::test
