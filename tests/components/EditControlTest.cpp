// Edits and memos as components: keys through the registry's focus, the
// notifications, pausing and read-only, the rule that shows the field, and
// the save record.
#include "ImageFixture.h"

#include "base/StreamIO.h"
#include "components/NuvoEdit.h"

#include <gtest/gtest.h>

namespace nuvo {
namespace {

using test::ImageWorld;
using test::rgb;

template <class T> T* makeField(ImageWorld& w, int32_t left, int32_t top, int32_t width, int32_t height) {
    auto* e = w.bases.Create<T>();
    e->SetParent(w.bases.ActiveBase());
    e->SetBounds(left, top, width, height);
    e->SetColor(-1);
    e->SetHandleKey(true);
    e->SetOnNotify("notify");
    return e;
}

std::vector<std::vector<std::string>> notifications(ImageWorld& w) {
    std::vector<std::vector<std::string>> out;
    for (const TTimerData& e : w.bases.Events.Items())
        if (e.Kind == PR_ONNOTIFY) out.push_back(e.Args);
    return out;
}

void press(ImageWorld& w, int32_t key) {
    w.bases.SetKey(key, true);
    w.frame(10);
    w.bases.SetKey(key, false);
    w.frame(10);
}

TEST(EditControl, KeysEditAndNotify) {
    const struct {
        const char* name;
        bool memo, readOnly, paused;
        std::vector<int32_t> keys;
        std::string text;
        size_t notified;
    } cases[] = {
        {"backspace", false, false, false, {0x08}, "ab", 1},
        {"left, delete", false, false, false, {0x25, 0x2E}, "ab", 2},
        {"home, delete", false, false, false, {0x24, 0x2E}, "bc", 2},
        {"an edit ignores Enter", false, false, false, {0x0D}, "abc", 1},
        {"a memo breaks the line", true, false, false, {0x25, 0x0D}, "ab\r\nc", 2},
        {"read-only moves only", false, true, false, {0x25, 0x08, 0x2E}, "abc", 3},
        {"paused takes nothing", false, false, true, {0x08}, "abc", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ImageWorld w(40, 32);
        TNuvoCustomEdit* e = c.memo ? static_cast<TNuvoCustomEdit*>(makeField<TNuvoMemo>(w, 2, 2, 30, 20))
                                    : makeField<TNuvoEdit>(w, 2, 2, 30, 20);
        e->SetText("abc");
        e->SetReadOnly(c.readOnly);
        e->SetPaused(c.paused);
        w.bases.SetFocus(e);
        for (int32_t key : c.keys)
            press(w, key);
        EXPECT_EQ(e->GetText(), c.text);
        const auto n = notifications(w);
        ASSERT_EQ(n.size(), c.notified);
        if (!n.empty()) {
            EXPECT_EQ(n.back(), (std::vector<std::string>{std::to_string(c.keys.back()), c.text}));
        }
    }
}

TEST(EditControl, ShiftSelectsAndCtrlZUndoes) {
    ImageWorld w(40, 32);
    auto* e = makeField<TNuvoEdit>(w, 2, 2, 30, 20);
    e->SetText("abcd");
    w.bases.SetFocus(e);
    w.bases.SetKey(0x10, true);
    press(w, 0x25);
    press(w, 0x25);
    w.bases.SetKey(0x10, false);
    press(w, 0x08);
    EXPECT_EQ(e->GetText(), "ab");
    w.bases.SetKey(0x11, true);
    press(w, 'Z');
    EXPECT_EQ(e->GetText(), "abcd");
    press(w, 'A');
    w.bases.SetKey(0x11, false);
    press(w, 0x2E);
    EXPECT_EQ(e->GetText(), "");
}

TEST(EditControl, ShownOnlyWhenTopmostAtItsCentreOnTheActiveScreen) {
    ImageWorld w(40, 32, rgb(0, 0, 80));
    auto* e = makeField<TNuvoEdit>(w, 4, 4, 20, 10);
    w.frame();
    EXPECT_TRUE(e->FieldShown());
    EXPECT_EQ(test::px(*w.bases.DrawTarget(), 14, 9), 0xFFFFFFu);
    // A box over its centre hides it; one over a corner does not.
    auto* corner = w.bases.Create<TNuvoBox>();
    corner->SetParent(w.bases.ActiveBase());
    corner->SetBounds(0, 0, 6, 6);
    corner->SetColor(rgb(255, 0, 0));
    w.frame();
    EXPECT_TRUE(e->FieldShown());
    corner->SetBounds(12, 7, 6, 6);
    w.frame();
    EXPECT_FALSE(e->FieldShown());
    EXPECT_EQ(test::px(*w.bases.DrawTarget(), 6, 12), 0x000050u); // the screen shows through
    corner->Delete();
    w.frame(); // freed at the end of this tick
    w.frame();
    EXPECT_TRUE(e->FieldShown());
    // Hiding takes effect at once; the inactive screen never shows a field.
    e->SetVisible(false);
    EXPECT_FALSE(e->FieldShown());
    e->SetVisible(true);
    e->SetParent(w.bases.InactiveBase());
    w.frame();
    EXPECT_FALSE(e->FieldShown());
}

TEST(EditControl, SaveRecordRoundTrip) {
    ImageWorld w(40, 32);
    auto* m = makeField<TNuvoMemo>(w, 1, 2, 30, 20);
    m->SetText("line\r\nnext");
    m->SetFontName("MS Gothic");
    m->SetFontHeight(24);
    m->SetFontStyle(3);
    m->SetFontColor(0x123456);
    m->SetColor(0x654321);
    m->SetReadOnly(true);
    m->SetPaused(true);
    TKvMemoryStream out;
    m->SaveToStream(out);
    auto* n = w.bases.Create<TNuvoMemo>();
    TKvMemoryStream in(out.bytes());
    n->LoadFromStream(in, 145);
    EXPECT_EQ(in.position(), static_cast<int64_t>(out.bytes().size()));
    EXPECT_EQ(n->GetText(), "line\r\nnext");
    EXPECT_EQ(n->GetFontName(), "MS Gothic");
    EXPECT_EQ(n->GetFontHeight(), 24);
    EXPECT_EQ(n->GetFontStyle(), 3);
    EXPECT_EQ(n->GetFontColor(), 0x123456);
    EXPECT_EQ(n->GetColor(), 0x654321);
    EXPECT_TRUE(n->GetReadOnly());
    EXPECT_TRUE(n->GetPaused());
    EXPECT_EQ(n->GetOnNotify(), "notify");
    // An edit given a memo's text keeps its first line.
    auto* e = w.bases.Create<TNuvoEdit>();
    e->SetText("line\r\nnext");
    EXPECT_EQ(e->GetText(), "line");
}

} // namespace
} // namespace nuvo
