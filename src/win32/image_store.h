#pragma once
// The image list's files: pictures read with the platform decoder or mpng.dll, saves and
// thumbnail files written through imgctl.dll and GDI+.

#include <memory>
#include <string>

#include "core/ports/filesystem.h"
#include "core/ports/image_list.h"
#include "core/text/paths.h"
#include "win32/image_files.h"
#include "win32/imgctl_client.h"

namespace tessarin {

class WinImageStore final : public ImageStore {
public:
    // The codec libraries are loaded from the program folder, like any outside library.
    explicit WinImageStore(const PathContext& paths);

    [[nodiscard]] ReadResult read(const std::string& path) const override;
    [[nodiscard]] WriteOutcome write(const Image& image, const SavePlan& plan) override;
    [[nodiscard]] bool isFile(const std::string& path) const override;
    void remove(const std::string& path) override;
    bool createFolder(const std::string& path) override;
    [[nodiscard]] ThumbnailOutcome writeThumbnail(const Image& image, const std::string& target, int32_t& width,
                                                  int32_t& height, bool isStatic) override;
    void openFolder(const std::string& folder) override;
    [[nodiscard]] bool canSave() const override;

private:
    const PathContext& paths_;
    std::unique_ptr<ImgctlLibrary> codec_;
    std::unique_ptr<PngLibrary> png_;
};

}  // namespace tessarin
