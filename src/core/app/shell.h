#pragma once
// Start-up and shutdown decisions of the main window, free of the window system.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/app/command_line.h"
#include "core/settings/settings.h"
#include "core/text/paths.h"

namespace tessarin {

// "Ver" + major + "." + minor + revision, no padding (1, 2, 3 gives "Ver1.23").
[[nodiscard]] std::string VersionText(int major, int minor, int revision);
// "Tessarin", two blanks, the version text of this build.
[[nodiscard]] std::string MainCaption();

// The data folder below the program folder.
[[nodiscard]] std::string DataFolder(std::string_view programFolder);

// What the end of start-up does with the window, after the command line (if any) has
// been read into the flags.
struct StartupPlan {
    bool show = true;           // show the main window (else hide it)
    bool minimise = false;      // window state minimised
    bool loadImages = false;    // load the images of the save folder
    bool reportThumbs = false;  // count the files of the Thumb folder on the status line
    bool watchWindow = false;   // enable the window watch
    bool startRun = false;      // start a capture run at once
};
[[nodiscard]] StartupPlan PlanStartup(std::string_view commandLine, const Settings& settings, CommandLineFlags& flags);

// Number of plain files with the extension "jpg" (any case) in the save folder's "Thumb".
[[nodiscard]] int CountThumbFiles(const Settings& settings, const PathContext& ctx);
// "" for no files, else the count and "個の画像がThumbフォルダにあります。".
[[nodiscard]] std::string ThumbCountText(int count);

// Closing: the positions of unsaved entries as "2 , 5 , ", or "" when nothing is to be
// asked about (no unsaved entries, or no codec library to save with).
[[nodiscard]] std::string UnsavedListText(std::span<const bool> savedFlags, bool codecLibraryPresent);
// Whether closing asks about the unsaved entries.
[[nodiscard]] bool AsksBeforeClosing(std::string_view unsavedList, const Settings& settings);
[[nodiscard]] std::string SaveQuestionText(std::string_view unsavedList);
inline constexpr const char* kSaveQuestionTitle = "保存確認";
inline constexpr const char* kSettingsSaveError = "設定値保存エラー";
inline constexpr int kSettingsSaveErrorWaitMs = 3000;

// The notice window: message and display time travel in one text, split by the
// character with code 1.
struct Notice {
    std::string message;
    int32_t milliseconds = 0;
};
[[nodiscard]] std::string NoticeText(std::string_view message, int32_t milliseconds);
[[nodiscard]] Notice ParseNoticeText(std::string_view text);
// Height of the notice window in twips for a message under a label at labelTop twips.
[[nodiscard]] int32_t NoticeHeightTwips(int32_t labelTop, std::string_view message);

// Twips per pixel for a display resolution in dots per inch (1440 twips per inch).
[[nodiscard]] int32_t TwipsPerPixel(int dotsPerInch);

// Upper-case hexadecimal without prefix or leading zeros.
[[nodiscard]] std::string HexText(uint64_t value);

}  // namespace tessarin
