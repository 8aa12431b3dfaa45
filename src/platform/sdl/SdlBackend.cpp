// The desktop backend: one SDL window (X11 or Wayland, as SDL chooses)
// holding the tool bar strip and the panel, presentation through a
// streaming texture updated only in the changed rectangles, the system
// clock, and message boxes through SDL until the GTK dialogs replace them.
#include "base/Cp932.h"
#include "base/Error.h"
#include "platform/Backend.h"
#include "platform/PanelLayout.h"
#include "platform/sdl/SdlKeys.h"
#include "platform/sdl/SdlToolbar.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

namespace nuvo::platform {

namespace {

// The offscreen and dummy drivers are chosen only when asked for by name.
bool invisibleDriverNotAskedFor() {
    const char* current = SDL_GetCurrentVideoDriver();
    if (!current || (SDL_strcasecmp(current, "offscreen") != 0 && SDL_strcasecmp(current, "dummy") != 0)) return false;
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (!asked) return true;
    std::string wanted(asked);
    for (char& c : wanted) c = static_cast<char>(SDL_tolower(static_cast<unsigned char>(c)));
    std::string name(current);
    for (char& c : name) c = static_cast<char>(SDL_tolower(static_cast<unsigned char>(c)));
    return wanted.find(name) == std::string::npos;
}

using sdl::ToolbarPainter;

[[noreturn]] void raiseSdl(const char* what) { raiseError(utf8ToSjis(std::string(what) + ": " + SDL_GetError())); }

int bitsOfFormat(Uint32 format) {
    return SDL_BYTESPERPIXEL(format) == 4 ? 32 : static_cast<int>(SDL_BITSPERPIXEL(format));
}

Uint32 textureFormatFor(int bitCount) {
    switch (bitCount) {
    case 15:
        return SDL_PIXELFORMAT_RGB555;
    case 16:
        return SDL_PIXELFORMAT_RGB565;
    default:
        return SDL_PIXELFORMAT_RGB888; // 0x??RRGGBB, blue byte first in memory
    }
}

// A monochrome cursor (every pixel transparent, opaque black or white, or
// inverting) can keep its inverting pixels; SDL's colour cursors cannot.
bool isMonochrome(const CursorFrame& f) {
    for (size_t i = 0; i < f.argb.size(); ++i) {
        const uint32_t v = f.argb[i];
        if ((v >> 24) == 0 || (!f.invert.empty() && f.invert[i])) continue;
        if (v != 0xFF000000u && v != 0xFFFFFFFFu) return false;
    }
    return true;
}

SDL_Cursor* makeMonochromeCursor(const CursorFrame& f) {
    const int32_t stride = (f.width + 7) / 8;
    std::vector<Uint8> data(static_cast<size_t>(stride) * static_cast<size_t>(f.height), 0);
    std::vector<Uint8> mask(data.size(), 0);
    for (int32_t y = 0; y < f.height; ++y) {
        for (int32_t x = 0; x < f.width; ++x) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(f.width) + static_cast<size_t>(x);
            const size_t byte = static_cast<size_t>(y) * static_cast<size_t>(stride) + static_cast<size_t>(x / 8);
            const Uint8 bit = static_cast<Uint8>(0x80 >> (x % 8));
            const bool inverts = !f.invert.empty() && f.invert[i];
            const uint32_t v = f.argb[i];
            if (inverts)
                data[byte] |= bit; // data 1, mask 0: inverted
            else if ((v >> 24) != 0) {
                mask[byte] |= bit;
                if (v == 0xFF000000u) data[byte] |= bit; // black; white keeps data 0
            }
        }
    }
    return SDL_CreateCursor(data.data(), mask.data(), stride * 8, f.height, f.hotX, f.hotY);
}

SDL_Cursor* makeCursor(const CursorFrame& f) {
    if (f.width <= 0 || f.height <= 0 || f.argb.size() != static_cast<size_t>(f.width) * static_cast<size_t>(f.height))
        return nullptr;
    if (!f.invert.empty() && isMonochrome(f))
        if (SDL_Cursor* c = makeMonochromeCursor(f)) return c;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(f.argb.data()), f.width, f.height,
                                                              32, f.width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!surface) return nullptr;
    SDL_Cursor* c = SDL_CreateColorCursor(surface, f.hotX, f.hotY);
    SDL_FreeSurface(surface);
    return c;
}

class SdlBackend final : public IBackend, public IWindow, public IClock, public IDialogs {
public:
    SdlBackend() {
        // Probing Wayland with no session prints an error of libwayland's
        // own; without one in sight, let SDL try the others.
        if (!SDL_getenv("SDL_VIDEODRIVER") && !SDL_getenv("WAYLAND_DISPLAY") && !SDL_getenv("XDG_RUNTIME_DIR"))
            SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,kmsdrm,offscreen,dummy");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) raiseSdl("SDL could not start its video system");
        // Without a display SDL falls back to drivers that show nothing: a
        // player there would run unseen for ever.
        if (invisibleDriverNotAskedFor()) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            if (SDL_WasInit(0) == 0) SDL_Quit();
            throw ENoDisplay();
        }
        // A click that activates the window also reaches the panel, as on
        // the system the titles come from.
        SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    }

    ~SdlBackend() override {
        // Sound first: its threads may still be rendering.
        audio_.reset();
        dropCursors();
        if (arrow_) SDL_FreeCursor(arrow_);
        if (panelTexture_) SDL_DestroyTexture(panelTexture_);
        if (toolbarTexture_) SDL_DestroyTexture(toolbarTexture_);
        if (renderer_) SDL_DestroyRenderer(renderer_);
        if (window_) SDL_DestroyWindow(window_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        // The last user of SDL also lets go of what SDL holds beyond its
        // subsystems (its bus connection).
        if (SDL_WasInit(0) == 0) SDL_Quit();
    }

    // ---- IBackend ----
    const char* Name() const override { return "sdl"; }
    IWindow& Window() override { return *this; }
    IClock& Clock() override { return *this; }
    IDialogs& Dialogs() override { return *this; }
    IAudioDevice& Audio() override {
        if (!audio_) audio_ = createSdlAudioDevice();
        return *audio_;
    }
    int64_t FrameNumber() const override { return frames_; }

    // ---- IClock ----
    uint64_t TickMs() override { return SDL_GetTicks64(); }
    LocalTime Now() override {
        const auto now = std::chrono::system_clock::now();
        const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
        std::tm tm{};
        localtime_r(&seconds, &tm);
        LocalTime t;
        t.year = tm.tm_year + 1900;
        t.month = tm.tm_mon + 1;
        t.day = tm.tm_mday;
        t.hour = tm.tm_hour;
        t.minute = tm.tm_min;
        t.second = tm.tm_sec;
        t.millisecond = static_cast<int>(ms);
        t.dayOfWeek = tm.tm_wday;
        return t;
    }
    uint32_t UtcMillisecondsOfDay() override {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
        return static_cast<uint32_t>(ms % 86'400'000);
    }
    void FrameEnded() override { ++frames_; }
    void Sleep(uint32_t ms) override { SDL_Delay(ms); }

    // ---- IDialogs (SDL's message box, used only when GTK cannot start) ----
    MessageResult MessageBox(const std::string& sjisText, const std::string& sjisCaption, MessageButtons buttons,
                             MessageIcon icon) override {
        std::vector<SDL_MessageBoxButtonData> list;
        const auto add = [&](MessageResult r, const char* text, Uint32 flags) {
            list.push_back(SDL_MessageBoxButtonData{flags, static_cast<int>(r), text});
        };
        const Uint32 enter = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, escape = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        switch (buttons) {
        case MessageButtons::Ok:
            add(MessageResult::Ok, "OK", enter | escape);
            break;
        case MessageButtons::OkCancel:
            add(MessageResult::Ok, "OK", enter);
            add(MessageResult::Cancel, "キャンセル", escape);
            break;
        case MessageButtons::YesNo:
            add(MessageResult::Yes, "はい", enter);
            add(MessageResult::No, "いいえ", escape);
            break;
        case MessageButtons::YesNoCancel:
            add(MessageResult::Yes, "はい", enter);
            add(MessageResult::No, "いいえ", 0);
            add(MessageResult::Cancel, "キャンセル", escape);
            break;
        }
        const std::string text = sjisToUtf8(sjisText), caption = sjisToUtf8(sjisCaption);
        SDL_MessageBoxData data{};
        data.flags = (icon == MessageIcon::Error     ? SDL_MESSAGEBOX_ERROR
                      : icon == MessageIcon::Warning ? SDL_MESSAGEBOX_WARNING
                                                     : SDL_MESSAGEBOX_INFORMATION) |
                     SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
        data.window = window_;
        data.title = caption.c_str();
        data.message = text.c_str();
        data.numbuttons = static_cast<int>(list.size());
        data.buttons = list.data();
        int chosen = -1;
        // Closing the box without a choice answers Cancel, or No without one.
        if (SDL_ShowMessageBox(&data, &chosen) != 0 || chosen < 0)
            return buttons == MessageButtons::YesNo ? MessageResult::No : MessageResult::Cancel;
        return static_cast<MessageResult>(chosen);
    }

    // ---- IWindow ----
    void Open(const WindowSetup& setup) override {
        panelWidth_ = std::max(setup.panelWidth, 1);
        panelHeight_ = std::max(setup.panelHeight, 1);
        toolbarVisible_ = setup.toolbarVisible;
        caption_ = sjisToUtf8(setup.sjisCaption);
        if (window_) {
            SDL_SetWindowTitle(window_, caption_.c_str());
            applyWindowSize(true);
            return;
        }
        window_ = SDL_CreateWindow(caption_.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, panelWidth_,
                                   windowedHeight(), SDL_WINDOW_HIDDEN);
        if (!window_) raiseSdl("SDL could not create the window");
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
        if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        if (!renderer_) raiseSdl("SDL could not create a renderer for the window");
        wayland_ = std::string_view(SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "") == "wayland";
        arrow_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
        // Keys go to the player, not to an input method.
        SDL_StopTextInput();
        japanese_ = sdl::japaneseLayoutActive();
        SDL_ShowWindow(window_);
        SDL_RaiseWindow(window_);
        updateLayout();
        renderFrame();
    }

    void SetCaption(const std::string& sjisCaption) override {
        caption_ = sjisToUtf8(sjisCaption);
        if (window_) SDL_SetWindowTitle(window_, caption_.c_str());
    }

    void SetPanelSize(int32_t width, int32_t height) override {
        panelWidth_ = std::max(width, 1);
        panelHeight_ = std::max(height, 1);
        applyWindowSize(true);
    }

    void SetToolbarVisible(bool visible) override {
        if (visible == toolbarVisible_) return;
        toolbarVisible_ = visible;
        hovered_ = pressed_ = -1;
        // Showing or hiding the strip keeps the window where it is.
        applyWindowSize(false);
    }
    bool ToolbarVisible() const override { return toolbarVisible_; }

    void Present(const PixelView& picture, const PanelRect* rects, size_t count) override {
        if (!renderer_ || !picture.pixels || picture.width <= 0 || picture.height <= 0) return;
        if (!ensureTexture(picture.width, picture.height, picture.bitCount)) return;
        const int bytes = picture.bitCount == 32 ? 4 : 2;
        for (size_t i = 0; i < count; ++i) {
            const SDL_Rect r = clipped(rects[i], picture.width, picture.height);
            if (r.w <= 0 || r.h <= 0) continue;
            const uint8_t* first =
                picture.pixels + static_cast<ptrdiff_t>(r.y) * picture.rowStep + static_cast<ptrdiff_t>(r.x) * bytes;
            if (picture.rowStep > 0) {
                SDL_UpdateTexture(panelTexture_, &r, first, picture.rowStep);
                continue;
            }
            for (int y = 0; y < r.h; ++y) {
                const SDL_Rect row{r.x, r.y + y, r.w, 1};
                SDL_UpdateTexture(panelTexture_, &row, first + static_cast<ptrdiff_t>(y) * picture.rowStep,
                                  r.w * bytes);
            }
        }
        renderFrame();
    }

    bool ReadPresented(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height) override {
        if (!renderer_ || !panelTexture_) return false;
        // Draw the picture once more one to one, read it back before it is
        // shown, then draw the frame as it should look.
        int outW = 0, outH = 0;
        SDL_GetRendererOutputSize(renderer_, &outW, &outH);
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        const SDL_Rect whole{0, 0, textureWidth_, textureHeight_};
        SDL_RenderCopy(renderer_, panelTexture_, nullptr, &whole);
        width = textureWidth_;
        height = textureHeight_;
        pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
        const SDL_Rect readable{0, 0, std::min(width, outW), std::min(height, outH)};
        bool ok = readable.w > 0 && readable.h > 0 &&
                  SDL_RenderReadPixels(renderer_, &readable, SDL_PIXELFORMAT_ARGB8888, pixels.data(), width * 4) == 0;
        for (uint32_t& p : pixels)
            p &= 0x00FFFFFF;
        renderFrame();
        return ok;
    }

    DisplayInfo QueryDisplay() override {
        DisplayInfo info;
        int display = window_ ? SDL_GetWindowDisplayIndex(window_) : 0;
        if (display < 0) display = 0;
        SDL_DisplayMode desktop{};
        if (SDL_GetDesktopDisplayMode(display, &desktop) != 0) return info;
        info.available = true;
        info.desktopBitCount = bitsOfFormat(desktop.format);
        info.presentBitCount = 32;
        const int count = SDL_GetNumDisplayModes(display);
        for (int i = 0; i < count; ++i) {
            SDL_DisplayMode m{};
            if (SDL_GetDisplayMode(display, i, &m) == 0)
                info.modes.push_back(DisplayMode{m.w, m.h, bitsOfFormat(m.format), m.refresh_rate});
        }
        return info;
    }

    bool EnterFullScreen(const DisplayMode&) override {
        if (!window_) return false;
        if (fullScreen_) return true;
        SDL_GetWindowPosition(window_, &savedX_, &savedY_);
        if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return false;
        fullScreen_ = true;
        hovered_ = pressed_ = -1;
        updateLayout();
        renderFrame();
        return true;
    }

    void LeaveFullScreen() override {
        if (!window_ || !fullScreen_) return;
        SDL_SetWindowFullscreen(window_, 0);
        fullScreen_ = false;
        hovered_ = pressed_ = -1;
        SDL_SetWindowSize(window_, panelWidth_, windowedHeight());
        SDL_SetWindowPosition(window_, savedX_, savedY_);
        updateLayout();
        renderFrame();
    }
    bool IsFullScreen() const override { return fullScreen_; }

    void SetCursor(const CursorShape* shape) override {
        dropCursors();
        if (shape) {
            for (const CursorFrame& f : shape->frames)
                cursorFrames_.push_back(makeCursor(f));
            for (const CursorStep& s : shape->steps)
                if (s.frame >= 0 && static_cast<size_t>(s.frame) < cursorFrames_.size()) steps_.push_back(s);
            step_ = 0;
            stepEndsMs_ =
                SDL_GetTicks64() + (steps_.empty() ? 0 : static_cast<uint64_t>(std::max(steps_[0].durationMs, 1)));
        }
        showCursor(true);
    }

    bool MovePointer(int32_t x, int32_t y) override {
        // Wayland lets no program move the pointer.
        if (!window_ || wayland_) return false;
        double ax = 0, ay = 0;
        placement_.toArea(x, y, ax, ay);
        SDL_WarpMouseInWindow(window_, static_cast<int>(ax / scaleX_), static_cast<int>(ay / scaleY_));
        return true;
    }

    void PumpEvents(IWindowEvents& sink) override {
        animateCursor();
        SDL_Event e;
        while (SDL_PollEvent(&e))
            handle(e, sink);
    }

    void WaitEvents(int32_t timeoutMs) override {
        if (steps_.size() > 1) {
            const uint64_t now = SDL_GetTicks64();
            const int64_t untilStep = stepEndsMs_ > now ? static_cast<int64_t>(stepEndsMs_ - now) : 0;
            timeoutMs = static_cast<int32_t>(std::min<int64_t>(timeoutMs, untilStep));
        }
        if (timeoutMs > 0) SDL_WaitEventTimeout(nullptr, timeoutMs);
    }

private:
    enum class Area { None, Toolbar, Panel };

    int32_t windowedHeight() const { return panelHeight_ + (toolbarVisible_ ? kToolbarHeight : 0); }

    void applyWindowSize(bool centre) {
        if (!window_ || fullScreen_) {
            updateLayout();
            return;
        }
        SDL_SetWindowSize(window_, panelWidth_, windowedHeight());
        // Where the window system lets programs place windows; Wayland
        // leaves that to the compositor and ignores it.
        if (centre) SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        updateLayout();
        renderFrame();
    }

    int32_t toolbarTop() const { return 0; }

    void updateLayout() {
        int outW = panelWidth_, outH = windowedHeight(), winW = outW, winH = outH;
        if (renderer_) SDL_GetRendererOutputSize(renderer_, &outW, &outH);
        if (window_) SDL_GetWindowSize(window_, &winW, &winH);
        scaleX_ = winW > 0 ? static_cast<double>(outW) / winW : 1.0;
        scaleY_ = winH > 0 ? static_cast<double>(outH) / winH : 1.0;
        outputWidth_ = outW;
        outputHeight_ = outH;
        const int32_t pictureW = panelTexture_ ? textureWidth_ : panelWidth_;
        const int32_t pictureH = panelTexture_ ? textureHeight_ : panelHeight_;
        if (fullScreen_) {
            placement_ = fitPicture(0, 0, outW, outH, pictureW, pictureH);
        } else {
            const int32_t top = toolbarVisible_ ? kToolbarHeight : 0;
            placement_ = fitPicture(0, top, outW, std::max(outH - top, 1), pictureW, pictureH);
        }
        route_.setPanelSize(pictureW, pictureH);
        if (panelTexture_)
            SDL_SetTextureScaleMode(panelTexture_,
                                    placement_.wholeScale() ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
        toolbarDirty_ = true;
    }

    static SDL_Rect clipped(const PanelRect& r, int32_t w, int32_t h) {
        const int32_t left = std::max(r.left, 0), top = std::max(r.top, 0);
        const int32_t right = std::min(r.right, w), bottom = std::min(r.bottom, h);
        return SDL_Rect{left, top, right - left, bottom - top};
    }

    bool ensureTexture(int32_t width, int32_t height, int bitCount) {
        if (bitCount != 32 && bitCount != 16 && bitCount != 15) return false;
        if (panelTexture_ && width == textureWidth_ && height == textureHeight_ && bitCount == textureBits_)
            return true;
        if (panelTexture_) SDL_DestroyTexture(panelTexture_);
        panelTexture_ =
            SDL_CreateTexture(renderer_, textureFormatFor(bitCount), SDL_TEXTUREACCESS_STREAMING, width, height);
        if (!panelTexture_) return false;
        textureWidth_ = width;
        textureHeight_ = height;
        textureBits_ = bitCount;
        // A new picture starts from black.
        void* pixels = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(panelTexture_, nullptr, &pixels, &pitch) == 0) {
            std::memset(pixels, 0, static_cast<size_t>(pitch) * static_cast<size_t>(height));
            SDL_UnlockTexture(panelTexture_);
        }
        updateLayout();
        return true;
    }

    void paintToolbar() {
        if (!toolbarDirty_ && toolbarTexture_) return;
        const int32_t width = std::max(outputWidth_, 1);
        if (!toolbarTexture_ || toolbarTextureWidth_ != width) {
            if (toolbarTexture_) SDL_DestroyTexture(toolbarTexture_);
            toolbarTexture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width,
                                                kToolbarHeight);
            toolbarTextureWidth_ = width;
            if (!toolbarTexture_) return;
        }
        std::vector<uint32_t> pixels(static_cast<size_t>(width) * kToolbarHeight);
        painter().paint(pixels.data(), width, width, hovered_, pressed_);
        SDL_UpdateTexture(toolbarTexture_, nullptr, pixels.data(), width * 4);
        toolbarDirty_ = false;
    }

    ToolbarPainter& painter() {
        if (!painter_) painter_ = std::make_unique<ToolbarPainter>();
        return *painter_;
    }

    void renderFrame() {
        if (!renderer_) return;
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        if (panelTexture_) {
            const SDL_Rect dst{placement_.x, placement_.y, placement_.width, placement_.height};
            SDL_RenderCopy(renderer_, panelTexture_, nullptr, &dst);
        }
        if (toolbarVisible_) {
            paintToolbar();
            if (toolbarTexture_) {
                const SDL_Rect dst{0, 0, toolbarTextureWidth_, kToolbarHeight};
                SDL_RenderCopy(renderer_, toolbarTexture_, nullptr, &dst);
            }
        }
        SDL_RenderPresent(renderer_);
    }

    // ---- Cursors ----
    void dropCursors() {
        if (current_ && current_ != arrow_) SDL_SetCursor(arrow_ ? arrow_ : SDL_GetDefaultCursor());
        current_ = nullptr;
        for (SDL_Cursor* c : cursorFrames_)
            if (c) SDL_FreeCursor(c);
        cursorFrames_.clear();
        steps_.clear();
    }

    SDL_Cursor* panelCursor() const {
        if (cursorFrames_.empty()) return arrow_;
        const size_t frame = steps_.empty() ? 0 : static_cast<size_t>(steps_[step_].frame);
        SDL_Cursor* c = frame < cursorFrames_.size() ? cursorFrames_[frame] : nullptr;
        return c ? c : arrow_;
    }

    void showCursor(bool force) {
        SDL_Cursor* wanted = area_ == Area::Toolbar ? arrow_ : panelCursor();
        if (!wanted || (!force && wanted == current_)) return;
        SDL_SetCursor(wanted);
        current_ = wanted;
    }

    void animateCursor() {
        if (steps_.size() < 2) return;
        const uint64_t now = SDL_GetTicks64();
        if (now < stepEndsMs_) return;
        // A long pause (a blocked main thread) does not replay the steps it missed.
        if (now - stepEndsMs_ > 1000) stepEndsMs_ = now;
        while (stepEndsMs_ <= now) {
            step_ = (step_ + 1) % steps_.size();
            stepEndsMs_ += static_cast<uint64_t>(std::max(steps_[step_].durationMs, 1));
        }
        showCursor(false);
    }

    // ---- Events ----
    void setArea(Area area) {
        if (area == area_) return;
        area_ = area;
        showCursor(false);
    }

    void setHovered(int index) {
        if (index == hovered_) return;
        hovered_ = index;
        toolbarDirty_ = true;
        renderFrame();
    }

    bool overToolbar(double ay) const { return toolbarVisible_ && ay >= toolbarTop() && ay < kToolbarHeight; }

    PointerEvent pointerAt(double ax, double ay, MouseButton button) const {
        PointerEvent e;
        placement_.toPanel(ax, ay, e.x, e.y);
        e.windowY = static_cast<int32_t>(ay);
        e.button = button;
        return e;
    }

    static bool buttonOf(Uint8 sdlButton, MouseButton& b) {
        switch (sdlButton) {
        case SDL_BUTTON_LEFT:
            b = MouseButton::Left;
            return true;
        case SDL_BUTTON_RIGHT:
            b = MouseButton::Right;
            return true;
        case SDL_BUTTON_MIDDLE:
            b = MouseButton::Middle;
            return true;
        default:
            return false;
        }
    }

    void onMotion(const SDL_MouseMotionEvent& m, IWindowEvents& sink) {
        const double ax = m.x * scaleX_, ay = m.y * scaleY_;
        if (pressed_ >= 0 || (!route_.captured() && overToolbar(ay))) {
            setArea(Area::Toolbar);
            setHovered(overToolbar(ay) ? ToolbarPainter::buttonAt(static_cast<int32_t>(ax), static_cast<int32_t>(ay))
                                       : -1);
            return;
        }
        setHovered(-1);
        setArea(Area::Panel);
        PointerEvent e = pointerAt(ax, ay, MouseButton::Left);
        if (route_.move(e)) sink.MouseMove(e);
    }

    void onButton(const SDL_MouseButtonEvent& m, bool down, IWindowEvents& sink) {
        MouseButton button;
        if (!buttonOf(m.button, button)) return;
        const double ax = m.x * scaleX_, ay = m.y * scaleY_;
        if (pressed_ >= 0) {
            // A press on a tool bar button ends there: a click when released
            // over the same button.
            if (!down && button == MouseButton::Left) {
                const int index = pressed_;
                pressed_ = -1;
                toolbarDirty_ = true;
                renderFrame();
                if (index == hovered_) sink.ToolbarClick(ToolbarPainter::buttonOf(index));
            }
            return;
        }
        if (down && !route_.captured() && overToolbar(ay)) {
            const int index = ToolbarPainter::buttonAt(static_cast<int32_t>(ax), static_cast<int32_t>(ay));
            if (index >= 0 && button == MouseButton::Left) {
                pressed_ = index;
                hovered_ = index;
                toolbarDirty_ = true;
                renderFrame();
            }
            return;
        }
        PointerEvent e = pointerAt(ax, ay, button);
        if (down ? route_.press(e) : route_.release(e)) down ? sink.MouseDown(e) : sink.MouseUp(e);
    }

    void onWheel(const SDL_MouseWheelEvent& w, IWindowEvents& sink) {
        int notches = w.direction == SDL_MOUSEWHEEL_FLIPPED ? -w.y : w.y;
        const bool up = notches > 0;
        notches = std::min(notches < 0 ? -notches : notches, 10);
        for (int i = 0; i < notches; ++i)
            sink.MouseWheel(up);
    }

    void onWindow(const SDL_WindowEvent& w, IWindowEvents& sink) {
        switch (w.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            sink.Activate();
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            pressed_ = -1;
            setHovered(-1);
            sink.Deactivate();
            break;
        case SDL_WINDOWEVENT_LEAVE:
            setHovered(-1);
            area_ = Area::None;
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            renderFrame();
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            updateLayout();
            renderFrame();
            break;
        default:
            break;
        }
    }

    void handle(const SDL_Event& e, IWindowEvents& sink) {
        switch (e.type) {
        case SDL_QUIT:
            sink.CloseRequest();
            break;
        case SDL_WINDOWEVENT:
            onWindow(e.window, sink);
            break;
        case SDL_MOUSEMOTION:
            onMotion(e.motion, sink);
            break;
        case SDL_MOUSEBUTTONDOWN:
            onButton(e.button, true, sink);
            break;
        case SDL_MOUSEBUTTONUP:
            onButton(e.button, false, sink);
            break;
        case SDL_MOUSEWHEEL:
            onWheel(e.wheel, sink);
            break;
        case SDL_KEYDOWN:
            if (const uint8_t key = sdl::virtualKeyOf(e.key.keysym.scancode, e.key.keysym.sym, japanese_))
                sink.KeyDown(key, e.key.repeat != 0);
            break;
        case SDL_KEYUP:
            if (const uint8_t key = sdl::virtualKeyOf(e.key.keysym.scancode, e.key.keysym.sym, japanese_))
                sink.KeyUp(key);
            break;
        case SDL_KEYMAPCHANGED:
            japanese_ = sdl::japaneseLayoutActive();
            break;
        case SDL_RENDER_DEVICE_RESET:
            // Every texture went with the device: start again from black and
            // ask for the whole picture.
            if (panelTexture_) SDL_DestroyTexture(panelTexture_);
            if (toolbarTexture_) SDL_DestroyTexture(toolbarTexture_);
            panelTexture_ = toolbarTexture_ = nullptr;
            textureWidth_ = textureHeight_ = 0;
            sink.RepaintRequest();
            break;
        default:
            break;
        }
    }

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* panelTexture_ = nullptr;
    int32_t textureWidth_ = 0;
    int32_t textureHeight_ = 0;
    int textureBits_ = 32;
    SDL_Texture* toolbarTexture_ = nullptr;
    int32_t toolbarTextureWidth_ = 0;
    bool toolbarDirty_ = true;
    std::unique_ptr<ToolbarPainter> painter_;
    std::string caption_;
    int32_t panelWidth_ = 563;
    int32_t panelHeight_ = 425;
    bool toolbarVisible_ = true;
    bool fullScreen_ = false;
    bool wayland_ = false;
    bool japanese_ = false;
    int savedX_ = SDL_WINDOWPOS_CENTERED;
    int savedY_ = SDL_WINDOWPOS_CENTERED;
    int32_t outputWidth_ = 0;
    int32_t outputHeight_ = 0;
    double scaleX_ = 1.0;
    double scaleY_ = 1.0;
    PanelPlacement placement_;
    PointerRoute route_;
    int hovered_ = -1;
    int pressed_ = -1;
    Area area_ = Area::None;
    SDL_Cursor* arrow_ = nullptr;
    SDL_Cursor* current_ = nullptr;
    std::vector<SDL_Cursor*> cursorFrames_;
    std::vector<CursorStep> steps_;
    size_t step_ = 0;
    uint64_t stepEndsMs_ = 0;
    int64_t frames_ = 0;
    std::unique_ptr<IAudioDevice> audio_;
};

} // namespace

std::unique_ptr<IBackend> createSdlBackend() { return std::make_unique<SdlBackend>(); }

} // namespace nuvo::platform
