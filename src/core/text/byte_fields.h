#pragma once
// The fields of the program's own binary files (the thumbnail cache, the capture journal):
// little-endian numbers, and small pictures as R, G, B bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/imagelist/image.h"

namespace tessarin {

void PutNumber(std::string& out, uint64_t value, int bytes);
// The pixels row by row, three bytes each (the unused top byte is left out).
void PutRgbPixels(std::string& out, const Image& image);

// Reads fields off the front of bytes it does not own; every call fails rather than read past
// their end.
class ByteReader {
public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}
    [[nodiscard]] bool Number(uint64_t& value, int bytes);
    [[nodiscard]] bool Take(size_t count, std::string_view& out);
    // A picture of width x height whose pixels follow as PutRgbPixels wrote them.
    [[nodiscard]] bool RgbPixels(uint64_t width, uint64_t height, Image& image);
    [[nodiscard]] size_t remaining() const { return bytes_.size() - at_; }

private:
    std::string_view bytes_;
    size_t at_ = 0;
};

}  // namespace tessarin
