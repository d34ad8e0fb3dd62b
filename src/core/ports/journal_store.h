#pragma once
// Where the capture journal keeps its files: folders, the lock that marks a journal as a running
// program's own, files written whole, and pictures as PNG. Paths are UTF-8 Windows paths.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/imagelist/image.h"

namespace tessarin {

class JournalStore {
public:
    virtual ~JournalStore() = default;

    // ---- The window's thread only: a lock is held from one call to another ----------------
    // Takes "<folder>\lock" (made when missing) for this program alone until unlock(), or the
    // program's end, whatever ends it; false while another running program holds it, or when it
    // cannot be made.
    [[nodiscard]] virtual bool lock(const std::string& folder) = 0;
    // Lets the lock go and removes its file.
    virtual void unlock(const std::string& folder) = 0;

    // ---- Any thread: every call is on whole paths and keeps nothing --------------------------
    enum class Made { New, Existed, Failed };
    // One folder whose parent exists.
    [[nodiscard]] virtual Made makeFolder(const std::string& path) = 0;
    // Removes a folder if it is empty.
    virtual void removeFolder(const std::string& path) = 0;
    struct Listed {
        std::string name;  // last component
        bool folder = false;
    };
    // What a folder holds (nothing when it cannot be listed).
    [[nodiscard]] virtual std::vector<Listed> list(const std::string& folder) const = 0;
    [[nodiscard]] virtual std::optional<std::string> read(const std::string& path) const = 0;
    // Makes the file new or replaces it, its bytes on the disk (not in a cache) before it
    // returns; false, with nothing left under the name, when it could not be written whole.
    [[nodiscard]] virtual bool write(const std::string& path, std::string_view bytes) = 0;
    // One rename; replacing an existing file only when asked.
    [[nodiscard]] virtual bool rename(const std::string& from, const std::string& to, bool replace) = 0;
    // False when the file is still there afterwards.
    virtual bool remove(const std::string& path) = 0;

    // Lossless, so the picture comes back pixel for pixel; nothing when it cannot be encoded.
    [[nodiscard]] virtual std::optional<std::string> encodePicture(const Image& image) const = 0;
    // Null for bytes that do not decode.
    [[nodiscard]] virtual SharedImage decodePicture(std::string_view bytes) const = 0;
};

}  // namespace tessarin
