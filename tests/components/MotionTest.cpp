// Motions keep a film's time on a control: two settling ticks, then 60 film
// frames a second by the frame time; following the control when a script
// moves it; looping or ending; and the registry's tick around them.
#include "TestComponents.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nuvo {
namespace {

using test::attachFilm;
using test::TTestControl;
using test::TTestFilm;

class Motions : public ::testing::Test {
protected:
    TNuvoBaseList registry;
    TTestControl* c = nullptr;

    void SetUp() override {
        registry.SetSize(320, 240);
        c = registry.Create<TTestControl>();
        c->SetName("walker");
        c->SetParent(registry.ActiveBase());
        c->SetBounds(30, 40, 10, 10);
        c->SetPriority(7);
        c->OnPlayEnd = "end";
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            registry.Tick();
    }
};

TEST_F(Motions, SettleThenRunAtSixtyFramesASecond) {
    TTestFilm* film = attachFilm(*c, 5, true);
    ticks(1);
    EXPECT_EQ(film->Shown, (std::vector<int32_t>{0}));
    EXPECT_EQ(film->Origin, (TPoint{30, 40}));
    EXPECT_EQ(film->BasePriority, 7);
    ticks(1);
    EXPECT_EQ(c->GetMotion()->ElapsedMs, 0) << "time runs from the third tick";
    // 16, 32, 48, 64 ms: frames round(t / 16.67) = 1, 2, 3, 4; at 80 ms
    // frame 5 is past the end, which the film stays on its last frame for.
    ticks(4);
    EXPECT_EQ(film->Shown, (std::vector<int32_t>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(registry.Events.Empty());
    ticks(1);
    EXPECT_TRUE(c->GetMotion()->Finished);
    EXPECT_EQ(c->GetMotion()->Frame, 4);
    ASSERT_EQ(registry.Events.Count(), 1u);
    EXPECT_EQ(registry.Events[0].Handler, "end");
    ticks(3);
    EXPECT_EQ(registry.Events.Count(), 1u);
    EXPECT_EQ(film->Shown.size(), 5u);

    c->RestartMotion();
    ticks(1);
    EXPECT_EQ(film->Shown.back(), 0);
    EXPECT_FALSE(c->GetMotion()->Finished);
}

TEST_F(Motions, FollowTheControlWhenMovedByAScript) {
    TTestFilm* withPositions = attachFilm(*c, 100, true);
    c->SetAniPaused(true); // the frame stays, so only a move shows it again
    ticks(3);
    EXPECT_EQ(withPositions->Shown, (std::vector<int32_t>{0}));
    c->SetLeft(100);
    ticks(1);
    EXPECT_EQ(withPositions->Origin, (TPoint{100, 40}));
    EXPECT_EQ(withPositions->Shown, (std::vector<int32_t>{0, 0}));
    ticks(1);
    EXPECT_EQ(withPositions->Shown.size(), 2u);

    TTestFilm* still = attachFilm(*c, 100, false);
    ticks(3);
    EXPECT_EQ(still->Origin, (TPoint{0, 0})) << "a film that does not move the control starts at (0, 0)";
    c->SetLeft(10);
    ticks(1);
    EXPECT_EQ(still->Origin, (TPoint{0, 0}));
    EXPECT_EQ(still->Shown.size(), 1u);
}

TEST_F(Motions, RepeatingFilmsLoopFromTheirLoopStart) {
    registry.FrameDelta = 20;
    c->Repeat = true;
    TTestFilm* film = attachFilm(*c, 3, false, 1);
    TNuvoMotion* m = c->GetMotion();
    ticks(4); // 20, 40 ms: frames 1, 2
    EXPECT_EQ(m->Frame, 2);
    ticks(1); // 60 ms: frame 4 -> 4 mod 3 + 1 = 2, and the time follows the frame
    EXPECT_EQ(m->Frame, 2);
    EXPECT_EQ(m->ElapsedMs, 33);
    ticks(1); // 53 ms: frame 3 -> 1
    EXPECT_EQ(m->Frame, 1);
    EXPECT_EQ(m->ElapsedMs, 17);
    EXPECT_EQ(film->Shown, (std::vector<int32_t>{0, 1, 2, 1}));
    ticks(50);
    EXPECT_FALSE(m->Finished);
    EXPECT_TRUE(registry.Events.Empty());
}

class TFilmHost : public IBaseListHost {
public:
    std::vector<std::string> Asked;
    std::unique_ptr<IMotionFilm> LoadMotionFilm(const std::string& fileName, TNuvoControl&) override {
        Asked.push_back(fileName);
        if (fileName != "walk.nmt") return nullptr;
        return std::make_unique<TTestFilm>(10);
    }
};

TEST_F(Motions, StartMotionLoadsThroughTheHost) {
    TFilmHost host;
    c->StartMotion("walk.nmt");
    EXPECT_EQ(c->GetMotion(), nullptr) << "no host, no films";
    registry.Host = &host;
    c->StartMotion("walk.nmt");
    ASSERT_NE(c->GetMotion(), nullptr);
    EXPECT_EQ(c->GetMotion()->Film().Length(), 10);
    c->SetMotionX(5);
    c->SetMotionY(6);
    c->SetPriorityOffset(3);
    EXPECT_EQ(c->GetAbsLeft(), 5) << "a motion places the control";
    c->StartMotion("missing.nmt");
    EXPECT_EQ(c->GetMotion(), nullptr);
    EXPECT_EQ(c->GetMotionX(), 0);
    EXPECT_EQ(c->GetMotionY(), 0);
    EXPECT_EQ(c->GetPriorityOffset(), 0);
    EXPECT_EQ(c->GetAbsLeft(), 30);
    EXPECT_EQ(host.Asked, (std::vector<std::string>{"walk.nmt", "missing.nmt"}));
}

// The interpreter runs between ProcessInput and Tick: a handler that deletes
// its own component leaves it pending until the end of the tick, and the walk
// ticks every other component exactly once.
TEST_F(Motions, DeletingFromAnIdleHandlerSkipsNoTick) {
    std::vector<TTestControl*> all;
    for (const char* name : {"a", "b", "c"}) {
        TTestControl* x = registry.Create<TTestControl>();
        x->SetName(name);
        x->SetParent(registry.ActiveBase());
        x->OnIdle = std::string(name) + ":idle";
        all.push_back(x);
    }
    registry.Tick();
    ASSERT_EQ(registry.Events.Count(), 3u);
    TNuvoRef<TNuvoObject> a(all[0]);
    all[0]->Delete(); // what "a:idle" does
    registry.Tick();
    EXPECT_FALSE(a);
    EXPECT_EQ(all[1]->Ticks, 2);
    EXPECT_EQ(all[2]->Ticks, 2);
    EXPECT_EQ(c->Ticks, 2);
}

} // namespace
} // namespace nuvo
