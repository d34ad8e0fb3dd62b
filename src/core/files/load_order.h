#pragma once
// Which image files of the save folder are loaded into the list at start-up, and in which
// order: plain files with a bmp, jpg, jpeg, gif or png extension (any case), sorted by
// character code, so upper case comes first.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/settings.h"
#include "core/text/paths.h"

namespace tessarin {

[[nodiscard]] bool IsLoadableImageName(std::string_view name);
struct FolderImage {
    std::string path;  // full path
    FileStamp stamp;
    friend bool operator==(const FolderImage&, const FolderImage&) = default;
};
// The files to load, in loading order, from one listing of the folder.
[[nodiscard]] std::vector<FolderImage> ImagesToLoad(const Settings& settings, const PathContext& ctx);
// The save folder as a full path, without a trailing "\".
[[nodiscard]] std::string SaveFolderOf(const Settings& settings, const PathContext& ctx);
// PNG files go through the PNG decoder, the rest through the platform's picture loader.
[[nodiscard]] bool IsPngPath(std::string_view path);
// The status text while file `index` of `count` is read.
[[nodiscard]] std::string LoadProgressText(int32_t index, int32_t count);

inline constexpr const char* kLoadNoticeText = "既存の画像データ読込中！";
inline constexpr const char* kLoadDoneStatus = "ロード完了！";

}  // namespace tessarin
