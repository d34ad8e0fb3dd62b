// Start-up and shutdown rules of the main window, the command words and the status field.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "core/app/command_line.h"
#include "core/app/shell.h"
#include "core/app/status_record.h"
#include "core/run/target_kind.h"
#include "support/fake_filesystem.h"
#include "support/iconv_codepage.h"

namespace tessarin::test {
namespace {

struct FlagsCase {
    const char* line;
    CommandLineFlags expected;
};

CommandLineFlags Flags(std::initializer_list<void (*)(CommandLineFlags&)> setters) {
    CommandLineFlags f;
    for (auto set : setters) set(f);
    return f;
}

bool SameFlags(const CommandLineFlags& a, const CommandLineFlags& b) {
    return a.debug == b.debug && a.autoRun == b.autoRun && a.minimize == b.minimize && a.novisible == b.novisible &&
           a.nomouse == b.nomouse && a.clipboard == b.clipboard && a.sound == b.sound && a.nolisting == b.nolisting &&
           a.hwnd == b.hwnd && a.loadfiles == b.loadfiles;
}

TEST(CommandLine, OptionWordsSetTheirFlags) {
    const auto autoRun = [](CommandLineFlags& f) { f.autoRun = 1; };
    const auto minimize = [](CommandLineFlags& f) { f.minimize = 1; };
    const FlagsCase cases[] = {
        {"", {}},
        {"   ", {}},
        {"-auto", Flags({autoRun})},
        {"-AUTO", Flags({autoRun})},
        {"-Auto", Flags({autoRun})},
        {"-a", Flags({autoRun})},
        {"auto", {}},  // no hyphen: piece 0, ignored
        {"x-auto", {}},
        {"-auto-min", {}},  // one word "auto-min"
        {"-auto -min", Flags({autoRun, minimize})},
        {"-minimize", Flags({minimize})},
        {"  -min  ", Flags({minimize})},
        {"-min extra words are ignored", Flags({minimize})},
        {"-debug -novisible -nomouse -clipboard -sound -nolisting -loadfiles",
         Flags({[](CommandLineFlags& f) { f.debug = true; }, [](CommandLineFlags& f) { f.novisible = 1; },
                [](CommandLineFlags& f) { f.nomouse = 1; }, [](CommandLineFlags& f) { f.clipboard = 1; },
                [](CommandLineFlags& f) { f.sound = 1; }, [](CommandLineFlags& f) { f.nolisting = 1; },
                [](CommandLineFlags& f) { f.loadfiles = 1; }})},
        // An ideographic space before the hyphen separates like a blank.
        {"-auto\xE3\x80\x80-min", Flags({autoRun, minimize})},
        {"\xE3\x80\x80-min", Flags({minimize})},
        {"-unknown -\t -", {}},
        {"\"C:\\a b\\x.exe\" -auto", Flags({autoRun})},
    };
    for (const FlagsCase& c : cases) {
        CommandLineFlags flags;
        ParseCommandLine(c.line, flags);
        EXPECT_TRUE(SameFlags(flags, c.expected)) << c.line;
    }
}

TEST(CommandLine, TheWatchedWindowHandleIsTheLeadingNumberOfTheNextWord) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"-hwnd 1234", 1234},
        {"-hwnd &H10", 16},
        {"-HWND &h1f", 31},
        {"-hwnd 0x10", 0},  // the leading number of 0x10 is 0
        {"-hwnd", 0},
        {"-hwnd 0", 0},
        {"-hwnd abc", 0},
        {"-hwnd 12abc", 12},
        {"-hwnd 4294967295", 4294967295u},
        {"-hwnd 4294967296", 0},  // no 32-bit handle
        {"-hwnd -1", 0},          // " -1" starts a piece of its own
        {"-hwnd 1.5", 0},
        {"-hwnd  77", 0},  // two blanks: word 1 is empty
        {"-hwnd 99999999999999999999999", 0},
    };
    for (const auto& [line, handle] : cases) {
        CommandLineFlags flags;
        ParseCommandLine(line, flags);
        EXPECT_EQ(flags.hwnd, handle) << line;
    }
}

TEST(CommandLine, ArgumentsFollowTheProgramName) {
    const std::pair<const char*, const char*> cases[] = {
        {"Tessarin.exe", ""},
        {"Tessarin.exe -auto", "-auto"},
        {"\"C:\\Program Files\\T\\Tessarin.exe\"  -min -a", "-min -a"},
        {"\"C:\\unterminated -auto", ""},
        {"", ""},
        {"C:\\T\\Tessarin.exe\t-debug", "-debug"},
    };
    for (const auto& [line, arguments] : cases) EXPECT_EQ(ArgumentsOf(line), arguments) << line;
}

TEST(Startup, VersionTextAndCaption) {
    EXPECT_EQ(VersionText(1, 2, 3), "Ver1.23");
    EXPECT_EQ(VersionText(2, 0, 5), "Ver2.05");
    EXPECT_EQ(VersionText(1, 10, 12), "Ver1.1012");
    EXPECT_EQ(MainCaption().rfind("Tessarin  Ver", 0), 0u);
}

TEST(Startup, TheCommandLineDecidesWindowStateLoadingAndTheRun) {
    struct Case {
        const char* line;
        int32_t autoStart;
        const char* loadFiles;
        StartupPlan expected;
    };
    const Case cases[] = {
        {"", 0, "1", {.show = true, .loadImages = true, .reportThumbs = true}},
        {"", 0, "0", {.show = true, .reportThumbs = true}},
        {"", 0, " 1", {.show = true, .loadImages = true, .reportThumbs = true}},
        {"", 0, "yes", {.show = true, .reportThumbs = true}},  // no number: nothing loaded
        {"", 1, "1", {.show = true, .loadImages = true, .reportThumbs = true, .startRun = true}},
        // Any non-empty command line skips loading and the Thumb count.
        {"auto", 0, "1", {.show = true}},
        {"-unknown", 0, "1", {.show = true}},
        {"-a", 0, "1", {.show = true, .startRun = true}},
        {"-min", 0, "1", {.show = true, .minimise = true}},
        {"-minimize -novisible", 0, "1", {.show = false, .minimise = true}},
        {"-hwnd 12", 0, "1", {.show = true, .watchWindow = true}},
        {"-hwnd 0x12", 0, "1", {.show = true}},
    };
    for (const Case& c : cases) {
        Settings settings;
        ResetSettings(settings);
        settings.autoStart = c.autoStart;
        settings.loadFiles = c.loadFiles;
        CommandLineFlags flags;
        const StartupPlan plan = PlanStartup(c.line, settings, flags);
        EXPECT_EQ(plan.show, c.expected.show) << c.line;
        EXPECT_EQ(plan.minimise, c.expected.minimise) << c.line;
        EXPECT_EQ(plan.loadImages, c.expected.loadImages) << c.line << " / " << c.loadFiles;
        EXPECT_EQ(plan.reportThumbs, c.expected.reportThumbs) << c.line;
        EXPECT_EQ(plan.watchWindow, c.expected.watchWindow) << c.line;
        EXPECT_EQ(plan.startRun, c.expected.startRun) << c.line;
    }
}

TEST(Startup, ThumbFilesAreCountedByTheirLowerCaseExtension) {
    FakeFileSystem fs;
    fs.addFolder("C:\\prog");
    fs.addFolder("C:\\prog\\pics");
    fs.addFolder("C:\\prog\\pics\\Thumb");
    for (const char* name : {"a.jpg", "b.JPG", "c.jpeg", "d.png", "e.jpg.bak", "jpg"})
        fs.addFile(std::string("C:\\prog\\pics\\Thumb\\") + name);
    fs.addFolder("C:\\prog\\pics\\Thumb\\sub.jpg");
    Settings settings;
    ResetSettings(settings);
    settings.saveFolderPath = "pics";
    const PathContext ctx{fs, "C:\\prog"};
    EXPECT_EQ(CountThumbFiles(settings, ctx), 2);
    EXPECT_EQ(ThumbCountText(2), "2個の画像がThumbフォルダにあります。");
    EXPECT_EQ(ThumbCountText(0), "");

    settings.saveFolderPath = "missing";
    EXPECT_EQ(CountThumbFiles(settings, ctx), 0);
}

TEST(Shutdown, UnsavedEntriesAreListedAndAskedAbout) {
    Settings settings;
    ResetSettings(settings);
    const std::array<bool, 5> twoAndFive{true, false, true, true, false};
    const std::string list = UnsavedListText(twoAndFive, true);
    EXPECT_EQ(list, "2 , 5 , ");
    EXPECT_TRUE(AsksBeforeClosing(list, settings));
    EXPECT_EQ(SaveQuestionText(list), "下記の未保存の画像があります。全て保存しますか？\r\n\r\nNo = 2 , 5 , ");

    // Nothing to save with, nothing unsaved, or no questions wanted: it closes at once.
    EXPECT_EQ(UnsavedListText(twoAndFive, false), "");
    const std::array<bool, 2> allSaved{true, true};
    EXPECT_EQ(UnsavedListText(allSaved, true), "");
    EXPECT_FALSE(AsksBeforeClosing("", settings));
    settings.noConfirm = 1;
    EXPECT_FALSE(AsksBeforeClosing(list, settings));
}

TEST(Notice, MessageAndTimeTravelInOneText) {
    const Notice notice = ParseNoticeText(NoticeText("読込中\r\n2/3", 1500));
    EXPECT_EQ(notice.message, "読込中\r\n2/3");
    EXPECT_EQ(notice.milliseconds, 1500);
    EXPECT_EQ(ParseNoticeText("only a message").milliseconds, 0);
    EXPECT_EQ(ParseNoticeText("m\x01zz").milliseconds, 0);

    // Every line break adds 500 twips; a blank line counts.
    EXPECT_EQ(NoticeHeightTwips(100, "one"), 100 + 500 + 200);
    EXPECT_EQ(NoticeHeightTwips(100, "a\r\nb\r\nc"), 100 + 1500 + 200);
    EXPECT_EQ(NoticeHeightTwips(0, "a\r\n\r\nc"), 1700);
    EXPECT_EQ(NoticeHeightTwips(0, "a\nb\rc"), 700);  // only CR LF breaks lines
}

TEST(Startup, ScreenScaleAndHandleText) {
    EXPECT_EQ(TwipsPerPixel(96), 15);
    EXPECT_EQ(TwipsPerPixel(120), 12);
    EXPECT_EQ(TwipsPerPixel(144), 10);
    EXPECT_EQ(TwipsPerPixel(0), 15);
    EXPECT_EQ(HexText(0x1A2B), "1A2B");
    EXPECT_EQ(HexText(0), "0");
    EXPECT_EQ(DataFolder("C:\\prog"), "C:\\prog\\data");
}

TEST(StatusRecord, TheFieldIsThirtyTwoNarrowBytesPaddedWithBlanks) {
    const IconvCodePage cp932;
    const auto field = [&](const std::string& text) {
        const auto f = FormStatusField(text, cp932);
        return std::string(f.begin(), f.end());
    };
    const std::string blanks(32, ' ');
    EXPECT_EQ(field(""), blanks);
    EXPECT_EQ(field("Go"), "Go" + std::string(30, ' '));
    EXPECT_EQ(field(std::string(40, 'x') + "yz"), std::string(32, 'x'));
    // "キャプチャー完了": 8 characters, 16 bytes in code page 932.
    EXPECT_EQ(field("キャプチャー完了"),
              "\x83\x4C\x83\x83\x83\x76\x83\x60\x83\x83\x81\x5B\x8A\xAE\x97\xB9" + std::string(16, ' '));
    // 31 ASCII characters and a double-byte one: it would straddle byte 32, so a blank ends the field.
    EXPECT_EQ(field(std::string(31, 'a') + "完"), std::string(31, 'a') + " ");
    EXPECT_EQ(field(std::string(30, 'a') + "完"), std::string(30, 'a') + "\x8A\xAE");
    // 17 double-byte characters keep 16.
    std::string many;
    for (int i = 0; i < 17; ++i) many += "完";
    std::string sixteen;
    for (int i = 0; i < 16; ++i) sixteen += "\x8A\xAE";
    EXPECT_EQ(field(many), sixteen);

    const StatusRecord record = FormStatusRecord("Stop", cp932);
    EXPECT_EQ(record.reserved, 0);
    EXPECT_EQ(std::string(record.status.begin(), record.status.begin() + 5), "Stop ");
}

TEST(TargetKind, WordsCaptionsAndCycling) {
    const std::array<std::pair<const char*, const char*>, 5> kinds{{{"window", "ウィンドウ"},
                                                                    {"parts", "パーツ部位"},
                                                                    {"class", "クラス指定"},
                                                                    {"tooltips", "ツールチップ"},
                                                                    {"popuplink", "ポップリンク"}}};
    for (int32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(TargetWord(i), kinds[static_cast<size_t>(i)].first);
        EXPECT_EQ(TargetCaption(i), kinds[static_cast<size_t>(i)].second);
    }
    EXPECT_EQ(TargetCaption(5), "");
    EXPECT_EQ(TargetCaption(-1), "");
    EXPECT_EQ(NextTargetIndex(0), 1);
    EXPECT_EQ(NextTargetIndex(4), 0);
    // An index from a hand-edited file cycles back into the table.
    EXPECT_EQ(NextTargetIndex(9), 0);
    EXPECT_EQ(NextTargetIndex(-3), 0);
}

}  // namespace
}  // namespace tessarin::test
