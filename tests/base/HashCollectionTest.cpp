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
