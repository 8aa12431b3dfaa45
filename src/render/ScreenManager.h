// TScreenManager owns the display: the full-screen display modes a title
// may use, the switch between the window and full screen, the back buffer
// the base screens compose every frame into, the bit count every picture
// surface is made with, and the presentation of the changed parts of the
// back buffer into the window's panel, counted for the frame-rate display.
//
// It reaches the display only through platform::IWindow. There the display
// is never switched: full screen is a borderless window covering the screen
// with the picture scaled to fit, so a "mode" is the size the title asked
// for, kept in the list and the choice as the system lists and chooses
// them, and the back buffer takes the pixel format the window presents
// (32 bits on Linux).
//
// Used from the frame-loop thread only.
#pragma once

#include "platform/Window.h"
#include "render/DIBX.h"
#include "render/Rect.h"

#include <cstdint>
#include <string>
#include <vector>

namespace nuvo {

using TDisplayMode = platform::DisplayMode;

class TScreenManager {
public:
    // Create: asks the display for its modes, keeps those the title fits in,
    // chooses the preferred one and builds the windowed back buffer. The
    // window is borrowed and must outlive the manager.
    TScreenManager(platform::IWindow& view, int32_t preferredHeight, int32_t preferredWidth, int32_t screenHeight,
                   int32_t screenWidth);
    TScreenManager(const TScreenManager&) = delete;
    TScreenManager& operator=(const TScreenManager&) = delete;

    int32_t ModeCount() const { return static_cast<int32_t>(modes_.size()); }
    // The mode at index; an empty record outside the list.
    TDisplayMode GetMode(int32_t index) const;
    // -2 nothing built, -1 windowed, 0 or more the full-screen mode in use.
    int32_t ModeIndex() const { return modeIndex_; }
    // The mode chosen for full-screen play; -1 when there is none.
    int32_t PreferredModeIndex() const { return preferredModeIndex_; }

    // Switches to the window (-1) or to full screen in mode index. Nothing
    // happens when index is the current one. When full screen cannot be
    // entered (or index names no mode) the manager ends windowed, ModeIndex
    // -1: callers compare ModeIndex with what they asked for. Indices below
    // -1 mean the window.
    void SetDisplayMode(int32_t index);
    // Frees the back buffer's pixels and forgets the display (ModeIndex -2);
    // used before the main window changes between window and full screen.
    void ReleaseAll();

    // Shows the changed parts of the back buffer, once per composed frame.
    // zoom is the registry's display zoom in percent: a back-buffer rectangle
    // lands at its coordinates times zoom / 100. A zoom that is not a whole
    // multiple of 100 stretches the whole picture; otherwise fullUpdate is
    // shown when not empty (a running transition's area), else every
    // rectangle of changed (the active base screen's changed areas). Each
    // call that shows something (or is given a non-empty list) counts one
    // presentation. Clearing the base screens' lists is the caller's part.
    void Present(int32_t zoom, const TRect& fullUpdate, const std::vector<TRect>& changed);
    // Shows the whole back buffer as it stands (the panel's repaint).
    void PresentAll();

    // The composed screen: ScreenWidth x ScreenHeight at ScreenBitCount. The
    // object stays the same for the manager's life (rebuilds only resize it),
    // so surfaces that draw into it may keep a pointer.
    TDIBX& BackBuffer() { return backBuffer_; }
    int32_t ScreenWidth() const { return screenWidth_; }
    int32_t ScreenHeight() const { return screenHeight_; }
    // The BitCount of the back buffer, that of every picture surface.
    int32_t ScreenBitCount() const { return screenBitCount_; }
    int32_t DisplayBitCount() const { return displayBitCount_; }
    int32_t DesktopBitCount() const { return desktopBitCount_; }
    bool FullScreenBuilt() const { return fullScreenBuilt_; }
    bool MemorySurfaces() const { return memorySurfaces_; }

    // Written by the frame loop.
    double FramesPerSecond = 0;
    // Presentations since the frame loop last reset it.
    int32_t PresentCount = 0;

private:
    void listModes(const platform::DisplayInfo& info);
    void build();
    bool openDisplay();
    void sizeBackBuffer(int bitCount);
    void presentRects(const platform::PixelView& view, const std::vector<TRect>& rects);
    void presentZoomed(int32_t zoom, const std::vector<TRect>& rects);
    platform::PixelView viewOf(TDIBX& surface) const;

    platform::IWindow& view_;
    std::vector<TDisplayMode> modes_;
    int32_t modeIndex_ = -2;
    int32_t screenWidth_;
    int32_t screenHeight_;
    TDIBX backBuffer_;
    // What the panel shows when the zoom is not 100 %.
    TDIBX zoomed_;
    bool fullScreenBuilt_ = false;
    bool memorySurfaces_ = false;
    int32_t screenBitCount_ = 32;
    int32_t displayBitCount_ = 32;
    int32_t preferredModeIndex_ = -1;
    int32_t preferredWidth_;
    int32_t preferredHeight_;
    int32_t desktopBitCount_ = 24;
    // The display has been asked and answered (the system's driver object).
    bool displayOpen_ = false;
    int presentBitCount_ = 32;
};

// The bit count picture surfaces are made with: the manager's, or 32 when
// there is none.
inline int32_t ScreenBitCountOf(const TScreenManager* manager) { return manager ? manager->ScreenBitCount() : 32; }

// The back buffer's BitCount for a window presenting in presentBitCount
// bits: 15 for 5-5-5, 32 above 16 bits, else 16.
int32_t BackBufferBitCountFor(int presentBitCount);

// Screenshots: "frame-000123.png" in folder.
std::string ShotFileName(const std::string& folder, int64_t frame);
// Writes what the window's panel shows as a PNG file (atomically); false
// when the window has no picture. Raises ENuvoError when the file cannot be
// written.
bool SaveWindowPicture(platform::IWindow& window, const std::string& nativePath);

} // namespace nuvo
