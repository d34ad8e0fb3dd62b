#pragma once
// The strip thumbnails of the save folder, kept in one file inside it, so that a folder the
// program has seen before lists at once without decoding a single image. A file is known by its
// name, size and write time; anything else (another size of thumbnail, a damaged or foreign
// file) is no cache at all and is built again.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/imagelist/image.h"
#include "core/ports/filesystem.h"

namespace tessarin {

// Not an image extension: the cache is never listed as an image.
inline constexpr const char* kThumbnailCacheName = "Tessarin.thumbs";

// A cache file ends with Checksum32 (four bytes, little-endian) of every byte before it.

class ThumbnailCache {
public:
    // Thumbnails are at most this large: the strip's box at the screen's scale.
    ThumbnailCache(int32_t maxWidth, int32_t maxHeight) : maxWidth_(maxWidth), maxHeight_(maxHeight) {}

    // Takes a cache file's content; false (and an empty cache) for anything but an intact file
    // written for thumbnails of this size.
    bool Parse(std::string_view bytes);
    [[nodiscard]] std::string Serialize() const;

    // Null when the file is not known in this version.
    [[nodiscard]] const Image* Find(const std::string& name, const FileStamp& stamp) const;
    // Hands the thumbnail over to the list, which holds it from then on: one copy of every
    // thumbnail is enough. The file stays known; Restore gives the thumbnail back before the
    // cache is written, and one never given back is left out of it.
    [[nodiscard]] std::optional<Image> Take(const std::string& name, const FileStamp& stamp);
    void Restore(const std::string& name, const FileStamp& stamp, const Image& thumbnail);
    // A thumbnail beyond the size, or empty, is not kept.
    void Put(const std::string& name, const FileStamp& stamp, const Image& thumbnail);
    // Forgets the files that are no longer there.
    void KeepOnly(const std::vector<std::string>& names);

    [[nodiscard]] size_t size() const { return entries_.size(); }
    // Changed since it was parsed or written.
    [[nodiscard]] bool dirty() const { return dirty_; }
    void MarkWritten() { dirty_ = false; }
    // Written again though no thumbnail changed: the file itself has to.
    void MarkChanged() { dirty_ = true; }

private:
    struct Entry {
        FileStamp stamp;
        Image thumbnail;
    };
    int32_t maxWidth_;
    int32_t maxHeight_;
    std::map<std::string, Entry> entries_;
    bool dirty_ = false;
};

}  // namespace tessarin
