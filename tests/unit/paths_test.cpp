#include "core/text/paths.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/fake_filesystem.h"

namespace tessarin::test {
namespace {

std::string Sanitized(std::string_view input) {
    std::string text(input);
    return SanitizeFileName(text);
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
        {Sanitized, " .bad\xFF:byte. ", " .bad\xFF：byte. "}};
    for (const auto& [apply, input, expected] : cases) EXPECT_EQ(apply(input), expected) << input;
    EXPECT_EQ(TempName({2024, 1, 5, 13, 45, 1}), "tmp_20240105134501");
    EXPECT_EQ(TempName({999, 100, -1, 4, 5, 6}), "tmp_09999900040506");  // the length is kept whatever the clock says
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
    // After a, a_2 … a_998 the last candidate a_999 is taken without a test.
    FakeFileSystem fs;
    for (int n = 1; n <= 999; ++n) fs.addFile("C:\\d\\a" + (n > 1 ? "_" + std::to_string(n) : "") + ".png");
    EXPECT_EQ(UniqueName("C:\\d\\a.jpg", fs), "C:\\d\\a_999.jpg");
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

TEST(Paths, SortAscendingAndRegexFirstSubmatch) {
    // Element 0 stays; the rest sort by character code: capitals first, non-ASCII after ASCII.
    std::vector<std::string> items{"z", "あ", "img_2", "img_10", "Z", "é", "a"};
    SortAscending(items);
    EXPECT_EQ(items, (std::vector<std::string>{"z", "Z", "a", "img_10", "img_2", "é", "あ"}));

    // Only a pattern that matches exactly once yields its first group.
    const std::string image = "<img *src=*(.*) *>", span = "< *span +class *= *(.*) *>.*< */span *>";
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"<IMG src=\"http://h/a.jpg\">", image, "\"http://h/a.jpg\""},
        {"<span class=\"pop\">x</span>", span, "\"pop\""},
        {"<span class=a>x</span>\n<span class=b>y</span>", span, ""},
        {"y", "(x)?y", ""},
        {"abc", "(", ""},
        {"xx", "(x)\\1", "x"}};
    for (const auto& [text, pattern, expected] : cases) EXPECT_EQ(RegexFirstSubmatch(text, pattern), expected) << text;
    // An image carrying its data in the address: a match this long once overflowed the stack.
    const std::string data = "data:image/png;base64," + std::string(100000, 'A');
    EXPECT_EQ(RegexFirstSubmatch("<img src=\"" + data + "\">", image), "\"" + data + "\"");
}

}  // namespace
}  // namespace tessarin::test
