// Cache files: never a crash, and whatever is accepted is written back byte for byte.
//
// The first byte of an input chooses how the rest is taken: odd, its last four bytes become the
// checksum of the bytes before them, so that mutations of a valid file reach the parser behind
// the checksum (a mutation that keeps a checksum right is a chance in four billion); even, as
// it is, so that damaged checksums are tried too. Valid files of the program's own making seed
// the corpus.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/files/thumbnail_cache.h"
#include "core/text/checksum.h"
#include "fuzz/fuzz_seeds.h"

namespace {

constexpr int32_t kWidth = 47;
constexpr int32_t kHeight = 33;

tessarin::Image Striped(int32_t width, int32_t height) {
    tessarin::Image image{width, height, {}};
    for (int32_t i = 0; i < width * height; ++i) image.pixels.push_back(static_cast<uint32_t>(i) * 0x010203U);
    return image;
}

std::vector<std::string> Seeds() {
    std::vector<std::string> seeds;
    tessarin::ThumbnailCache cache(kWidth, kHeight);
    const auto add = [&] {
        seeds.push_back(std::string(1, '\x01') + cache.Serialize());
        seeds.push_back(std::string(1, '\x00') + cache.Serialize());
    };
    add();
    cache.Put("a.jpg", {100, 7}, Striped(1, 1));
    add();
    cache.Put("名前.png", {5, 1ULL << 40}, Striped(kWidth, 2));
    cache.Put(std::string(1024, 'n'), {UINT64_MAX, 0}, Striped(3, kHeight));
    add();
    return seeds;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    tessarin::test::WriteSeeds(*argc, *argv, Seeds());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if ((data[0] & 1) != 0 && bytes.size() >= 4) {
        bytes.resize(bytes.size() - 4);
        const uint32_t sum = tessarin::Checksum32(bytes);
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((sum >> (8 * i)) & 0xFF));
    }
    tessarin::ThumbnailCache cache(kWidth, kHeight);
    if (cache.Parse(bytes) && cache.Serialize() != bytes) {
        // Names are unique in the file the program writes; a file with a repeated name is
        // accepted with its last entry, so it cannot come back the same.
        tessarin::ThumbnailCache again(kWidth, kHeight);
        if (!again.Parse(cache.Serialize()) || again.size() != cache.size()) __builtin_trap();
    }
    return 0;
}
