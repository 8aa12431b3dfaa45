// Names, lookups, parents and children, the child order, deletion and the tick walk.
#include "TestComponents.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nuvo {
namespace {

using test::sj;
using test::TTestControl;
using test::attachFilm;
using test::TTestSound;

class ObjectTree : public ::testing::Test {
protected:
    TNuvoBaseList registry;

    TTestControl* control(std::string_view name, TNuvoControl* parent = nullptr, int32_t priority = 0) {
        auto* c = registry.Create<TTestControl>();
        if (!name.empty()) c->SetName(name);
        c->SetParent(parent ? parent : registry.ActiveBase());
        if (priority) c->SetPriority(priority);
        return c;
    }
    static std::vector<std::string> childNames(const TNuvoControl* parent) {
        std::vector<std::string> names;
        for (const TNuvoControl* c : parent->Children())
            names.push_back(c->Name());
        return names;
    }
};

TEST_F(ObjectTree, AutomaticNamesTakeTheFirstFreeCounter) {
    TTestControl* a = control("");
    TTestControl* b = control("");
    control("");
    EXPECT_EQ(a->Name(), "object0");
    EXPECT_EQ(b->Name(), "object1");
    b->Delete();
    registry.FreePendingDeletions();
    EXPECT_EQ(control("")->Name(), "object1");
    EXPECT_EQ(registry.UniqueName("bgm"), "bgm0");
}

// A control named like another gives the holder a new name.
TEST_F(ObjectTree, ControlRenamesTheHolderOfItsName) {
    TTestControl* first = control("btn");
    TTestControl* second = control("btn");
    EXPECT_EQ(first->Name(), "btn_2");
    EXPECT_EQ(second->Name(), "btn");
    TTestControl* third = control("btn");
    EXPECT_EQ(second->Name(), "btn_3") << "btn_2 is taken";
    EXPECT_EQ(third->Name(), "btn");
    EXPECT_EQ(registry.FindByName("btn"), third);

    struct Case {
        std::string taken;
        std::string renamed;
    };
    const Case cases[] = {
        {"pic_7", "pic_8"},   // the counter goes on from the suffix (pic_7 itself is taken)
        {"x_1", "x_1_2"},     // 1 is no counter
        {"x_+4", "x_4"},      // the number conversion takes a sign
        {"_5", "_5_2"},       // a "_" in the first place does not count
        {"a_b", "a_b_2"},     // nor one followed by something else
        {"a_3_b", "a_3_b_2"}, // no "_" is followed by a number alone
        {"a_3_4", "a_3_5"},   // the last one that is
        {sj("名_4"), sj("名_5")},
        {"\x81\x5F"
         "3",
         "\x81\x5F"
         "3_2"}, // a trail byte 0x5F is no "_"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.taken);
        TTestControl* holder = control(c.taken);
        control(c.taken);
        EXPECT_EQ(holder->Name(), c.renamed);
    }
}

TEST_F(ObjectTree, NonVisualObjectDeletesTheHolderOfItsName) {
    auto* old = registry.Create<TTestSound>();
    old->SetName("bgm");
    auto* fresh = registry.Create<TTestSound>();
    fresh->SetName("bgm");
    EXPECT_TRUE(old->IsPendingDeletion());
    EXPECT_EQ(old->Name(), "");
    EXPECT_EQ(registry.FindByName("bgm"), fresh);
    fresh->SetName("bgm");
    EXPECT_FALSE(fresh->IsPendingDeletion()) << "its own name again changes nothing";
}

TEST_F(ObjectTree, LookupsIgnoreObjectsPendingDeletion) {
    TTestControl* a = control("a");
    TNuvoRef<TNuvoObject> ref(a);
    auto* sound = registry.Create<TTestSound>();
    sound->SetName("s");
    a->Delete();
    EXPECT_EQ(registry.FindByName("a"), nullptr);
    EXPECT_GE(registry.IndexOf(a), 0) << "still listed until the end of the tick";
    EXPECT_EQ(ref.get(), a);
    EXPECT_EQ(registry.FindControlByName("s"), nullptr) << "not a control";
    EXPECT_EQ(registry.FindByName("s"), sound);

    registry.Tick();
    EXPECT_EQ(ref.get(), nullptr);
    EXPECT_EQ(registry.GetItemCount(), 1);
}

TEST_F(ObjectTree, SpecialNamesFindTheBaseScreens) {
    registry.ActiveIndex = 1;
    TNuvoBase* base0 = registry.Base(0);
    TNuvoBase* base1 = registry.Base(1);
    EXPECT_EQ(registry.FindByName(""), base1);
    EXPECT_EQ(registry.FindByName("\x01"), base0);
    EXPECT_EQ(registry.FindByName("\x01"
                                  "BASE0"),
              base1)
        << "the active base, whatever its number";
    EXPECT_EQ(registry.FindByName("\x01"
                                  "BASE1"),
              base0);
    EXPECT_EQ(registry.FindControlByName(""), base1);
    EXPECT_EQ(registry.FindControlByName("\x01"), base0);
    EXPECT_EQ(registry.FindControlByName("\x01"
                                         "BASE0"),
              base0);
    EXPECT_EQ(registry.FindControlByName("\x01"
                                         "BASE1"),
              base1);
    EXPECT_EQ(registry.FindControlByName("nothing"), nullptr);
}

TEST_F(ObjectTree, ListNamesByTypeAndParent) {
    TTestControl* panel = control("panel");
    control("inside", panel);
    registry.Create<TTestSound>()->SetName("bgm");
    control("gone")->Delete();
    std::vector<std::string> names{"kept"};
    EXPECT_EQ(registry.ListNames(names, 0, &registry), 3);
    EXPECT_EQ(names, (std::vector<std::string>{"kept", "panel", "inside", "bgm"}));
    names.clear();
    EXPECT_EQ(registry.ListNames(names, LT_SOUND, &registry), 1);
    names.clear();
    EXPECT_EQ(registry.ListNames(names, 0, panel), 1);
    EXPECT_EQ(names, (std::vector<std::string>{"inside"}));
    EXPECT_EQ(registry.IndexOfName("bgm"), 2);
    EXPECT_EQ(registry.IndexOfName("gone"), -1);
}

TEST_F(ObjectTree, ParentsRefuseCyclesAndKeepChildrenSorted) {
    TNuvoBase* base = registry.ActiveBase();
    TTestControl* a = control("a");
    TTestControl* b = control("b", a);
    TTestControl* c = control("c", b);
    a->SetParent(c);
    a->SetParent(a);
    EXPECT_EQ(a->GetParent(), base) << "a cycle is refused";
    EXPECT_TRUE(a->IsAncestorOf(c));
    EXPECT_FALSE(c->IsAncestorOf(a));

    c->SetParent(base);
    EXPECT_EQ(childNames(base), (std::vector<std::string>{"a", "c"}));
    EXPECT_TRUE(b->Children().empty());
    a->SetPriority(5);
    EXPECT_EQ(childNames(base), (std::vector<std::string>{"c", "a"}));
    a->SetPriorityOffset(-10);
    EXPECT_EQ(childNames(base), (std::vector<std::string>{"a", "c"}));
    a->SetPriority(5);
    EXPECT_EQ(a->GetPriorityOffset(), 0) << "assigning the priority clears the offset";
    EXPECT_EQ(childNames(base), (std::vector<std::string>{"c", "a"}));

    auto* cabinet = registry.CreateByType(LT_CABINET)->AsControl();
    c->SetParent(cabinet);
    EXPECT_EQ(c->CabinetEvents, 1);
    EXPECT_TRUE(c->IsInCabinet());
    EXPECT_FALSE(c->IsShown());
    c->SetParent(base);
    EXPECT_EQ(c->CabinetEvents, 0);
}

TEST_F(ObjectTree, ReparentingClearsTheFocus) {
    TTestControl* a = control("a");
    TTestControl* inner = control("inner", a);
    registry.SetFocus(inner);
    registry.FocusDirty = false;
    a->SetParent(registry.InactiveBase());
    EXPECT_EQ(registry.FocusedControl(), nullptr) << "the focused control was inside";
    EXPECT_TRUE(registry.FocusDirty);

    registry.SetFocus(inner);
    registry.FocusDirty = false;
    TTestControl* other = control("other", registry.InactiveBase());
    EXPECT_EQ(registry.FocusedControl(), inner);
    other->SetParent(registry.ActiveBase());
    EXPECT_EQ(registry.FocusedControl(), nullptr) << "a control arrived on the active base";
    EXPECT_TRUE(registry.FocusDirty);
}

TEST_F(ObjectTree, ChildOrder) {
    TNuvoBase* base = registry.ActiveBase();
    control("b", base, 1);
    control("a", base, 1);
    control("B", base, 1);
    control("\x82\xA0", base, 1); // bytes above 0x7F sort after ASCII
    control("first", base, -3);
    control("\x01"
            "\x01",
            base, -100);
    control("\x01"
            "inner",
            base, 50);
    EXPECT_EQ(childNames(base), (std::vector<std::string>{"\x01"
                                                          "inner",
                                                          "first", "B", "a", "b", "\x82\xA0",
                                                          "\x01"
                                                          "\x01"}));
}

// Afterimages sit right before the image they copy, the faintest first,
// whatever their own priority and names say about the other children.
TEST_F(ObjectTree, AfterimagesSitRightBeforeTheirImage) {
    TNuvoBase* base = registry.ActiveBase();
    TTestControl* image = control("img", base, 5);
    control("img05", base, 4);
    TTestControl* strong = control("img0", base, 4);
    strong->CopyOf.reset(image);
    strong->Alpha = 256 + 100;
    TTestControl* faint = control("img1", base, 4);
    faint->CopyOf.reset(image);
    faint->Alpha = 10;
    base->SortChildren();
    EXPECT_EQ(childNames(base), (std::vector<std::string>{"img05", "img1", "img0", "img"}));

    image->SetPriority(3);
    EXPECT_EQ(childNames(base), (std::vector<std::string>{"img1", "img0", "img", "img05"}));

    image->Delete();
    registry.FreePendingDeletions();
    base->SortChildren();
    EXPECT_EQ(childNames(base), (std::vector<std::string>{"img0", "img05", "img1"}))
        << "without their image they sort like everything else";
}

TEST_F(ObjectTree, FreeingAControlFreesItsChildrenAndItsTraces) {
    TTestControl* a = control("a");
    TTestControl* b = control("b", a);
    TTestControl* c = control("c", b);
    TNuvoRef<TNuvoObject> refB(b), refC(c);
    c->SetOnIdle("idle");
    registry.Tick(); // queues c's idle event
    ASSERT_EQ(registry.Events.Count(), 1u);
    registry.SetFocus(c);
    a->Delete();
    registry.Tick();
    EXPECT_EQ(registry.GetItemCount(), 0);
    EXPECT_FALSE(refB);
    EXPECT_FALSE(refC);
    EXPECT_TRUE(registry.ActiveBase()->Children().empty());
    EXPECT_EQ(registry.Events.Count(), 0u) << "waiting events of freed objects go";
    EXPECT_EQ(registry.FocusedControl(), nullptr);
    EXPECT_TRUE(registry.FocusDirty);
}

// An object whose tick asks to go is freed at once; the walk neither skips
// the object behind it nor ticks anything twice.
TEST_F(ObjectTree, TickFreesFinishedObjectsInPlace) {
    registry.FrameDelta = 20;
    std::vector<TNuvoMotion*> motions;
    std::vector<TNuvoRef<TNuvoObject>> refs;
    for (int i = 0; i < 3; ++i) {
        TTestControl* c = control("");
        attachFilm(*c, i == 0 ? 1 : 100); // the first ends on the third tick
        motions.push_back(c->GetMotion());
        c->AutoScrap = true;
        refs.emplace_back(c);
    }
    TTestControl* child = control("child", refs[0].get()->AsControl());
    TNuvoRef<TNuvoObject> childRef(child);
    for (int i = 0; i < 3; ++i)
        registry.Tick();
    EXPECT_FALSE(refs[0]);
    EXPECT_FALSE(childRef);
    EXPECT_TRUE(refs[1] && refs[2]);
    EXPECT_EQ(motions[1]->ElapsedMs, 20);
    EXPECT_EQ(motions[2]->ElapsedMs, 20);

    static_cast<TTestControl*>(refs[1].get())->Paused = true;
    registry.Tick();
    EXPECT_EQ(motions[1]->ElapsedMs, 20) << "paused objects are not ticked";
    EXPECT_EQ(motions[2]->ElapsedMs, 40);
}

} // namespace
} // namespace nuvo
