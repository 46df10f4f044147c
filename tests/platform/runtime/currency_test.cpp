#include <KovrinAPI/runtime/Currency.h>
#include <KovrinAPI/runtime/Error.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string_view>

#include <gtest/gtest.h>

#include "support/Checks.h"

using kovrin::Currency;

using kovrin::test::errorOf;


TEST(Currency, RoundsDoublesToFourPlacesHalvesToEven) {
    EXPECT_EQ(Currency::fromDouble(12.3456).scaled(), 123456);
    EXPECT_EQ(Currency::fromDouble(2.00015).toString(), "2.0002");  // half, odd neighbour below: up
    EXPECT_EQ(Currency::fromDouble(2.00025).toString(), "2.0002");  // half, even neighbour below: stays
    EXPECT_EQ(Currency::fromDouble(-2.00015).toString(), "-2.0002");
    EXPECT_EQ(Currency::fromDouble(0.1 + 0.2).toString(), "0.3");
    EXPECT_EQ(Currency::fromDouble(1.23456789).toString(), "1.2346");
    EXPECT_EQ(Currency::fromDouble(1e-7).toString(), "0");
    EXPECT_EQ(Currency::fromDouble(922337203685477.0).toString(), "922337203685477");
    EXPECT_EQ(errorOf([] { Currency::fromDouble(1e15); }).number(), 6);
    EXPECT_EQ(errorOf([] { Currency::fromDouble(std::numeric_limits<double>::infinity()); }).number(), 6);
}

// Every double gives the amount its shortest text rounds to, whether it has four places or fewer
// (read straight as ten-thousandths) or more (rounded through the text).
TEST(Currency, DoublesOfAnySizeAndPlacesMatchTheirShortestText) {
    std::mt19937_64 random(20261208);
    for (int i = 0; i < 200000; ++i) {
        const int places = static_cast<int>(random() % 7);
        const double magnitude = std::pow(10.0, static_cast<double>(random() % 15));
        double value = std::round(std::ldexp(static_cast<double>(random() % (1ull << 53)), -53) * magnitude *
                                  std::pow(10.0, places)) /
                       std::pow(10.0, places);
        if (random() % 2) value = -value;
        if (std::fabs(value) >= 9e14) continue;
        char text[64];
        auto end = std::to_chars(text, text + sizeof text, value).ptr;
        ASSERT_EQ(Currency::fromDouble(value), Currency::parse(std::string_view(text, static_cast<std::size_t>(end - text))))
            << std::string_view(text, static_cast<std::size_t>(end - text));
    }
}

TEST(Currency, TextIsPlainDecimalWithoutTrailingZeros) {
    EXPECT_EQ(Currency::parse("3.95").toString(), "3.95");
    EXPECT_EQ(Currency::parse("4.80").toString(), "4.8");
    EXPECT_EQ(Currency::parse(" 100 ").toString(), "100");
    EXPECT_EQ(Currency::parse("-0.5").toString(), "-0.5");
    EXPECT_EQ(Currency::parse("0.00005").toString(), "0");   // half to even: 0
    EXPECT_EQ(Currency::parse("0.00015").toString(), "0.0002");
    EXPECT_EQ(Currency::parse("1E3").toString(), "1000");
    EXPECT_EQ(Currency::parse("-922337203685477.5808").scaled(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(errorOf([] { Currency::parse("922337203685477.5808"); }).number(), 6);
    EXPECT_EQ(errorOf([] { Currency::parse("12abc"); }).number(), 13);
    EXPECT_EQ(errorOf([] { Currency::parse(""); }).number(), 13);
}

TEST(Currency, ArithmeticIsExactAndChecked) {
    Currency a = Currency::parse("0.1"), b = Currency::parse("0.2");
    EXPECT_EQ((a + b).toString(), "0.3");
    EXPECT_EQ((a - b).toString(), "-0.1");
    EXPECT_EQ(errorOf([] { Currency::fromScaled(std::numeric_limits<int64_t>::max()) + Currency(1); }).number(), 6);
    EXPECT_EQ(errorOf([] { -Currency::fromScaled(std::numeric_limits<int64_t>::min()); }).number(), 6);
}
