#include "core/text/paths.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/text/text.h"
#include "support/fake_filesystem.h"

namespace tessarin::test {
namespace {

// The program folder of every case below, with a few folders and files around it.
FakeFileSystem ProgramTree() {
    FakeFileSystem fs;
    fs.addFolder("C:\\");
    fs.addFolder("C:\\prog");
    fs.addFolder("C:\\prog\\data");
    fs.addFolder("C:\\prog\\my pics");
    fs.addFolder("C:\\other");
    fs.addFolder("C:\\other\\x");
    fs.addFolder("D:\\");
    fs.addFile("C:\\prog\\a.jpg");
    fs.addFile("C:\\prog\\data\\b.png");
    fs.addFile("C:\\prog\\hidden.jpg", {}, true, false);
    fs.addFile("C:\\prog\\system.bin", {}, false, true);
    fs.addFile("D:\\x.jpg");
    return fs;
}

struct TextCase {
    const char* operation;
    std::string (*apply)(std::string_view);
    std::string input;
    std::string expected;
};

TEST(Paths, NamePieces) {
    const TextCase cases[] = {
        {"Unquote", Unquote, "  \"x\"  ", "x"},
        {"Unquote", Unquote, "\"\"two layers\"\"", "two layers"},
        {"Unquote", Unquote, "\" \"x\" \"", "x"},
        {"Unquote", Unquote, "\"", "\""},
        {"Unquote", Unquote, "\"\"", ""},
        {"Unquote", Unquote, "\"open", "\"open"},
        {"Unquote", Unquote, "a \"b\"", "a \"b\""},
        {"GetExtension", GetExtension, "C:\\a.b\\c", ""},
        {"GetExtension", GetExtension, "x.", ""},
        {"GetExtension", GetExtension, "\"x.jpg\"", "jpg"},
        {"GetExtension", GetExtension, "C:\\d\\photo.JPG ", "JPG"},
        {"GetExtension", GetExtension, "a.tar.gz", "gz"},
        {"GetExtension", GetExtension, "http://host.jp/image", ""},
        {"GetExtension", GetExtension, "http://host/p/a.gif?x=1", "gif?x=1"},
        {"GetExtension", GetExtension, "noext", ""},
        {"GetExtension", GetExtension, "写真.画像", "画像"},
        {"StripExtension", StripExtension, "C:\\d\\a.jpg", "C:\\d\\a"},
        {"StripExtension", StripExtension, "C:\\a.b\\c", "C:\\a.b\\c"},
        {"StripExtension", StripExtension, "x.", "x."},
        {"StripExtension", StripExtension, "写真.画像", "写真"},
        {"FileNameOf", FileNameOf, "C:\\d\\a.jpg", "a.jpg"},
        {"FileNameOf", FileNameOf, "a.jpg", "a.jpg"},
        {"FileNameOf", FileNameOf, "C:\\d\\", ""},
        {"ParentFolder", ParentFolder, "C:\\d\\a.jpg", "C:\\d"},
        {"ParentFolder", ParentFolder, "  \"C:\\my pics\\a.jpg\"  ", "C:\\my pics"},
        {"ParentFolder", ParentFolder, "C:\\", "C:"},
        {"ParentFolder", ParentFolder, "a.jpg", "a.jpg"},
        // The last character is dropped whole, even when it is not a quote.
        {"ParentFolder", ParentFolder, "\"C:\\d\\写", "C:\\d"},
        {"CollapseBlanks", CollapseBlanks, "a   b", "a b"},
        {"CollapseBlanks", CollapseBlanks, "\u3000  x", "\u3000x"},
        {"CollapseBlanks", CollapseBlanks, " \u3000\u3000 b  ", " b "},
        {"CollapseBlanks", CollapseBlanks, "ウィンドウ\u3000\u3000名", "ウィンドウ\u3000名"},
        {"CollapseBlanks", CollapseBlanks, "", ""},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(c.apply(c.input), c.expected) << c.operation << "(" << c.input << ")";
    }
}

TEST(Paths, SanitizeFileName) {
    const struct {
        std::string input;
        std::string expected;
    } cases[] = {
        {"abc.jpg?size=2", "abc.jpg"},
        {"a/b:c", "a／b：c"},
        {"a\\b", "a￥b"},
        {"x*y\"z<w>|v", "x＊y＂z＜w＞｜v"},
        {"what? really?", "what？ really"},
        {"line1\r\nline2", "line1line2"},
        {"a\tb\t\tc", "a b  c"},
        {"a\rb\nc", "abc"},
        // CR LF pairs go before the query is cut; a lone CR before the "?" goes at the end.
        {"a?\r\nb", "a"},
        {"x\r?\ny", "x"},
        {" .name. ", " .name. "},
        {"ウィンドウ__OK", "ウィンドウ__OK"},
        {"bad\xFF:byte", "bad\xFF：byte"},
    };
    for (const auto& c : cases) {
        std::string text = c.input;
        std::string& result = SanitizeFileName(text);
        EXPECT_EQ(&result, &text);
        EXPECT_EQ(text, c.expected) << c.input;
    }
}

TEST(Paths, UniqueNameSkipsNamesTakenUnderAnyExtension) {
    const struct {
        std::vector<std::string> existing;
        std::string input;
        std::string expected;
    } cases[] = {
        {{}, "C:\\d\\a.jpg", "C:\\d\\a.jpg"},
        {{"a.bmp"}, "C:\\d\\a.jpg", "C:\\d\\a_2.jpg"},
        {{"A.JPG"}, "C:\\d\\a.jpg", "C:\\d\\a_2.jpg"},
        {{"a"}, "C:\\d\\a.jpg", "C:\\d\\a_2.jpg"},
        {{"a.jpg", "a_2.png"}, "C:\\d\\a.jpg", "C:\\d\\a_3.jpg"},
        {{"ab.jpg", "a_2.jpg"}, "C:\\d\\a.jpg", "C:\\d\\a.jpg"},
        {{"a.jpg"}, "C:\\d\\a", "C:\\d\\a_2"},
        {{"写真.png"}, "C:\\d\\写真.jpg", "C:\\d\\写真_2.jpg"},
        {{"a.jpg"}, "C:\\e\\a.jpg", "C:\\e\\a.jpg"},
        {{"a.jpg"}, "", ""},
    };
    for (const auto& c : cases) {
        FakeFileSystem fs;
        fs.addFolder("C:\\d");
        fs.addFolder("C:\\e");
        for (const std::string& name : c.existing) fs.addFile("C:\\d\\" + name);
        EXPECT_EQ(UniqueName(c.input, fs), c.expected) << c.input;
    }
}

TEST(Paths, UniqueNameGivesUpAfter998TakenNames) {
    // Answers "name.*" from a set of taken base names and counts the probes.
    struct TakenNames : FakeFileSystem {
        std::set<std::string> taken;
        mutable int probes = 0;
        std::vector<std::string> list(const std::string& pattern) const override {
            ++probes;
            const std::string name = pattern.substr(0, pattern.size() - 2);
            if (taken.count(name) == 0) return {};
            return {FileNameOf(name)};
        }
    };
    TakenNames fs;
    fs.taken.insert("C:\\d\\a");
    for (int n = 2; n <= 997; ++n) fs.taken.insert("C:\\d\\a_" + std::to_string(n));
    EXPECT_EQ(UniqueName("C:\\d\\a.jpg", fs), "C:\\d\\a_998.jpg");

    fs.taken.insert("C:\\d\\a_998");
    fs.probes = 0;
    EXPECT_EQ(UniqueName("C:\\d\\a.jpg", fs), "C:\\d\\a_999.jpg");
    EXPECT_EQ(fs.probes, 998);
    // base_999 is the last candidate and is not tested.
    fs.taken.insert("C:\\d\\a_999");
    EXPECT_EQ(UniqueName("C:\\d\\a.jpg", fs), "C:\\d\\a_999.jpg");
}

TEST(Paths, TempNameHasAFixedLength) {
    const struct {
        LocalTime now;
        std::string expected;
    } cases[] = {
        {{2024, 1, 5, 13, 45, 1}, "tmp_20240105134501"}, {{1999, 12, 31, 23, 59, 59}, "tmp_19991231235959"},
        {{999, 2, 3, 4, 5, 6}, "tmp_09990203040506"},    {{12345, 2, 3, 4, 5, 6}, "tmp_99990203040506"},
        {{-7, 2, 3, 4, 5, 6}, "tmp_00000203040506"},     {{2024, 100, -1, 4, 5, 6}, "tmp_20249900040506"},
    };
    for (const auto& c : cases) EXPECT_EQ(TempName(c.now), c.expected);
}

TEST(Paths, AbsolutePath) {
    const FakeFileSystem fs = ProgramTree();
    const PathContext ctx{fs, "C:\\prog"};
    const struct {
        std::string path;
        std::string base;
        std::string expected;
    } cases[] = {
        {"data", "", "C:\\prog\\data"},
        {"\"my pics\\\"", "", "C:\\prog\\my pics\\"},
        {"  \"my pics\\\"  ", "", "C:\\prog\\my pics\\"},
        // An opening quote without a closing one leaves the text alone.
        {"\"my pics\\", "", "\"my pics\\"},
        {"\"", "", "\""},
        {"..\\x", "", "C:\\x"},
        {"data\\..\\y", "", "C:\\prog\\y"},
        {".\\x", "", "C:\\prog\\x"},
        {"D:\\x", "", "D:\\x"},
        {"\\\\server\\x", "", "\\\\server\\x"},
        {"\\x", "", "C:\\prog\\\\x"},
        {"data\\\\a.jpg", "", "C:\\prog\\data\\\\a.jpg"},
        {"", "", "C:\\prog\\"},
        // An absolute path with ".." is folded on its own, not appended to the base.
        {"D:\\a\\..\\b", "", "D:\\b"},
        {"\\\\server\\s\\..\\t", "", "\\\\server\\t"},
        {"x", "C:\\other", "C:\\other\\x"},
        // A base that does not exist is still a folder.
        {"x", "C:\\missing", "C:\\missing\\x"},
        {"..\\x", "C:\\missing\\sub", "C:\\missing\\x"},
        // A drive root already ends in its separator.
        {"x", "C:\\", "C:\\x"},
    };
    for (const auto& c : cases) {
        std::string base = c.base;
        EXPECT_EQ(AbsolutePath(c.path, base, ctx), c.expected) << c.path << " in " << c.base;
        EXPECT_EQ(base, c.base.empty() ? "C:\\prog" : c.base) << "base of " << c.path;
    }
}

TEST(Paths, AbsolutePathReportsAFailedFoldAsEmpty) {
    struct FailingFold : FakeFileSystem {
        std::string result;
        std::string canonicalise(const std::string&) const override { return result; }
    };
    FailingFold fs;
    std::string base;
    const PathContext ctx{fs, "C:\\prog"};
    EXPECT_EQ(AbsolutePath("..\\x", base, ctx), "");
    // What a fixed-size buffer hands back ends at its first zero character.
    fs.result = std::string("C:\\x\0junk", 9);
    EXPECT_EQ(AbsolutePath("..\\x", base, ctx), "C:\\x");
}

TEST(Paths, RelativePath) {
    const FakeFileSystem fs = ProgramTree();
    const struct {
        std::string target;
        std::string base;
        std::string expected;
    } cases[] = {
        {"C:\\prog\\data", "C:\\prog", "data\\"},
        {"C:\\other\\x", "C:\\prog", "..\\other\\x\\"},
        {"D:\\x", "C:\\prog", "D:\\x"},
        {"C:\\prog", "C:\\prog", ""},
        {"C:\\prog\\my pics", "C:\\prog", "\"my pics\\\""},
        {"\"C:\\prog\\my pics\"", "\"C:\\prog\"", "\"my pics\\\""},
        {"C:\\prog\\data\\b.png", "C:\\prog", "data\\b.png"},
        {"C:\\prog\\a.jpg", "C:\\prog\\data", "..\\a.jpg"},
        {"C:\\", "C:\\prog", "..\\"},
        // Drive letters and components compare exactly.
        {"c:\\prog\\data", "C:\\prog", "c:\\prog\\data"},
        {"C:\\PROG\\data", "C:\\prog", "..\\PROG\\data\\"},
        {"\\\\server\\share", "\\\\server", "\\\\server\\share"},
        // Separators already present are not doubled.
        {"C:\\prog\\data\\", "C:\\prog", "data\\"},
        {"C:\\prog\\data", "C:\\prog\\", "data\\"},
        {"C:\\prog\\data", "C:\\", "prog\\data\\"},
        // A missing target is kept as written: it may name a file or a folder.
        {"C:\\prog\\new", "C:\\prog", "new"},
        {"C:\\prog\\new\\", "C:\\prog", "new\\"},
        // A missing base is still a folder.
        {"C:\\gone\\data", "C:\\gone", "data"},
        {"C:\\prog\\data", "C:\\gone", "..\\prog\\data\\"},
        {"C:\\gone", "C:\\gone\\sub", "..\\"},
        {"C:\\gone", "C:\\gone\\", ""},
        // Nothing in common but the first character: no relative form exists.
        {"Cdata\\x", "C:\\prog", "Cdata\\x"},
        {"\"C:x\"", "C:\\prog", "C:x"},
        {"", "C:\\prog", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RelativePath(c.target, c.base, fs), c.expected) << c.target << " from " << c.base;
    }
}

TEST(Paths, RelativeAndAbsolutePathRoundTrip) {
    const FakeFileSystem fs = ProgramTree();
    const PathContext ctx{fs, "C:\\prog"};
    for (const std::string folder : {"C:\\prog\\data", "C:\\prog\\my pics", "C:\\other\\x"}) {
        std::string base;
        const std::string relative = RelativePath(folder, "C:\\prog", fs);
        EXPECT_EQ(AbsolutePath(relative, base, ctx), folder + "\\") << relative;
    }
}

TEST(Paths, FileExistsCountsOnlyNormalFiles) {
    const FakeFileSystem fs = ProgramTree();
    const PathContext ctx{fs, "C:\\prog"};
    const struct {
        std::string path;
        bool expected;
    } cases[] = {
        {"a.jpg", true},     {"\"a.jpg\"", true},   {"C:\\prog\\a.jpg", true}, {"A.JPG", true}, {"data\\b.png", true},
        {"D:\\x.jpg", true}, {"hidden.jpg", false}, {"system.bin", false},     {"data", false}, {"missing.jpg", false},
        {"", false},         {"*.jpg", false},      {"..\\prog\\a.jpg", true},
    };
    for (const auto& c : cases) EXPECT_EQ(FileExists(c.path, ctx), c.expected) << c.path;
}

TEST(Paths, OpenFolderCommandResolvesWithoutQuoting) {
    const FakeFileSystem fs = ProgramTree();
    const PathContext ctx{fs, "C:\\prog"};
    EXPECT_EQ(OpenFolderCommand("data", ctx), "explorer.exe C:\\prog\\data");
    EXPECT_EQ(OpenFolderCommand("\"my pics\\\"", ctx), "explorer.exe C:\\prog\\my pics\\");
    EXPECT_EQ(OpenFolderCommand("", ctx), "explorer.exe C:\\prog\\");
    EXPECT_EQ(OpenFolderCommand("D:\\", ctx), "explorer.exe D:\\");
}

TEST(Paths, SelectedOptionIndex) {
    const struct {
        bool options[5];
        size_t count;
        int expected;
    } cases[] = {
        {{}, 0, 0},
        {{false, false, false}, 3, 0},
        {{false, false, true, true}, 4, 2},
        {{true, false}, 2, 0},
        {{false, false, false, false, true}, 5, 4},
        // Only the given options count.
        {{false, false, true}, 2, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(SelectedOptionIndex({c.options, c.count}), c.expected);
}

TEST(Paths, SortAscendingLeavesElementZero) {
    const struct {
        std::vector<std::string> items;
        std::vector<std::string> expected;
    } cases[] = {
        {{"z", "b", "a"}, {"z", "a", "b"}},
        {{}, {}},
        {{"only"}, {"only"}},
        {{"z", "b"}, {"z", "b"}},
        {{"", "x", "B", "a", "C"}, {"", "B", "C", "a", "x"}},
        // By character code: every non-ASCII character sorts after ASCII.
        {{"", "あ", "z", "Z", "é"}, {"", "Z", "z", "é", "あ"}},
        {{"", "img_10.jpg", "img_2.jpg", "img_1.jpg", "img_2.jpg"},
         {"", "img_1.jpg", "img_10.jpg", "img_2.jpg", "img_2.jpg"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> items = c.items;
        SortAscending(items);
        EXPECT_EQ(items, c.expected);
    }
}

TEST(Paths, RegexFirstSubmatchNeedsExactlyOneMatch) {
    const char* const kImage = "<img *src=*(.*) *>";
    const char* const kSpan = "< *span +class *= *(.*) *>.*< */span *>";
    const struct {
        std::string text;
        std::string pattern;
        std::string expected;
    } cases[] = {
        {"<IMG src=\"http://h/a.jpg\">", kImage, "\"http://h/a.jpg\""},
        {"<img src=a.jpg alt=\"写真\">", kImage, "a.jpg alt=\"写真\""},
        {"<span class=\"pop\">x</span>", kSpan, "\"pop\""},
        {"<span class=a>x</span>\n<span class=b>y</span>", kSpan, ""},
        {"<div>no image</div>", kImage, ""},
        {"color: red; background: URL(http://h/p.png)", "url\\((http://.+)\\)", "http://h/p.png"},
        {"abc", "abc", ""},
        {"y", "(x)?y", ""},
        {"aa", "(a)", ""},
        {"abc", "(", ""},
        {"abc", "[b-a]", ""},
        {"abc", "a{2,1}", ""},
        {"", "(x*)", ""},
        {"xyzxy", "(x)y\\1", ""},
        {"xx", "(x)\\1", "x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RegexFirstSubmatch(c.text, c.pattern), c.expected) << c.pattern << " on " << c.text;
    }
}

TEST(Paths, RegexFirstSubmatchCopesWithLongMarkup) {
    // An image carrying its data in the address: hundreds of kilobytes on one line.
    const std::string data = "data:image/png;base64," + std::string(100000, 'A');
    EXPECT_EQ(RegexFirstSubmatch("<img src=\"" + data + "\">", "<img *src=*(.*) *>"), "\"" + data + "\"");
    const std::string spans = "<div>" + std::string(100000, 'x') + "<span class=\"pop\">y</span></div>";
    EXPECT_EQ(RegexFirstSubmatch(spans, "< *span +class *= *(.*) *>.*< */span *>"), "\"pop\"");
}

}  // namespace
}  // namespace tessarin::test
