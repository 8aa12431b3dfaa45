// The tool bar strip the desktop window draws above the panel: two flat
// buttons, "終了" and "画面切替", 67 x 18 pixels each, that show a raised edge
// under the pointer and a sunken one while pressed. Captions are drawn with
// FreeType in a Japanese font that fontconfig finds (12 pixels, like the
// window's font); without such a font the buttons show no caption.
#pragma once

#include "platform/Window.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace nuvo::platform::sdl {

class ToolbarPainter {
public:
    ToolbarPainter();
    ~ToolbarPainter();
    ToolbarPainter(const ToolbarPainter&) = delete;
    ToolbarPainter& operator=(const ToolbarPainter&) = delete;

    // The button at a strip position (0 Quit, 1 ScreenSwitch), -1 for none.
    static int buttonAt(int32_t x, int32_t y);
    static ToolbarButton buttonOf(int index) { return index == 0 ? ToolbarButton::Quit : ToolbarButton::ScreenSwitch; }
    // Paints the strip into width x IWindow::kToolbarHeight pixels
    // (0xAARRGGBB, pitch in pixels); hovered and pressed are button indices
    // or -1.
    void paint(uint32_t* pixels, int32_t width, int32_t pitch, int hovered, int pressed) const;
    bool hasCaptions() const { return !captions_.empty(); }

private:
    struct Caption {
        int32_t width = 0;
        int32_t height = 0;
        std::vector<uint8_t> coverage; // 0..255 per pixel
    };
    std::vector<Caption> captions_;
};

} // namespace nuvo::platform::sdl
