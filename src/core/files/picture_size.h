#pragma once
// How large the picture in a file is, read from its header alone, and whether the program can
// hold a picture that large. Nothing here decodes a pixel: a picture file of a few megabytes
// may declare billions of pixels, and it is refused before any decoder sees it.

#include <cstdint>
#include <optional>
#include <string>

#include "core/ports/file_bytes.h"

namespace tessarin {

struct PictureSize {
    uint32_t width = 0;
    uint32_t height = 0;
    friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// The formats whose headers are read here; Foreign is anything else (the platform's decoder
// may still know it).
enum class PictureFormat { Foreign, Png, Jpeg, Gif, Bmp };

struct PictureHeader {
    PictureFormat format = PictureFormat::Foreign;
    // Nothing for a foreign file, or a header cut short, malformed or declaring an empty picture.
    // A GIF's is the largest of its screen and every frame, which some decoders all hold at once.
    std::optional<PictureSize> size;
};

[[nodiscard]] PictureHeader ReadPictureHeader(FileBytes& file);

// Every picture is held whole as 32-bit pixels (the list, the preview, the codec's buffers).
inline constexpr uint32_t kMaxPictureSide = 32767;
inline constexpr uint64_t kMaxPicturePixels = uint64_t{1} << 26;
static_assert(kMaxPicturePixels * 4 <= INT32_MAX, "the byte count of a picture fits the 32-bit sizes GDI uses");

// Beyond what the program can hold: a side longer than kMaxPictureSide or more pixels than
// kMaxPicturePixels.
[[nodiscard]] bool IsTooLarge(PictureSize size);

// The loader's reason for a picture too large to hold: the number and the description its
// message shows.
inline constexpr long kTooLargeErrorNumber = 7;
[[nodiscard]] std::string TooLargeDescription(PictureSize size);

}  // namespace tessarin
