#include "render/ScreenManager.h"

#include "platform/FileSystem.h"
#include "render/DIBSurface.h"
#include "render/ImageCodecs.h"

#include <algorithm>
#include <cstdio>

namespace nuvo {

namespace {

platform::PanelRect toPanelRect(const TRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

// A back-buffer rectangle at a zoom in percent (integer division, as the
// system scales).
TRect zoomRect(const TRect& r, int32_t zoom) {
    const auto z = [zoom](int32_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(int64_t{v} * zoom / 100, INT32_MIN, INT32_MAX));
    };
    return TRect{z(r.Left), z(r.Top), z(r.Right), z(r.Bottom)};
}

} // namespace

int32_t BackBufferBitCountFor(int presentBitCount) {
    if (presentBitCount == 15) return 15;
    return presentBitCount > 16 ? 32 : 16;
}

TScreenManager::TScreenManager(platform::IWindow& view, int32_t preferredHeight, int32_t preferredWidth,
                               int32_t screenHeight, int32_t screenWidth)
    : view_(view), screenWidth_(screenWidth), screenHeight_(screenHeight), preferredWidth_(preferredWidth),
      preferredHeight_(preferredHeight) {
    preferredModeIndex_ = -1;
    desktopBitCount_ = 24;
    const platform::DisplayInfo info = view_.QueryDisplay();
    // A display that cannot be asked lists nothing: the title then plays in
    // the window only.
    if (info.available) {
        desktopBitCount_ = info.desktopBitCount;
        listModes(info);
    }
    SetDisplayMode(-1);
}

void TScreenManager::listModes(const platform::DisplayInfo& info) {
    for (const TDisplayMode& m : info.modes) {
        if (m.Width < screenWidth_ || m.Height < screenHeight_ || m.BitCount <= 15) continue;
        modes_.push_back(m);
        const int32_t index = ModeCount() - 1;
        if (preferredModeIndex_ < 0) {
            preferredModeIndex_ = index;
            continue;
        }
        const TDisplayMode& chosen = modes_[static_cast<size_t>(preferredModeIndex_)];
        const bool newPreferredSize = m.Width == preferredWidth_ && m.Height == preferredHeight_;
        if (!newPreferredSize) continue;
        const bool chosenPreferredSize = chosen.Width == preferredWidth_ && chosen.Height == preferredHeight_;
        const bool newDesktopBits = m.BitCount == desktopBitCount_;
        const bool chosenDesktopBits = chosen.BitCount == desktopBitCount_;
        if (!chosenPreferredSize || (newDesktopBits && !chosenDesktopBits) ||
            (newDesktopBits && chosenDesktopBits && m.RefreshRate < chosen.RefreshRate))
            preferredModeIndex_ = index;
    }
}

TDisplayMode TScreenManager::GetMode(int32_t index) const {
    if (index < 0 || index >= ModeCount()) return {};
    return modes_[static_cast<size_t>(index)];
}

void TScreenManager::SetDisplayMode(int32_t index) {
    if (index < -1) index = -1;
    if (index == modeIndex_) return;
    const bool wasFull = modeIndex_ >= 0;
    modeIndex_ = index;
    if (wasFull != (index >= 0) && displayOpen_) {
        backBuffer_.Release();
        displayOpen_ = false;
    }
    build();
    if (modeIndex_ >= 0 && !displayOpen_) {
        modeIndex_ = -1;
        build();
    }
}

bool TScreenManager::openDisplay() {
    if (displayOpen_) return true;
    const platform::DisplayInfo info = view_.QueryDisplay();
    displayOpen_ = info.available;
    if (info.available) presentBitCount_ = info.presentBitCount;
    return displayOpen_;
}

void TScreenManager::sizeBackBuffer(int bitCount) {
    backBuffer_.SetSize(std::max(screenWidth_, 0), std::max(screenHeight_, 0), bitCount);
    screenBitCount_ = bitCount;
    memorySurfaces_ = true;
}

void TScreenManager::build() {
    fullScreenBuilt_ = false;
    backBuffer_.Release();
    if (!openDisplay()) {
        // Without a display to ask, the window still presents 32-bit pictures.
        if (view_.IsFullScreen()) view_.LeaveFullScreen();
        sizeBackBuffer(32);
        return;
    }
    if (modeIndex_ < 0) {
        if (view_.IsFullScreen()) view_.LeaveFullScreen();
        sizeBackBuffer(BackBufferBitCountFor(presentBitCount_));
        return;
    }
    if (modeIndex_ >= ModeCount() || !view_.EnterFullScreen(modes_[static_cast<size_t>(modeIndex_)])) {
        displayOpen_ = false;
        return;
    }
    // The display keeps its own mode; what the new "mode" presents in is
    // the window's format.
    displayBitCount_ = presentBitCount_;
    sizeBackBuffer(BackBufferBitCountFor(presentBitCount_));
    fullScreenBuilt_ = true;
}

void TScreenManager::ReleaseAll() {
    backBuffer_.Release();
    zoomed_.Release();
    displayOpen_ = false;
    modeIndex_ = -2;
}

platform::PixelView TScreenManager::viewOf(TDIBX& surface) const {
    platform::PixelView v;
    v.pixels = surface.Bits();
    v.width = surface.Width();
    v.height = surface.Height();
    v.rowStep = surface.RowStep();
    v.bitCount = surface.BitCount();
    return v;
}

void TScreenManager::presentRects(const platform::PixelView& view, const std::vector<TRect>& rects) {
    std::vector<platform::PanelRect> out;
    out.reserve(rects.size());
    const TRect whole{0, 0, view.width, view.height};
    for (const TRect& r : rects) {
        const TRect c = intersectRect(r, whole);
        if (!c.isEmpty()) out.push_back(toPanelRect(c));
    }
    if (!out.empty()) view_.Present(view, out.data(), out.size());
}

void TScreenManager::presentZoomed(int32_t zoom, const std::vector<TRect>& rects) {
    if (zoomed_.Width() != backBuffer_.Width() || zoomed_.Height() != backBuffer_.Height() ||
        zoomed_.BitCount() != backBuffer_.BitCount())
        zoomed_.SetSize(backBuffer_.Width(), backBuffer_.Height(), backBuffer_.BitCount());
    std::vector<TRect> targets;
    targets.reserve(rects.size());
    for (const TRect& r : rects) {
        const TRect dest = zoomRect(r, zoom);
        if (dest.isEmpty()) continue;
        zoomed_.StretchDraw(dest, backBuffer_, r, 255, false);
        targets.push_back(dest);
    }
    presentRects(viewOf(zoomed_), targets);
}

void TScreenManager::Present(int32_t zoom, const TRect& fullUpdate, const std::vector<TRect>& changed) {
    if (backBuffer_.IsEmpty()) return;
    const TRect whole{0, 0, backBuffer_.Width(), backBuffer_.Height()};
    if (zoom % 100 != 0) {
        presentZoomed(zoom, {whole});
        ++PresentCount;
        return;
    }
    std::vector<TRect> rects;
    if (fullUpdate.isEmpty()) {
        if (changed.empty()) return;
        for (const TRect& r : changed) {
            const TRect c = intersectRect(r, whole);
            if (!c.isEmpty()) rects.push_back(c);
        }
    } else {
        const TRect c = intersectRect(fullUpdate, whole);
        if (!c.isEmpty()) rects.push_back(c);
    }
    ++PresentCount;
    if (zoom == 100)
        presentRects(viewOf(backBuffer_), rects);
    else
        presentZoomed(zoom, rects);
}

void TScreenManager::PresentAll() {
    if (backBuffer_.IsEmpty()) return;
    presentRects(viewOf(backBuffer_), {TRect{0, 0, backBuffer_.Width(), backBuffer_.Height()}});
}

std::string ShotFileName(const std::string& folder, int64_t frame) {
    char name[40];
    std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(frame));
    return platform::joinPath(folder, name);
}

bool SaveWindowPicture(platform::IWindow& window, const std::string& nativePath) {
    std::vector<uint32_t> pixels;
    int32_t w = 0, h = 0;
    if (!window.ReadPresented(pixels, w, h) || w <= 0 || h <= 0) return false;
    TDIBSurface picture(w, h, 32);
    for (int32_t y = 0; y < h; ++y)
        picture.WriteRow(y, pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(w), w);
    const std::vector<uint8_t> png = WritePng(picture, -1);
    platform::writeFileAtomic(nativePath, png.data(), png.size());
    return true;
}

} // namespace nuvo
