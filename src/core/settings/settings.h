#pragma once
// The settings record, "conf.txt" in both directions, the main window placement stored
// with it, the image format table and FullPath.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/ports/codepage.h"
#include "core/ports/filesystem.h"
#include "core/text/paths.h"

namespace tessarin {

struct Settings {
    int32_t noMouse = 0;          // "no mouse"
    int32_t noTooltip = 0;        // "no tooltip"
    int32_t copyToClipboard = 0;  // "copy to clipboard"
    int32_t captureSound = 0;     // "capture sound"
    std::string chime;            // "chime"
    std::string soundStart;       // "sound start"
    std::string soundStop;        // "sound stop"
    int32_t saveFileFormat = 0;   // "save file format"
    std::string saveFolderPath;   // "save folder path"
    std::string loadFiles;        // "load files"
    int32_t autoStart = 0;        // "auto start"
    int32_t imgDownload = 0;      // "img download"
    int32_t autoListing = 0;      // "auto listing"
    int32_t space = 0;            // "space"
    int32_t noConfirm = 0;        // "no confirm"
    int32_t minimize = 0;         // "minimize"
    std::string hotkeyCopy;       // "hotkey copy"
    std::string hotkeyRect;       // "hotkey rect"
    int32_t pos = 0;              // "pos"
    std::string className;        // "class name"
    int32_t hosei = 0;            // "hosei"
    int32_t hoseiLeft = 0;        // "hosei left"
    int32_t hoseiTop = 0;         // "hosei top"
    int32_t hoseiWidth = 0;       // "hosei width"
    int32_t hoseiHeight = 0;      // "hosei height"
    int32_t size = 0;             // "size"
    int32_t sizeWidth = 0;        // "size width"
    int32_t sizeHeight = 0;       // "size height"
    int32_t thumbnailWidth = 0;   // "thumbnail width"
    int32_t thumbnailHeight = 0;  // "thumbnail height"
    int32_t thumbnailStatic = 0;  // "thumbnail static"
    int32_t shift = 0;            // "shift"
    int32_t shiftX = 0;           // "shiftx"
    int32_t shiftY = 0;           // "shifty"
};

// Edges of the main window's restored rectangle, screen pixels.
struct WindowPlacement {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

struct ScreenSize {
    int32_t width = 0;
    int32_t height = 0;
};

inline constexpr const char* kSettingsFileName = "conf.txt";
inline constexpr int kSettingsLineCount = 38;

[[nodiscard]] WindowPlacement DefaultPlacement(ScreenSize screen);
// Every field with a default gets it; "hosei", "shift", "shiftx" and "shifty" are kept.
void ResetSettings(Settings& settings);
// Applies the lines of a "conf.txt" text (UTF-8) on top of what the record holds.
void ParseSettingsText(std::string_view text, Settings& settings, WindowPlacement& placement);
// The 38 lines, CR LF, UTF-8.
[[nodiscard]] std::string FormatSettingsText(const Settings& settings, const WindowPlacement& placement);

// Defaults, then "conf.txt" from the program folder (narrow code page), then the check of
// the save folder. Returns the placement to give the main window.
[[nodiscard]] WindowPlacement LoadSettings(Settings& settings, ScreenSize screen, const PathContext& ctx,
                                           const NarrowCodePage& codePage);
// Writes "conf.txt" completely or not at all; false when it could not be written.
[[nodiscard]] bool SaveSettings(const Settings& settings, const WindowPlacement& placement, FileSystem& fs,
                                const std::string& programFolder, const NarrowCodePage& codePage);

[[nodiscard]] std::string FormatExtension(int32_t formatIndex);
[[nodiscard]] int32_t FormatIndex(std::string_view extension);
[[nodiscard]] std::string FullPath(std::string_view name, const Settings& settings, const PathContext& ctx);

}  // namespace tessarin
