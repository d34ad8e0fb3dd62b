#include "core/settings/settings.h"

#include <gtest/gtest.h>

#include <regex>

#include "core/text/text.h"
#include "support/fake_filesystem.h"
#include "support/iconv_codepage.h"

namespace tessarin::test {
namespace {

constexpr ScreenSize kScreen{1920, 1080};
const std::string kProgram = "C:\\prog";
const std::string kConf = "C:\\prog\\conf.txt";

// The exact file a fresh record gives on a 1920 x 1080 screen.
const std::string kDefaultFile =
    "form left = 960\r\nform top = 594\r\nform right = 1824\r\nform bottom = 972\r\nno mouse = 1\r\n"
    "no tooltip = 1\r\ncopy to clipboard = 0\r\ncapture sound = 1\r\nchime = chimes.wav\r\n"
    "sound start = notify.wav\r\nsound stop = chord.wav\r\nsave file format = 1\r\nsave folder path = data\r\n"
    "load files = 1\r\nauto start = 0\r\nimg download = 1\r\nauto listing = 1\r\nspace = 0\r\nno confirm = 0\r\n"
    "minimize = 0\r\nhotkey copy = C\r\nhotkey rect = Shift\r\npos = 0\r\nclass name = \r\nhosei = 0\r\n"
    "hosei left = 0\r\nhosei top = 0\r\nhosei width = 0\r\nhosei height = 0\r\nsize = 0\r\nsize width = 16\r\n"
    "size height = 16\r\nthumbnail width = 120\r\nthumbnail height = 90\r\nthumbnail static = 0\r\nshift = 0\r\n"
    "shiftx = 0\r\nshifty = 0\r\n";

// A settings text with the lines of some keys replaced.
std::string With(std::string text, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        const std::regex old("^" + line.substr(0, line.find(" = ") + 3) + "[^\r]*", std::regex::multiline);
        text = std::regex_replace(text, old, line);
    }
    return text;
}

class SettingsFileTest : public ::testing::Test {
protected:
    SettingsFileTest() {
        for (const char* folder : {"C:\\prog", "C:\\prog\\data", "C:\\prog\\my pics"}) fs.addFolder(folder);
    }
    FakeFileSystem fs;
    IconvCodePage codePage;
    PathContext ctx{fs, kProgram};
};

TEST_F(SettingsFileTest, ReaderRules) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"Form Left=100", {"form left = 100"}},
        // A second "=" or none drops the line, and so does a key spelt otherwise.
        {"save folder path = a=b\r\npos 3\r\nno  mouse = 0\r\nsize  width = 3\r\n\tpos = 1\r\ncolour = 5\r\n\r\n", {}},
        {"pos = 2\rsize = 1\nhosei = 1\r", {"pos = 2"}},  // CR ends a line, a lone LF does not
        {"chime = a.wav\nb\r\npos = 3\n\r\n", {"chime = a.wav\nb", "pos = 3"}},
        {"pos = 1\r\npos = 3\r\nform top = 7\r\nForm Top = 8", {"pos = 3", "form top = 8"}},
        {"CLASS NAME =  Note  Pad  \r\nhotkey copy =", {"class name = Note  Pad", "hotkey copy = "}},
        {"pos = 3.5\r\nhosei = 2.5\r\nsize width = abc\r\nthumbnail width = 12px",
         {"pos = 4", "hosei = 2", "size width = 0", "thumbnail width = 12"}},
        {"hosei left = 99999999999\r\nhosei top = -99999999999\r\nsize width = 1e300",
         {"hosei left = 2147483647", "hosei top = -2147483648", "size width = 2147483647"}},
        {nullptr, {}},  // "conf.txt" is a folder: it exists but cannot be read
        // The save folder must be an existing folder; it is kept as written.
        {"save folder path = missing", {"save folder path = "}},
        {"save folder path = conf.txt", {"save folder path = "}},
        {"save folder path = \"my pics\\\"", {"save folder path = \"my pics\\\""}},
        {"save folder path = ..\\PROG\\data", {"save folder path = ..\\PROG\\data"}}};
    for (const auto& [text, expected] : cases) {
        text ? fs.addFile(kConf, codePage.fromUtf8(text)) : fs.addFolder(kConf);
        Settings s;
        const WindowPlacement placement = LoadSettings(s, kScreen, ctx, codePage);
        EXPECT_EQ(FormatSettingsText(s, placement), With(kDefaultFile, expected)) << (text ? text : "unreadable");
    }
    Settings s;
    s.hosei = s.shift = s.shiftX = s.shiftY = s.pos = 3;
    ResetSettings(s);
    EXPECT_EQ(std::vector({s.hosei, s.shift, s.shiftX, s.shiftY, s.pos}), std::vector({3, 3, 3, 3, 0}));
}

TEST_F(SettingsFileTest, EveryLineSurvivesAReadAndAWriteAndAFailedWriteKeepsTheOldFile) {
    fs.addFolder("C:\\prog\\画像");
    Settings s;
    WindowPlacement placement = LoadSettings(s, kScreen, ctx, codePage);  // no file yet: defaults
    ASSERT_TRUE(SaveSettings(s, placement, fs, kProgram, codePage));
    EXPECT_EQ(*fs.readFile(kConf), kDefaultFile);
    // A distinct value on every line, so a swapped or dropped line shows.
    std::string text;
    int n = 0;
    for (const std::string& line : SplitAll(kDefaultFile, "\r\n")) {
        if (!line.empty()) text += line.substr(0, line.find(" = ") + 3) + std::to_string(++n % 2 ? n : -n) + "\r\n";
    }
    text = With(text,
                {"save folder path = 画像", "class name = メモ帳", "hosei left = -2147483648", "shifty = 2147483647"});
    fs.addFile(kConf, codePage.fromUtf8(text));
    placement = LoadSettings(s, kScreen, ctx, codePage);
    fs.addFile(kConf, kDefaultFile);
    fs.failWrites = true;
    EXPECT_FALSE(SaveSettings(s, placement, fs, kProgram, codePage));
    EXPECT_EQ(*fs.readFile(kConf), kDefaultFile);
    fs.failWrites = false;
    EXPECT_FALSE(SaveSettings(s, placement, fs, "C:\\gone", codePage));
    ASSERT_TRUE(SaveSettings(s, placement, fs, kProgram, codePage));
    EXPECT_EQ(*fs.readFile(kConf), codePage.fromUtf8(text));
    EXPECT_NE(fs.readFile(kConf)->find("\r\nclass name = \x83\x81\x83\x82\x92\xA0\r\n"), std::string::npos);
}

TEST_F(SettingsFileTest, ImageFormatsAndFullPath) {
    std::string formats;
    for (const int32_t index : {INT32_MIN, 0, 1, 2, 3, 4}) formats += FormatExtension(index) + " ";
    for (const char* e : {"JPG", "Png", "gif", "bmp", "jpeg", "", ".jpg"}) formats += std::to_string(FormatIndex(e));
    EXPECT_EQ(formats, "bmp bmp jpg png gif bmp 1230000");

    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"data\\", "a.jpg", "C:\\prog\\data\\a.jpg"},
        {"data", "", ""},
        {"\"my pics\"", "a b.png", "C:\\prog\\my pics\\a b.png"},
        {"\\\\srv\\share\\", "x.gif", "\\\\srv\\share\\x.gif"}};
    for (const auto& [folder, name, expected] : cases) {
        Settings s;
        s.saveFolderPath = folder;
        EXPECT_EQ(FullPath(name, s, ctx), expected) << folder << " + " << name;
    }
}

}  // namespace
}  // namespace tessarin::test
