#pragma once
// Strip thumbnails of image files, decoded away from the window's thread: a save folder of
// thousands of files is listed at once and its thumbnails fill in afterwards.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/imagelist/image.h"
#include "core/imagelist/image_list.h"

namespace tessarin {

struct ThumbnailJob {
    EntryId id = 0;
    std::string path;  // UTF-8
};

struct DecodedThumbnail {
    EntryId id = 0;
    std::string path;
    std::optional<Image> thumbnail;  // nothing when the file could not be read
    long errorNumber = 0;
    std::string description;  // why not
    bool tooLarge = false;    // a picture beyond what the program can hold, never decoded
};

class ThumbnailDecoder {
public:
    virtual ~ThumbnailDecoder() = default;
    // Queues the files, in order; every job's result reaches the sink given to the decoder, on
    // the thread that created the decoder, as its message loop runs.
    virtual void decode(std::vector<ThumbnailJob> jobs) = 0;
    // Drops the jobs not yet started and returns without waiting: nothing more is delivered.
    virtual void cancel() = 0;
    // The end: cancels, waits up to `waitMs` for the files in hand and stops the workers; jobs
    // given later are dropped. The decoder stays usable as an object, so whoever holds it may
    // still call it. False when a worker did not stop in time: it is left behind, still using the
    // decoder, which must then live as long as the process.
    [[nodiscard]] virtual bool finish(uint32_t waitMs) = 0;
};

using ThumbnailSink = std::function<void(DecodedThumbnail)>;

}  // namespace tessarin
