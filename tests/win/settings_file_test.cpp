#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/settings/settings.h"
#include "win32/codepage.h"
#include "win32/filesystem.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

// "conf.txt" goes through the real file system and the real code page: other tools read
// the file as the system's ANSI text, so the bytes on disk are checked, not only the
// round trip.
TEST(SettingsFile, SavedInTheAnsiCodePageWithCrLfAndReadBack) {
    TempFolder program;
    ASSERT_TRUE(program.ok());
    WinFileSystem fs;
    AnsiCodePage codePage;
    ASSERT_TRUE(fs.createFolder(program / "画像フォルダ"));

    Settings saved;
    ResetSettings(saved);
    saved.saveFolderPath = "画像フォルダ";
    saved.className = "ｸﾗｽ";
    saved.saveFileFormat = 2;
    const WindowPlacement placement{10, 20, 630, 470};
    ASSERT_TRUE(SaveSettings(saved, placement, fs, program.path(), codePage));

    const std::optional<std::string> bytes = fs.readFile(program / "conf.txt");
    ASSERT_TRUE(bytes.has_value());
    EXPECT_NE(bytes->find("save folder path = \x89\xE6\x91\x9C\x83\x74\x83\x48\x83\x8B\x83\x5F\r\n"),
              std::string::npos);
    EXPECT_NE(bytes->find("class name = \xB8\xD7\xBD\r\n"), std::string::npos);
    EXPECT_EQ(bytes->find("\xE7\x94\xBB"), std::string::npos) << "no UTF-8 in the file";
    size_t lines = 0;
    for (size_t i = 0; i < bytes->size(); ++i) {
        if ((*bytes)[i] != '\n') continue;
        ++lines;
        EXPECT_TRUE(i > 0 && (*bytes)[i - 1] == '\r') << "LF without CR at byte " << i;
    }
    EXPECT_EQ(lines, static_cast<size_t>(kSettingsLineCount));
    ASSERT_FALSE(bytes->empty());
    EXPECT_EQ(bytes->back(), '\n');
    EXPECT_FALSE(fs.stat(program / "conf.txt.tmp").has_value());

    Settings loaded;
    const PathContext ctx{fs, program.path()};
    const WindowPlacement read = LoadSettings(loaded, ScreenSize{1280, 1024}, ctx, codePage);
    EXPECT_EQ(read, placement);
    EXPECT_EQ(loaded.saveFolderPath, "画像フォルダ");
    EXPECT_EQ(loaded.className, "ｸﾗｽ");
    EXPECT_EQ(loaded.saveFileFormat, 2);
    EXPECT_EQ(FormatSettingsText(loaded, read), FormatSettingsText(saved, placement));
}

TEST(SettingsFile, AFailedSaveKeepsThePreviousFile) {
    TempFolder program;
    ASSERT_TRUE(program.ok());
    WinFileSystem fs;
    AnsiCodePage codePage;
    Settings settings;
    ResetSettings(settings);
    const WindowPlacement placement{1, 2, 3, 4};
    ASSERT_TRUE(SaveSettings(settings, placement, fs, program.path(), codePage));
    const std::optional<std::string> before = fs.readFile(program / "conf.txt");
    ASSERT_TRUE(before.has_value());

    ASSERT_TRUE(fs.createFolder(program / "conf.txt.tmp"));
    settings.className = "other";
    EXPECT_FALSE(SaveSettings(settings, placement, fs, program.path(), codePage));
    EXPECT_EQ(fs.readFile(program / "conf.txt"), before);
}

}  // namespace
}  // namespace tessarin::test
