#include "core/text/byte_fields.h"

namespace tessarin {

void PutNumber(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void PutRgbPixels(std::string& out, const Image& image) {
    const size_t start = out.size();
    out.resize(start + image.pixels.size() * 3);
    char* rgb = out.data() + start;
    for (const uint32_t pixel : image.pixels) {
        *rgb++ = static_cast<char>((pixel >> 16) & 0xFF);
        *rgb++ = static_cast<char>((pixel >> 8) & 0xFF);
        *rgb++ = static_cast<char>(pixel & 0xFF);
    }
}

bool ByteReader::Number(uint64_t& value, int bytes) {
    if (remaining() < static_cast<size_t>(bytes)) return false;
    value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<uint64_t>(static_cast<unsigned char>(bytes_[at_ + static_cast<size_t>(i)])) << (8 * i);
    at_ += static_cast<size_t>(bytes);
    return true;
}

bool ByteReader::Take(size_t count, std::string_view& out) {
    if (remaining() < count) return false;
    out = bytes_.substr(at_, count);
    at_ += count;
    return true;
}

bool ByteReader::RgbPixels(uint64_t width, uint64_t height, Image& image) {
    std::string_view rgb;
    // Sizes come from the file: checked against what is there before anything is reserved.
    if (width == 0 || height == 0 || width > remaining() || height > remaining() / width / 3 ||
        !Take(static_cast<size_t>(width * height * 3), rgb))
        return false;
    image.width = static_cast<int32_t>(width);
    image.height = static_cast<int32_t>(height);
    image.pixels.resize(static_cast<size_t>(width * height));
    const auto* from = reinterpret_cast<const unsigned char*>(rgb.data());
    for (uint32_t& pixel : image.pixels) {
        pixel = (uint32_t{from[0]} << 16) | (uint32_t{from[1]} << 8) | from[2];
        from += 3;
    }
    return true;
}

}  // namespace tessarin
