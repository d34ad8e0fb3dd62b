#include "core/text/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace tessarin::test {
namespace {

constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max();
constexpr int32_t kMinInt = std::numeric_limits<int32_t>::min();
constexpr double kMaxDouble = std::numeric_limits<double>::max();

TEST(Text, RoundHalfEvenAndClamping) {
    const struct {
        double value;
        int32_t expected;
    } cases[] = {
        {0.5, 0},
        {1.5, 2},
        {2.5, 2},
        {3.5, 4},
        {-0.5, 0},
        {-1.5, -2},
        {-2.5, -2},
        {2.4999, 2},
        {2.5001, 3},
        {-2.6, -3},
        {2147483646.5, 2147483646},
        {2147483646.6, kMaxInt},
        {2147483647.0, kMaxInt},
        {2147483647.5, kMaxInt},
        {2147483648.0, kMaxInt},
        {-2147483647.5, kMinInt},
        {-2147483648.0, kMinInt},
        {-2147483649.0, kMinInt},
        {1e300, kMaxInt},
        {-1e300, kMinInt},
        {kMaxDouble, kMaxInt},
        {std::numeric_limits<double>::infinity(), kMaxInt},
        {-std::numeric_limits<double>::infinity(), kMinInt},
        {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.value), c.expected) << c.value;
}

TEST(Text, LeadingNumber) {
    const struct {
        std::string text;
        double expected;
    } cases[] = {
        {"12abc", 12},
        {"  -3.5e2x", -350},
        {"\t7", 7},
        {"abc", 0},
        {"", 0},
        {".5", 0.5},
        {"-.5", -0.5},
        {"5.", 5},
        {"1e", 1},
        {"1e+", 1},
        {"1E3", 1000},
        {"2e-1", 0.2},
        {"&H10", 16},
        {"&hff", 255},
        {"  &HD0FFFF", 0xD0FFFF},
        {"&H8000000F", 2147483663.0},
        {"&H", 0},
        {"&Hg1", 0},
        {"0x10", 0},
        {"+", 0},
        {"-", 0},
        {"+4", 4},
        {" - 5", 0},
        {"1.2.3", 1.2},
        {"12 34", 12},
        {"1e999", kMaxDouble},
        {"-1e999", -kMaxDouble},
        {"&H" + std::string(300, 'F'), kMaxDouble},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.expected) << c.text;
}

TEST(Text, LeadingInt32) {
    const struct {
        std::string text;
        int32_t expected;
    } cases[] = {
        {"2.5", 2}, {"3.5px", 4}, {"-2.5", -2}, {"99999999999", kMaxInt}, {"-1e20", kMinInt}, {"&H7FFFFFFF", kMaxInt},
        {"x", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(LeadingInt32(c.text), c.expected) << c.text;
}

TEST(Text, DecodeUtf8ReplacesEachBadByte) {
    const struct {
        std::string bytes;
        std::u32string expected;
    } cases[] = {
        {"", U""},
        {"a", U"a"},
        {"\xC3\xA9", U"\u00E9"},
        {"\xE3\x80\x80", U"\u3000"},
        {"\xF0\x9F\x98\x80", U"\U0001F600"},
        {"\xF4\x8F\xBF\xBF", U"\U0010FFFF"},
        {"\x80", U"\uFFFD"},
        {"\xFF", U"\uFFFD"},
        {"\xC3", U"\uFFFD"},
        {"\xE3\x80", U"\uFFFD\uFFFD"},
        {"\xF0\x9F\x98", U"\uFFFD\uFFFD\uFFFD"},
        {"\xE3\x80"
         "A",
         U"\uFFFD\uFFFDA"},
        {"a\xC3(b", U"a\uFFFD(b"},
        {"\xC0\xAF", U"\uFFFD\uFFFD"},
        {"\xE0\x80\xAF", U"\uFFFD\uFFFD\uFFFD"},
        {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},
        {"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xF8\x88\x80\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
        {std::string("a\0b", 3), std::u32string(U"a\0b", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeUtf8(c.bytes), c.expected) << testing::PrintToString(c.bytes);
    }
}

TEST(Text, EncodeUtf8) {
    const struct {
        std::u32string chars;
        std::string expected;
    } cases[] = {
        {U"", ""},
        {U"a\u00E9", "a\xC3\xA9"},
        {U"\u07FF\u0800", "\xDF\xBF\xE0\xA0\x80"},
        {U"\uFFFF\U00010000", "\xEF\xBF\xBF\xF0\x90\x80\x80"},
        {U"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
        // Code points without a UTF-8 form.
        {std::u32string{0xD800, U'x'}, "\xEF\xBF\xBDx"},
        {std::u32string{0x110000}, "\xEF\xBF\xBD"},
        {std::u32string{0xFFFFFFFF}, "\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeUtf8(c.chars), c.expected);
        EXPECT_EQ(EncodeUtf8(DecodeUtf8(EncodeUtf8(c.chars))), c.expected);
    }
}

TEST(Text, SplitAll) {
    using Parts = std::vector<std::string>;
    const struct {
        std::string text;
        std::string separator;
        Parts expected;
    } cases[] = {
        {"a\\b", "\\", {"a", "b"}},
        {"", "\\", {""}},
        {"\\", "\\", {"", ""}},
        {"a\\\\b\\", "\\", {"a", "", "b", ""}},
        {"C:\\prog\\", "\\", {"C:", "prog", ""}},
        {"x -a -hwnd 5", " -", {"x", "a", "hwnd 5"}},
        {"a - b", " -", {"a", " b"}},
        {"abc", "", {"abc"}},
        {"aaa", "aa", {"", "a"}},
        {"abc", "abcd", {"abc"}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitAll(c.text, c.separator), c.expected) << c.text;
}

TEST(Text, SmallTextRules) {
    EXPECT_EQ(AsciiLower("AbC\xC3\x89Z"), "abc\xC3\x89z");
    EXPECT_EQ(TrimChar("  a b  "), "a b");
    EXPECT_EQ(TrimChar("\"\"x\"", '"'), "x");
    EXPECT_EQ(TrimChar("   "), "");
    EXPECT_EQ(ReplaceAll("a\r\nb\r\n", "\r\n", ""), "ab");
    EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceAll("a.b", ".", ".."), "a..b");
}

}  // namespace
}  // namespace tessarin::test
