// What the headless backend delivers: events at their frames, the pointer's
// way to the panel, the platform's key repeat on the virtual clock, dialog
// answers, and the presented picture.
#include "platform/Backend.h"
#include "platform/InputScript.h"
#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace nuvo::platform;

namespace {

// Writes every event as one short line, with the frame it came in.
struct Recorder : IWindowEvents {
    int64_t frame = 0;
    std::vector<std::string> lines;

    void add(const std::string& s) { lines.push_back(std::to_string(frame) + " " + s); }
    static const char* button(MouseButton b) {
        return b == MouseButton::Left ? "left" : b == MouseButton::Right ? "right" : "middle";
    }
    static std::string where(const PointerEvent& e) {
        return std::to_string(e.x) + "," + std::to_string(e.y) + (e.inPanel ? "" : " out");
    }
    void MouseMove(const PointerEvent& e) override { add("move " + where(e)); }
    void MouseDown(const PointerEvent& e) override { add(std::string("down ") + button(e.button) + " " + where(e)); }
    void MouseUp(const PointerEvent& e) override { add(std::string("up ") + button(e.button) + " " + where(e)); }
    void MouseWheel(bool up) override { add(up ? "wheel up" : "wheel down"); }
    void KeyDown(uint8_t key, bool repeat) override { add("keydown " + vk::keyName(key) + (repeat ? " repeat" : "")); }
    void KeyUp(uint8_t key) override { add("keyup " + vk::keyName(key)); }
    void Activate() override { add("activate"); }
    void Deactivate() override { add("deactivate"); }
    void ToolbarClick(ToolbarButton b) override { add(b == ToolbarButton::Quit ? "toolbar quit" : "toolbar screen"); }
    void CloseRequest() override { add("close"); }
};

std::unique_ptr<IBackend> makeBackend(const std::string& script, int32_t frameMs = 16) {
    HeadlessOptions options;
    options.script = script;
    options.frameMs = frameMs;
    auto backend = createHeadlessBackend(options);
    WindowSetup setup;
    setup.panelWidth = 640;
    setup.panelHeight = 480;
    backend->Window().Open(setup);
    return backend;
}

// Runs frames 0..frames-1 the way the frame loop does: pump, then end the frame.
std::vector<std::string> run(IBackend& backend, int frames) {
    Recorder r;
    for (int i = 0; i < frames; ++i) {
        r.frame = backend.FrameNumber();
        backend.Window().PumpEvents(r);
        backend.Clock().FrameEnded();
    }
    return r.lines;
}

} // namespace

TEST(HeadlessBackend, ClicksCaptureAndHoverReachThePanel) {
    auto backend = makeBackend("1 move 10 20\n"
                               "2 click 30 40\n"
                               "4 move 700 20\n"       // leaves the panel: hover out
                               "5 down right 700 30\n" // a press outside the panel is not the panel's
                               "6 up right\n"          // nor is its release
                               "7 down left 5 5\n"     // pressed on the panel ...
                               "8 move -3 500\n"       // ... dragged out, still reported
                               "9 up left\n"           // ... and released outside: the panel gets it
                               "10 down middle 1 1\n"
                               "10 up middle\n"
                               "11 wheel up 2\n"
                               "11 wheel down\n");
    const std::vector<std::string> expected = {
        "0 activate",           "1 move 10,20",      "2 move 30,40",       "2 down left 30,40", "3 up left 30,40",
        "4 move 700,20 out",    "5 move 700,30 out", "7 move 5,5",         "7 down left 5,5",   "8 move -3,500 out",
        "9 up left -3,500 out", "10 move 1,1",       "10 down middle 1,1", "10 up middle 1,1",  "11 wheel up",
        "11 wheel up",          "11 wheel down",
    };
    EXPECT_EQ(run(*backend, 12), expected);
    EXPECT_TRUE(backend->InputFinished());
}

TEST(HeadlessBackend, HeldKeyRepeatsOnTheVirtualClock) {
    // 16 ms frames: pressed at frame 2 (32 ms); the platform repeats from
    // 532 ms (frame 34 at 544 ms), then every 33 ms, until the release.
    auto backend = makeBackend("2 keydown Space\n"
                               "40 keyup Space\n");
    const std::vector<std::string> lines = run(*backend, 45);
    std::vector<std::string> expected = {"0 activate", "2 keydown Space"};
    for (int64_t t = 32 + 500; t <= 40 * 16; t += 33) {
        const int64_t frame = (t + 15) / 16; // the first pump at or after t
        expected.push_back(std::to_string(frame) + " keydown Space repeat");
    }
    expected.push_back("40 keyup Space");
    EXPECT_EQ(lines, expected);
}

TEST(HeadlessBackend, OnlyTheLastPressedKeyRepeats) {
    auto backend = makeBackend("0 keydown A\n"
                               "10 keydown B\n"
                               "19 keyup B\n"
                               "60 keyup A\n",
                               50);
    const std::vector<std::string> lines = run(*backend, 62);
    // A would repeat from 500 ms (frame 10) but B's press at frame 10 comes
    // first in the script and takes over; B is released before its delay,
    // and A does not start again.
    const std::vector<std::string> expected = {"0 activate",   "0 keydown A", "10 keydown A repeat",
                                               "10 keydown B", "19 keyup B",  "60 keyup A"};
    EXPECT_EQ(lines, expected);
}

TEST(HeadlessBackend, ScriptKeysToolbarActivationAndQuit) {
    auto backend = makeBackend("0 key Enter\n"
                               "0 keydown F1\n"
                               "0 keydown F1\n" // pressed again while held: the platform's repeat
                               "1 keyup F1\n"
                               "2 deactivate\n"
                               "3 activate\n"
                               "3 toolbar quit\n"
                               "4 quit\n");
    const std::vector<std::string> expected = {
        "0 activate", "0 keydown Enter", "0 keydown F1", "0 keydown F1 repeat", "1 keyup Enter",
        "1 keyup F1", "2 deactivate",    "3 activate",   "3 toolbar quit",      "4 close",
    };
    EXPECT_EQ(run(*backend, 6), expected);
}

TEST(HeadlessBackend, VirtualClockAdvancesOnlyAtFrameEnds) {
    HeadlessOptions options;
    options.frameMs = 40;
    options.startTime = LocalTime{2023, 12, 31, 23, 59, 59, 990, 0};
    auto backend = createHeadlessBackend(options);
    IClock& clock = backend->Clock();
    EXPECT_EQ(clock.TickMs(), 0u);
    clock.Sleep(1000);
    EXPECT_EQ(clock.TickMs(), 0u);
    clock.FrameEnded();
    EXPECT_EQ(clock.TickMs(), 40u);
    EXPECT_EQ(backend->FrameNumber(), 1);
    const LocalTime t = clock.Now(); // 30 ms into the new year, a Monday
    EXPECT_EQ(t.year, 2024);
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.hour, 0);
    EXPECT_EQ(t.minute, 0);
    EXPECT_EQ(t.second, 0);
    EXPECT_EQ(t.millisecond, 30);
    EXPECT_EQ(t.dayOfWeek, 1);
    for (int i = 0; i < 2'160'000 / 40 * 30; ++i)
        clock.FrameEnded(); // 18 hours later
    const LocalTime later = clock.Now();
    EXPECT_EQ(later.day, 1);
    EXPECT_EQ(later.hour, 18);
    EXPECT_EQ(later.millisecond, 30);
}

TEST(HeadlessBackend, DialogsTakeTheScriptsAnswersInOrder) {
    auto backend = makeBackend("1 answer yes\n"
                               "1 answer cancel\n"
                               "3 answer ok\n");
    run(*backend, 2);
    IDialogs& d = backend->Dialogs();
    EXPECT_EQ(d.MessageBox("q", "c", MessageButtons::YesNo, MessageIcon::Question), MessageResult::Yes);
    EXPECT_EQ(d.MessageBox("q", "c", MessageButtons::YesNoCancel, MessageIcon::Question), MessageResult::Cancel);
    run(*backend, 2);
    EXPECT_EQ(d.MessageBox("i", "c", MessageButtons::Ok, MessageIcon::Information), MessageResult::Ok);
}

TEST(HeadlessBackend, AnAnswerIsThereForTheDialogItsFramesClickOpens) {
    // The quit button's question, asked while the click is delivered; the
    // answer comes later in the text but in the same frame.
    struct AskOnQuit : IWindowEvents {
        IDialogs* dialogs = nullptr;
        MessageResult result = MessageResult::Cancel;
        void ToolbarClick(ToolbarButton) override {
            result = dialogs->MessageBox("q", "c", MessageButtons::YesNo, MessageIcon::Question);
        }
    } sink;
    auto backend = makeBackend("2 toolbar quit\n"
                               "2 answer no\n");
    sink.dialogs = &backend->Dialogs();
    for (int i = 0; i < 3; ++i) {
        backend->Window().PumpEvents(sink);
        backend->Clock().FrameEnded();
    }
    EXPECT_EQ(sink.result, MessageResult::No);
}

TEST(HeadlessBackendDeathTest, AnUnansweredDialogEndsTheRun) {
    // The answer for frame 5 is not there yet at frame 3.
    EXPECT_EXIT(
        {
            auto backend = makeBackend("5 answer yes\n");
            run(*backend, 3);
            backend->Dialogs().MessageBox("\x8F\x49\x97\xB9\x82\xB5\x82\xDC\x82\xB7\x82\xA9", "Title",
                                          MessageButtons::YesNo, MessageIcon::Question);
        },
        testing::ExitedWithCode(kUnansweredDialogExit), "frame 3.*終了しますか.*no answer.*3 answer yes");
    EXPECT_EXIT(
        {
            auto backend = makeBackend("0 answer no\n");
            run(*backend, 1);
            backend->Dialogs().MessageBox("x", "y", MessageButtons::OkCancel, MessageIcon::None);
        },
        testing::ExitedWithCode(kUnansweredDialogExit), "next answer is \"no\"");
}

TEST(HeadlessBackend, PresentationCopiesOnlyTheGivenRectangles) {
    auto backend = makeBackend("");
    IWindow& w = backend->Window();
    std::vector<uint32_t> shown;
    int32_t width = 0, height = 0;
    EXPECT_FALSE(w.ReadPresented(shown, width, height));

    // A 4 x 3 picture, 32 bits with a padded row step and junk fourth bytes.
    const int32_t step = 20;
    std::vector<uint8_t> pixels(static_cast<size_t>(step) * 3);
    const auto put = [&](int x, int y, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            pixels[static_cast<size_t>(y * step + x * 4 + i)] = static_cast<uint8_t>(v >> (8 * i));
    };
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            put(x, y, 0xAA000000u | static_cast<uint32_t>(y * 16 + x));
    PixelView view{pixels.data(), 4, 3, step, 32};
    const PanelRect first[] = {{1, 1, 3, 2}, {-5, -5, 1, 1}, {3, 2, 9, 9}, {2, 0, 2, 3}};
    w.Present(view, first, std::size(first));
    ASSERT_TRUE(w.ReadPresented(shown, width, height));
    EXPECT_EQ(width, 4);
    EXPECT_EQ(height, 3);
    const std::vector<uint32_t> expected = {0x00, 0, 0, 0, 0, 0x11, 0x12, 0, 0, 0, 0, 0x23};
    EXPECT_EQ(shown, expected);

    // Later pixels outside the rectangles stay as they were shown.
    put(0, 1, 0x00FF0000);
    put(1, 1, 0x0000FF00);
    const PanelRect second[] = {{0, 1, 1, 2}};
    w.Present(view, second, 1);
    ASSERT_TRUE(w.ReadPresented(shown, width, height));
    EXPECT_EQ(shown[4], 0xFF0000u);
    EXPECT_EQ(shown[5], 0x11u);

    // A 16-bit picture of another size starts from black; channels widen.
    const uint16_t rgb565[2] = {0xF800, 0x07FF};
    PixelView small{reinterpret_cast<const uint8_t*>(rgb565), 2, 1, 4, 16};
    const PanelRect one[] = {{1, 0, 2, 1}};
    w.Present(small, one, 1);
    ASSERT_TRUE(w.ReadPresented(shown, width, height));
    EXPECT_EQ(width, 2);
    EXPECT_EQ(shown, (std::vector<uint32_t>{0, 0x00FFFF}));
}

TEST(HeadlessBackend, MovedPointerArrivesAsAMove) {
    auto backend = makeBackend("");
    run(*backend, 1);
    EXPECT_TRUE(backend->Window().MovePointer(100, 50));
    EXPECT_EQ(run(*backend, 1), std::vector<std::string>{"1 move 100,50"});
}

TEST(HeadlessBackend, BadScriptIsRefusedAtCreation) {
    HeadlessOptions options;
    options.script = "1 move 1 2\n2 fly\n";
    try {
        createHeadlessBackend(options);
        FAIL();
    } catch (const EInputScriptError& e) {
        EXPECT_EQ(e.Line(), 2);
    }
}
