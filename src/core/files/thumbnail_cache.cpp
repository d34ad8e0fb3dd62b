#include "core/files/thumbnail_cache.h"

#include <algorithm>
#include <set>
#include <utility>

namespace tessarin {

namespace {

// Layout, little-endian: the magic, the thumbnail box (u32 width, u32 height), the entry count
// (u32), then per entry the name (u32 length, UTF-8 bytes), size (u64), write time (u64), width
// and height (u16 each) and the pixels as R, G, B bytes; last a checksum (FNV-1a, u32) of all
// bytes before it, so that a file cut short or changed by anything else is no cache. The
// checksum takes eight bytes a step (FNV-1a over little-endian words, folded to 32 bits): tens
// of megabytes are summed at every start.
constexpr std::string_view kMagic{"TSTHUMB\x02", 8};
constexpr uint32_t kMaxNameBytes = 1024;

}  // namespace

uint32_t ThumbnailCacheChecksum(std::string_view bytes) {
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

namespace {

void PutNumber(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool Number(uint64_t& value, int bytes) {
        if (remaining() < static_cast<size_t>(bytes)) return false;
        value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= static_cast<uint64_t>(static_cast<unsigned char>(bytes_[at_ + static_cast<size_t>(i)])) << (8 * i);
        at_ += static_cast<size_t>(bytes);
        return true;
    }
    bool Take(size_t count, std::string_view& out) {
        if (remaining() < count) return false;
        out = bytes_.substr(at_, count);
        at_ += count;
        return true;
    }
    [[nodiscard]] size_t remaining() const { return bytes_.size() - at_; }

private:
    std::string_view bytes_;
    size_t at_ = 0;
};

}  // namespace

bool ThumbnailCache::Parse(std::string_view bytes) {
    entries_.clear();
    dirty_ = false;
    if (bytes.size() < kMagic.size() + 16 || !bytes.starts_with(kMagic)) return false;
    const std::string_view body = bytes.substr(0, bytes.size() - 4);
    Reader trailer(bytes.substr(bytes.size() - 4));
    uint64_t sum = 0;
    if (!trailer.Number(sum, 4) || sum != ThumbnailCacheChecksum(body)) return false;

    Reader in(body.substr(kMagic.size()));
    uint64_t width = 0;
    uint64_t height = 0;
    uint64_t count = 0;
    if (!in.Number(width, 4) || !in.Number(height, 4) || !in.Number(count, 4)) return false;
    if (width != static_cast<uint64_t>(maxWidth_) || height != static_cast<uint64_t>(maxHeight_)) return false;
    std::map<std::string, Entry> entries;
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t nameLength = 0;
        std::string_view name;
        Entry entry;
        uint64_t w = 0;
        uint64_t h = 0;
        if (!in.Number(nameLength, 4) || nameLength == 0 || nameLength > kMaxNameBytes ||
            !in.Take(static_cast<size_t>(nameLength), name) || !in.Number(entry.stamp.size, 8) ||
            !in.Number(entry.stamp.modified, 8) || !in.Number(w, 2) || !in.Number(h, 2)) {
            return false;
        }
        if (w == 0 || h == 0 || w > width || h > height) return false;
        std::string_view rgb;
        if (!in.Take(static_cast<size_t>(w * h * 3), rgb)) return false;
        entry.thumbnail.width = static_cast<int32_t>(w);
        entry.thumbnail.height = static_cast<int32_t>(h);
        entry.thumbnail.pixels.resize(static_cast<size_t>(w * h));
        const auto* from = reinterpret_cast<const unsigned char*>(rgb.data());
        for (uint32_t& pixel : entry.thumbnail.pixels) {
            pixel = (uint32_t{from[0]} << 16) | (uint32_t{from[1]} << 8) | from[2];
            from += 3;
        }
        entries.insert_or_assign(std::string(name), std::move(entry));
    }
    if (in.remaining() != 0) return false;
    entries_ = std::move(entries);
    return true;
}

std::string ThumbnailCache::Serialize() const {
    size_t total = kMagic.size() + 12 + 4;
    size_t count = 0;
    for (const auto& [name, entry] : entries_) {
        if (entry.thumbnail.Empty()) continue;
        total += 4 + name.size() + 20 + entry.thumbnail.pixels.size() * 3;
        ++count;
    }
    std::string out;
    out.reserve(total);
    out += kMagic;
    PutNumber(out, static_cast<uint64_t>(maxWidth_), 4);
    PutNumber(out, static_cast<uint64_t>(maxHeight_), 4);
    PutNumber(out, count, 4);
    for (const auto& [name, entry] : entries_) {
        if (entry.thumbnail.Empty()) continue;  // taken and never given back
        PutNumber(out, name.size(), 4);
        out += name;
        PutNumber(out, entry.stamp.size, 8);
        PutNumber(out, entry.stamp.modified, 8);
        PutNumber(out, static_cast<uint64_t>(entry.thumbnail.width), 2);
        PutNumber(out, static_cast<uint64_t>(entry.thumbnail.height), 2);
        const size_t start = out.size();
        out.resize(start + entry.thumbnail.pixels.size() * 3);
        char* rgb = out.data() + start;
        for (const uint32_t pixel : entry.thumbnail.pixels) {
            *rgb++ = static_cast<char>((pixel >> 16) & 0xFF);
            *rgb++ = static_cast<char>((pixel >> 8) & 0xFF);
            *rgb++ = static_cast<char>(pixel & 0xFF);
        }
    }
    PutNumber(out, ThumbnailCacheChecksum(out), 4);
    return out;
}

const Image* ThumbnailCache::Find(const std::string& name, const FileStamp& stamp) const {
    const auto it = entries_.find(name);
    return it != entries_.end() && it->second.stamp == stamp ? &it->second.thumbnail : nullptr;
}

std::optional<Image> ThumbnailCache::Take(const std::string& name, const FileStamp& stamp) {
    const auto it = entries_.find(name);
    if (it == entries_.end() || it->second.stamp != stamp || it->second.thumbnail.Empty()) return std::nullopt;
    return std::exchange(it->second.thumbnail, Image{});
}

void ThumbnailCache::Restore(const std::string& name, const FileStamp& stamp, const Image& thumbnail) {
    const auto it = entries_.find(name);
    if (it != entries_.end() && it->second.stamp == stamp && it->second.thumbnail.Empty() &&
        thumbnail.width <= maxWidth_ && thumbnail.height <= maxHeight_)
        it->second.thumbnail = thumbnail;
}

void ThumbnailCache::Put(const std::string& name, const FileStamp& stamp, const Image& thumbnail) {
    if (thumbnail.Empty() || thumbnail.width > maxWidth_ || thumbnail.height > maxHeight_ || name.empty() ||
        name.size() > kMaxNameBytes) {
        return;
    }
    entries_.insert_or_assign(name, Entry{stamp, thumbnail});
    dirty_ = true;
}

void ThumbnailCache::KeepOnly(const std::vector<std::string>& names) {
    const std::set<std::string> keep(names.begin(), names.end());
    const size_t before = entries_.size();
    std::erase_if(entries_, [&](const auto& entry) { return !keep.contains(entry.first); });
    if (entries_.size() != before) dirty_ = true;
}

}  // namespace tessarin
