// The player's one window, as the code above the seam uses it: a tool bar
// strip with its two buttons above the screen panel, the presentation of the
// composed picture into the panel, full screen, the mouse pointer and the
// events the window receives.
//
// Pointer positions are panel coordinates: pixels of the picture the panel
// shows, (0, 0) at its top-left, whatever scaling the window applies. Key
// codes are the system's virtual-key numbers (VirtualKeys.h), 1 to 255;
// keys without a number are not reported.
//
// The desktop backend realises the window with SDL (under X11 or Wayland);
// the headless backend keeps the presented picture in memory and takes its
// input from a script. All calls are made from the main thread.
#pragma once

#include "platform/Cursor.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nuvo::platform {

// A rectangle of panel pixels, right and bottom edges exclusive.
struct PanelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool empty() const { return right <= left || bottom <= top; }
    friend bool operator==(const PanelRect&, const PanelRect&) = default;
};

// A borrowed picture: height rows of width pixels, row y starting at
// pixels + y * rowStep (rowStep may be negative). 32-bit pixels are stored
// blue byte first (the value 0x??RRGGBB, the fourth byte ignored), 16-bit
// ones as 5-6-5 and 15-bit ones as 5-5-5, low byte first.
struct PixelView {
    const uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t rowStep = 0;
    int bitCount = 32;
};

// A display mode record (the system's field names).
struct DisplayMode {
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t BitCount = 0;
    int32_t RefreshRate = 0;
    friend bool operator==(const DisplayMode&, const DisplayMode&) = default;
};

// What the display offers.
struct DisplayInfo {
    // False when the display could not be asked at all.
    bool available = false;
    // Bits per pixel of the desktop.
    int desktopBitCount = 24;
    // The pixel format the window presents without conversion: 15 (5-5-5),
    // 16 (5-6-5) or 32. Back buffers are made in it.
    int presentBitCount = 32;
    // Every mode the display lists, in its own order, unfiltered.
    std::vector<DisplayMode> modes;
};

enum class MouseButton : uint8_t { Left, Right, Middle };
// The tool bar's two buttons: "終了" (asks to quit) and "画面切替" (toggles
// full screen).
enum class ToolbarButton : uint8_t { Quit, ScreenSwitch };

struct PointerEvent {
    // Panel coordinates; may lie outside the panel.
    int32_t x = 0;
    int32_t y = 0;
    // The pointer is over the panel.
    bool inPanel = false;
    // The row of the window's drawing area under the pointer (of the screen
    // in full screen): 0 is the top edge, where the tool bar is revealed.
    int32_t windowY = 0;
    // The button of a press or release.
    MouseButton button = MouseButton::Left;
};

// Receives the window's events; every call has an empty default.
class IWindowEvents {
public:
    virtual ~IWindowEvents() = default;
    // The pointer moved over the window (never over the tool bar), or
    // anywhere while a press that began on the panel is held.
    virtual void MouseMove(const PointerEvent& e) { (void)e; }
    // A button went down over the panel.
    virtual void MouseDown(const PointerEvent& e) { (void)e; }
    // A button went up over the panel, or anywhere when its press began there.
    virtual void MouseUp(const PointerEvent& e) { (void)e; }
    // One wheel notch: up (away from the user) or down.
    virtual void MouseWheel(bool up) { (void)up; }
    // A key went down; repeat is set for the window system's auto-repeats.
    virtual void KeyDown(uint8_t vk, bool repeat) { (void)vk, (void)repeat; }
    virtual void KeyUp(uint8_t vk) { (void)vk; }
    // The window became (stopped being) the one that takes input.
    virtual void Activate() {}
    virtual void Deactivate() {}
    // A tool bar button was clicked.
    virtual void ToolbarClick(ToolbarButton button) { (void)button; }
    // The user asked to close the window (closing is never refused here; the
    // receiver decides what to do).
    virtual void CloseRequest() {}
    // The window lost the picture it showed: present the whole picture again.
    virtual void RepaintRequest() {}
};

struct WindowSetup {
    std::string sjisCaption = "NuvoPlayer";
    int32_t panelWidth = 563;
    int32_t panelHeight = 425;
    bool toolbarVisible = true;
};

class IWindow {
public:
    // Height of the tool bar strip: 18-pixel buttons plus 4.
    static constexpr int32_t kToolbarHeight = 22;
    static constexpr int32_t kToolbarButtonWidth = 67;
    static constexpr int32_t kToolbarButtonHeight = 18;

    virtual ~IWindow() = default;

    // ---- The window -----------------------------------------------------------------
    // Creates and shows the window, centred on the desktop where the window
    // system lets a program place windows. Raises ENuvoError when impossible.
    virtual void Open(const WindowSetup& setup) = 0;
    // The caption (Shift-JIS).
    virtual void SetCaption(const std::string& sjisCaption) = 0;
    // The panel's size; in a window the drawing area becomes the panel plus
    // the tool bar strip when shown, and the window is centred again.
    virtual void SetPanelSize(int32_t width, int32_t height) = 0;
    // Shows or hides the tool bar: in a window it is a strip above the panel
    // (the window grows or shrinks), in full screen it lies over the top of
    // the screen.
    virtual void SetToolbarVisible(bool visible) = 0;
    virtual bool ToolbarVisible() const = 0;

    // ---- Presentation -----------------------------------------------------------------
    // Shows picture in the panel, copying only rects (clipped to the picture);
    // the rest keeps what it showed before. The panel shows the picture scaled
    // to fit (one to one in a window when the sizes agree). A picture of
    // another size or format than the last one starts from black.
    virtual void Present(const PixelView& picture, const PanelRect* rects, size_t count) = 0;
    // The picture the panel shows (at the presented picture's size, not the
    // window's), rows top first as 0x00RRGGBB; false when there is none.
    virtual bool ReadPresented(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height) = 0;

    // ---- Display and full screen ---------------------------------------------------------
    virtual DisplayInfo QueryDisplay() = 0;
    // Full screen for a mode of the list: a borderless window covering the
    // screen, the panel scaled to fit keeping its aspect ratio (the display
    // itself is not switched). False when the window stays as it was.
    virtual bool EnterFullScreen(const DisplayMode& mode) = 0;
    // Back to the window of before (nothing when not in full screen).
    virtual void LeaveFullScreen() = 0;
    virtual bool IsFullScreen() const = 0;

    // ---- Pointer ----------------------------------------------------------------------------
    // The cursor over the panel; nullptr shows the standard arrow. The window
    // copies what it needs; an animated shape runs on the window's clock.
    virtual void SetCursor(const CursorShape* shape) = 0;
    // Moves the pointer to a panel position; a move event follows as if the
    // user had moved it. False (and nothing happens) where the window system
    // forbids programs to move the pointer.
    virtual bool MovePointer(int32_t x, int32_t y) = 0;

    // ---- Events -------------------------------------------------------------------------------
    // Delivers every event waiting now to sink and returns.
    virtual void PumpEvents(IWindowEvents& sink) = 0;
    // Waits until an event arrives or timeoutMs pass (the headless window
    // never waits).
    virtual void WaitEvents(int32_t timeoutMs) = 0;
};

} // namespace nuvo::platform
