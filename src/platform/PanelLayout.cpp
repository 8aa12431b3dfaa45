#include "platform/PanelLayout.h"

#include <cmath>

namespace nuvo::platform {

bool PanelPlacement::wholeScale() const {
    if (pictureWidth <= 0 || pictureHeight <= 0 || width <= 0 || height <= 0) return false;
    if (width % pictureWidth != 0 || height % pictureHeight != 0) return false;
    return width / pictureWidth == height / pictureHeight;
}

void PanelPlacement::toPanel(double areaX, double areaY, int32_t& px, int32_t& py) const {
    if (width <= 0 || height <= 0 || pictureWidth <= 0 || pictureHeight <= 0) {
        px = static_cast<int32_t>(std::floor(areaX));
        py = static_cast<int32_t>(std::floor(areaY));
        return;
    }
    const auto map = [](double v, int32_t origin, int32_t extent, int32_t picture) {
        const double p = std::floor((v - origin) * picture / extent);
        return static_cast<int32_t>(std::fmax(-1e9, std::fmin(1e9, p)));
    };
    px = map(areaX, x, width, pictureWidth);
    py = map(areaY, y, height, pictureHeight);
}

void PanelPlacement::toArea(int32_t px, int32_t py, double& areaX, double& areaY) const {
    if (pictureWidth <= 0 || pictureHeight <= 0) {
        areaX = px, areaY = py;
        return;
    }
    areaX = x + (px + 0.5) * width / pictureWidth;
    areaY = y + (py + 0.5) * height / pictureHeight;
}

PanelPlacement fitPicture(int32_t areaX, int32_t areaY, int32_t areaWidth, int32_t areaHeight, int32_t pictureWidth,
                          int32_t pictureHeight) {
    PanelPlacement p;
    p.pictureWidth = pictureWidth;
    p.pictureHeight = pictureHeight;
    if (areaWidth <= 0 || areaHeight <= 0 || pictureWidth <= 0 || pictureHeight <= 0) {
        p.x = areaX, p.y = areaY;
        return p;
    }
    // Whichever side limits the scale takes the whole area; the other side
    // is rounded to the nearest pixel.
    const int64_t aw = areaWidth, ah = areaHeight, pw = pictureWidth, ph = pictureHeight;
    int64_t w, h;
    if (aw * ph <= ah * pw) {
        w = aw;
        h = (aw * ph * 2 + pw) / (pw * 2);
    } else {
        h = ah;
        w = (ah * pw * 2 + ph) / (ph * 2);
    }
    if (w < 1) w = 1;
    if (h < 1) h = 1;
    p.width = static_cast<int32_t>(w);
    p.height = static_cast<int32_t>(h);
    p.x = areaX + static_cast<int32_t>((aw - w) / 2);
    p.y = areaY + static_cast<int32_t>((ah - h) / 2);
    return p;
}

namespace {
uint8_t bitOf(MouseButton b) { return static_cast<uint8_t>(1u << static_cast<unsigned>(b)); }
} // namespace

bool PointerRoute::move(PointerEvent& e) {
    e.inPanel = inPanel(e.x, e.y);
    return true;
}

bool PointerRoute::press(PointerEvent& e) {
    e.inPanel = inPanel(e.x, e.y);
    if (!e.inPanel) return false;
    captured_ |= bitOf(e.button);
    return true;
}

bool PointerRoute::release(PointerEvent& e) {
    e.inPanel = inPanel(e.x, e.y);
    const bool wasCaptured = (captured_ & bitOf(e.button)) != 0;
    captured_ &= static_cast<uint8_t>(~bitOf(e.button));
    return e.inPanel || wasCaptured;
}

} // namespace nuvo::platform
