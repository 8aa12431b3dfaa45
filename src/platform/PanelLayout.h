// The geometry and pointer rules both window backends share: where the
// panel's picture lands in the drawing area, how a window position maps to
// a panel pixel, and which pointer events reach the panel (a press only over
// it; the release of a press begun there wherever it happens).
#pragma once

#include "platform/Window.h"

#include <cstdint>

namespace nuvo::platform {

// Where the picture is drawn, in pixels of the drawing area.
struct PanelPlacement {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    // The picture's own size.
    int32_t pictureWidth = 0;
    int32_t pictureHeight = 0;

    // Scaled by the same whole number on both axes (1 included): the
    // picture is drawn with nearest-pixel scaling, otherwise smoothed.
    bool wholeScale() const;
    bool contains(double areaX, double areaY) const {
        return areaX >= x && areaY >= y && areaX < double(x) + width && areaY < double(y) + height;
    }
    // The panel pixel under an area position (rounded down; positions
    // outside give coordinates outside the picture). A placement without
    // size gives the position as it stands.
    void toPanel(double areaX, double areaY, int32_t& px, int32_t& py) const;
    // The area position of the centre of a panel pixel.
    void toArea(int32_t px, int32_t py, double& areaX, double& areaY) const;
};

// The largest placement of the picture's aspect ratio inside the area,
// centred (letterbox bars on the sides that are left over).
PanelPlacement fitPicture(int32_t areaX, int32_t areaY, int32_t areaWidth, int32_t areaHeight, int32_t pictureWidth,
                          int32_t pictureHeight);

// The pointer's way to the panel.
class PointerRoute {
public:
    // Fills e.inPanel from the panel's size (x and y are panel coordinates).
    void setPanelSize(int32_t width, int32_t height) { width_ = width, height_ = height; }
    bool inPanel(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    // Each fills e.inPanel and says whether the event goes to the panel's
    // receiver. Moves always go (flagged); presses only over the panel (and
    // they capture their button); releases over the panel or of a captured
    // button (which they free).
    bool move(PointerEvent& e);
    bool press(PointerEvent& e);
    bool release(PointerEvent& e);
    // Some button pressed on the panel is still held.
    bool captured() const { return captured_ != 0; }
    // Forgets the captures (the window lost the pointer).
    void reset() { captured_ = 0; }

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    uint8_t captured_ = 0;
};

} // namespace nuvo::platform
