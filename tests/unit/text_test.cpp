// Texts, numbers, names and paths, and the linear matcher behind the browser probe's patterns.

#include "core/text/text.h"

#include <gtest/gtest.h>

#include <limits>
#include <regex>
#include <string>
#include <tuple>

#include "core/text/linear_regex.h"
#include "core/text/paths.h"
#include "support/fake_filesystem.h"

namespace tessarin::test {
namespace {

constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max(), kMinInt = std::numeric_limits<int32_t>::min();
constexpr double kMaxDouble = std::numeric_limits<double>::max(), kInf = std::numeric_limits<double>::infinity();

TEST(Text, RoundHalfEvenAndLeadingNumber) {
    const std::pair<double, int32_t> halves[] = {{0.5, 0},   {1.5, 2},   {2.5, 2},    {-0.5, 0},
                                                 {-1.5, -2}, {-2.5, -2}, {2.5001, 3}, {-2.6, -3}};
    for (const auto& [value, expected] : halves) EXPECT_EQ(RoundHalfEven(value), expected) << value;
    const std::pair<double, int32_t> limits[] = {{2147483646.5, 2147483646}, {2147483646.6, kMaxInt},
                                                 {2147483648.0, kMaxInt},    {-2147483649.0, kMinInt},
                                                 {1e300, kMaxInt},           {-kInf, kMinInt}};
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
    EXPECT_EQ(ReplaceAll("a.b", ".", "..") + ReplaceAll("abc", "", "x"), "a..babc");
}

std::string Sanitized(std::string_view input) {
    std::string text(input);
    return SanitizeFileName(text);
}
std::string Creatable(std::string_view input) {
    std::string text(input);
    return CreatableFileName(SanitizeFileName(text));
}

TEST(Paths, NameRules) {
    const std::tuple<std::string (*)(std::string_view), std::string, std::string> cases[] = {
        {GetExtension, "C:\\a.b\\c", ""},
        {GetExtension, "x.", ""},
        {GetExtension, "\"x.jpg\"", "jpg"},
        {GetExtension, "http://host.jp/image", ""},
        // Lengths count characters, so a cut never splits one.
        {StripExtension, "写真.画像", "写真"},
        {ParentFolder, "  \"C:\\my pics\\a.jpg\"  ", "C:\\my pics"},
        {ParentFolder, "\"C:\\d\\写", "C:\\d"},
        {CollapseBlanks, "a   b", "a b"},
        {CollapseBlanks, " \u3000\u3000 b\u3000  ", " b\u3000"},
        {Sanitized, "a/b:c\\d*\"<>|", "a／b：c￥d＊＂＜＞｜"},
        {Sanitized, "what? really?", "what？ really"},
        {Sanitized, "a\tb\r\nc\rd\ne", "a bcde"},
        // CR LF pairs go before the query is cut; a lone CR before the "?" goes at the end.
        {Sanitized, "x\r?\ny", "x"},
        {Sanitized, " .bad\xFF:byte. ", " .bad\xFF：byte. "},
        // What Windows would refuse or change in a name of its own.
        {Creatable, " .bad\xFF:byte. ", " .bad\xFF：byte"},
        {Creatable,
         "a\x01"
         "b\x1F.jpg",
         "a b .jpg"},
        {Creatable, "...", ""}};
    for (const auto& [apply, input, expected] : cases) EXPECT_EQ(apply(input), expected) << input;
    EXPECT_EQ(TempName({2024, 1, 5, 13, 45, 1}), "tmp_20240105134501");
    EXPECT_EQ(TempName({999, 100, -1, 4, 5, 6}), "tmp_09999900040506");  // the length is kept whatever the clock says

    // Element 0 stays; the rest sort by character code: capitals first, non-ASCII after ASCII.
    std::vector<std::string> items{"z", "あ", "img_2", "img_10", "Z", "é", "a"};
    SortAscending(items);
    EXPECT_EQ(items, (std::vector<std::string>{"z", "Z", "a", "img_10", "img_2", "é", "あ"}));
}

TEST(Paths, UniqueNameSkipsNamesTakenUnderAnyExtension) {
    const std::tuple<std::vector<std::string>, std::string, std::string> cases[] = {
        {{"ab.jpg", "a_2.jpg"}, "C:\\d\\a.jpg", "C:\\d\\a.jpg"},
        {{"A.BMP", "a_2"}, "C:\\d\\a.jpg", "C:\\d\\a_3.jpg"},
        {{"a.jpg"}, "C:\\d\\a", "C:\\d\\a_2"},
        {{"写真.png"}, "C:\\d\\写真.jpg", "C:\\d\\写真_2.jpg"},
        {{"a.jpg"}, "", ""}};
    for (const auto& [existing, input, expected] : cases) {
        FakeFileSystem fs;
        for (const std::string& name : existing) fs.addFile("C:\\d\\" + name);
        EXPECT_EQ(UniqueName(input, fs), expected) << input;
    }
    // The count goes past a_999 (where it once stopped and handed out a taken name).
    FakeFileSystem fs;
    for (int n = 1; n <= 999; ++n) fs.addFile("C:\\d\\a" + (n > 1 ? "_" + std::to_string(n) : "") + ".png");
    EXPECT_EQ(UniqueName("C:\\d\\a.jpg", fs), "C:\\d\\a_1000.jpg");
    // Names the caller holds count as taken, whatever is on disk and under any extension.
    const std::vector<std::string> held{"C:\\d\\B.jpg", "C:\\d\\b_2.png", ""};
    EXPECT_EQ(UniqueName("C:\\d\\b.jpg", fs, held), "C:\\d\\b_3.jpg");
    EXPECT_EQ(UniqueName("C:\\d\\c.jpg", fs, held), "C:\\d\\c.jpg");
}
TEST(Paths, AbsoluteAndRelativePaths) {
    // The program folder C:\prog, with a few folders and files around it.
    FakeFileSystem fs;
    for (const char* f : {"C:\\", "C:\\prog", "C:\\prog\\data", "C:\\prog\\my pics", "C:\\other", "C:\\other\\x"})
        fs.addFolder(f);
    fs.addFile("C:\\prog\\a.jpg");
    fs.addFile("C:\\prog\\hidden.jpg", {}, true, false);
    fs.addFile("C:\\prog\\system.bin", {}, false, true);
    const PathContext ctx{fs, "C:\\prog"};
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"data", "", "C:\\prog\\data"},
        {"  \"my pics\\\"  ", "", "C:\\prog\\my pics\\"},
        {"\"my pics\\", "", "\"my pics\\"},  // no closing quote: left alone
        {".\\x", "", "C:\\prog\\x"},
        {"\\\\server\\x", "", "\\\\server\\x"},
        {"\\x", "", "C:\\prog\\\\x"},
        // An absolute path with ".." is folded on its own, not appended to the base.
        {"D:\\a\\..\\b", "", "D:\\b"},
        // A base is a folder even while it does not exist; a drive root has its separator.
        {"..\\x", "C:\\missing\\sub", "C:\\missing\\x"},
        {"x", "C:\\", "C:\\x"}};
    for (const auto& [path, given, expected] : cases) {
        std::string base = given;
        EXPECT_EQ(AbsolutePath(path, base, ctx), expected) << path << " in " << given;
        EXPECT_EQ(base, given.empty() ? "C:\\prog" : given);
    }
    EXPECT_EQ(OpenFolderCommand("\"my pics\\\"", ctx, "C:\\Windows"),
              "\"C:\\Windows\\explorer.exe\" C:\\prog\\my pics\\");
    EXPECT_EQ(OpenFolderCommand("data", ctx, ""), "explorer.exe C:\\prog\\data");
    for (const char* path : {"\"A.JPG\"", "..\\prog\\a.jpg"}) EXPECT_TRUE(FileExists(path, ctx)) << path;
    for (const char* path : {"hidden.jpg", "system.bin", "data", "b.jpg"}) EXPECT_FALSE(FileExists(path, ctx)) << path;

    const std::tuple<std::string, std::string, std::string> relative[] = {
        {"C:\\prog\\data", "C:\\prog", "data\\"},
        {"C:\\other\\x", "C:\\prog\\", "..\\other\\x\\"},
        {"\"C:\\prog\\my pics\"", "\"C:\\prog\"", "\"my pics\\\""},
        {"C:\\prog\\a.jpg", "C:\\prog\\data", "..\\a.jpg"},
        {"C:\\prog", "C:\\prog", ""},
        // Drive letters and components compare exactly.
        {"c:\\prog\\data", "C:\\prog", "c:\\prog\\data"},
        {"C:\\PROG\\data", "C:\\prog", "..\\PROG\\data\\"},
        {"\\\\server\\share", "\\\\server", "\\\\server\\share"},
        // A missing target may name a file or a folder; a missing base is still a folder.
        {"C:\\prog\\new", "C:\\prog", "new"},
        {"C:\\gone", "C:\\gone\\sub", "..\\"},
        // Nothing in common but the first character: no relative form exists.
        {"Cdata\\x", "C:\\prog", "Cdata\\x"}};
    for (const auto& [target, base, expected] : relative) EXPECT_EQ(RelativePath(target, base, fs), expected) << target;
}

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

// The linear matcher gives what the library's backtracking matcher gives, on the probe's patterns
// and on the syntax around them.
TEST(LinearRegex, AgreesWithTheBacktrackingMatcher) {
    const std::vector<std::string> patterns = SplitAll(
        "< *span +class *= *(.*) *>.*< */span *>`url\\((http://.+)\\)`<img *src=*(.*) *>`(a|ab)(c|bcd)(d*)`(a*?)(a*)`"
        "x(y)?z`^(ab)`(b)$`(?:ab|cd)+(e?)`[^a-c]([\\d_]+)\\W`(.)`()`(x*)`a|(b)|c`(\\.jpg)",
        "`");
    const std::vector<std::string> texts = SplitAll(
        "`<SPAN class=pop>x</SPAN>`<span class=a>x</span>\n<span class=b>y</span>`<span class=\"a\">x</span> <span "
        "class=b>y</span >`background: url(http://h/a.jpg) no-repeat; url(http://h/b.jpg)`<IMG src=\"http://h/a.png\">`"
        "<img src=a>\r\n<img src=b>`abcd abcd`aaab`xyz xz XYZ`ab cab b`z12_ !`A.JPG.jpg`\xe3\x81\x82\xe3\x81\x84",
        "`");
    for (const std::string& pattern : patterns) {
        for (const std::string& text : texts) {
            const auto linear = SearchCaseless(text, pattern);
            ASSERT_TRUE(linear.has_value()) << pattern;
            EXPECT_EQ(std::tuple(linear->matches, linear->first.group1Matched, std::string(linear->first.group1)),
                      Library(text, pattern))
                << pattern << " on " << text;
        }
    }
}

// Only a pattern that matches exactly once yields its first group; other syntax yields nothing; the
// probe's patterns stay linear on markup that made the old matcher take seconds (figures:
// bench/bench_regex.cpp).
TEST(LinearRegex, FirstSubmatchOfASingleMatch) {
    for (const char* pattern : {"(x)\\1", "(?=x)(x)", "(x{2})", "(", "a)", "[a", "\\b(x)"})
        EXPECT_FALSE(SearchCaseless("xx", pattern).has_value()) << pattern;
    const std::string image = "<img *src=*(.*) *>", span = "< *span +class *= *(.*) *>.*< */span *>";
    std::string unclosed;
    while (unclosed.size() < 28 * 1024) unclosed += "<span class=x>";
    // An image carrying its data in the address: a match this long once overflowed the stack.
    const std::string data = "\"data:image/png;base64," + std::string(100000, 'A') + "\"";
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"<IMG src=\"http://h/a.jpg\">", image, "\"http://h/a.jpg\""},
        {"<span class=\"pop\">x</span>", span, "\"pop\""},
        {"<span class=a>x</span>\n<span class=b>y</span>", span, ""},
        {"y", "(x)?y", ""},
        {"abc", "(", ""},
        {"xx", "(x)\\1", ""},
        {"<img src=" + data + ">", image, data},
        {unclosed, span, ""},
        {unclosed + "</span>", span, unclosed.substr(12, unclosed.size() - 13)}};
    for (const auto& [text, pattern, expected] : cases)
        EXPECT_EQ(RegexFirstSubmatch(text, pattern), expected) << text.substr(0, 40);
}

}  // namespace
}  // namespace tessarin::test
