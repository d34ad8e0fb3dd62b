// Start-up and shutdown rules of the main window, the command words and the status field.

#include <gtest/gtest.h>

#include <tuple>

#include "core/app/command_line.h"
#include "core/app/shell.h"
#include "core/app/status_record.h"
#include "core/run/target_kind.h"
#include "support/fake_filesystem.h"
#include "support/iconv_codepage.h"

namespace tessarin::test {
namespace {

// The flags the line sets, in declaration order, and the watched window.
std::string SetFlags(std::string_view line) {
    CommandLineFlags f;
    ParseCommandLine(line, f);
    const auto word = [](bool set, const char* name) { return set ? std::string(name) + " " : std::string(); };
    return word(f.debug, "debug") + word(f.autoRun, "auto") + word(f.minimize, "min") + word(f.novisible, "novisible") +
           word(f.nomouse, "nomouse") + word(f.clipboard, "clipboard") + word(f.sound, "sound") +
           word(f.nolisting, "nolisting") + word(f.loadfiles, "loadfiles") +
           word(f.hwnd, std::to_string(f.hwnd).c_str());
}

TEST(CommandLine, WordsSetTheirFlags) {
    const std::pair<const char*, const char*> cases[] = {
        {"auto", ""},       // no hyphen: ignored
        {"-auto-min", ""},  // one word "auto-min"
        {"  -A -minimize extra words  ", "auto min "},
        {"-debug -novisible -nomouse -clipboard -sound -nolisting -loadfiles",
         "debug novisible nomouse clipboard sound nolisting loadfiles "},
        {"-auto\xE3\x80\x80-min", "auto min "},  // an ideographic space separates like a blank
        {"\"C:\\a b\\x.exe\" -unknown -\t -", ""},
        // The watched window is the leading number of the next word, if that is a 32-bit handle.
        {"-HWND &h1f", "31 "},
        {"-hwnd 4294967295", "4294967295 "},
        {"-hwnd 4294967297", ""},  // not wrapped round to 1
        {"-hwnd 1.5", ""},
        {"-hwnd  77", ""}};  // two blanks: the next word is empty
    for (const auto& [line, expected] : cases) EXPECT_EQ(SetFlags(line), expected) << line;
    EXPECT_EQ(ArgumentsOf("\"C:\\Program Files\\T\\Tessarin.exe\"  -min -a"), "-min -a");
    EXPECT_EQ(ArgumentsOf("\"C:\\unterminated -auto"), "");
}

TEST(Startup, TheCommandLineDecidesWindowStateLoadingAndTheRun) {
    // Only a start without command words loads the save folder and counts the Thumb files.
    const std::tuple<const char*, int32_t, const char*, StartupPlan> cases[] = {
        {"", 0, " 1", {.loadImages = true, .reportThumbs = true}},
        {"", 0, "yes", {.reportThumbs = true}},  // no number: nothing loaded
        {"", 1, "1", {.loadImages = true, .reportThumbs = true, .startRun = true}},
        {"-a", 0, "1", {.startRun = true}},
        {"-minimize -novisible", 0, "1", {.show = false, .minimise = true}},
        {"-hwnd 12", 0, "1", {.watchWindow = true}}};
    const auto tie = [](const StartupPlan& p) {
        return std::tuple(p.show, p.minimise, p.loadImages, p.reportThumbs, p.watchWindow, p.startRun);
    };
    for (const auto& [line, autoStart, loadFiles, expected] : cases) {
        Settings settings;
        std::tie(settings.autoStart, settings.loadFiles) = std::tuple(autoStart, loadFiles);
        CommandLineFlags flags;
        EXPECT_EQ(tie(PlanStartup(line, settings, flags)), tie(expected)) << line << " / " << loadFiles;
    }

    FakeFileSystem fs;
    fs.addFolder("C:\\prog\\pics\\Thumb\\sub.jpg");
    for (const char* name : {"a.jpg", "b.JPG", "c.jpeg", "d.png", "e.jpg.bak", "jpg"})
        fs.addFile(std::string("C:\\prog\\pics\\Thumb\\") + name);
    Settings settings;
    settings.saveFolderPath = "\"pics\"";
    EXPECT_EQ(CountThumbFiles(settings, {fs, "C:\\prog"}), 2);
    EXPECT_EQ(ThumbCountText(2), "2個の画像がThumbフォルダにあります。");
    EXPECT_EQ(ThumbCountText(0), "");
}

TEST(Shell, UnsavedEntriesNoticeAndTargetButton) {
    const std::array<bool, 5> twoAndFive{true, false, true, true, false};
    const std::string list = UnsavedListText(twoAndFive, true);
    EXPECT_EQ(SaveQuestionText(list), "下記の未保存の画像があります。全て保存しますか？\r\n\r\nNo = 2 , 5 , ");
    Settings settings;
    EXPECT_TRUE(AsksBeforeClosing(list, settings));
    // Nothing to save with, nothing unsaved, or no questions wanted: it closes at once.
    EXPECT_EQ(UnsavedListText(twoAndFive, false), "");
    EXPECT_EQ(UnsavedListText(std::array{true, true}, true), "");
    settings.noConfirm = 1;
    EXPECT_FALSE(AsksBeforeClosing(list, settings));

    const Notice notice = ParseNoticeText(NoticeText("読込中\r\n2/3", 1500));
    EXPECT_EQ(std::tie(notice.message, notice.milliseconds), std::tuple("読込中\r\n2/3", 1500));
    EXPECT_EQ(ParseNoticeText("only a message").milliseconds, 0);
    // Every CR LF adds 500 twips, a blank line too; a lone CR or LF does not.
    EXPECT_EQ(NoticeHeightTwips(100, "a\r\n\r\nb\nc\rd"), 100 + 1500 + 200);
    EXPECT_EQ(TwipsPerPixel(0), 15);

    // A target index from a hand-edited file cycles back into the table.
    EXPECT_EQ(TargetCaption(5), "");
    const std::pair<int32_t, int32_t> cycle[] = {{0, 1}, {3, 4}, {4, 0}, {9, 0}, {-3, 0}};
    for (const auto& [index, next] : cycle) EXPECT_EQ(NextTargetIndex(index), next) << index;
}

TEST(StatusRecord, TheFieldIsThirtyTwoNarrowBytesPaddedWithBlanks) {
    const IconvCodePage cp932;
    std::string many, sixteen;
    for (int i = 0; i < 16; ++i) many += "完", sixteen += "\x8A\xAE";
    const std::pair<std::string, std::string> cases[] = {
        {"", std::string(32, ' ')},
        {std::string(40, 'x'), std::string(32, 'x')},
        {"キャプチャー完了", "\x83\x4C\x83\x83\x83\x76\x83\x60\x83\x83\x81\x5B\x8A\xAE\x97\xB9" + std::string(16, ' ')},
        // A double-byte character that would straddle byte 32 gives way to a blank.
        {std::string(31, 'a') + "完", std::string(31, 'a') + " "},
        {std::string(30, 'a') + "完", std::string(30, 'a') + "\x8A\xAE"},
        {many + "完", sixteen}};
    for (const auto& [text, expected] : cases) {
        const auto field = FormStatusRecord(text, cp932).status;
        EXPECT_EQ(std::string(field.begin(), field.end()), expected) << text;
    }
}

}  // namespace
}  // namespace tessarin::test
