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
    WinFileSystem fs;
    AnsiCodePage codePage;
    ASSERT_TRUE(fs.createFolder(program / "画像フォルダ"));
    Settings saved;
    ResetSettings(saved);
    saved.saveFolderPath = "画像フォルダ";
    saved.className = "ｸﾗｽ";
    const WindowPlacement placement{10, 20, 630, 470};
    ASSERT_TRUE(SaveSettings(saved, placement, fs, program.path(), codePage));

    // The text of the settings converted as a whole: CR LF lines and code page bytes.
    const std::string bytes = fs.readFile(program / "conf.txt").value_or("");
    EXPECT_EQ(bytes, codePage.fromUtf8(FormatSettingsText(saved, placement)));
    EXPECT_NE(bytes.find("\r\nsave folder path = \x89\xE6\x91\x9C\x83\x74\x83\x48\x83\x8B\x83\x5F\r\n"),
              std::string::npos);
    EXPECT_NE(bytes.find("\r\nclass name = \xB8\xD7\xBD\r\n"), std::string::npos);

    Settings loaded;
    const WindowPlacement read =
        LoadSettings(loaded, ScreenSize{1280, 1024}, PathContext{fs, program.path()}, codePage);
    EXPECT_EQ(FormatSettingsText(loaded, read), FormatSettingsText(saved, placement));
}

}  // namespace
}  // namespace tessarin::test
