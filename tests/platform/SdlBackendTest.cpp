// The desktop backend: its key table always; its window only where a display
// is available (under Xvfb in CI), skipped otherwise.
#include "platform/Backend.h"
#include "platform/VirtualKeys.h"
#include "platform/sdl/SdlKeys.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace nuvo::platform;

TEST(SdlKeys, KeysMapToVirtualKeyNumbers) {
    struct Case {
        SDL_Scancode scancode;
        SDL_Keycode keycode;
        bool japanese;
        int key;
    };
    const Case cases[] = {
        {SDL_SCANCODE_A, SDLK_a, false, 'A'},
        {SDL_SCANCODE_Q, SDLK_a, false, 'A'}, // a French layout's "a" key is A
        {SDL_SCANCODE_Z, SDLK_UNKNOWN, false, 'Z'},
        {SDL_SCANCODE_1, SDLK_AMPERSAND, false, '1'},
        {SDL_SCANCODE_0, SDLK_0, false, '0'},
        {SDL_SCANCODE_RETURN, SDLK_RETURN, false, vk::Return},
        {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, false, vk::Return},
        {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, false, vk::Escape},
        {SDL_SCANCODE_SPACE, SDLK_SPACE, false, vk::Space},
        {SDL_SCANCODE_LEFT, SDLK_LEFT, false, vk::Left},
        {SDL_SCANCODE_DOWN, SDLK_DOWN, false, vk::Down},
        {SDL_SCANCODE_F1, SDLK_F1, false, vk::F1},
        {SDL_SCANCODE_F12, SDLK_F12, false, vk::F1 + 11},
        {SDL_SCANCODE_F13, SDLK_F13, false, vk::F1 + 12},
        {SDL_SCANCODE_KP_0, SDLK_KP_0, false, vk::NumPad0},
        {SDL_SCANCODE_KP_9, SDLK_KP_9, false, vk::NumPad0 + 9},
        {SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, false, vk::Shift},
        {SDL_SCANCODE_RCTRL, SDLK_RCTRL, false, vk::Control},
        {SDL_SCANCODE_LALT, SDLK_LALT, false, vk::Menu},
        // The punctuation group by layout.
        {SDL_SCANCODE_SEMICOLON, SDLK_SEMICOLON, false, vk::Oem1},
        {SDL_SCANCODE_SEMICOLON, SDLK_SEMICOLON, true, vk::OemPlus},
        {SDL_SCANCODE_APOSTROPHE, SDLK_QUOTE, false, vk::Oem7},
        {SDL_SCANCODE_APOSTROPHE, SDLK_COLON, true, vk::Oem1},
        {SDL_SCANCODE_LEFTBRACKET, SDLK_AT, true, vk::Oem3},
        {SDL_SCANCODE_EQUALS, SDLK_CARET, true, vk::Oem7},
        {SDL_SCANCODE_GRAVE, SDLK_BACKQUOTE, false, vk::Oem3},
        {SDL_SCANCODE_COMMA, SDLK_COMMA, true, vk::OemComma},
        // Japanese keyboards.
        {SDL_SCANCODE_GRAVE, SDLK_UNKNOWN, true, vk::Kanji},
        {SDL_SCANCODE_LANG5, SDLK_UNKNOWN, true, vk::Kanji},
        {SDL_SCANCODE_INTERNATIONAL4, SDLK_UNKNOWN, true, vk::Convert},
        {SDL_SCANCODE_INTERNATIONAL5, SDLK_UNKNOWN, true, vk::NonConvert},
        {SDL_SCANCODE_INTERNATIONAL2, SDLK_UNKNOWN, true, vk::Kana},
        {SDL_SCANCODE_INTERNATIONAL3, SDLK_BACKSLASH, true, vk::Oem5},
        {SDL_SCANCODE_INTERNATIONAL1, SDLK_BACKSLASH, true, vk::Oem102},
        {SDL_SCANCODE_CAPSLOCK, SDLK_CAPSLOCK, true, vk::Capital},
        // Keys without a number.
        {SDL_SCANCODE_MUTE, SDLK_MUTE, false, 0},
        {SDL_SCANCODE_UNKNOWN, SDLK_UNKNOWN, false, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sdl::virtualKeyOf(c.scancode, c.keycode, c.japanese), c.key)
            << SDL_GetScancodeName(c.scancode) << (c.japanese ? " (Japanese)" : "");
}

namespace {

struct Recorder : IWindowEvents {
    std::vector<std::string> lines;
    void MouseMove(const PointerEvent& e) override {
        lines.push_back("move " + std::to_string(e.x) + "," + std::to_string(e.y) + (e.inPanel ? "" : " out"));
    }
    void MouseDown(const PointerEvent& e) override {
        lines.push_back("down " + std::to_string(e.x) + "," + std::to_string(e.y));
    }
    void MouseUp(const PointerEvent& e) override {
        lines.push_back("up " + std::to_string(e.x) + "," + std::to_string(e.y));
    }
    void MouseWheel(bool up) override { lines.push_back(up ? "wheel up" : "wheel down"); }
    void KeyDown(uint8_t key, bool repeat) override {
        lines.push_back("keydown " + vk::keyName(key) + (repeat ? " repeat" : ""));
    }
    void KeyUp(uint8_t key) override { lines.push_back("keyup " + vk::keyName(key)); }
    void ToolbarClick(ToolbarButton b) override {
        lines.push_back(b == ToolbarButton::Quit ? "toolbar quit" : "toolbar screen");
    }
    void CloseRequest() override { lines.push_back("close"); }
};

// Only the events of interest: the window system adds its own (focus,
// crossings) as it likes.
std::vector<std::string> pump(IWindow& w) {
    Recorder r;
    w.PumpEvents(r);
    return r.lines;
}

class SdlWindow : public testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
        // SDL's own drawing: the same calls as through OpenGL, without a
        // graphics driver whose few bytes never freed the leak checker would
        // report, and with a picture that follows every window change at once.
        SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        try {
            backend_ = createSdlBackend();
        } catch (const std::exception& e) {
            GTEST_SKIP() << "the display cannot be opened: " << e.what();
        }
        WindowSetup setup;
        setup.panelWidth = 64;
        setup.panelHeight = 48;
        window().Open(setup);
        pump(window());
    }
    IWindow& window() { return backend_->Window(); }

    // A 64 x 48 picture whose every pixel differs.
    std::vector<uint32_t> picture(uint32_t salt) const {
        std::vector<uint32_t> p(64 * 48);
        for (size_t i = 0; i < p.size(); ++i)
            p[i] = static_cast<uint32_t>((i * 2654435761u) ^ salt) & 0xFFFFFF;
        return p;
    }
    void present(const std::vector<uint32_t>& p, const std::vector<PanelRect>& rects) {
        const PixelView view{reinterpret_cast<const uint8_t*>(p.data()), 64, 48, 64 * 4, 32};
        window().Present(view, rects.data(), rects.size());
    }

    static SDL_Event mouseEvent(Uint32 type, int x, int y) {
        SDL_Event e{};
        e.type = type;
        if (type == SDL_MOUSEMOTION) {
            e.motion.x = x;
            e.motion.y = y;
        } else {
            e.button.button = SDL_BUTTON_LEFT;
            e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
            e.button.x = x;
            e.button.y = y;
        }
        return e;
    }

    std::unique_ptr<IBackend> backend_;
};

} // namespace

TEST_F(SdlWindow, PresentedRectanglesReadBack) {
    const std::vector<uint32_t> first = picture(0);
    present(first, {{0, 0, 64, 48}});
    std::vector<uint32_t> shown;
    int32_t w = 0, h = 0;
    ASSERT_TRUE(window().ReadPresented(shown, w, h));
    ASSERT_EQ(w, 64);
    ASSERT_EQ(h, 48);
    EXPECT_EQ(shown, first);

    // Only the given rectangle changes on the screen.
    const std::vector<uint32_t> second = picture(0x5A5A5A);
    present(second, {{10, 5, 20, 9}});
    ASSERT_TRUE(window().ReadPresented(shown, w, h));
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= 10 && x < 20 && y >= 5 && y < 9;
            const size_t i = static_cast<size_t>(y * 64 + x);
            ASSERT_EQ(shown[i], inside ? second[i] : first[i]) << x << "," << y;
        }

    // Full screen scales the picture; what the panel shows stays the picture.
    const DisplayInfo info = window().QueryDisplay();
    ASSERT_TRUE(info.available);
    EXPECT_FALSE(info.modes.empty());
    if (window().EnterFullScreen(info.modes.front())) {
        EXPECT_TRUE(window().IsFullScreen());
        // The window system resizes the window in its own time.
        for (int i = 0; i < 20; ++i) {
            pump(window());
            SDL_Delay(10);
        }
        ASSERT_TRUE(window().ReadPresented(shown, w, h));
        EXPECT_EQ(w, 64);
        EXPECT_EQ(shown[5 * 64 + 10], second[5 * 64 + 10]);
        window().LeaveFullScreen();
        EXPECT_FALSE(window().IsFullScreen());
    }
}

TEST_F(SdlWindow, PointerAndKeysReachThePanelAndTheToolbar) {
    present(picture(0), {{0, 0, 64, 48}});
    pump(window());
    // The panel lies below the 22-pixel tool bar strip.
    SDL_Event e = mouseEvent(SDL_MOUSEMOTION, 10, 22 + 5);
    SDL_PushEvent(&e);
    e = mouseEvent(SDL_MOUSEBUTTONDOWN, 10, 22 + 5);
    SDL_PushEvent(&e);
    e = mouseEvent(SDL_MOUSEBUTTONUP, 11, 22 + 47);
    SDL_PushEvent(&e);
    // Over the tool bar nothing reaches the panel; a click on "終了" is the
    // button's.
    e = mouseEvent(SDL_MOUSEMOTION, 5, 10);
    SDL_PushEvent(&e);
    e = mouseEvent(SDL_MOUSEBUTTONDOWN, 5, 10);
    SDL_PushEvent(&e);
    e = mouseEvent(SDL_MOUSEBUTTONUP, 5, 10);
    SDL_PushEvent(&e);
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.scancode = SDL_SCANCODE_RETURN;
    key.key.keysym.sym = SDLK_RETURN;
    SDL_PushEvent(&key);
    key.key.repeat = 1;
    SDL_PushEvent(&key);
    key.type = SDL_KEYUP;
    key.key.repeat = 0;
    SDL_PushEvent(&key);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = -2;
    SDL_PushEvent(&wheel);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);

    const std::vector<std::string> expected = {
        "move 10,5",   "down 10,5",  "up 11,47",   "toolbar quit", "keydown Enter", "keydown Enter repeat",
        "keyup Enter", "wheel down", "wheel down", "close"};
    std::vector<std::string> got;
    for (const std::string& line : pump(window()))
        if (line.rfind("move", 0) != 0 || line == "move 10,5") got.push_back(line);
    EXPECT_EQ(got, expected);
}

TEST_F(SdlWindow, CursorsFollowTheShapeGiven) {
    present(picture(0), {{0, 0, 64, 48}});
    SDL_Event e = mouseEvent(SDL_MOUSEMOTION, 10, 30); // over the panel
    SDL_PushEvent(&e);
    pump(window());
    SDL_Cursor* const arrow = SDL_GetCursor();

    // A monochrome cursor with an inverting pixel, then a two-step animation.
    CursorShape mono;
    CursorFrame f;
    f.width = 3;
    f.height = 2;
    f.hotX = 1;
    f.argb = {0xFF000000u, 0xFFFFFFFFu, 0, 0xFF000000u, 0, 0xFFFFFFFFu};
    f.invert = {0, 0, 0, 1, 0, 0};
    mono.frames.push_back(f);
    window().SetCursor(&mono);
    SDL_Cursor* const monoCursor = SDL_GetCursor();
    EXPECT_NE(monoCursor, arrow);

    CursorShape animated;
    f.invert.clear();
    f.argb.assign(6, 0x80FF0000u);
    animated.frames.push_back(f);
    f.argb.assign(6, 0x8000FF00u);
    animated.frames.push_back(f);
    animated.steps = {{0, 20}, {1, 60000}};
    window().SetCursor(&animated);
    SDL_Cursor* const first = SDL_GetCursor();
    EXPECT_NE(first, arrow);
    SDL_Delay(30);
    pump(window());
    EXPECT_NE(SDL_GetCursor(), first); // the second step
    // Over the tool bar the arrow shows; nothing given shows it everywhere.
    e = mouseEvent(SDL_MOUSEMOTION, 100, 10);
    SDL_PushEvent(&e);
    pump(window());
    EXPECT_EQ(SDL_GetCursor(), arrow);
    window().SetCursor(nullptr);
    e = mouseEvent(SDL_MOUSEMOTION, 10, 30);
    SDL_PushEvent(&e);
    pump(window());
    EXPECT_EQ(SDL_GetCursor(), arrow);
}

// The system's bus library keeps a buffer for the life of the process once
// SDL has talked to it; that is the library's, not a fault of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
