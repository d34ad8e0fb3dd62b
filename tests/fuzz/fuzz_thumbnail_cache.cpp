// Arbitrary cache files: never a crash, and whatever is accepted is written back byte for byte.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/files/thumbnail_cache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    tessarin::ThumbnailCache cache(47, 33);
    if (cache.Parse(bytes) && cache.Serialize() != bytes) {
        // Names are unique in the file the program writes; a file with a repeated name is
        // accepted with its last entry, so it cannot come back the same.
        tessarin::ThumbnailCache again(47, 33);
        if (!again.Parse(cache.Serialize()) || again.size() != cache.size()) __builtin_trap();
    }
    return 0;
}
