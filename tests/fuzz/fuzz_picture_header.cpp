// Picture headers: never a crash, a size only with both sides, the format its signature names,
// and the file read a window at a time however its segments and blocks are laid out.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/files/picture_size.h"
#include "fuzz/fuzz_seeds.h"
#include "support/black_png.h"
#include "support/fake_file_bytes.h"

namespace {

using namespace std::string_literals;

std::vector<std::string> Seeds() {
    const std::string jpegFrame = "\xFF\xC0\x00\x11\x08\x04\x00\x05\x00\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01"s;
    return {
        tessarin::test::BlackPng(3, 2),
        "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"s + jpegFrame + "\xFF\xD9"s,
        "GIF89a\x02\x00\x02\x00\x80\x00\x00\x00\x00\x00\xFF\xFF\xFF!\xF9\x04\x01\x00\x00\x00\x00"
        ",\x00\x00\x00\x00\x02\x00\x02\x00\x00\x02\x02\x44\x01\x00;"s,
        "BM\x3A\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00\x01\x00\x00\x00\xFF\xFF\xFF\xFF"
        "\x01\x00\x18\x00\x00\x00\x00\x00\x04\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
        "\x00\x00\x00\x00\x00\x00\x00\x00"s,
        "BM\x1A\x00\x00\x00\x00\x00\x00\x00\x1A\x00\x00\x00\x0C\x00\x00\x00\x01\x00\x01\x00\x01\x00\x18\x00"s,
    };
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    tessarin::test::WriteSeeds(*argc, *argv, Seeds());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tessarin::test::FakeFileBytes file(std::string(reinterpret_cast<const char*>(data), size));
    const tessarin::PictureHeader header = tessarin::ReadPictureHeader(file);
    if (header.size && (header.size->width == 0 || header.size->height == 0)) __builtin_trap();
    if (header.format == tessarin::PictureFormat::Foreign && header.size) __builtin_trap();
    const auto starts = [&](std::string_view signature) { return file.bytes.starts_with(signature); };
    const bool known =
        starts("\x89PNG\r\n\x1A\n") || starts("\xFF\xD8") || starts("GIF87a") || starts("GIF89a") || starts("BM");
    if (known == (header.format == tessarin::PictureFormat::Foreign)) __builtin_trap();
    // One window of 64 KB, then at most one more for each window's worth of the file and each
    // jump back: a layout of many small segments is no reason for many small reads.
    if (std::cmp_greater(file.reads, 2 + 2 * (size / 65536 + 1))) __builtin_trap();
    return 0;
}
