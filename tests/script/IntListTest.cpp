#include "script/IntList.h"
#include "base/Error.h"
#include "script/ExtendedList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace nuvo;

namespace {

std::string raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const ENuvoError& e) {
        return e.message();
    }
    return "<nothing raised>";
}

} // namespace

TEST(IntList, ReadsAreCheckedAndWritesGrow) {
    TIntList l;
    EXPECT_EQ(raised([&] { l.GetInt(0); }), "Error:TIntList.GetInt");
    l.SetInt(3, 7);
    EXPECT_EQ(l.Count(), 4);
    EXPECT_EQ(l.GetInt(0), 0);
    EXPECT_EQ(l.GetInt(3), 7);
    EXPECT_EQ(raised([&] { l.GetInt(4); }), "Error:TIntList.GetInt");
    EXPECT_EQ(raised([&] { l.GetInt(-1); }), "Error:TIntList.GetInt");
    EXPECT_EQ(raised([&] { l.SetInt(-1, 1); }), "Error:TIntList.SetInt");
    // A huge index is refused instead of appending billions of zeros.
    EXPECT_EQ(raised([&] { l.SetInt(INT32_MAX, 1); }), "Error:TIntList.SetInt");
    EXPECT_EQ(raised([&] { l.SetInt(TIntList::kMaxIntListCount, 1); }), "Error:TIntList.SetInt");
    EXPECT_EQ(l.Count(), 4);
    l.Add(9);
    EXPECT_EQ(l.IndexOf(9), 4);
    l.Delete(0);
    EXPECT_EQ(l.GetInt(2), 7);
    EXPECT_EQ(l.IndexOf(123), -1);
}

TEST(ExtendedList, SortsBothWaysWithNaNsLast) {
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    TExtendedList l;
    for (long double v : {3.5L, nan, -1.0L, 2.0L, nan, 0.5L})
        l.Add(v);
    l.Sort(false);
    EXPECT_EQ(l.Get(0), -1.0L);
    EXPECT_EQ(l.Get(3), 3.5L);
    EXPECT_TRUE(std::isnan(l.Get(4)) && std::isnan(l.Get(5)));
    l.Sort(true);
    EXPECT_EQ(l.Get(0), 3.5L);
    EXPECT_EQ(l.Get(3), -1.0L);
    EXPECT_TRUE(std::isnan(l.Get(5)));
    EXPECT_EQ(raised([&] { l.Get(6); }), "Error:TExtendedList.Get");
}
