#pragma once
// A valid PNG of an all-black RGB picture of any size, a few megabytes even for billions of
// pixels: the rows are zeros, which one deflate block of our own codes at 258 bytes in two bits.
// Written here in a fraction of a second rather than committed or compressed at every run.

#include <array>
#include <cstdint>
#include <string>

namespace tessarin::test {

namespace black_png {

// Bits as deflate takes them: numbers from their lowest bit, Huffman codes from their highest.
class BitWriter {
public:
    void Bits(uint32_t value, int count) {
        for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
    }
    void Code(uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
    }
    // Zero bits in bulk: the matches of a black picture are nothing else.
    void Zeros(uint64_t count) {
        for (; count > 0 && used_ != 0; --count) Bit(0);
        out_.append(static_cast<size_t>(count / 8), '\0');
        for (count %= 8; count > 0; --count) Bit(0);
    }
    std::string Finish() {
        if (used_ != 0) out_.push_back(static_cast<char>(current_));
        return std::move(out_);
    }
    void Reserve(size_t bytes) { out_.reserve(bytes); }

private:
    void Bit(uint32_t bit) {
        current_ |= bit << used_;
        if (++used_ == 8) {
            out_.push_back(static_cast<char>(current_));
            current_ = 0;
            used_ = 0;
        }
    }
    std::string out_;
    uint32_t current_ = 0;
    int used_ = 0;
};

inline uint32_t Crc32(const std::string& bytes, size_t from) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFU;
    for (size_t i = from; i < bytes.size(); ++i)
        crc = table[(crc ^ static_cast<unsigned char>(bytes[i])) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFU;
}

inline void Big32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

inline void Chunk(std::string& out, const char* type, const std::string& data) {
    Big32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out += type;
    out += data;
    Big32(out, Crc32(out, start));
}

// One final dynamic block with three literal/length codes: 285 (a length of 258) in one bit, the
// literal 0 and the end of the block in two; one distance code (1) in one bit.
inline std::string DeflateZeros(uint64_t count) {
    BitWriter bits;
    bits.Reserve(static_cast<size_t>(count / 1032 + 64));
    bits.Bits(1, 1);   // the last block
    bits.Bits(2, 2);   // dynamic codes
    bits.Bits(29, 5);  // 286 literal/length codes
    bits.Bits(0, 5);   // 1 distance code
    bits.Bits(14, 4);  // 18 code length codes, in their fixed order:
    // 16 17 18 0 8 7 9 6 10 5 11 4 12 3 13 2 14 1: 18 in one bit, 1 and 2 in two.
    for (const uint32_t length : {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2}) bits.Bits(length, 3);
    // Their codes: 18 -> 0, 1 -> 10, 2 -> 11.
    const auto two = [&] { bits.Code(3, 2); };
    const auto one = [&] { bits.Code(2, 2); };
    const auto zeros = [&](uint32_t n) { bits.Code(0, 1), bits.Bits(n - 11, 7); };
    // Literal/length lengths: 0 -> 2, 1..255 -> 0, 256 -> 2, 257..284 -> 0, 285 -> 1; distance 0 -> 1.
    two();
    zeros(138);
    zeros(117);
    two();
    zeros(28);
    one();
    one();
    // The codes: 285 -> 0, literal 0 -> 10, end -> 11; distance 1 -> 0.
    bits.Code(2, 2);
    bits.Zeros((count - 1) / 258 * 2);
    for (uint64_t left = (count - 1) % 258; left > 0; --left) bits.Code(2, 2);
    bits.Code(3, 2);
    return bits.Finish();
}

}  // namespace black_png

inline std::string BlackPng(uint32_t width, uint32_t height) {
    using namespace black_png;
    const uint64_t raw = uint64_t{height} * (1 + uint64_t{width} * 3);  // a filter byte and the row
    std::string header;
    Big32(header, width);
    Big32(header, height);
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits a channel, RGB
    std::string stream("\x78\x01", 2);
    stream += DeflateZeros(raw);
    // Adler-32 of zeros: the sum of ones stays 1, the sum of sums is the count.
    Big32(stream, static_cast<uint32_t>(((raw % 65521) << 16) | 1));
    std::string png("\x89PNG\r\n\x1A\n", 8);
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", stream);
    Chunk(png, "IEND", "");
    return png;
}

}  // namespace tessarin::test
