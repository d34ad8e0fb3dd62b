#pragma once
// Which files a save writes: the names of Save and Save all (into the save folder, made safe
// and unique), of Save as (a path the user chose) and the save dialog's filter and extension
// rule. Nothing here writes a file.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/settings/settings.h"
#include "core/text/paths.h"

namespace tessarin {

// The codec writer a target path asks for; Unsupported writes nothing ("jpeg" included).
enum class SaveFormat { Unsupported, Bmp, Jpg, Png, Gif };
[[nodiscard]] SaveFormat SaveFormatOf(std::string_view target);

// A save first writes the picture as a bitmap file; when the target is not a bmp file the
// bitmap is converted into the target and deleted afterwards.
struct SavePlan {
    std::string target;
    std::string bitmap;  // the same file as target for a bmp target of SaveEntry
    // The user chose to replace the target (Save as); otherwise a save never writes over a file
    // it did not just make itself, and a name taken meanwhile asks for the next one.
    bool replaceTarget = false;
    [[nodiscard]] bool NeedsConversion() const;
};

// Save and Save all: an entry's own file name in the save folder. A known image extension
// ("bmp", "jpg", "gif", "png", any case) is kept as written; any other extension stays part of
// the name and the configured save format is appended (x.jpeg -> x.jpeg.jpg).
// Names in `taken` (the files the list's entries hold, even where the disk no longer has them)
// count as taken.
[[nodiscard]] SavePlan SaveEntryPlan(std::string_view fileName, const Settings& settings, const PathContext& ctx,
                                     std::span<const std::string> taken = {});

// Save as: the chosen path itself, with a bitmap that takes the next free name beside it.
// A bmp target therefore lands on the bitmap's unique name.
[[nodiscard]] SavePlan SaveImagePlan(std::string_view picFile, const FileSystem& fs);

// The text of the message box when a conversion failed (title kSaveErrorTitle).
[[nodiscard]] std::string SaveFailedText(std::string_view target);
inline constexpr const char* kSaveErrorTitle = "保存エラー";
inline constexpr const char* kSaveErrorStatus = "保存エラー！";
inline constexpr const char* kSaveDoneStatus = "保存完了！";

// The save dialog. Filters are (description, pattern) pairs separated by zero characters.
[[nodiscard]] std::string DefaultSaveFilter();
// A filter index of 0 asks for the first filter.
[[nodiscard]] int32_t DialogFilterIndex(int32_t filterIndex);
// The filter Save as preselects for an entry's file name (1-based).
[[nodiscard]] int32_t SaveAsFilterIndex(std::string_view entryFileName, const Settings& settings);
// The chosen name with the chosen filter's extension appended when it does not already end
// in it (case-sensitive): photo.JPG with the JPEG filter gives photo.JPG.jpg. A "*" pattern,
// one without an extension or a filter index outside the list leaves the name as it is.
[[nodiscard]] std::string WithFilterExtension(std::string_view chosen, std::string_view filter, int32_t filterIndex);

// Save as must not write into the save folder itself (where it would pose as a list file):
// the refusal text when the chosen path lies directly in it, compared without regard to case
// or a trailing "\".
[[nodiscard]] std::optional<std::string> SaveFolderRefusal(std::string_view chosen, const Settings& settings,
                                                           const PathContext& ctx);
inline constexpr const char* kSaveFolderRefusalTitle = "フォルダ指定不可";

}  // namespace tessarin
