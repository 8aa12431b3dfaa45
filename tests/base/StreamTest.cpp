#include "base/Error.h"
#include "base/IntMath.h"
#include "base/StreamIO.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace nuvo;

TEST(StreamIO, EncodingsAreLittleEndianAndExact) {
    TKvMemoryStream s;
    WriteInt(s, -2);
    WriteInt64(s, 0x0102030405060708LL);
    WriteByte(s, 0xAB);
    WriteStr(s, "abc");
    WriteStr(s, "");
    WriteFloat(s, 1.5L);
    const std::vector<uint8_t> expected = {
        0xFE, 0xFF, 0xFF, 0xFF, 8, 7, 6, 5, 4, 3, 2, 1, 0xAB, 3, 0, 0, 0, 'a', 'b', 'c', 0, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F};
    EXPECT_EQ(s.bytes(), expected);
    s.setPosition(0);
    EXPECT_EQ(ReadInt(s), -2);
    EXPECT_EQ(ReadInt64(s), 0x0102030405060708LL);
    EXPECT_EQ(ReadByte(s), 0xAB);
    EXPECT_EQ(ReadStr(s), "abc");
    EXPECT_EQ(ReadStr(s), "");
    EXPECT_EQ(ReadFloat(s), 1.5L);
}

TEST(StreamIO, ExtendedRealsKeepEveryBit) {
    const long double values[] = {0.1L, -0.0L, std::numeric_limits<long double>::denorm_min(),
                                  std::numeric_limits<long double>::infinity(), 1e4000L};
    for (long double v : values) {
        TKvMemoryStream s;
        WriteFloat(s, v);
        s.setPosition(0);
        const long double back = ReadFloat(s);
        EXPECT_EQ(std::memcmp(&back, &v, 10), 0);
    }
}

TEST(StreamIO, ShortReadsLeaveZerosButCheckedReadsRaise) {
    TKvMemoryStream s(std::vector<uint8_t>{1, 2});
    EXPECT_EQ(ReadInt(s), 0x0201);
    s.setPosition(0);
    EXPECT_THROW(ReadIntChecked(s), ENuvoError);
    // A string claiming two billion bytes in a tiny stream.
    TKvMemoryStream big(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x7F, 'x'});
    EXPECT_EQ(ReadStr(big), "x");
    big.setPosition(0);
    EXPECT_THROW(ReadStrChecked(big), ENuvoError);
    big.setPosition(0);
    EXPECT_THROW(ReadCountChecked(big, 1), ENuvoError);
}

TEST(Stream, CopyStreamCopiesWholeSourceOnZeroCount) {
    TKvMemoryStream src(std::vector<uint8_t>{1, 2, 3, 4});
    src.setPosition(3);
    TKvMemoryStream dst;
    EXPECT_EQ(CopyStream(dst, src, 0), 4);
    EXPECT_EQ(dst.bytes(), src.bytes());
    src.setPosition(1);
    TKvMemoryStream part;
    EXPECT_EQ(CopyStream(part, src, 2), 2);
    EXPECT_EQ(part.bytes(), (std::vector<uint8_t>{2, 3}));
    EXPECT_EQ(src.position(), 3);
}

TEST(IntMath, WrapsAndConvertsLikeTheX87) {
    EXPECT_EQ(wrapAdd(std::numeric_limits<int32_t>::max(), 1), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(wrapMul(65536, 65536), 0);
    EXPECT_EQ(wrapAbs(std::numeric_limits<int32_t>::min()), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(truncToInt32(2.9L), 2);
    EXPECT_EQ(truncToInt32(-2.9L), -2);
    EXPECT_EQ(truncToInt32(4294967297.0L), 1); // low 32 bits of a 64-bit integer
    EXPECT_EQ(truncToInt64(std::nanl("")), kInt64Indefinite);
    EXPECT_EQ(truncToInt64(1e30L), kInt64Indefinite);
    EXPECT_EQ(truncToInt32(std::numeric_limits<long double>::infinity()), 0);
    EXPECT_EQ(roundToInt32(2.5L), 2);
    EXPECT_EQ(roundToInt32(3.5L), 4);
    EXPECT_EQ(roundToInt32(-2.5L), -2);
}
