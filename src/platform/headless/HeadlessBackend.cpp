// The headless backend: a window without a screen, a virtual clock and
// dialogs answered by the input script. Frame N of the script is the pump of
// events made after N frames have ended; time moves only at frame ends, by a
// fixed step, so a run is the same every time.
#include "base/Cp932.h"
#include "platform/Backend.h"
#include "platform/InputScript.h"
#include "platform/PanelLayout.h"
#include "platform/VirtualKeys.h"
#include "render/PixelFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>

namespace nuvo::platform {

namespace {

// The platform's own key repeat, as a desktop with default settings gives
// it: the first repeat half a second after the press, then about 30 a
// second, only for the key pressed last.
constexpr int64_t kRepeatDelayMs = 500;
constexpr int64_t kRepeatIntervalMs = 33;

// Days from 1970-01-01 of a civil date, and back (proleptic Gregorian).
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

LocalTime addMilliseconds(const LocalTime& start, int64_t ms) {
    const int64_t startMs = ((int64_t{start.hour} * 60 + start.minute) * 60 + start.second) * 1000 + start.millisecond;
    const int64_t total = startMs + ms;
    const int64_t days = daysFromCivil(start.year, start.month, start.day) + total / 86'400'000;
    int64_t rest = total % 86'400'000;
    LocalTime t;
    civilFromDays(days, t.year, t.month, t.day);
    t.millisecond = static_cast<int>(rest % 1000);
    rest /= 1000;
    t.second = static_cast<int>(rest % 60);
    rest /= 60;
    t.minute = static_cast<int>(rest % 60);
    t.hour = static_cast<int>(rest / 60);
    t.dayOfWeek = static_cast<int>(((days % 7) + 7 + 4) % 7); // 1970-01-01 was a Thursday
    return t;
}

const char* buttonsText(MessageButtons b) {
    switch (b) {
    case MessageButtons::Ok:
        return "OK";
    case MessageButtons::OkCancel:
        return "OK/Cancel";
    case MessageButtons::YesNo:
        return "Yes/No";
    case MessageButtons::YesNoCancel:
        return "Yes/No/Cancel";
    }
    return "?";
}

const char* answerText(MessageResult r) {
    switch (r) {
    case MessageResult::Ok:
        return "ok";
    case MessageResult::Cancel:
        return "cancel";
    case MessageResult::Yes:
        return "yes";
    case MessageResult::No:
        return "no";
    }
    return "?";
}

bool answerFits(MessageResult r, MessageButtons b) {
    switch (b) {
    case MessageButtons::Ok:
        return r == MessageResult::Ok;
    case MessageButtons::OkCancel:
        return r == MessageResult::Ok || r == MessageResult::Cancel;
    case MessageButtons::YesNo:
        return r == MessageResult::Yes || r == MessageResult::No;
    case MessageButtons::YesNoCancel:
        return r != MessageResult::Ok;
    }
    return false;
}

// A pixel of a presented picture as 0x00RRGGBB.
uint32_t presentedPixel(const uint8_t* row, int32_t x, int bitCount) {
    if (bitCount == 32) {
        const uint8_t* p = row + static_cast<size_t>(x) * 4;
        return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
    }
    const uint8_t* p = row + static_cast<size_t>(x) * 2;
    const int32_t c = directPixelToColor(bitCount, uint32_t{p[0]} | uint32_t{p[1]} << 8);
    return colorRed(c) << 16 | colorGreen(c) << 8 | colorBlue(c);
}

class HeadlessBackend final : public IBackend, public IWindow, public IClock, public IDialogs {
public:
    explicit HeadlessBackend(const HeadlessOptions& options)
        : options_(options), actions_(parseInputScript(options.script)),
          audio_(createVirtualAudioDevice(options.audioWav)) {
        if (options_.frameMs < 1) options_.frameMs = 1;
    }

    // ---- IBackend ----
    const char* Name() const override { return "headless"; }
    IWindow& Window() override { return *this; }
    IClock& Clock() override { return *this; }
    IDialogs& Dialogs() override { return *this; }
    IAudioDevice& Audio() override { return *audio_; }
    void Finish() override { audio_->FinishWav(); }
    int64_t FrameNumber() const override { return frame_; }
    bool InputFinished() const override { return next_ >= actions_.size() && pending_.empty(); }

    // ---- IClock ----
    uint64_t TickMs() override { return static_cast<uint64_t>(now()); }
    LocalTime Now() override { return addMilliseconds(options_.startTime, now()); }
    // The audio device keeps pace: its jobs run and its output is rendered
    // up to the new time.
    void FrameEnded() override {
        ++frame_;
        audio_->AdvanceTo(static_cast<uint64_t>(now()));
    }
    void Sleep(uint32_t) override {}

    // ---- IDialogs ----
    MessageResult MessageBox(const std::string& sjisText, const std::string& sjisCaption, MessageButtons buttons,
                             MessageIcon) override {
        const std::string shown =
            "\"" + sjisToUtf8(sjisCaption) + ": " + sjisToUtf8(sjisText) + "\" (" + buttonsText(buttons) + ")";
        if (answers_.empty())
            stop(shown + " and the input script has no answer for it; add a line such as \"" + std::to_string(frame_) +
                 " answer " + answerText(defaultAnswer(buttons)) + "\" before it");
        const MessageResult answer = answers_.front();
        answers_.pop_front();
        if (!answerFits(answer, buttons))
            stop(shown + " but the input script's next answer is \"" + answerText(answer) + "\"");
        return answer;
    }

    // ---- IWindow ----
    void Open(const WindowSetup& setup) override {
        caption_ = setup.sjisCaption;
        toolbarVisible_ = setup.toolbarVisible;
        SetPanelSize(setup.panelWidth, setup.panelHeight);
        if (!opened_) {
            opened_ = true;
            // A window that opens takes the input, as on a desktop.
            pending_.push_back(Pending{Pending::Kind::Activate});
        }
    }
    void SetCaption(const std::string& sjisCaption) override { caption_ = sjisCaption; }
    void SetPanelSize(int32_t width, int32_t height) override { route_.setPanelSize(width, height); }
    void SetToolbarVisible(bool visible) override { toolbarVisible_ = visible; }
    bool ToolbarVisible() const override { return toolbarVisible_; }

    void Present(const PixelView& picture, const PanelRect* rects, size_t count) override {
        if (!picture.pixels || picture.width <= 0 || picture.height <= 0 ||
            (picture.bitCount != 32 && picture.bitCount != 16 && picture.bitCount != 15))
            return;
        if (picture.width != width_ || picture.height != height_ || picture.bitCount != bitCount_) {
            width_ = picture.width;
            height_ = picture.height;
            bitCount_ = picture.bitCount;
            shown_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
        }
        for (size_t i = 0; i < count; ++i) {
            const PanelRect r{std::max(rects[i].left, 0), std::max(rects[i].top, 0), std::min(rects[i].right, width_),
                              std::min(rects[i].bottom, height_)};
            if (r.empty()) continue;
            for (int32_t y = r.top; y < r.bottom; ++y) {
                const uint8_t* row = picture.pixels + static_cast<ptrdiff_t>(y) * picture.rowStep;
                uint32_t* out = shown_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_);
                for (int32_t x = r.left; x < r.right; ++x)
                    out[x] = presentedPixel(row, x, bitCount_);
            }
        }
    }
    bool ReadPresented(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height) override {
        if (shown_.empty()) return false;
        pixels = shown_;
        width = width_;
        height = height_;
        return true;
    }

    DisplayInfo QueryDisplay() override {
        DisplayInfo info;
        info.available = true;
        info.desktopBitCount = 32;
        info.presentBitCount = 32;
        info.modes = {{640, 480, 32, 60},  {800, 600, 32, 60},   {1024, 768, 32, 60},
                      {1280, 720, 32, 60}, {1280, 1024, 32, 60}, {1920, 1080, 32, 60}};
        return info;
    }
    bool EnterFullScreen(const DisplayMode&) override {
        fullScreen_ = true;
        return true;
    }
    void LeaveFullScreen() override { fullScreen_ = false; }
    bool IsFullScreen() const override { return fullScreen_; }

    void SetCursor(const CursorShape*) override {}
    bool MovePointer(int32_t x, int32_t y) override {
        Pending p{Pending::Kind::Move};
        p.x = x;
        p.y = y;
        pending_.push_back(p);
        return true;
    }

    void PumpEvents(IWindowEvents& sink) override {
        while (!pending_.empty()) {
            const Pending p = pending_.front();
            pending_.pop_front();
            if (p.kind == Pending::Kind::Activate)
                sink.Activate();
            else
                movePointer(sink, p.x, p.y, true);
        }
        deliverRepeats(sink);
        // A frame's answers are queued before its other events, so a dialog
        // that one of them opens finds its answer whatever the line order.
        size_t end = next_;
        while (end < actions_.size() && actions_[end].frame <= frame_)
            ++end;
        for (size_t i = next_; i < end; ++i)
            if (actions_[i].kind == InputAction::Kind::Answer) answers_.push_back(actions_[i].answer);
        while (next_ < end) {
            const InputAction& a = actions_[next_++];
            if (a.kind != InputAction::Kind::Answer) deliver(sink, a);
        }
    }
    void WaitEvents(int32_t) override {}

private:
    struct Pending {
        enum class Kind { Activate, Move } kind;
        int32_t x = 0;
        int32_t y = 0;
    };

    int64_t now() const { return frame_ * options_.frameMs; }

    static MessageResult defaultAnswer(MessageButtons b) {
        return b == MessageButtons::YesNo || b == MessageButtons::YesNoCancel ? MessageResult::Yes : MessageResult::Ok;
    }

    [[noreturn]] void stop(const std::string& what) const {
        std::fflush(stdout);
        std::fprintf(stderr, "nuvoplayer: headless run stopped at frame %lld: %s: a dialog asks %s\n",
                     static_cast<long long>(frame_), options_.scriptName.c_str(), what.c_str());
        std::fflush(stderr);
        std::exit(kUnansweredDialogExit);
    }

    PointerEvent pointerEvent(MouseButton button) const {
        PointerEvent e;
        e.x = pointerX_;
        e.y = pointerY_;
        e.windowY = pointerY_ + (toolbarVisible_ && !fullScreen_ ? kToolbarHeight : 0);
        e.button = button;
        return e;
    }

    void movePointer(IWindowEvents& sink, int32_t x, int32_t y, bool always) {
        if (!always && x == pointerX_ && y == pointerY_) return;
        pointerX_ = x;
        pointerY_ = y;
        PointerEvent e = pointerEvent(MouseButton::Left);
        if (route_.move(e)) sink.MouseMove(e);
    }

    void deliverRepeats(IWindowEvents& sink) {
        if (!repeatKey_) return;
        while (nextRepeatMs_ <= now()) {
            sink.KeyDown(repeatKey_, true);
            nextRepeatMs_ += kRepeatIntervalMs;
        }
    }

    void deliver(IWindowEvents& sink, const InputAction& a) {
        using Kind = InputAction::Kind;
        switch (a.kind) {
        case Kind::Move:
            movePointer(sink, a.x, a.y, true);
            break;
        case Kind::Down:
        case Kind::Up: {
            if (a.hasPosition) movePointer(sink, a.x, a.y, false);
            PointerEvent e = pointerEvent(a.button);
            if (a.kind == Kind::Down ? route_.press(e) : route_.release(e))
                a.kind == Kind::Down ? sink.MouseDown(e) : sink.MouseUp(e);
            break;
        }
        case Kind::Wheel:
            sink.MouseWheel(a.wheelUp);
            break;
        case Kind::KeyDown: {
            // A second press without a release is what the platform's own
            // repeat looks like.
            const bool repeat = held_[a.key];
            held_[a.key] = true;
            if (!repeat) {
                repeatKey_ = a.key;
                nextRepeatMs_ = now() + kRepeatDelayMs;
            }
            sink.KeyDown(a.key, repeat);
            break;
        }
        case Kind::KeyUp:
            held_[a.key] = false;
            if (repeatKey_ == a.key) repeatKey_ = 0;
            sink.KeyUp(a.key);
            break;
        case Kind::Answer:
            break; // queued before the frame's events
        case Kind::Quit:
            sink.CloseRequest();
            break;
        case Kind::Activate:
            sink.Activate();
            break;
        case Kind::Deactivate:
            // A window that loses the input loses its held keys' repeat.
            repeatKey_ = 0;
            sink.Deactivate();
            break;
        case Kind::Toolbar:
            sink.ToolbarClick(a.toolbarButton);
            break;
        }
    }

    HeadlessOptions options_;
    std::vector<InputAction> actions_;
    size_t next_ = 0;
    int64_t frame_ = 0;
    std::deque<Pending> pending_;
    std::deque<MessageResult> answers_;
    bool opened_ = false;
    std::string caption_;
    bool toolbarVisible_ = true;
    bool fullScreen_ = false;
    PointerRoute route_;
    int32_t pointerX_ = 0;
    int32_t pointerY_ = 0;
    bool held_[256] = {};
    uint8_t repeatKey_ = 0;
    int64_t nextRepeatMs_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int bitCount_ = 32;
    std::vector<uint32_t> shown_;
    std::unique_ptr<IVirtualAudioDevice> audio_;
};

} // namespace

std::unique_ptr<IBackend> createHeadlessBackend(const HeadlessOptions& options) {
    return std::make_unique<HeadlessBackend>(options);
}

} // namespace nuvo::platform
