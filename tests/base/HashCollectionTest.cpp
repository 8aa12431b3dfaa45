#include "base/HashCollection.h"
#include "base/KvRandom.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace nuvo;

TEST(HashCollection, HashFollowsTheRule) {
    EXPECT_EQ(THashCollection::HashName("abc"), 243);
    EXPECT_EQ(THashCollection::HashName("ABC"), 243);
    EXPECT_EQ(THashCollection::HashName("x"), 16);
    EXPECT_EQ(THashCollection::HashName("\x01"), 16);
    EXPECT_EQ(THashCollection::HashName(""), 0);
}

TEST(HashCollection, LookupIsCaseInsensitiveAndFindsTheLatestNamed) {
    THashCollection c;
    c.AddNamed(std::make_unique<THashCollectionItem>(), "Alpha");
    c.AddNamed(std::make_unique<THashCollectionItem>(), "beta");
    auto* third = c.AddNamed(std::make_unique<THashCollectionItem>(), "ALPHA");
    EXPECT_EQ(c.IndexOf("alpha"), 2);
    EXPECT_EQ(c.IndexOf("BETA"), 1);
    EXPECT_EQ(c.IndexOf("gamma"), -1);
    // Renaming the first item to its own name changes nothing; renaming it to
    // another spelling puts it ahead of its namesake.
    c.SetName(c.Item(0), "Alpha");
    EXPECT_EQ(c.IndexOf("alpha"), 2);
    c.SetName(c.Item(0), "aLPHA");
    EXPECT_EQ(c.IndexOf("alpha"), 0);
    c.Delete(0);
    EXPECT_EQ(third->Index(), 1);
    EXPECT_EQ(c.IndexOf("alpha"), 1);
    EXPECT_EQ(c.IndexOf("beta"), 0);
}

// Letter case is folded on single-byte characters only: the second byte of a
// double-byte character may look like a letter ("\x83\x41" is not "\x83\x61").
// Names run past eight bytes so that characters straddle the words the
// lookup reads at a time.
TEST(HashCollection, FoldingStepsOverDoubleByteCharacters) {
    struct Case {
        std::string stored, asked;
        bool found;
    };
    const Case cases[] = {
        {"\x83\x41", "\x83\x41", true},
        {"\x83\x41", "\x83\x61", false},
        {"event\\Scene\x95\x5C.NSB", "EVENT\\scene\x95\x5C.nsb", true},
        {"abcdefg\x83\x41XYZ", "ABCDEFG\x83\x41xyz", true}, // a character across bytes 7-8
        {"abcdefg\x83\x41XYZ", "ABCDEFG\x83\x61xyz", false},
        {"abcdefgh\x83\x41\x83\x41\x83\x41\x83\x41Q", "ABCDEFGH\x83\x41\x83\x41\x83\x41\x83\x41q", true},
        {"abcdefgh\x83\x41\x83\x41\x83\x41\x83\x41Q", "ABCDEFGH\x83\x41\x83\x41\x83\x41\x83\x61q", false},
        {"abcdefghijklmno\x83", "ABCDEFGHIJKLMNO\x83", true}, // a lead byte at the very end
        {"abcdefghijklmnop", "abcdefghijklmnoq", false},
        {"[Ab@Z`{]", "[aB@z`{]", true},
        {"[Ab@Z`{]", "{aB@z`[]", false},
    };
    for (const Case& c : cases) {
        THashCollection h;
        h.AddNamed(std::make_unique<THashCollectionItem>(), c.stored);
        EXPECT_EQ(h.IndexOf(c.asked), c.found ? 0 : -1) << c.stored << " / " << c.asked;
        EXPECT_EQ(THashCollection::NameIs(h.Item(0), c.asked), c.found) << c.stored << " / " << c.asked;
        if (c.found) {
            EXPECT_EQ(THashCollection::HashName(c.stored), THashCollection::HashName(c.asked));
        }
    }
    // The bucket rule on names longer than a word, with b[len-2] behind a
    // double-byte character and a letter there.
    EXPECT_EQ(THashCollection::HashName("abcdefghijK\x83\x41Lm"), uint8_t(15 * 16 + 'l' + 'a'));
    EXPECT_EQ(THashCollection::HashName("abcdefghij\x83\x41\x83\x41m"), uint8_t(15 * 16 + 0x41 + 'a'));
}

TEST(KvRandom, SequenceAndDrawWithoutRepetition) {
    TKvRandom r(3);
    EXPECT_EQ(r.Next(), 3);
    EXPECT_EQ(r.Next(), 18);
    EXPECT_EQ(r.Next(), 93);
    TKvRandom wrap(0x5C1E93A7);
    for (int i = 0; i < 20; ++i) wrap.Next(); // wraps without undefined behaviour
    TKvRandom d(7);
    d.PrepareDraw(10);
    std::vector<int> got;
    for (int i = 0; i < 10; ++i) got.push_back(d.Draw());
    std::sort(got.begin(), got.end());
    for (int i = 0; i < 10; ++i) EXPECT_EQ(got[i], i);
    EXPECT_EQ(d.Draw(), -1);
}
