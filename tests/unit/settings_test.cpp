#include "core/settings/settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "support/fake_filesystem.h"
#include "support/iconv_codepage.h"

namespace tessarin::test {
namespace {

auto Fields(const Settings& s) {
    return std::tie(s.noMouse, s.noTooltip, s.copyToClipboard, s.captureSound, s.chime, s.soundStart, s.soundStop,
                    s.saveFileFormat, s.saveFolderPath, s.loadFiles, s.autoStart, s.imgDownload, s.autoListing, s.space,
                    s.noConfirm, s.minimize, s.hotkeyCopy, s.hotkeyRect, s.pos, s.className, s.hosei, s.hoseiLeft,
                    s.hoseiTop, s.hoseiWidth, s.hoseiHeight, s.size, s.sizeWidth, s.sizeHeight, s.thumbnailWidth,
                    s.thumbnailHeight, s.thumbnailStatic, s.shift, s.shiftX, s.shiftY);
}

constexpr ScreenSize kScreen{1920, 1080};
const std::string kProgram = "C:\\prog";
const std::string kConf = "C:\\prog\\conf.txt";

// The exact file a fresh record gives on a 1920 x 1080 screen.
const std::string kDefaultFile =
    "form left = 960\r\n"
    "form top = 594\r\n"
    "form right = 1824\r\n"
    "form bottom = 972\r\n"
    "no mouse = 1\r\n"
    "no tooltip = 1\r\n"
    "copy to clipboard = 0\r\n"
    "capture sound = 1\r\n"
    "chime = chimes.wav\r\n"
    "sound start = notify.wav\r\n"
    "sound stop = chord.wav\r\n"
    "save file format = 1\r\n"
    "save folder path = data\r\n"
    "load files = 1\r\n"
    "auto start = 0\r\n"
    "img download = 1\r\n"
    "auto listing = 1\r\n"
    "space = 0\r\n"
    "no confirm = 0\r\n"
    "minimize = 0\r\n"
    "hotkey copy = C\r\n"
    "hotkey rect = Shift\r\n"
    "pos = 0\r\n"
    "class name = \r\n"
    "hosei = 0\r\n"
    "hosei left = 0\r\n"
    "hosei top = 0\r\n"
    "hosei width = 0\r\n"
    "hosei height = 0\r\n"
    "size = 0\r\n"
    "size width = 16\r\n"
    "size height = 16\r\n"
    "thumbnail width = 120\r\n"
    "thumbnail height = 90\r\n"
    "thumbnail static = 0\r\n"
    "shift = 0\r\n"
    "shiftx = 0\r\n"
    "shifty = 0\r\n";

class SettingsFileTest : public ::testing::Test {
protected:
    SettingsFileTest() {
        fs.addFolder(kProgram);
        fs.addFolder(kProgram + "\\data");
    }

    // Loads a "conf.txt" given in UTF-8 (stored in the narrow code page).
    WindowPlacement Load(const std::string& text, Settings& settings) {
        fs.addFile(kConf, codePage.fromUtf8(text));
        return LoadSettings(settings, kScreen, ctx, codePage);
    }

    FakeFileSystem fs;
    IconvCodePage codePage;
    PathContext ctx{fs, kProgram};
};

TEST(DefaultPlacementTest, ScalesTheScreenAndRoundsHalvesToEven) {
    struct Case {
        ScreenSize screen;
        WindowPlacement expected;
    };
    const Case cases[] = {
        {{1920, 1080}, {960, 594, 1824, 972}},
        {{30, 30}, {15, 16, 28, 27}},  // 16.5 and 28.5 go down to the even neighbour
        {{10, 10}, {5, 6, 10, 9}},     // 5.5 and 9.5 go up
        {{3, 5}, {2, 3, 3, 4}},        // 1.5 up, 4.5 down
        {{1, 15}, {0, 8, 1, 14}},      // 0.5 down, 13.5 up
        {{0, 0}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DefaultPlacement(c.screen), c.expected) << c.screen.width << "x" << c.screen.height;
    }
}

TEST(ResetSettingsTest, KeepsTheFourUnresetFields) {
    Settings s;
    s.hosei = 1;
    s.shift = 2;
    s.shiftX = -3;
    s.shiftY = 4;
    s.hoseiLeft = 9;
    s.pos = 3;
    s.className = "x";
    s.saveFolderPath = "elsewhere";
    ResetSettings(s);
    EXPECT_EQ(s.hosei, 1);
    EXPECT_EQ(s.shift, 2);
    EXPECT_EQ(s.shiftX, -3);
    EXPECT_EQ(s.shiftY, 4);
    EXPECT_EQ(s.hoseiLeft, 0);
    EXPECT_EQ(s.pos, 0);
    EXPECT_EQ(s.className, "");
    EXPECT_EQ(s.saveFolderPath, "data");
}

TEST_F(SettingsFileTest, ReaderRules) {
    struct Case {
        const char* name;
        std::string text;
        std::function<void(Settings&, WindowPlacement&)> expect;
    };
    const std::vector<Case> cases = {
        {"capitals and no blanks around =", "Form Left=100", [](Settings&, WindowPlacement& p) { p.left = 100; }},
        {"second = drops the whole line", "save folder path = a=b", [](Settings&, WindowPlacement&) {}},
        {"no = at all", "pos 3", [](Settings&, WindowPlacement&) {}},
        {"3.5 rounds up to even", "pos = 3.5", [](Settings& s, WindowPlacement&) { s.pos = 4; }},
        {"2.5 rounds down to even", "pos = 2.5", [](Settings& s, WindowPlacement&) { s.pos = 2; }},
        {"negative half", "hosei left = -2.5", [](Settings& s, WindowPlacement&) { s.hoseiLeft = -2; }},
        {"two blanks between key words", "no  mouse = 0\r\nsize  width = 3", [](Settings&, WindowPlacement&) {}},
        {"tab is not trimmed from the key", "\tpos = 1", [](Settings&, WindowPlacement&) {}},
        {"unknown key", "colour = 5\r\n\r\n", [](Settings&, WindowPlacement&) {}},
        {"only a shift line", "shift = 1\r\n", [](Settings& s, WindowPlacement&) { s.shift = 1; }},
        {"CR alone ends a line", "pos = 2\rsize = 1\r",
         [](Settings& s, WindowPlacement&) {
             s.pos = 2;
             s.size = 1;
         }},
        {"lone LF does not end a line", "pos = 2\nsize = 1", [](Settings&, WindowPlacement&) {}},
        {"LF stays inside a text value", "chime = a.wav\nb\r\npos = 3\n\r\n",
         [](Settings& s, WindowPlacement&) {
             s.chime = "a.wav\nb";
             s.pos = 3;
         }},
        {"last line wins", "pos = 1\r\npos = 3\r\nform top = 7\r\nForm Top = 8",
         [](Settings& s, WindowPlacement& p) {
             s.pos = 3;
             p.top = 8;
         }},
        {"empty text values", "hotkey copy =\r\nchime = ",
         [](Settings& s, WindowPlacement&) {
             s.hotkeyCopy = "";
             s.chime = "";
         }},
        {"text keeps case and inner blanks", "CLASS NAME =  Note  Pad  \r\nload files = 0",
         [](Settings& s, WindowPlacement&) {
             s.className = "Note  Pad";
             s.loadFiles = "0";
         }},
        {"huge numbers clamp both ways", "hosei left = 99999999999\r\nhosei top = -99999999999\r\nsize width = 1e300",
         [](Settings& s, WindowPlacement&) {
             s.hoseiLeft = INT32_MAX;
             s.hoseiTop = INT32_MIN;
             s.sizeWidth = INT32_MAX;
         }},
        {"non-numeric reads 0, leading number is kept", "size width = abc\r\nthumbnail width = 12px",
         [](Settings& s, WindowPlacement&) {
             s.sizeWidth = 0;
             s.thumbnailWidth = 12;
         }},
        {"every key of the placement", "form left = 1\r\nform top = 2\r\nform right = 3\r\nform bottom = 4",
         [](Settings&, WindowPlacement& p) {
             p = {1, 2, 3, 4};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings expected;
        ResetSettings(expected);
        WindowPlacement expectedPlacement = DefaultPlacement(kScreen);
        c.expect(expected, expectedPlacement);

        Settings actual;
        const WindowPlacement placement = Load(c.text, actual);
        EXPECT_EQ(Fields(actual), Fields(expected));
        EXPECT_EQ(placement, expectedPlacement);
    }
}

TEST_F(SettingsFileTest, MissingOrUnreadableFileGivesDefaults) {
    Settings defaults;
    ResetSettings(defaults);

    Settings fromMissing;
    EXPECT_EQ(LoadSettings(fromMissing, kScreen, ctx, codePage), DefaultPlacement(kScreen));
    EXPECT_EQ(Fields(fromMissing), Fields(defaults));

    // A "conf.txt" that is a folder exists but cannot be read.
    fs.addFolder(kConf);
    Settings fromUnreadable;
    EXPECT_EQ(LoadSettings(fromUnreadable, kScreen, ctx, codePage), DefaultPlacement(kScreen));
    EXPECT_EQ(Fields(fromUnreadable), Fields(defaults));
}

TEST_F(SettingsFileTest, SaveFolderMustBeAnExistingFolder) {
    fs.addFile(kProgram + "\\afile");
    fs.addFolder(kProgram + "\\my pics");
    fs.addFolder("C:\\shared");
    fs.addFolder("D:\\shots");
    struct Case {
        std::string value;
        std::string expected;
    };
    const Case cases[] = {
        {"missing", ""},
        {"afile", ""},  // a file is not a folder
        {"data", "data"},
        {"DATA", "DATA"},  // kept as written
        {"\"my pics\"", "\"my pics\""},
        {"\"my pics\\\"", "\"my pics\\\""},
        {"..\\shared", "..\\shared"},
        {"D:\\shots", "D:\\shots"},
        {"D:\\gone", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        Settings s;
        (void)Load("save folder path = " + c.value, s);
        EXPECT_EQ(s.saveFolderPath, c.expected);
    }
}

TEST_F(SettingsFileTest, FreshRecordWritesTheExactDefaultFile) {
    Settings s;
    const WindowPlacement placement = LoadSettings(s, kScreen, ctx, codePage);
    ASSERT_TRUE(SaveSettings(s, placement, fs, kProgram, codePage));
    ASSERT_NE(fs.find(kConf), nullptr);
    EXPECT_EQ(fs.find(kConf)->content, kDefaultFile);
    EXPECT_EQ(fs.writes, std::vector<std::string>{kConf});
}

TEST_F(SettingsFileTest, EveryLineSurvivesAWriteAndReadIncludingJapanese) {
    fs.addFolder(kProgram + "\\画像");
    Settings s;
    int32_t n = 2;
    // Distinct values everywhere, so a swapped or dropped line shows.
    for (int32_t* field :
         {&s.noMouse,     &s.noTooltip,   &s.copyToClipboard, &s.captureSound,    &s.saveFileFormat,  &s.autoStart,
          &s.imgDownload, &s.autoListing, &s.space,           &s.noConfirm,       &s.minimize,        &s.pos,
          &s.hosei,       &s.hoseiLeft,   &s.hoseiTop,        &s.hoseiWidth,      &s.hoseiHeight,     &s.size,
          &s.sizeWidth,   &s.sizeHeight,  &s.thumbnailWidth,  &s.thumbnailHeight, &s.thumbnailStatic, &s.shift,
          &s.shiftX,      &s.shiftY}) {
        *field = (n % 2 == 0) ? n : -n;
        ++n;
    }
    s.hoseiLeft = INT32_MIN;
    s.shiftY = INT32_MAX;
    s.chime = "チャイム.wav";
    s.soundStart = "start.wav";
    s.soundStop = "stop it.wav";
    s.saveFolderPath = "画像";
    s.loadFiles = "0";
    s.hotkeyCopy = "G";
    s.hotkeyRect = "Alt";
    s.className = "メモ帳";
    const WindowPlacement placement{-5, 10, 2000, 1200};

    ASSERT_TRUE(SaveSettings(s, placement, fs, kProgram, codePage));
    const std::string bytes = fs.find(kConf)->content;
    EXPECT_NE(bytes.find("\r\nclass name = \x83\x81\x83\x82\x92\xA0\r\nhosei = "), std::string::npos);
    EXPECT_NE(bytes.find("\r\nsave folder path = \x89\xE6\x91\x9C\r\n"), std::string::npos);
    size_t lines = 0;
    for (size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2)) ++lines;
    EXPECT_EQ(lines, static_cast<size_t>(kSettingsLineCount));

    Settings back;
    EXPECT_EQ(LoadSettings(back, kScreen, ctx, codePage), placement);
    EXPECT_EQ(Fields(back), Fields(s));
}

TEST_F(SettingsFileTest, FailedWriteReportsFalseAndKeepsTheOldFile) {
    fs.addFile(kConf, "pos = 3\r\n");
    Settings s;
    ResetSettings(s);
    fs.failWrites = true;
    EXPECT_FALSE(SaveSettings(s, DefaultPlacement(kScreen), fs, kProgram, codePage));
    EXPECT_EQ(fs.find(kConf)->content, "pos = 3\r\n");

    fs.failWrites = false;
    EXPECT_FALSE(SaveSettings(s, DefaultPlacement(kScreen), fs, "C:\\gone", codePage));
}

TEST(ImageFormatTest, ExtensionAndIndexTables) {
    const std::pair<int32_t, const char*> extensions[] = {
        {INT32_MIN, "bmp"}, {-1, "bmp"}, {0, "bmp"}, {1, "jpg"}, {2, "png"}, {3, "gif"}, {4, "bmp"}, {INT32_MAX, "bmp"},
    };
    for (const auto& [index, extension] : extensions) EXPECT_EQ(FormatExtension(index), extension) << index;

    const std::pair<const char*, int32_t> indices[] = {
        {"bmp", 0}, {"jpg", 1}, {"JPG", 1}, {"Png", 2}, {"gif", 3}, {"jpeg", 0}, {"", 0}, {".jpg", 0}, {"tiff", 0},
    };
    for (const auto& [extension, index] : indices) EXPECT_EQ(FormatIndex(extension), index) << extension;
}

TEST_F(SettingsFileTest, FullPathPutsTheNameIntoTheSaveFolder) {
    struct Case {
        std::string folder;
        std::string name;
        std::string expected;
    };
    const Case cases[] = {
        {"data\\", "a.jpg", "C:\\prog\\data\\a.jpg"},
        {"data", "a.jpg", "C:\\prog\\data\\a.jpg"},
        {"", "a.jpg", "C:\\prog\\a.jpg"},
        {"data", "", ""},
        {"\"my pics\"", "a b.png", "C:\\prog\\my pics\\a b.png"},
        {"D:\\shots\\", "x.gif", "D:\\shots\\x.gif"},
        {"\\\\srv\\share", "x.gif", "\\\\srv\\share\\x.gif"},
        {"\\\\srv\\share\\", "x.gif", "\\\\srv\\share\\x.gif"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder + " + " + c.name);
        Settings s;
        s.saveFolderPath = c.folder;
        EXPECT_EQ(FullPath(c.name, s, ctx), c.expected);
    }
}

}  // namespace
}  // namespace tessarin::test
