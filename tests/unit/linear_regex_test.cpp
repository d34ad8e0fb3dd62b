// The linear matcher gives what the library's backtracking matcher gives, on the Part's
// patterns and on the syntax around them, and the pop-up link patterns stay fast on markup that
// made the old matcher take seconds (figures: bench/bench_regex.cpp).

#include "core/text/linear_regex.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <tuple>

#include "core/text/paths.h"

namespace tessarin::test {
namespace {

// The library's answer: matches of a global search (stopped at 2) and the first group.
std::tuple<int, bool, std::string> Library(const std::string& text, const std::string& pattern) {
    const std::regex expression(pattern, std::regex::ECMAScript | std::regex::icase);
    std::cregex_iterator it(text.data(), text.data() + text.size(), expression);
    const std::cregex_iterator end;
    if (it == end) return {0, false, ""};
    const bool matched = (*it)[1].matched;
    const std::string group = (*it)[1].str();
    return {++it == end ? 1 : 2, matched, group};
}

TEST(LinearRegex, AgreesWithTheBacktrackingMatcher) {
    const char* patterns[] = {"< *span +class *= *(.*) *>.*< */span *>",
                              "url\\((http://.+)\\)",
                              "<img *src=*(.*) *>",
                              "(a|ab)(c|bcd)(d*)",
                              "(a*?)(a*)",
                              "x(y)?z",
                              "^(ab)",
                              "(b)$",
                              "(?:ab|cd)+(e?)",
                              "[^a-c]([\\d_]+)\\W",
                              "(.)",
                              "()",
                              "(x*)",
                              "a|(b)|c",
                              "(\\.jpg)"};
    const char* texts[] = {"",
                           "<SPAN class=pop>x</SPAN>",
                           "<span class=a>x</span>\n<span class=b>y</span>",
                           "<span class=\"a\">x</span> <span class=b>y</span >",
                           "background: url(http://h/a.jpg) no-repeat; url(http://h/b.jpg)",
                           "<IMG src=\"http://h/a.png\">",
                           "<img src=a>\r\n<img src=b>",
                           "abcd abcd",
                           "aaab",
                           "xyz xz XYZ",
                           "ab cab b",
                           "z12_ !",
                           "A.JPG.jpg",
                           "\xe3\x81\x82\xe3\x81\x84"};
    for (const char* pattern : patterns) {
        for (const char* text : texts) {
            const auto linear = SearchCaseless(text, pattern);
            ASSERT_TRUE(linear.has_value()) << pattern;
            const auto [matches, matched, group] = Library(text, pattern);
            EXPECT_EQ(linear->matches, matches) << pattern << " on " << text;
            EXPECT_EQ(linear->first.group1Matched, matched) << pattern << " on " << text;
            EXPECT_EQ(std::string(linear->first.group1), group) << pattern << " on " << text;
        }
    }
}

TEST(LinearRegex, OtherSyntaxFallsBackOnShortTextsOnly) {
    for (const char* pattern : {"(x)\\1", "(?=x)(x)", "(x{2})", "(", "a)", "[a", "\\b(x)"}) {
        EXPECT_FALSE(SearchCaseless("xx", pattern).has_value()) << pattern;
    }
    EXPECT_EQ(RegexFirstSubmatch("xx", "(x)\\1"), "x");
    EXPECT_EQ(RegexFirstSubmatch(std::string(kRegexFallbackLimit, 'y') + "xx", "(x)\\1"), "");
    // Markup that took the old matcher 9.3 s: one pass of the linear matcher (no time asserted).
    std::string unclosed;
    while (unclosed.size() < 28 * 1024) unclosed += "<span class=x>";
    EXPECT_EQ(RegexFirstSubmatch(unclosed, "< *span +class *= *(.*) *>.*< */span *>"), "");
    EXPECT_EQ(RegexFirstSubmatch(unclosed + "</span>", "< *span +class *= *(.*) *>.*< */span *>"),
              unclosed.substr(12, unclosed.size() - 13));
}

}  // namespace
}  // namespace tessarin::test
