#pragma once

#include "core/ports/filesystem.h"

namespace tessarin {

// The real file system through the W calls; paths arrive and leave as UTF-8.
class WinFileSystem : public FileSystem {
public:
    [[nodiscard]] std::optional<FileInfo> stat(const std::string& path) const override;
    [[nodiscard]] std::vector<std::string> list(const std::string& pattern) const override;
    [[nodiscard]] std::vector<ListedFile> listFiles(const std::string& pattern) const override;
    [[nodiscard]] std::string canonicalise(const std::string& path) const override;
    [[nodiscard]] std::string currentFolder() const override;
    [[nodiscard]] std::optional<std::string> readFile(const std::string& path) const override;
    [[nodiscard]] bool replaceFile(const std::string& path, const std::string& bytes,
                                   FileVisibility visibility = FileVisibility::Shown) override;
    [[nodiscard]] bool createFolder(const std::string& path) override;
};

}  // namespace tessarin
