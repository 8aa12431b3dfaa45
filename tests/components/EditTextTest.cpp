// The text behind edits and memos: caret and selection by Shift-JIS
// character, editing, line breaks, the cap, undo, and text from the platform.
#include "components/EditText.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace nuvo {
namespace {

// "あ" in Shift-JIS, a character whose trail byte is a backslash ("ソ"), and
// "漢" in UTF-8 and Shift-JIS.
const std::string kA = "\x82\xA0";
const std::string kSo = "\x83\x5C";
const std::string kKanjiUtf8 = "\xE6\xBC\xA2";
const std::string kKanji = "\x8A\xBF";

TEST(EditText, Operations) {
    struct Case {
        const char* name;
        bool memo;
        std::string start;
        std::function<void(TEditText&)> act;
        std::string text;
        int32_t caret, anchor;
    };
    const Case cases[] = {
        {"typing at the end", false, "ab", [](TEditText& e) { e.Insert("c"); }, "abc", 3, 3},
        {"left steps over a two-byte character", false, "a" + kSo,
         [](TEditText& e) {
             e.Left(false);
             e.Insert("x");
         },
         "ax" + kSo, 2, 2},
        {"backspace takes a whole character", false, kA + kSo, [](TEditText& e) { e.Backspace(); }, kA, 2, 2},
        {"delete at the end does nothing", false, "ab", [](TEditText& e) { EXPECT_FALSE(e.Delete()); }, "ab", 2, 2},
        {"shift selection replaced", false, "abcd",
         [](TEditText& e) {
             e.Home(false);
             e.Right(false);
             e.Right(true);
             e.Right(true);
             e.Insert(kA);
         },
         "a" + kA + "d", 3, 3},
        {"cut and undo twice", false, "abc",
         [](TEditText& e) {
             e.SelectAll();
             EXPECT_EQ(e.Cut(), "abc");
             EXPECT_TRUE(e.Undo());
             EXPECT_TRUE(e.Undo()); // redoes the cut
         },
         "", 0, 0},
        {"an edit ignores Enter", false, "ab", [](TEditText& e) { EXPECT_FALSE(e.Enter()); }, "ab", 2, 2},
        {"an edit pastes up to the first line break", false, "",
         [](TEditText& e) { e.Insert("one\r\ntwo"); }, "one", 3, 3},
        {"a memo's Enter is CR LF", true, "ab",
         [](TEditText& e) {
             e.Left(false);
             e.Enter();
         },
         "a\r\nb", 3, 3},
        {"a memo stores lone breaks as CR LF", true, "", [](TEditText& e) { e.Insert("a\nb\rc"); },
         "a\r\nb\r\nc", 7, 7},
        {"backspace takes a line break whole", true, "a\r\nb",
         [](TEditText& e) {
             e.Left(false);
             e.Backspace();
         },
         "ab", 1, 1},
        {"home and end keep to the line", true, "ab\r\ncd\r\nef",
         [](TEditText& e) {
             e.MoveTo(5, false);
             e.Home(false);
             e.End(true);
         },
         "ab\r\ncd\r\nef", 6, 4},
        // A lead byte without its trail byte would swallow the next byte.
        {"a lone lead byte is dropped", true, "",
         [](TEditText& e) {
             e.Insert("a\x81\r\nb\x82");
             e.Insert("c");
         },
         "a\r\nbc", 5, 5},
        {"a caret inside a character snaps back", false, kA + kA, [](TEditText& e) { e.MoveTo(3, false); },
         kA + kA, 2, 2},
        {"double click takes a word", false, "ab cd" + kA + kA,
         [](TEditText& e) { e.SelectWordAt(3); }, "ab cd" + kA + kA, 5, 3},
        {"double click on kana", false, "ab" + kA + kA + "c",
         [](TEditText& e) { e.SelectWordAt(4); }, "ab" + kA + kA + "c", 6, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TEditText e(c.memo);
        e.SetText(c.start);
        c.act(e);
        EXPECT_EQ(e.Text(), c.text);
        EXPECT_EQ(e.Caret(), c.caret);
        EXPECT_EQ(e.Anchor(), c.anchor);
    }
}

TEST(EditText, CapOf32767Characters) {
    TEditText e(true);
    e.SetText(std::string(40000, 'a'));
    EXPECT_EQ(e.Text().size(), 32767u);
    EXPECT_FALSE(e.Insert("b"));
    e.Backspace();
    // Only as much as fits, cut at a character.
    EXPECT_TRUE(e.Insert(kA + kA));
    EXPECT_EQ(TEditText::CharCount(e.Text()), 32767);
    EXPECT_EQ(e.Text().substr(e.Text().size() - 2), kA);
    // A selection makes room.
    e.SelectAll();
    EXPECT_TRUE(e.Insert(kA));
    EXPECT_EQ(e.Text(), kA);
}

TEST(EditText, TextFromThePlatform) {
    const struct {
        std::string utf8, sjis;
    } cases[] = {
        {"abc", "abc"},
        {kKanjiUtf8 + "x", kKanji + "x"},
        {"\xEF\xBD\xB1", "\xB1"},                // half-width katakana
        {"a\xF0\x9F\x98\x80" "b", "ab"},         // an emoji has no CP932 form
        {"a\xC3\x28" "b", "a(b"},                // a broken sequence loses its lead byte
        {"\xED\xA0\x80z", "z"},                  // a surrogate is no character
        {"\xC0\xAFz", "z"},                      // nor an overlong form
        {"a\x01\x7F" "b\r\n", "ab\r\n"},         // control characters go, line breaks stay
        {std::string("\xE6\xBC", 2), ""},        // cut short
    };
    for (const auto& c : cases)
        EXPECT_EQ(TEditText::FromUtf8(c.utf8), c.sjis) << c.utf8;
}

TEST(EditText, CompositionStaysOutOfTheText) {
    TEditText e(false);
    e.SetText("ab");
    e.SetComposition(kA + kA + kA, 1, 9);
    EXPECT_EQ(e.Text(), "ab");
    EXPECT_EQ(e.CompositionCursor(), 1);
    EXPECT_EQ(e.CompositionLength(), 2); // within the composition
    e.SetComposition("x\r\ny", 5, 1);
    EXPECT_EQ(e.Composition(), "xy");
    EXPECT_EQ(e.CompositionCursor(), 2);
    EXPECT_EQ(e.CompositionLength(), 0);
    e.ClearComposition();
    e.Insert(TEditText::FromUtf8(kKanjiUtf8));
    EXPECT_EQ(e.Text(), "ab" + kKanji);
}

} // namespace
} // namespace nuvo
