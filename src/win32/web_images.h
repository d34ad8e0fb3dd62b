#pragma once

#include <cstdint>
#include <string>

#include "core/ports/browser.h"
#include "win32/deadline.h"
#include "win32/image_files.h"
#include "win32/picture.h"

namespace tessarin {

// What a download may take: the whole body is refused beyond maxBytes; the timeouts bound the
// connection and each wait for data.
struct DownloadLimits {
    unsigned long connectTimeoutMs = 15000;
    unsigned long receiveTimeoutMs = 30000;
    uint64_t maxBytes = 64ULL * 1024 * 1024;
};

// The agent text every download announces itself with.
inline constexpr const wchar_t* kDownloadAgent = L"VB6";

// Retrieves the address into the file over WinINet (always from the origin server, 1024 bytes
// at a time). True only for a success answer whose whole body, within the limits, was written:
// the body goes to a temporary file beside the target that is renamed at the end, so a failed
// download leaves nothing at either name.
[[nodiscard]] bool DownloadToFile(const std::wstring& url, const std::wstring& path, const DownloadLimits& limits,
                                  WhileWaiting whileWaiting = WhileWaiting::Wait);

// The GDI+ format word of an image file ("PNG", "JPEG" ... "Unknown", "Error:n").
[[nodiscard]] std::string ImageFormatOfFile(const std::wstring& path);

// Downloads into the save folder and the preview picture loaded from their files. The
// download runs on a worker thread while this thread keeps its windows painted.
class WinWebImages final : public WebImages {
public:
    WinWebImages(Picture& picture, const std::wstring& pngLibraryPath, DownloadLimits limits = {});

    [[nodiscard]] bool DownloadToFile(const std::string& url, const std::string& path) override;
    [[nodiscard]] std::string ImageFormatOfFile(const std::string& path) override;
    [[nodiscard]] bool loadPicture(const std::string& path, bool png) override;
    [[nodiscard]] bool fileExists(const std::string& path) const override;
    void removeFile(const std::string& path) override;
    [[nodiscard]] bool renameFile(const std::string& from, const std::string& to) override;
    [[nodiscard]] LocalTime localTime() const override;

private:
    Picture& picture_;
    PngLibrary png_;
    DownloadLimits limits_;
};

}  // namespace tessarin
