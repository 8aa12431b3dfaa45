// Input through the registry: the window's reports (mouse, wheel, keys) are
// written into the registry's state as the main window's handlers do, and
// each ProcessInput turns them into clicks, releases, hovering, wheel and key
// events, focus changes, cursor choices and right-click closing.
#include "TestComponents.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nuvo {
namespace {

using test::TTestControl;

// Closes (hides itself) on a right click when RClickScrap is set.
class TTestMenu : public TTestControl {
public:
    using TTestControl::TTestControl;
    bool RClickScrap = true;
    int Closed = 0;
    bool GetRClickScrap() const override { return RClickScrap; }
    bool CloseByRightClick() override {
        ++Closed;
        SetVisible(false);
        return true;
    }
};

class TRecordingHost : public IBaseListHost {
public:
    std::vector<std::string> Shown;
    std::string Default;
    void ShowCursor(const std::string& fileName) override { Shown.push_back(fileName); }
    std::string DefaultCursor() const override { return Default; }
};

class Input : public ::testing::Test {
protected:
    TNuvoBaseList registry;
    TTestControl* panel = nullptr;
    TTestControl* button = nullptr;

    void SetUp() override {
        registry.SetSize(320, 240);
        panel = add("panel", registry.ActiveBase(), 0, 0, 200, 200);
        button = add("button", panel, 50, 50, 40, 20);
        for (TTestControl* c : {panel, button}) {
            c->SetOnLBtnDown(c->Name() + ":ldown");
            c->SetOnLBtnUp(c->Name() + ":lup");
            c->SetOnRBtnDown(c->Name() + ":rdown");
            c->SetOnRBtnUp(c->Name() + ":rup");
            c->SetOnMouseIn(c->Name() + ":in");
            c->SetOnMouseOut(c->Name() + ":out");
            c->SetOnMouseMove(c->Name() + ":move");
            c->SetOnWheelDown(c->Name() + ":wdown");
            c->SetOnWheelUp(c->Name() + ":wup");
        }
    }
    template <class T = TTestControl>
    T* add(const std::string& name, TNuvoControl* parent, int32_t x, int32_t y, int32_t w, int32_t h) {
        T* c = registry.Create<T>();
        c->SetName(name);
        c->SetParent(parent);
        c->SetBounds(x, y, w, h);
        return c;
    }
    // One frame of input; gives the events it queued as "handler args..."
    // and empties the queue, as the interpreter would.
    std::vector<std::string> frame() {
        registry.ProcessInput();
        std::vector<std::string> out;
        for (const TTimerData& e : registry.Events.Items()) {
            std::string line = e.Handler;
            for (const std::string& a : e.Args)
                line += " " + a;
            out.push_back(line);
        }
        registry.Events.Clear();
        return out;
    }
    using Lines = std::vector<std::string>;
};

TEST_F(Input, APressAndItsReleaseGoToTheSameControl) {
    registry.MouseMove(60, 55);
    EXPECT_EQ(frame(), (Lines{"button:in", "button:move 10 5"}));
    registry.MouseDown(true, false);
    for (int i : {0, 1}) {
        EXPECT_TRUE(registry.Base(i)->LHeld);
        EXPECT_FALSE(registry.Base(i)->RHeld);
    }
    EXPECT_TRUE(registry.ActiveBase()->LClickPending);
    EXPECT_FALSE(registry.InactiveBase()->LClickPending);
    EXPECT_EQ(frame(), (Lines{"button:ldown 10 5"}));
    EXPECT_EQ(registry.ActiveBase()->CaptureFlags, TNuvoBase::kCaptureLeft);

    // Dragged out over the panel: the button keeps the mouse while held.
    registry.MouseMove(150, 150);
    EXPECT_EQ(frame(), (Lines{"button:move 100 100"}));
    EXPECT_EQ(frame(), Lines{});
    EXPECT_EQ(button->PressedTicks, 2);
    registry.MouseUp();
    EXPECT_EQ(frame(), (Lines{"button:lup 100 100"}));
    EXPECT_EQ(registry.ActiveBase()->CaptureFlags, 0);
    // Released: the hover follows the mouse again.
    EXPECT_EQ(frame(), (Lines{"button:out", "panel:in", "panel:move 150 150"}));
    EXPECT_EQ(button->PressedTicks, 3);

    // Right presses are captured the same way; a press and release within
    // one frame still ends with the release.
    registry.MouseDown(false, true);
    registry.MouseUp();
    EXPECT_EQ(frame(), (Lines{"panel:rdown 150 150"}));
    EXPECT_EQ(frame(), (Lines{"panel:rup 150 150"}));
}

TEST_F(Input, HoverAndWheel) {
    registry.MouseMove(0, 0);
    EXPECT_EQ(frame(), (Lines{"panel:in", "panel:move 0 0"}));
    EXPECT_EQ(frame(), Lines{}) << "nothing while the mouse rests";
    registry.MouseMove(55, 52);
    EXPECT_EQ(frame(), (Lines{"panel:out", "button:in", "button:move 5 2"}));
    registry.MouseMove(56, 52);
    EXPECT_EQ(frame(), (Lines{"button:move 6 2"}));
    registry.MouseWheel(false);
    EXPECT_EQ(frame(), (Lines{"button:wdown"}));
    registry.MouseWheel(true);
    registry.MouseWheel(true);
    EXPECT_EQ(frame(), (Lines{"button:wup"}));
    button->SetOnWheelUp("");
    registry.MouseWheel(true);
    EXPECT_EQ(frame(), Lines{}) << "no handler: the wheel goes nowhere";

    // The hovered control going away ends the hover without an out event.
    button->Delete();
    registry.Tick();
    EXPECT_EQ(frame(), (Lines{"panel:in", "panel:move 56 52"}));
    // Off the screen nothing is hovered.
    registry.MouseMove(500, 10);
    EXPECT_EQ(frame(), (Lines{"panel:out"}));
    EXPECT_EQ(registry.ActiveBase()->Hovered.get(), nullptr);
}

// Which control a press or the hover reaches, by the button's mouse mode.
TEST_F(Input, MouseModesDecideWhoIsHit) {
    struct Case {
        uint8_t mode;
        const char* left;
        const char* right;
        const char* hover;
    };
    const Case cases[] = {
        {IM_NONE, "button:ldown 5 5", "button:rdown 5 5", "button:in"},
        {IM_CLICK, "panel:ldown 55 55", "panel:rdown 55 55", "button:in"},
        {IM_LCLICK, "panel:ldown 55 55", "button:rdown 5 5", "button:in"},
        {IM_RCLICK, "button:ldown 5 5", "panel:rdown 55 55", "button:in"},
        {IM_ALL, "panel:ldown 55 55", "panel:rdown 55 55", "panel:in"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        button->SetIgnoreMouse(c.mode);
        registry.MouseMove(55, 55);
        for (const char* expected : {c.left, c.right}) {
            registry.MouseDown(expected == c.left, expected == c.right);
            registry.MouseUp();
            const Lines press = frame();
            ASSERT_FALSE(press.empty());
            EXPECT_EQ(press[0], expected);
            frame(); // the release
        }
        registry.MouseMove(300, 230); // over the bare base
        frame();
        registry.MouseMove(55, 55);
        const Lines hover = frame();
        ASSERT_FALSE(hover.empty());
        EXPECT_EQ(hover[0], c.hover);
    }
}

TEST_F(Input, RightClickClosesTheLatestClosableComponentInstead) {
    auto* menu = add<TTestMenu>("menu", registry.ActiveBase(), 100, 100, 50, 50);
    auto* other = add<TTestMenu>("other", registry.ActiveBase(), 100, 100, 50, 50);
    auto* elsewhere = add<TTestMenu>("elsewhere", registry.InactiveBase(), 0, 0, 50, 50);
    registry.AddRClickTarget(menu);
    registry.AddRClickTarget(other);
    registry.AddRClickTarget(elsewhere);
    registry.AddRClickTarget(menu); // listed once
    other->SetIgnoreMouse(IM_RCLICK);
    registry.MouseMove(60, 55);
    frame();

    registry.MouseDown(false, true);
    EXPECT_EQ(frame(), Lines{}) << "the click is used up";
    EXPECT_EQ(menu->Closed, 1);
    EXPECT_EQ(other->Closed, 0) << "right clicks ignored";
    EXPECT_EQ(elsewhere->Closed, 0) << "on the other base";

    // Nothing closable left (menu hidden, other ignores, elsewhere is elsewhere):
    // the click reaches the button.
    registry.MouseUp();
    frame();
    registry.MouseDown(false, true);
    EXPECT_EQ(frame(), (Lines{"button:rdown 10 5"}));
    registry.MouseUp();
    frame();

    menu->SetVisible(true);
    menu->Paused = true;
    registry.MouseDown(false, true);
    EXPECT_EQ(frame(), (Lines{"button:rdown 10 5"})) << "paused components stay open";
    EXPECT_EQ(menu->Closed, 1);
    registry.RemoveRClickTarget(menu);
    menu->Paused = false;
    registry.MouseUp();
    frame();
    registry.MouseDown(false, true);
    EXPECT_EQ(frame(), (Lines{"button:rdown 10 5"}));
    EXPECT_EQ(menu->Closed, 1);
}

TEST_F(Input, FocusFollowsClicksOnControlsThatTakeKeys) {
    auto* edit = add("edit", registry.ActiveBase(), 250, 0, 50, 50);
    auto* hidden = add("hidden", registry.ActiveBase(), 250, 100, 50, 50);
    for (TTestControl* c : {button, edit, hidden}) {
        c->SetHandleKey(true);
        c->SetOnFocusIn(c->Name() + ":fin");
        c->SetOnFocusOut(c->Name() + ":fout");
    }
    hidden->SetVisible(false);
    edit->SetOnLBtnDown("edit:ldown");
    registry.MouseMove(300, 230);
    // The first frame chooses the last visible control that takes keys,
    // searched depth first from the last child: inside the panel (named
    // last among edit, hidden and panel).
    EXPECT_TRUE(registry.FocusDirty);
    EXPECT_EQ(frame(), (Lines{"button:fin"}));
    EXPECT_FALSE(registry.FocusDirty);

    registry.MouseMove(260, 10);
    registry.MouseDown(true, false);
    EXPECT_EQ(frame(), (Lines{"edit:ldown 10 10", "button:fout", "edit:fin"}));
    EXPECT_EQ(registry.FocusedControl(), edit);
    registry.MouseUp();
    frame();

    button->Paused = true;
    registry.MouseMove(60, 55);
    registry.MouseDown(true, false);
    frame();
    EXPECT_EQ(registry.FocusedControl(), edit) << "a paused control does not take the focus";
    registry.MouseUp();
    frame();
    button->Paused = false;
    button->SetHandleKey(false);
    registry.MouseDown(true, false);
    frame();
    EXPECT_EQ(registry.FocusedControl(), edit) << "nor does one that takes no keys";
}

// One down and one repeat at once, the next repeat 300 ms later, then every
// 50 ms; the up when released.
TEST_F(Input, HeldKeysRepeat) {
    button->SetHandleKey(true);
    button->SetOnKeyDown("down");
    button->SetOnKeyRepeat("repeat");
    button->SetOnKeyUp("up");
    registry.RestoreFocus(button);
    registry.FrameDelta = 10;
    registry.MouseMove(300, 230);
    frame();

    registry.SetKey(65, true);
    registry.SetKey(65, true); // the window's auto-repeats do not count
    registry.SetRawKey(65, true);
    std::vector<int> repeats;
    for (int f = 0; f < 44; ++f) {
        const Lines events = frame();
        for (const std::string& e : events)
            if (e == "repeat 65") repeats.push_back(f * 10);
        if (f == 0) {
            EXPECT_EQ(events, (Lines{"down 65", "repeat 65"}));
            EXPECT_TRUE(registry.KeyClicked(65));
        } else if (f == 1) {
            EXPECT_FALSE(registry.KeyClicked(65)) << "a press shows for one frame";
        } else if (f == 30) {
            EXPECT_TRUE(registry.KeyRepeated(65));
        } else if (f == 31) {
            EXPECT_FALSE(registry.KeyRepeated(65));
        }
    }
    EXPECT_EQ(repeats, (std::vector<int>{0, 300, 350, 400}));
    EXPECT_TRUE(registry.KeyHeld(65));

    registry.SetKey(65, false);
    EXPECT_EQ(frame(), (Lines{"up 65"}));
    EXPECT_FALSE(registry.KeyHeld(65));
    EXPECT_EQ(frame(), Lines{}) << "released keys do not repeat";

    // Keys go to the focused control only, and only when it takes keys.
    registry.SetKey(66, true);
    button->SetHandleKey(false);
    EXPECT_EQ(frame(), Lines{});
    registry.ResetKeys();
    EXPECT_FALSE(registry.KeyHeld(66));
    button->SetHandleKey(true);
    for (int f = 0; f < 40; ++f)
        EXPECT_EQ(frame(), Lines{}) << "forgotten keys neither repeat nor rise";
    registry.SetKey(300, true);
    registry.SetKey(-1, true);
    EXPECT_EQ(frame(), Lines{});
}

TEST_F(Input, CursorsAreShownOncePerChange) {
    TRecordingHost host;
    registry.Host = &host;
    panel->SetCursor("hand.cur");
    registry.MouseMove(60, 55);
    frame();
    EXPECT_EQ(host.Shown, (std::vector<std::string>{"hand.cur"})) << "the button inherits the panel's";
    registry.MouseMove(10, 10);
    frame();
    EXPECT_EQ(host.Shown.size(), 1u) << "the same file is not loaded again";
    button->SetCursor("beam.cur");
    registry.MouseMove(60, 55);
    frame();
    host.Default = "wait.cur";
    registry.MouseMove(300, 220);
    frame();
    host.Default = "";
    registry.MouseMove(500, 500);
    frame();
    frame();
    EXPECT_EQ(host.Shown, (std::vector<std::string>{"hand.cur", "beam.cur", "wait.cur", ""}));

    // One window shows the cursor of whichever base is in front, and a reset
    // does not forget what it shows.
    registry.MouseMove(60, 55);
    frame();
    registry.StartTransition(1, WP_NONE, false, true, 0, 0);
    frame();
    EXPECT_EQ(host.Shown.back(), "") << "the other base has nothing with a cursor under the mouse";
    registry.StartTransition(0, WP_NONE, false, true, 0, 0);
    frame();
    EXPECT_EQ(host.Shown.back(), "beam.cur");
    const size_t asked = host.Shown.size();
    registry.Reset();
    frame();
    EXPECT_EQ(host.Shown.size(), asked + 1);
    EXPECT_EQ(host.Shown.back(), "");
    frame();
    EXPECT_EQ(host.Shown.size(), asked + 1);
}

} // namespace
} // namespace nuvo
