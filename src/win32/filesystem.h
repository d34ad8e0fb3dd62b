#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "core/ports/filesystem.h"

namespace tessarin {

// Makes the file new or replaces it, with those attributes, its bytes on the disk before it
// returns; a file that could not be written whole is removed again.
[[nodiscard]] bool WriteWholeFile(const std::wstring& path, std::string_view bytes,
                                  DWORD attributes = FILE_ATTRIBUTE_NORMAL);

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
