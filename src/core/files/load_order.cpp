#include "core/files/load_order.h"

#include <algorithm>
#include <array>

#include "core/text/text.h"

namespace tessarin {

bool IsLoadableImageName(std::string_view name) {
    static constexpr std::array<std::string_view, 5> kExtensions = {"bmp", "jpg", "jpeg", "gif", "png"};
    const std::string e = AsciiLower(GetExtension(name));
    return std::find(kExtensions.begin(), kExtensions.end(), e) != kExtensions.end();
}

std::string SaveFolderOf(const Settings& settings, const PathContext& ctx) {
    std::string base;
    return Unquote(AbsolutePath(settings.saveFolderPath, base, ctx));
}

std::vector<FolderImage> ImagesToLoad(const Settings& settings, const PathContext& ctx) {
    const std::string prefix = SaveFolderOf(settings, ctx) + "\\";
    std::vector<FolderImage> images;
    for (const ListedFile& file : ctx.fs.listFiles(prefix + "*")) {
        // Only plain files are listed: a folder or a hidden or system file named like an
        // image is not one of the user's captures.
        if (!IsLoadableImageName(file.name) || file.info.folder || file.info.hidden || file.info.system) continue;
        images.push_back(FolderImage{prefix + file.name, file.stamp});
    }
    std::sort(images.begin(), images.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    return images;
}

bool IsPngPath(std::string_view path) { return AsciiLower(GetExtension(path)) == "png"; }

std::string LoadProgressText(int32_t index, int32_t count) {
    return "ファイル読込中！ " + std::to_string(index) + "/" + std::to_string(count);
}

}  // namespace tessarin
