#pragma once
// A file of these bytes for the rules that read files at an offset, counting its reads.

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "core/ports/file_bytes.h"

namespace tessarin::test {

struct FakeFileBytes : FileBytes {
    explicit FakeFileBytes(std::string content) : bytes(std::move(content)) {}
    std::string bytes;
    int reads = 0;
    size_t readAt(uint64_t offset, std::span<std::byte> into) override {
        ++reads;
        if (offset >= bytes.size()) return 0;
        const size_t count = std::min(into.size(), bytes.size() - static_cast<size_t>(offset));
        std::memcpy(into.data(), bytes.data() + offset, count);
        return count;
    }
};

}  // namespace tessarin::test
