#pragma once
// The bytes of one open file, read at any offset: what a rule reads of a file without taking all
// of it (the header of a picture).

#include <cstddef>
#include <cstdint>
#include <span>

namespace tessarin {

class FileBytes {
public:
    virtual ~FileBytes() = default;
    // Copies up to into.size() bytes from the offset on; fewer at the end of the file, 0 past it
    // or when the file cannot be read.
    [[nodiscard]] virtual size_t readAt(uint64_t offset, std::span<std::byte> into) = 0;
};

}  // namespace tessarin
