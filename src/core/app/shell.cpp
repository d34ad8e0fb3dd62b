#include "core/app/shell.h"

#include <cstdio>

#include "core/text/text.h"

namespace tessarin {

std::string VersionText(int major, int minor, int revision) {
    return "Ver" + std::to_string(major) + "." + std::to_string(minor) + std::to_string(revision);
}

std::string MainCaption() {
    return "Tessarin  " + VersionText(TESSARIN_VERSION_MAJOR, TESSARIN_VERSION_MINOR, TESSARIN_VERSION_PATCH);
}

std::string DataFolder(std::string_view programFolder) { return std::string(programFolder) + "\\data"; }

StartupPlan PlanStartup(std::string_view commandLine, const Settings& settings, CommandLineFlags& flags) {
    StartupPlan plan;
    if (commandLine.empty()) {
        // Only a plain start loads the save folder: a program that drives Tessarin with
        // command words wants a quick start and a list of its own captures.
        // A text that is no number reads as 0 and loads nothing.
        plan.loadImages = LeadingNumber(settings.loadFiles) == 1.0;
        plan.reportThumbs = true;
    } else {
        ParseCommandLine(commandLine, flags);
        plan.watchWindow = flags.hwnd != 0;
        plan.minimise = flags.minimize == 1;
        plan.show = flags.novisible != 1;
    }
    plan.startRun = settings.autoStart == 1 || flags.autoRun == 1;
    return plan;
}

int CountThumbFiles(const Settings& settings, const PathContext& ctx) {
    std::string base;
    const std::string folder = Unquote(AbsolutePath(Unquote(settings.saveFolderPath), base, ctx)) + "\\Thumb";
    int count = 0;
    const std::string prefix = folder + "\\";
    for (const std::string& name : ctx.fs.list(prefix + "*")) {
        if (AsciiLower(GetExtension(name)) != "jpg") continue;
        std::string path = prefix;
        path += name;
        const auto info = ctx.fs.stat(path);
        if (info && !info->folder) ++count;
    }
    return count;
}

std::string ThumbCountText(int count) {
    if (count <= 0) return {};
    return std::to_string(count) + "個の画像がThumbフォルダにあります。";
}

std::string UnsavedListText(std::span<const bool> savedFlags, bool codecLibraryPresent) {
    std::string list;
    if (!codecLibraryPresent) return list;
    for (size_t i = 0; i < savedFlags.size(); ++i) {
        if (!savedFlags[i]) list += std::to_string(i + 1) + " , ";
    }
    return list;
}

bool AsksBeforeClosing(std::string_view unsavedList, const Settings& settings) {
    return !unsavedList.empty() && settings.noConfirm == 0;
}

std::string SaveQuestionText(std::string_view unsavedList) {
    return "下記の未保存の画像があります。全て保存しますか？\r\n\r\nNo = " + std::string(unsavedList);
}

std::string NoticeText(std::string_view message, int32_t milliseconds) {
    return std::string(message) + '\x01' + std::to_string(milliseconds);
}

Notice ParseNoticeText(std::string_view text) {
    Notice notice;
    const size_t split = text.find('\x01');
    notice.message = std::string(text.substr(0, split));
    if (split != std::string_view::npos) notice.milliseconds = LeadingInt32(text.substr(split + 1));
    return notice;
}

int32_t NoticeHeightTwips(int32_t labelTop, std::string_view message) {
    int64_t breaks = 0;
    for (size_t at = message.find("\r\n"); at != std::string_view::npos; at = message.find("\r\n", at + 2)) ++breaks;
    const int64_t height = int64_t{labelTop} + (breaks + 1) * 500 + 200;
    return height > INT32_MAX ? INT32_MAX : static_cast<int32_t>(height);
}

int32_t TwipsPerPixel(int dotsPerInch) {
    if (dotsPerInch <= 0) return 15;
    return RoundHalfEven(1440.0 / dotsPerInch);
}

std::string HexText(uint64_t value) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(value));
    return buffer;
}

}  // namespace tessarin
