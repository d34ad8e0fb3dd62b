#include "core/journal/journal_file.h"

#include <charconv>
#include <cstdio>

#include "core/text/byte_fields.h"
#include "core/text/checksum.h"
#include "core/text/text.h"

namespace tessarin {

namespace {

// Layout, little-endian: the magic, the record (u32 length, then "key=value" lines in UTF-8, the
// values with "%", CR and LF written as %25, %0D, %0A), the thumbnail (u16 width, u16 height, its
// pixels as R, G, B bytes; 0 x 0 for none), the picture (u64 length, its bytes), and last a
// checksum (u32) of every byte before it.
constexpr std::string_view kMagic{"TSJOURNAL\x02", 10};
constexpr uint64_t kMaxThumbnailSide = 0xFFFF;
constexpr std::string_view kExtension = ".tjr";
constexpr size_t kSequenceDigits = 20;
constexpr uint32_t kMaxRecordBytes = 64 * 1024;

std::string Escaped(std::string_view value) {
    std::string out;
    for (const char c : value) {
        if (c == '%') {
            out += "%25";
        } else if (c == '\r') {
            out += "%0D";
        } else if (c == '\n') {
            out += "%0A";
        } else {
            out += c;
        }
    }
    return out;
}

std::string Unescaped(std::string_view value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 2 < value.size()) {
            const std::string_view code = value.substr(i + 1, 2);
            const char c = code == "25" ? '%' : code == "0D" ? '\r' : code == "0A" ? '\n' : '\0';
            if (c != '\0') {
                out += c;
                i += 2;
                continue;
            }
        }
        out += value[i];
    }
    return out;
}

template <typename T>
bool ParseInteger(std::string_view text, T& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

std::optional<JournalRecord> ParseRecord(std::string_view text) {
    JournalRecord record;
    bool sequence = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) return std::nullopt;
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        if (key == "sequence") {
            if (!ParseInteger(value, record.sequence)) return std::nullopt;
            sequence = true;
        } else if (key == "captured") {
            if (!ParseInteger(value, record.capturedAt)) return std::nullopt;
        } else if (key == "path") {
            record.fullPath = Unescaped(value);
        } else if (key == "window") {
            record.windowText = Unescaped(value);
        }
        // Keys of a later version are passed over.
    }
    if (!sequence) return std::nullopt;
    return record;
}

}  // namespace

std::string JournalFileBytes(const JournalRecord& record, const Image& thumbnail, std::string_view picture) {
    const std::string text = "sequence=" + std::to_string(record.sequence) + "\n" +
                             "captured=" + std::to_string(record.capturedAt) + "\n" +
                             "path=" + Escaped(record.fullPath) + "\n" + "window=" + Escaped(record.windowText) + "\n";
    std::string out(kMagic);
    PutNumber(out, text.size(), 4);
    out += text;
    const bool withThumbnail = !thumbnail.Empty() && static_cast<uint64_t>(thumbnail.width) <= kMaxThumbnailSide &&
                               static_cast<uint64_t>(thumbnail.height) <= kMaxThumbnailSide;
    PutNumber(out, withThumbnail ? static_cast<uint64_t>(thumbnail.width) : 0, 2);
    PutNumber(out, withThumbnail ? static_cast<uint64_t>(thumbnail.height) : 0, 2);
    if (withThumbnail) PutRgbPixels(out, thumbnail);
    PutNumber(out, picture.size(), 8);
    out += picture;
    PutNumber(out, Checksum32(out), 4);
    return out;
}

std::optional<JournalFile> ParseJournalFile(std::string_view bytes) {
    if (bytes.size() < kMagic.size() + 4 || !bytes.starts_with(kMagic)) return std::nullopt;
    const std::string_view body = bytes.substr(0, bytes.size() - 4);
    ByteReader trailer(bytes.substr(bytes.size() - 4));
    uint64_t sum = 0;
    if (!trailer.Number(sum, 4) || sum != Checksum32(body)) return std::nullopt;
    ByteReader in(body.substr(kMagic.size()));
    uint64_t textLength = 0;
    std::string_view text;
    if (!in.Number(textLength, 4) || textLength > kMaxRecordBytes || !in.Take(static_cast<size_t>(textLength), text))
        return std::nullopt;
    std::optional<JournalRecord> record = ParseRecord(text);
    if (!record) return std::nullopt;
    JournalFile file{std::move(*record), {}, {}};
    uint64_t width = 0;
    uint64_t height = 0;
    if (!in.Number(width, 2) || !in.Number(height, 2) ||
        ((width != 0 || height != 0) && !in.RgbPixels(width, height, file.thumbnail)))
        return std::nullopt;
    uint64_t pictureLength = 0;
    if (!in.Number(pictureLength, 8) || pictureLength != in.remaining() ||
        !in.Take(static_cast<size_t>(pictureLength), file.picture))
        return std::nullopt;
    return file;
}

std::string JournalFileName(uint64_t sequence) {
    char digits[kSequenceDigits + 1];
    std::snprintf(digits, sizeof digits, "%020llu", static_cast<unsigned long long>(sequence));
    return std::string(digits) + std::string(kExtension);
}

std::optional<uint64_t> SequenceOfJournalFile(std::string_view name) {
    if (name.size() != kSequenceDigits + kExtension.size() || !AsciiLower(name).ends_with(kExtension))
        return std::nullopt;
    uint64_t sequence = 0;
    if (!ParseInteger(name.substr(0, kSequenceDigits), sequence)) return std::nullopt;
    return sequence;
}

}  // namespace tessarin
