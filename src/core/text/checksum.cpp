#include "core/text/checksum.h"

#include <cstddef>

namespace tessarin {

uint32_t Checksum32(std::string_view bytes) {
    uint64_t hash = 14695981039346656037ULL;
    size_t at = 0;
    for (; at + 8 <= bytes.size(); at += 8) {
        uint64_t word = 0;
        for (size_t k = 0; k < 8; ++k)
            word |= static_cast<uint64_t>(static_cast<unsigned char>(bytes[at + k])) << (8 * k);
        hash = (hash ^ word) * 1099511628211ULL;
    }
    for (; at < bytes.size(); ++at) hash = (hash ^ static_cast<unsigned char>(bytes[at])) * 1099511628211ULL;
    return static_cast<uint32_t>(hash ^ (hash >> 32));
}

}  // namespace tessarin
