// Markup to elements: the tokenizer's spaces, breaks, escapes, quoted runs
// and blocks, and every tag, as a table of markup -> elements.
#include "base/Error.h"
#include "support/TestSupport.h"
#include "text/KvWord.h"
#include "text/WordDescribe.h"

#include <gtest/gtest.h>

namespace nuvo {
namespace {

using test::describe;
using test::sj;

std::string parsed(std::string_view utf8Markup) {
    TKvWord w;
    w.SetText(std::string_view(sj(utf8Markup)));
    return describe(w);
}

TEST(Markup, TextAndTagsBecomeElements) {
    const struct {
        const char* markup;
        const char* elements;
    } cases[] = {
        // Style tags.
        {"ab<B>cd</B>", "a|b|c[b]|d[b]"},
        {"<i>a</I><U>b</u><S>c</S>", "a[i]|b[u]|c[s]"},
        {"<A HREF=p>x</A>y", "x[link=p]|y"},
        {"<A HREF='p q'>x</A>", "x[link=p q]"},
        {"<A HREF=\"<x>\">y</A>", "y[link=<x>]"},
        {"<A HREF=<x>>y</A>", "y[link=<x>]"},
        // FONT pushes seven values; an absent attribute repeats the current
        // one; colours only as #RRGGBB.
        {"<FONT COLOR=red>x</FONT>", "x"},
        {"<FONT COLOR=#FF0000>x</FONT>", "x[#FF0000]"},
        {"<FONT SIZE=20><FONT COLOR=#00FF00>a</FONT>b</FONT>c", "a[20 #00FF00]|b[20]|c"},
        {"<FONT BORDER>a</FONT><FONT BORDER=-3 SHADOW=999>b</FONT><FONT SHADOW=x>c", "a[border=1]|b[border=0 shadow=256]|c[shadow=1]"},
        {"<FONT BCOLOR=#000080 SCOLOR=#102030 NAME=ＭＳ明朝>a", "a[bcolor=#000080 scolor=#102030 font=ＭＳ明朝]"},
        {"<FONT SIZE=5000>a</FONT><FONT SIZE=-4>b</FONT><FONT SIZE=12pt>c", "a[1024]|b[1]|c"},
        {"</FONT></FONT>a", "a"},
        {"<NOBR>ab</NOBR>c", "a[nobr]|b[nobr]|c"},
        {"<RUBY VALUE=かな>漢字</RUBY>", "漢[ruby=かな]|字[ruby=かな]"},
        // Layout operations.
        {"<DIV ALIGN=RIGHT>a</DIV>b", "<div R>|a|<div L>|b"},
        {"<DIV ALIGN=center><DIV ALIGN=TOP></DIV></DIV>", "<div C>|<div L>|<div C>|<div L>"},
        {"<INDENT><UNDENT>", "<indent>|<undent>"},
        {"<BR><BR CLEAR><CLEAR>", "<br>|<br clear>|<br clear>"},
        {"<EVENT VALUE=h><EVENT VALUE=e END>", "<event h>|<event ^e>"},
        {"<WAIT VALUE=10>a<EVENT VALUE=h></WAIT>b<WAIT VALUE=-5>c", "a[wait=10]|<event h>[wait=10]|b|c[wait=-5]"},
        {"<VAR NAME=n><B><VAR NAME=m>", "<var n>|<var m>[b]"},
        {"<HISTCHAR VALUE=t>", "<hist t>"},
        {"<IMG SRC=p><IMG SRC=q ALIGN=TOP><IMG SRC=r ALIGN=left><IMG SRC=s ALIGN=RIGHT><IMG SRC=t ALIGN=middle>",
         "<img p B>|<img q T>|<img r L>|<img s R>|<img t B>"},
        {"<NOBR><RUBY VALUE=え><A HREF=l><WAIT VALUE=7><IMG SRC=p ALIGN=CENTER>", "<img p C>[nobr ruby=え link=l wait=7]"},
        // Unknown tags are ignored; a "<" without its ">" is text.
        {"<FOO BAR>a<P>", "a"},
        {"a<>b< >c</>d<=x>", "a|b|c|d"},
        {"a<b", "a|<|b"},
        // Escapes: the character itself, "<" and ">" never starting a tag.
        {"\\<B\\>\\\\\\%\\{\\}\\\"x", "<|B|>|\\|%|{|}|\"|x"},
        {"\\a", "\\|a"},
        // Comments and script and style blocks are skipped whole.
        {"a<!-- <B> -->b<script>x</SCRIPT>c<STYLE>y</style>d", "a|b|c|d"},
        {"a<!-- never closed", "a"},
        // Line breaks become one space unless the text token ends with one;
        // spaces collapse; tabs go.
        {"a\r\nb", "a| |b"},
        {"a \r\n  b\tc", "a| |b|c"},
        {"a\nb\rc", "a| |b| |c"},
        {"a<B>\r\nb", "a| [b]|b[b]"},
        // Byte 0x14 is a space that nothing collapses.
        {"a\x14\x14 b", "a| | |b"},
        // A quoted run keeps its spaces and drops line breaks and tabs.
        {"\"a\r\n\tb  c\"", "\"|a|b| | |c|\""},
        // PRE: line breaks are returns (the first one after the tag skipped),
        // tabs eight spaces. TEXTAREA: line breaks only end the text.
        {"<PRE>\r\na\tb\r\nc</PRE>\r\nd", "a| | | | | | | | |b|<br>|c| |d"},
        {"<TEXTAREA>a\r\nb</TEXTAREA>", "a|b"},
        // Shift-JIS: a lead byte and its trail byte are one character; a lead
        // byte at the end is one on its own.
        {"漢\\x{82}", "漢|\\x{82}"},
    };
    for (const auto& c : cases) {
        std::string markup = c.markup;
        // The table writes bytes without a UTF-8 form as the tools' escape.
        const auto sjis = utf8EscapedToSjis(markup);
        ASSERT_TRUE(sjis) << markup;
        TKvWord w;
        w.SetText(std::string_view(*sjis));
        EXPECT_EQ(describe(w), c.elements) << c.markup;
    }
}

TEST(Markup, LinkWithoutTargetFailsAndKeepsTheText) {
    TKvWord w;
    w.SetText(std::string_view("ok"));
    try {
        w.SetText(std::string_view("<B>a<A>x</A>"));
        ADD_FAILURE() << "no error";
    } catch (const ENuvoError& e) {
        EXPECT_EQ(sjisToUtf8(e.message()), "<A>タグにHREF値がありません");
    }
    EXPECT_EQ(describe(w), "o|k");
    EXPECT_EQ(w.Styles.Count(), 1u) << "the failed text's styles are freed";
}

TEST(Markup, StylesAreSharedAndCounted) {
    TKvWord w;
    w.SetText(std::string_view("ab<B>cd</B>e"));
    ASSERT_EQ(w.Styles.Count(), 2u);
    const auto* a = static_cast<const TWdChar*>(w.ElementAt(0));
    const auto* c = static_cast<const TWdChar*>(w.ElementAt(2));
    EXPECT_EQ(a->Style(), static_cast<const TWdChar*>(w.ElementAt(4))->Style());
    EXPECT_EQ(a->Style()->Count, 3);
    EXPECT_EQ(c->Style()->Count, 2);
    // New text frees the records nothing uses any more.
    w.SetText(std::string_view("<I>x"));
    ASSERT_EQ(w.Styles.Count(), 1u);
    EXPECT_EQ(w.Styles.At(0)->Style, 2);
    EXPECT_EQ(w.Styles.At(0)->Count, 1);
}

TEST(Markup, DefaultWaitIsReadWhenTheTextIsParsed) {
    TKvWord w;
    int32_t projectWait = 30;
    w.DefaultWait = [&] { return projectWait; };
    w.SetText(std::string_view("a<WAIT VALUE=5>b</WAIT>c"));
    projectWait = 99;
    EXPECT_EQ(static_cast<TWdChar*>(w.ElementAt(0))->Wait, 30);
    EXPECT_EQ(static_cast<TWdChar*>(w.ElementAt(1))->Wait, 5);
    EXPECT_EQ(static_cast<TWdChar*>(w.ElementAt(2))->Wait, 30);
}

TEST(Markup, CharacterCountsAndCopies) {
    TKvWord w;
    w.SetText(std::string_view(sj("ab<BR>漢<IMG SRC=p>c")));
    // Elements: a b <br> 漢 <img> c.
    const struct {
        int32_t chars, index;
    } at[] = {{0, 0}, {1, 1}, {2, 2}, {3, 4}, {4, 6}, {9, 6}};
    for (const auto& c : at) EXPECT_EQ(w.IndexAtChars(c.chars), c.index) << c.chars;
    EXPECT_EQ(w.CharsBefore(3), 2);
    EXPECT_EQ(w.CharsBefore(5), 3);
    EXPECT_EQ(w.CharsBefore(99), 4);
    EXPECT_EQ(w.PlainText(), sj("ab漢c"));
    // Append copies elements and takes their styles into the other word.
    TKvWord other;
    other.SetText(std::string_view("<B>x</B>"));
    other.Append(w, 3, 5);
    EXPECT_EQ(describe(other), "x[b]|漢|<img p B>|c");
    EXPECT_EQ(other.IndexOf(other.ElementAt(2)), 2);
    EXPECT_EQ(other.IndexOf(w.ElementAt(2)), -1);
    EXPECT_EQ(other.Styles.Count(), 2u);
}

} // namespace
} // namespace nuvo
