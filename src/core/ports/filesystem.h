#pragma once
// What the rules ask of the file system. Paths are UTF-8 Windows paths ("C:\a\b").

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessarin {

struct FileInfo {
    bool folder = false;
    bool hidden = false;
    bool system = false;
};

// What tells one version of a file from another without reading it.
struct FileStamp {
    uint64_t size = 0;
    uint64_t modified = 0;  // the platform's write time, in its own units
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// How a file the program writes shows in the user's folder: a file of its own bookkeeping beside
// the user's pictures is hidden, as the system hides its own thumbnail databases.
enum class FileVisibility { Shown, Hidden };

struct ListedFile {
    std::string name;  // last component only
    FileInfo info;
    FileStamp stamp;
};

// Any thread may use a file system: an implementation keeps nothing between calls, and the
// system's calls behind it are safe on any thread. A worker gives whole paths only: the current
// folder belongs to the window's thread, which changes it.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Attributes of an existing file or folder; nothing when the path does not exist.
    [[nodiscard]] virtual std::optional<FileInfo> stat(const std::string& path) const = 0;
    // Names (last component only) of the entries that match a wildcard pattern such as
    // "C:\d\a.*", with the platform's matching rules ("a.*" also matches "a").
    [[nodiscard]] virtual std::vector<std::string> list(const std::string& pattern) const = 0;
    // The same entries with their sizes and write times, from the one listing.
    [[nodiscard]] virtual std::vector<ListedFile> listFiles(const std::string& pattern) const = 0;
    // Folds "." and ".." components of a path; "" when that fails.
    [[nodiscard]] virtual std::string canonicalise(const std::string& path) const = 0;
    [[nodiscard]] virtual std::string currentFolder() const = 0;
    // The whole content of a file, or nothing when it cannot be read.
    [[nodiscard]] virtual std::optional<std::string> readFile(const std::string& path) const = 0;
    // Writes a complete new content: a temporary file beside the target first, then the
    // target replaced by it. On failure the old target is left as it was. The new file shows as
    // asked, whatever the old one did.
    [[nodiscard]] virtual bool replaceFile(const std::string& path, const std::string& bytes,
                                           FileVisibility visibility = FileVisibility::Shown) = 0;
    [[nodiscard]] virtual bool createFolder(const std::string& path) = 0;
};

}  // namespace tessarin
