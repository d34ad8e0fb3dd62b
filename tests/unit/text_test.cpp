#include "core/text/text.h"

#include <gtest/gtest.h>

#include <limits>

namespace tessarin::test {
namespace {

constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max();
constexpr int32_t kMinInt = std::numeric_limits<int32_t>::min();
constexpr double kMaxDouble = std::numeric_limits<double>::max();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(Text, RoundHalfEvenAndLeadingNumber) {
    const std::pair<double, int32_t> halves[] = {{0.5, 0},   {1.5, 2},   {2.5, 2},    {-0.5, 0},
                                                 {-1.5, -2}, {-2.5, -2}, {2.5001, 3}, {-2.6, -3}};
    for (const auto& [value, expected] : halves) EXPECT_EQ(RoundHalfEven(value), expected) << value;
    const std::pair<double, int32_t> limits[] = {{2147483646.5, 2147483646}, {2147483646.6, kMaxInt},
                                                 {2147483648.0, kMaxInt},    {-2147483649.0, kMinInt},
                                                 {1e300, kMaxInt},           {-kInfinity, kMinInt}};
    for (const auto& [value, expected] : limits) EXPECT_EQ(RoundHalfEven(value), expected) << value;
    EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);

    const std::pair<std::string, double> cases[] = {{"12abc", 12}, {"  -3.5e2x", -350}, {"\t7", 7},   {"abc", 0},
                                                    {"-.5", -0.5}, {"5.", 5},           {"1e+", 1},   {"2e-1", 0.2},
                                                    {"&hff", 255}, {"&Hg1", 0},         {"0x10", 0},  {"-", 0},
                                                    {" - 5", 0},   {"1.2.3", 1.2},      {"12 34", 12}};
    for (const auto& [text, expected] : cases) EXPECT_DOUBLE_EQ(LeadingNumber(text), expected) << text;
    EXPECT_DOUBLE_EQ(LeadingNumber("&H8000000F"), 2147483663.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("-1e999"), -kMaxDouble);
    EXPECT_DOUBLE_EQ(LeadingNumber("&H" + std::string(300, 'F')), kMaxDouble);
    const std::pair<const char*, int32_t> ints[] = {
        {"3.5px", 4}, {"-2.5", -2}, {"99999999999", kMaxInt}, {"-1e20", kMinInt}, {"x", 0}};
    for (const auto& [text, expected] : ints) EXPECT_EQ(LeadingInt32(text), expected) << text;
}

TEST(Text, Utf8SplitAndReplace) {
    const std::pair<std::string, std::u32string> decoded[] = {
        {"\xF4\x8F\xBF\xBF", U"\U0010FFFF"},
        {"\xE3\x80(", U"\uFFFD\uFFFD("},
        {"\xC0\xAF", U"\uFFFD\uFFFD"},
        {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate
        {"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {std::string("a\0b", 3), std::u32string(U"a\0b", 3)}};
    for (const auto& [bytes, chars] : decoded) EXPECT_EQ(DecodeUtf8(bytes), chars) << testing::PrintToString(bytes);
    EXPECT_EQ(EncodeUtf8(U"\u07FF\u0800\uFFFF\U00010000"), "\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80");
    // A surrogate or a value past U+10FFFF has no UTF-8 form.
    EXPECT_EQ(EncodeUtf8(std::u32string{0xD800, U'x', 0x110000}), "\xEF\xBF\xBDx\xEF\xBF\xBD");

    EXPECT_EQ(SplitAll("a\\\\b\\", "\\"), (std::vector<std::string>{"a", "", "b", ""}));
    // An empty pattern neither splits nor replaces, and a replacement is not searched again.
    EXPECT_EQ(SplitAll("abc", ""), std::vector<std::string>{"abc"});
    EXPECT_EQ(ReplaceAll("a.b", ".", ".."), "a..b");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

}  // namespace
}  // namespace tessarin::test
