#include "core/files/save_naming.h"

#include <array>

#include "core/text/text.h"

namespace tessarin {

SaveFormat SaveFormatOf(std::string_view target) {
    const std::string e = AsciiLower(GetExtension(target));
    if (e == "bmp") return SaveFormat::Bmp;
    if (e == "jpg") return SaveFormat::Jpg;
    if (e == "png") return SaveFormat::Png;
    if (e == "gif") return SaveFormat::Gif;
    return SaveFormat::Unsupported;
}

bool SavePlan::NeedsConversion() const { return AsciiLower(GetExtension(target)) != "bmp"; }

SavePlan SaveEntryPlan(std::string_view fileName, const Settings& settings, const PathContext& ctx,
                       std::span<const std::string> taken) {
    const std::string e = GetExtension(fileName);
    const std::string lower = AsciiLower(e);
    std::string base;
    std::string extension;
    if (lower == "bmp" || lower == "jpg" || lower == "gif" || lower == "png") {
        base = StripExtension(fileName);
        extension = e;
    } else {
        base = std::string(fileName);
        extension = FormatExtension(settings.saveFileFormat);
    }
    SanitizeFileName(base);
    const auto file = [&base](std::string_view ext) {
        std::string name = base + "." + std::string(ext);
        return CreatableFileName(name);
    };
    // Both names are fixed before anything is written, so a bmp entry gets one file.
    SavePlan plan;
    plan.target = UniqueName(FullPath(file(extension), settings, ctx), ctx.fs, taken);
    plan.bitmap = UniqueName(FullPath(file("bmp"), settings, ctx), ctx.fs, taken);
    return plan;
}

SavePlan SaveImagePlan(std::string_view picFile, const FileSystem& fs) {
    return SavePlan{std::string(picFile), UniqueName(StripExtension(picFile) + ".bmp", fs), true};
}

std::string SaveFailedText(std::string_view target) { return std::string(target) + "の作成に失敗！\r\n"; }

std::string DefaultSaveFilter() {
    static constexpr std::array<std::string_view, 8> kParts = {"ビットマップ(*.bmp)", "*.bmp", "JPEG(*.jpg)", "*.jpg",
                                                               "PNG(*.png)",          "*.png", "GIF(*.gif)",  "*.gif"};
    std::string filter;
    for (const std::string_view part : kParts) {
        filter += part;
        filter += '\0';
    }
    filter.pop_back();
    return filter;
}

int32_t DialogFilterIndex(int32_t filterIndex) { return filterIndex == 0 ? 1 : filterIndex; }

int32_t SaveAsFilterIndex(std::string_view entryFileName, const Settings& settings) {
    const std::string e = GetExtension(entryFileName);
    return e.empty() ? settings.saveFileFormat + 1 : FormatIndex(e) + 1;
}

std::string WithFilterExtension(std::string_view chosen, std::string_view filter, int32_t filterIndex) {
    const std::vector<std::string> parts =
        SplitAll(filter.empty() ? DefaultSaveFilter() : std::string(filter), std::string_view("\0", 1));
    const int64_t element = 2 * (static_cast<int64_t>(DialogFilterIndex(filterIndex)) - 1) + 1;
    std::string result(chosen);
    if (element < 0 || element >= static_cast<int64_t>(parts.size())) return result;
    const std::string patternExtension = GetExtension(parts[static_cast<size_t>(element)]);
    // An empty pattern extension would only add a bare dot, which Windows drops again.
    if (patternExtension.empty() || patternExtension == "*" || GetExtension(result) == patternExtension) return result;
    result += '.';
    result += patternExtension;
    return result;
}

std::optional<std::string> SaveFolderRefusal(std::string_view chosen, const Settings& settings,
                                             const PathContext& ctx) {
    std::string base;
    const std::string folder = AbsolutePath(settings.saveFolderPath, base, ctx);
    const auto comparable = [](std::string_view path) {
        std::string text = AsciiLower(TrimChar(path, ' '));
        while (!text.empty() && text.back() == '\\') text.pop_back();
        return text;
    };
    if (comparable(ParentFolder(chosen)) != comparable(folder)) return std::nullopt;
    return folder + " 以外のフォルダを指定して下さい！";
}

}  // namespace tessarin
