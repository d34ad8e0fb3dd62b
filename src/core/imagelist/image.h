#pragma once
// A picture as plain memory: 32-bit pixels in top-down rows (0x00RRGGBB; the top byte carries
// nothing). Held by the list for captures that have no file yet, and handed between the list
// and the adapters that read, write, copy and drag images.

#include <cstdint>
#include <memory>
#include <vector>

namespace tessarin {

struct Image {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;  // width * height

    [[nodiscard]] bool Empty() const {
        return width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height);
    }
};

// Shared, so that a command that lets messages run keeps its image alive even when the entry
// is deleted meanwhile.
using SharedImage = std::shared_ptr<const Image>;

}  // namespace tessarin
