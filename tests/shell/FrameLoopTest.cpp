// The main window's frame loop with the headless backend: the clocks and
// their 300 ms rule, activation and pausing, composition thinned by
// FpsDivisor and skipped after a load, input reaching the script, the quit
// box answered by the input script, and the pacing thread.
#include "engine/ProgramContext.h"
#include "engine/Project.h"
#include "platform/Backend.h"
#include "platform/System.h"
#include "render/ScreenManager.h"
#include "script/ParamCollection.h"
#include "shell/FormView.h"
#include "shell/FrameClock.h"
#include "shell/LoopThread.h"
#include "shell/ShellTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace nuvo {
namespace {

// A title run by the view on the headless backend, frame by frame as the
// headless player runs it.
struct HeadlessView {
    std::unique_ptr<platform::IBackend> backend;
    std::unique_ptr<platform::ISystem> system = platform::createLinuxSystem();
    test::TempDir saves;
    std::unique_ptr<TFormView> view;
    std::string dumped;

    explicit HeadlessView(const std::string& script, std::function<bool(TProgramContext&)> servicePending = {},
                          int frameMs = 16) {
        platform::HeadlessOptions options;
        options.script = script;
        options.frameMs = frameMs;
        backend = platform::createHeadlessBackend(options);
        TFormViewSetup setup;
        setup.Window = &backend->Window();
        setup.Clock = &backend->Clock();
        setup.Dialogs = &backend->Dialogs();
        setup.System = system.get();
        setup.Args = {test::builtTitle("player")};
        setup.SaveFolder = saves.str();
        setup.PacingThread = false;
        setup.ServicePending = std::move(servicePending);
        setup.BeforeVariablesFreed = [this](const TParamCollection& vars) {
            const TParamCollectionItem* v = vars.Find("farewell");
            dumped = v ? v->Value()->AsString() : "-";
        };
        view = std::make_unique<TFormView>(std::move(setup));
    }

    // Runs frames until n frames of the virtual clock have ended or the view
    // closes.
    void run(int64_t n) {
        while (!view->CloseRequested() && backend->FrameNumber() < n) {
            view->PumpEvents();
            if (view->CloseRequested()) break;
            view->IdleStep();
            backend->Clock().FrameEnded();
        }
    }

    std::string var(const char* name) {
        TParamCollectionItem* v = view->Vars().Find(name);
        return v ? v->Value()->AsString() : "-";
    }
    TProgramContext& context() { return view->Context(); }
};

TEST(FrameClock, GapsAbove300MsAreDropped) {
    TProgramContext context;
    TFrameClock clock(context);
    clock.Restart(1000);
    const struct {
        uint32_t now;
        bool counted;
        int32_t timeCounter;
        int32_t delta;
    } steps[] = {
        {1016, true, 16, 16},   {1316, true, 316, 300}, // exactly 300 still counts
        {1617, false, 316, 300}, // 301: dropped, the clocks stay
        {1633, true, 332, 16},   // measured from the dropped frame's time
        {1633, true, 332, 0},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(clock.Advance(s.now), s.counted) << s.now;
        EXPECT_EQ(context.TimeCounter, s.timeCounter) << s.now;
        EXPECT_EQ(context.FrameDelta, s.delta) << s.now;
        EXPECT_EQ(clock.LastFrameTime, s.now);
    }
    // The system timer wraps: the difference is still right.
    clock.Restart(0xFFFFFFF0u);
    EXPECT_TRUE(clock.Advance(0x10u));
    EXPECT_EQ(context.FrameDelta, 0x20);
}

TEST(FrameLoop, InputReachesTheScriptOncePerPress) {
    HeadlessView h("3 click 10 10\n"
                   "6 keydown Return\n" // held across the platform's repeats
                   "60 keyup Return\n"
                   "62 wheel up\n"
                   "63 click right 5 5\n");
    ASSERT_FALSE(h.view->StartupFailed()) << h.view->StartupError();
    EXPECT_TRUE(h.view->LoopActive()) << "a shown window is active";
    h.run(70);
    EXPECT_EQ(h.var("clicks"), "1");
    EXPECT_EQ(h.var("keyhits"), "1") << "auto-repeats are filtered at the window";
    EXPECT_EQ(h.var("wheels"), "1");
    EXPECT_EQ(h.var("screen"), "160x120 " + test::sj("プレイヤー試験"));
    EXPECT_EQ(h.var("updates"), "69") << "the script reads the frames run before its own";
    // 70 frames of 16 ms; the first is measured from the activation.
    EXPECT_EQ(h.context().TimeCounter, 69 * 16);
    EXPECT_EQ(h.context().FrameDelta, 16);
}

TEST(FrameLoop, PausingWindowStopsFramesWithoutAJump) {
    // The title pauses when inactive: frames stop while it is, and the clock
    // does not count the pause.
    HeadlessView h("10 deactivate\n"
                   "40 activate\n");
    h.run(10);
    EXPECT_EQ(h.context().FrameCount, 10);
    h.run(40);
    EXPECT_FALSE(h.view->LoopActive());
    EXPECT_EQ(h.context().FrameCount, 10);
    const int32_t before = h.context().TimeCounter;
    h.run(50);
    EXPECT_EQ(h.context().FrameCount, 20);
    // 10 frames after the activation: the first measures 0 ms.
    EXPECT_EQ(h.context().TimeCounter - before, 9 * 16);
}

TEST(FrameLoop, StepsAbove300MsDoNotAdvanceTheClock) {
    HeadlessView h("", {}, 400);
    h.run(5);
    EXPECT_EQ(h.context().FrameCount, 1) << "only the first frame (0 ms after the activation) runs";
    EXPECT_EQ(h.context().TimeCounter, 0);
}

TEST(FrameLoop, CompositionIsThinnedAndSkippedAfterALoad) {
    int serviced = 0;
    HeadlessView h("", [&](TProgramContext&) { return ++serviced == 5; });
    h.context().FpsDivisor = 1;
    h.run(4);
    EXPECT_EQ(h.view->ComposedFrames(), 4);
    h.run(5);
    EXPECT_EQ(h.view->ComposedFrames(), 4) << "the frame after a load is not composed";
    h.run(6);
    EXPECT_EQ(h.view->ComposedFrames(), 5);
    h.context().FpsDivisor = 3;
    const int64_t before = h.view->ComposedFrames();
    h.run(36);
    EXPECT_EQ(h.view->ComposedFrames() - before, 10) << "every third frame of 30";
    EXPECT_EQ(h.context().FrameCount, 36) << "the script runs every frame";
}

TEST(FrameLoop, QuitBoxAnsweredNoGoesOn) {
    HeadlessView h("5 toolbar quit\n"
                   "5 answer no\n"
                   "8 toolbar quit\n"
                   "8 answer yes\n");
    h.run(7);
    EXPECT_FALSE(h.view->CloseRequested());
    EXPECT_FALSE(h.context().QuitRequested) << "No restores the state before the box";
    EXPECT_EQ(h.context().FrameCount, 7);
    h.run(20);
    EXPECT_TRUE(h.view->CloseRequested()) << "Yes closes";
    EXPECT_EQ(h.backend->FrameNumber(), 8);
    h.view.reset();
    EXPECT_EQ(h.dumped, "8") << "the exit page ran at the teardown";
}

TEST(FrameLoop, FullScreenAndBack) {
    HeadlessView h("5 toolbar screen\n"
                   "7 move 50 0\n"  // the top edge shows the tool bar in full screen
                   "8 move 50 40\n" // anywhere else hides it
                   "10 toolbar screen\n");
    platform::IWindow& window = h.backend->Window();
    h.run(6);
    EXPECT_TRUE(h.view->IsFullScreen());
    EXPECT_TRUE(window.IsFullScreen());
    EXPECT_FALSE(window.ToolbarVisible());
    EXPECT_EQ(h.view->DisplayModeIndex(), h.view->Screen()->ModeIndex());
    h.run(8);
    EXPECT_TRUE(window.ToolbarVisible());
    h.run(9);
    EXPECT_FALSE(window.ToolbarVisible());
    h.run(11);
    EXPECT_FALSE(h.view->IsFullScreen());
    EXPECT_FALSE(window.IsFullScreen());
    EXPECT_TRUE(window.ToolbarVisible());
    // The picture goes on after each switch.
    const int64_t composed = h.view->ComposedFrames();
    h.run(13);
    EXPECT_EQ(h.view->ComposedFrames(), composed + 2);
    std::vector<uint32_t> pixels;
    int32_t w = 0, hgt = 0;
    ASSERT_TRUE(window.ReadPresented(pixels, w, hgt));
    EXPECT_EQ(w, 160);
    EXPECT_EQ(pixels[0], 0xFF0000u) << "the red screen";
    // Without a chosen mode full screen is not entered.
    h.view->SelectDisplayMode(-1);
    h.view->SetFullScreen(true);
    EXPECT_FALSE(h.view->IsFullScreen());
    EXPECT_FALSE(h.view->FullScreenSwitching);
}

TEST(FrameLoop, TerminateClosesTheWindow) {
    HeadlessView h("4 key Escape\n");
    h.run(20);
    EXPECT_TRUE(h.view->CloseRequested());
    EXPECT_TRUE(h.context().QuitRequested);
    EXPECT_EQ(h.context().FrameCount, 4) << "the frame that terminated counts no update";
    EXPECT_EQ(h.var("updates"), "3");
}

TEST(FrameLoop, MissingTitleFailsTheStartup) {
    platform::HeadlessOptions options;
    auto backend = platform::createHeadlessBackend(options);
    auto system = platform::createLinuxSystem();
    test::TempDir empty;
    TFormViewSetup setup;
    setup.Window = &backend->Window();
    setup.Clock = &backend->Clock();
    setup.Dialogs = &backend->Dialogs();
    setup.System = system.get();
    setup.Args = {empty.str()};
    setup.PacingThread = false;
    TFormView view(std::move(setup));
    EXPECT_TRUE(view.StartupFailed());
    EXPECT_TRUE(view.CloseRequested());
    EXPECT_FALSE(view.IdleStep());
}

// Answers boxes after letting the view serve its pacing thread for a while,
// as the desktop's dialogs do while they are open.
class ServingDialogs final : public platform::IDialogs {
public:
    TFormView* view = nullptr;
    std::vector<platform::MessageResult> answers;
    std::vector<int64_t> composedWhileOpen;
    std::vector<int32_t> framesWhileOpen;
    platform::MessageResult MessageBox(const std::string&, const std::string&, platform::MessageButtons,
                                       platform::MessageIcon) override {
        const int64_t composed = view->ComposedFrames();
        const int32_t frames = view->Context().FrameCount;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(150);
        while (std::chrono::steady_clock::now() < end) {
            view->ServeModal();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        composedWhileOpen.push_back(view->ComposedFrames() - composed);
        framesWhileOpen.push_back(view->Context().FrameCount - frames);
        const auto answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
};

TEST(FrameLoop, DiskPromptInsideAFrameKeepsComposing) {
    platform::HeadlessOptions options;
    auto backend = platform::createHeadlessBackend(options);
    auto system = platform::createLinuxSystem();
    test::TempDir saves;
    ServingDialogs dialogs;
    // Cancel the disk, then OK to quit.
    dialogs.answers = {platform::MessageResult::Cancel, platform::MessageResult::Ok};
    TFormViewSetup setup;
    setup.Window = &backend->Window();
    setup.Clock = &backend->Clock();
    setup.Dialogs = &dialogs;
    setup.System = system.get();
    setup.Args = {test::builtTitle("prompt")};
    setup.SaveFolder = saves.str();
    TFormView view(std::move(setup));
    dialogs.view = &view;
    ASSERT_FALSE(view.StartupFailed()) << view.StartupError();
    while (!view.CloseRequested() && backend->FrameNumber() < 10) {
        view.PumpEvents();
        view.IdleStep();
        backend->Clock().FrameEnded();
    }
    ASSERT_EQ(dialogs.composedWhileOpen.size(), 2u);
    EXPECT_GE(dialogs.composedWhileOpen[0], 2) << "the picture is composed while the prompt is open";
    EXPECT_EQ(dialogs.framesWhileOpen[0], 0) << "no frame runs inside the frame that asks";
    EXPECT_TRUE(view.CloseRequested()) << "OK to the exit message quits";
    EXPECT_EQ(view.Vars().Find("after")->Value()->AsInteger(), 0);
}

TEST(LoopThread, RequestsComeAtItsPeriodAndWaitToBeTaken) {
    int wakes = 0;
    TLoopThread thread([&] { ++wakes; });
    thread.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // Nobody took the first request: the thread waits for it.
    EXPECT_EQ(thread.RequestCount(), 1u);
    int taken = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < end) {
        if (thread.TakeRequest()) ++taken;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // About 20 in 300 ms; the machine may be busy, so only the bounds that
    // show pacing: neither spinning nor stalled.
    EXPECT_GE(taken, 8);
    EXPECT_LE(taken, 25);
    thread.Suspend();
    thread.TakeRequest();
    const uint64_t suspendedAt = thread.RequestCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(thread.RequestCount(), suspendedAt) << "a suspended thread asks for nothing";
    thread.Resume();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_GT(thread.RequestCount(), suspendedAt);
    const auto start = std::chrono::steady_clock::now();
    thread.Terminate();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000)) << "no period is waited out";
    EXPECT_EQ(static_cast<uint64_t>(wakes), thread.RequestCount());
}

} // namespace
} // namespace nuvo
