#include "script/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace nuvo;

TEST(NumberText, RealToTextGeneralFormat) {
    const struct {
        long double value;
        const char* text;
    } cases[] = {
        {1.5L, "1.5"},
        {3.0L, "3"},
        {-0.25L, "-0.25"},
        {0.0L, "0"},
        {-0.0L, "0"},
        {1e20L, "1E20"},
        {1.5e-6L, "1.5E-6"},
        {-2.5e-7L, "-2.5E-7"},
        {0.00001L, "0.00001"}, // the smallest magnitude still written plainly
        {0.0000099L, "9.9E-6"},
        {999999999999999.0L, "999999999999999"}, // 15 digits before the point
        {1e15L, "1E15"},                         // 16 digits
        {123456789012345.6L, "123456789012346"}, // rounded to 15 significant digits
        {9999999999999999.0L, "1E16"},           // rounding carries into the exponent
        {1.0L / 3, "0.333333333333333"},
        {0.1L, "0.1"},
        {100.0L, "100"},
        {1234.5678L, "1234.5678"},
        {std::numeric_limits<long double>::infinity(), "INF"},
        {-std::numeric_limits<long double>::infinity(), "-INF"},
        {std::numeric_limits<long double>::quiet_NaN(), "NAN"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(realToText(c.value), c.text) << static_cast<double>(c.value);
}

TEST(NumberText, IntegerText) {
    const struct {
        const char* text;
        std::optional<int32_t> value;
    } cases[] = {
        {"0", 0},
        {"-17", -17},
        {"+5", 5},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"$FF", 255},
        {"$ffffffff", -1},
        {"-$10", -16},
        {"$100000000", std::nullopt},
        {"$", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"12abc", std::nullopt},
        {" 12", std::nullopt},
        {"1.5", std::nullopt},
        {"1e3", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseInt(c.text), c.value) << c.text;
    EXPECT_EQ(textToInt("12abc"), 0);
    EXPECT_EQ(intToText(INT32_MIN), "-2147483648");
}

TEST(NumberText, RealText) {
    const struct {
        const char* text;
        std::optional<long double> value;
    } cases[] = {
        {"1.5", 1.5L},
        {"  -2.25  ", -2.25L},
        {"\t3\t", 3.0L},
        {"+4", 4.0L},
        {".5", 0.5L},
        {"5.", 5.0L},
        {"1E3", 1000.0L},
        {"2.5e-2", 0.025L},
        {"1e+2", 100.0L},
        {"1e-99999", 0.0L}, // too small reads as zero
        {"1e99999", std::nullopt},
        {"0.000e99999", 0.0L},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {".", std::nullopt},
        {"1e", std::nullopt},
        {"1.2.3", std::nullopt},
        {"$10", std::nullopt},
        {"INF", std::nullopt},
        {"nan", std::nullopt},
        {"1 2", std::nullopt},
        {"0x10", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseReal(c.text), c.value) << c.text;
    // Exact decimal parsing into the 80-bit real, and back.
    EXPECT_EQ(textToReal("0.1"), 0.1L);
    EXPECT_EQ(realToText(textToReal("123.456")), "123.456");
}
