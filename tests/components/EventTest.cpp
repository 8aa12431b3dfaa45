// Events raised by controls: handler text, sender, kind and arguments, and
// the rules that keep an event from being raised.
#include "TestComponents.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nuvo {
namespace {

using test::TTestControl;
using test::attachFilm;

class Events : public ::testing::Test {
protected:
    TNuvoBaseList registry;
    TTestControl* button = nullptr;

    void SetUp() override {
        registry.SetSize(640, 480);
        auto* panel = registry.Create<TTestControl>();
        panel->SetParent(registry.ActiveBase());
        panel->SetBounds(100, 50, 300, 300);
        button = registry.Create<TTestControl>();
        button->SetName("button");
        button->SetParent(panel);
        button->SetBounds(20, 30, 100, 40);
        registry.ActiveBase()->MouseX = 150;
        registry.ActiveBase()->MouseY = 90;
    }
    std::vector<std::string> last() {
        if (registry.Events.Empty()) return {};
        const TTimerData& e = registry.Events[registry.Events.Count() - 1];
        std::vector<std::string> fields{e.Handler, std::to_string(e.Kind), e.Sender ? e.Sender->Name() : "<none>"};
        fields.insert(fields.end(), e.Args.begin(), e.Args.end());
        return fields;
    }
    using Fields = std::vector<std::string>;
};

TEST_F(Events, MouseEventsCarryThePositionInsideTheSender) {
    button->SetOnLBtnDown("click:down");
    button->SetOnLBtnUp("click:up");
    button->SetOnRBtnDown("menu");
    button->SetOnMouseMove("move");
    button->SetOnMouseIn("in");
    button->SetOnMouseOut("out");
    TNuvoBase* base = registry.ActiveBase();
    base->LClick = true;

    button->DoLBtnDown();
    EXPECT_EQ(last(), (Fields{"click:down", "36", "button", "30", "10"}));
    EXPECT_EQ(base->CaptureFlags, TNuvoBase::kCaptureLeft);
    EXPECT_FALSE(base->LClick);
    button->DoLBtnDown();
    EXPECT_EQ(registry.Events.Count(), 1u) << "once: one waiting press is enough";

    base->MouseX = 90; // releases and moves report outside positions as they are
    button->DoLBtnUp();
    EXPECT_EQ(last(), (Fields{"click:up", "37", "button", "-30", "10"}));
    button->DoLBtnUp();
    EXPECT_EQ(registry.Events.Count(), 3u) << "releases are not held back";
    button->DoMouseMove();
    button->DoMouseMove();
    EXPECT_EQ(registry.Events.Count(), 4u);
    button->DoMouseIn(nullptr);
    EXPECT_EQ(last(), (Fields{"in", "103", "button"}));
    button->DoMouseOut(nullptr);
    EXPECT_EQ(last(), (Fields{"out", "35", "button"}));

    button->SetIgnoreMouse(IM_LCLICK);
    registry.Events.Clear();
    button->DoLBtnDown();
    EXPECT_TRUE(registry.Events.Empty()) << "left clicks are ignored";
    button->DoRBtnDown();
    EXPECT_EQ(last(), (Fields{"menu", "38", "button", "-30", "10"}));
    EXPECT_EQ(base->CaptureFlags, TNuvoBase::kCaptureLeft | TNuvoBase::kCaptureRight);
}

TEST_F(Events, KeyEventsCarryTheKeys) {
    button->SetOnKeyDown("keys");
    const int32_t keys[] = {13, 65};
    button->DoKeyDown(keys);
    EXPECT_EQ(last(), (Fields{"keys", "144", "button", "13", "65"}));
    button->DoKeyUp(keys);
    EXPECT_EQ(registry.Events.Count(), 1u) << "no handler";
}

TEST_F(Events, NoEventWhenPausedBlockedOrABaseScreen) {
    button->SetOnMouseIn("in");
    button->Paused = true;
    button->DoMouseIn(nullptr);
    button->Paused = false;
    button->Blocked = true;
    button->DoMouseIn(nullptr);
    button->Blocked = false;
    TNuvoBase* base = registry.ActiveBase();
    base->SetOnMouseIn("in");
    base->DoMouseIn(nullptr);
    EXPECT_TRUE(registry.Events.Empty());
    button->DoMouseIn(nullptr);
    EXPECT_EQ(registry.Events.Count(), 1u);
}

TEST_F(Events, FocusEvents) {
    button->SetOnFocusIn("in");
    button->SetOnFocusOut("out");
    registry.SetFocus(button);
    registry.SetFocus(button);
    EXPECT_EQ(last(), (Fields{"in", "148", "button"}));
    registry.SetFocus(nullptr);
    EXPECT_EQ(last(), (Fields{"out", "149", "button"}));
    EXPECT_EQ(registry.Events.Count(), 2u);
    registry.RestoreFocus(button);
    EXPECT_EQ(registry.Events.Count(), 2u) << "a restored focus raises nothing";
}

TEST_F(Events, IdleEventsOncePerObjectOutsideCabinets) {
    button->OnIdle = "idle";
    auto* parked = registry.Create<TTestControl>();
    parked->OnIdle = "idle";
    parked->SetParent(registry.CreateByType(LT_CABINET)->AsControl());
    registry.Tick();
    registry.Tick();
    EXPECT_EQ(registry.Events.Count(), 1u);
    EXPECT_EQ(last(), (Fields{"idle", "113", "button"}));
}

// A one-frame film ends on the third tick (two ticks settle it, the third
// runs 20 ms, past its only frame).
TEST_F(Events, AMotionsEndEndsTheControlOrRaisesPlayEnd) {
    registry.FrameDelta = 20;
    button->OnPlayEnd = "done";
    attachFilm(*button, 1);
    registry.Tick();
    registry.Tick();
    EXPECT_TRUE(registry.Events.Empty());
    registry.Tick();
    EXPECT_EQ(last(), (Fields{"done", "43", "button"}));
    registry.Tick();
    EXPECT_EQ(registry.Events.Count(), 1u) << "a motion ends once";

    registry.Events.Clear();
    button->AutoScrap = true;
    attachFilm(*button, 1);
    TNuvoRef<TNuvoObject> ref(button);
    registry.Tick();
    registry.Tick();
    EXPECT_TRUE(ref);
    registry.Tick();
    EXPECT_FALSE(ref) << "freed in the tick the motion ends";
    EXPECT_TRUE(registry.Events.Empty());
}

// A record outlives its sender safely: the sender reads as none, and only
// events not yet taken are dropped with it.
TEST_F(Events, RecordsNeverDangle) {
    button->SetOnMouseIn("in");
    button->SetOnMouseOut("out");
    button->DoMouseIn(nullptr);
    button->DoMouseOut(nullptr);
    registry.Events[0].State = 1; // taken by the interpreter
    button->Delete();
    registry.Tick();
    ASSERT_EQ(registry.Events.Count(), 1u);
    EXPECT_EQ(registry.Events[0].Handler, "in");
    EXPECT_EQ(registry.Events[0].Sender.get(), nullptr);
}

} // namespace
} // namespace nuvo
