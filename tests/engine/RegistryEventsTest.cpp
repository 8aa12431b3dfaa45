// The registry's event queue as the interpreter sees it: the first waiting
// record, taking and removing records by level, senders that outlive their
// components, and senders found by name.
#include "components/NuvoBaseList.h"
#include "engine/RegistryEvents.h"

#include <gtest/gtest.h>

namespace nuvo {
namespace {

TEST(RegistryEvents, TheInterpretersQueueOperations) {
    TNuvoBaseList bases;
    TNuvoControl* cabinet = bases.CreateByType(LT_CABINET)->AsControl();
    cabinet->SetName("box");
    TRegistryEvents events(bases);
    bases.Events.Add({"a.nsb", cabinet, PR_ONLBTNDOWN, 0, {"1", "2"}});
    bases.Events.Add({"b.nsb:L", cabinet, PR_ONIDLE, 0, {}});
    bases.Events.Add({"c.nsb", nullptr, PR_ONIDLE, 0, {}});

    TScriptEvent e;
    ASSERT_TRUE(events.FirstPending(e));
    EXPECT_EQ(e.Handler, "a.nsb");
    EXPECT_EQ(e.Args, (std::vector<std::string>{"1", "2"}));
    ASSERT_NE(e.Sender, nullptr);
    EXPECT_TRUE(e.Sender->Exists());
    EXPECT_EQ(e.Sender->Name(), "box");
    events.TakeFirstPending(1);
    ASSERT_TRUE(events.FirstPending(e));
    EXPECT_EQ(e.Handler, "b.nsb:L");
    events.TakeFirstPending(2);
    ASSERT_TRUE(events.FirstPending(e));
    EXPECT_EQ(e.Handler, "c.nsb");
    ASSERT_NE(e.Sender, nullptr) << "an event always has a sender";
    EXPECT_FALSE(e.Sender->Exists());

    TEventSenderRef found = events.FindSender("box");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(events.FindSender("nobody"), nullptr);
    EXPECT_EQ(events.FindSender(""), nullptr) << "the empty name is no component";

    events.RemoveLevel(2);
    ASSERT_EQ(bases.Events.Count(), 2u);
    EXPECT_EQ(bases.Events[0].State, 1);
    events.RemoveFirstPending();
    ASSERT_EQ(bases.Events.Count(), 1u);
    EXPECT_FALSE(events.FirstPending(e));
    events.RemoveTaken();
    EXPECT_TRUE(bases.Events.Empty());

    // A sender outlives its component.
    cabinet->Delete();
    bases.Tick();
    EXPECT_FALSE(found->Exists());
    EXPECT_EQ(found->Name(), "");

    bases.Events.Add({"d.nsb", nullptr, PR_ONIDLE, 0, {}});
    events.RemoveAll();
    EXPECT_TRUE(bases.Events.Empty());
    bases.CreateByType(LT_CABINET)->SetName("again");
    bases.Events.Add({"d.nsb", nullptr, PR_ONIDLE, 0, {}});
    events.ResetComponents();
    EXPECT_EQ(bases.GetItemCount(), 0);
    EXPECT_TRUE(bases.Events.Empty());
}

} // namespace
} // namespace nuvo
