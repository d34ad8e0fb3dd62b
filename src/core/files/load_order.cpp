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

std::vector<std::string> ImagesToLoad(const Settings& settings, const PathContext& ctx) {
    std::string base;
    const std::string folder = Unquote(AbsolutePath(settings.saveFolderPath, base, ctx));
    const std::string prefix = folder + "\\";
    std::vector<std::string> paths;
    for (const std::string& name : ctx.fs.list(prefix + "*")) {
        if (!IsLoadableImageName(name)) continue;
        std::string path = prefix;
        path += name;
        // Only plain files are listed: a folder or a hidden or system file named like an
        // image is not one of the user's captures.
        const auto info = ctx.fs.stat(path);
        if (!info || info->folder || info->hidden || info->system) continue;
        paths.push_back(std::move(path));
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

bool IsPngPath(std::string_view path) { return AsciiLower(GetExtension(path)) == "png"; }

std::string LoadProgressText(int32_t index, int32_t count) {
    return "ファイル読込中！ " + std::to_string(index) + "/" + std::to_string(count);
}

}  // namespace tessarin
