// imgctl.dll: the image codec library of the program. Its exports keep the calling
// convention and the integer widths that callers of the library are built against: paths are
// ANSI text, an image is a 32-bit handle (0 meaning none), results are 32-bit integers, non-zero
// on success. Each call taking a path has a twin ending in W that takes it as UTF-16, for names
// outside the ANSI code page. No exception leaves an export.
//
// Files written: BMP as 24 bits per pixel, bottom-up, uncompressed; JPEG as baseline JFIF at the
// requested quality (the imaging component of Wine ignores the setting and always uses its own
// default); PNG as 24-bit RGB, or 32-bit RGBA when the image carries transparency; GIF
// as one 8-bit frame with its own palette: the exact colours when there are at most 256 of them
// (the picture comes back pixel for pixel), otherwise 256 colours chosen by median cut. GIF keeps
// no transparency. A file is written only once it has been encoded in full, so a failed call
// leaves an existing target untouched.

#include <windows.h>
// These build on windows.h.
#include <objbase.h>
#include <ocidl.h>
#include <wincodec.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "codecs/imgctl/wic_codec.h"
#include "win32/handles.h"

namespace {

using tessarin::ComPtr;
using tessarin::GlobalLockGuard;
using tessarin::UniqueHandle;
using tessarin::codec::Bgr24FromBgrx;
using tessarin::codec::EncodeInMemory;
using tessarin::codec::Image;
using tessarin::codec::Pixels;
using tessarin::codec::WicSession;

constexpr short kImgctlVersion = 100;
constexpr size_t kPaletteSize = 256;

tessarin::codec::HandleTable<Image>& Images() {
    static tessarin::codec::HandleTable<Image> table;
    return table;
}

bool HasTransparency(const Image& image) {
    for (size_t i = 3; i < image.bgra.size(); i += 4) {
        if (image.bgra[i] != 0xFF) return true;
    }
    return false;
}

Pixels ToBgr24(const Image& image) { return Bgr24FromBgrx(image.bgra.data(), image.width, image.height); }

Pixels ToBgra32(const Image& image) { return Pixels{GUID_WICPixelFormat32bppBGRA, image.width * 4, image.bgra, {}}; }

std::uint32_t RgbOf(const BYTE* pixel) {
    return (std::uint32_t{pixel[2]} << 16) | (std::uint32_t{pixel[1]} << 8) | pixel[0];
}
int Channel(std::uint32_t rgb, int channel) { return static_cast<int>((rgb >> (channel * 8)) & 0xFF); }

struct ColourCount {
    std::uint32_t rgb;
    std::uint64_t count;
};

// Median cut: the box with the widest channel range is split at its weighted median until there
// are enough boxes; each box gives the weighted mean of its colours.
std::vector<std::uint32_t> MedianCut(std::vector<ColourCount> colours) {
    struct Box {
        size_t begin, end;
        int range, channel;  // the widest channel and its extent; 0 for a single colour
    };
    const auto measured = [&colours](size_t begin, size_t end) {
        Box box{begin, end, 0, 0};
        for (int c = 0; c < 3; ++c) {
            int low = 255;
            int high = 0;
            for (size_t i = begin; i < end; ++i) {
                low = std::min(low, Channel(colours[i].rgb, c));
                high = std::max(high, Channel(colours[i].rgb, c));
            }
            if (high - low > box.range) {
                box.range = high - low;
                box.channel = c;
            }
        }
        return box;
    };
    std::vector<Box> boxes{measured(0, colours.size())};
    while (boxes.size() < kPaletteSize) {
        size_t chosen = boxes.size();
        int chosenRange = 0;
        for (size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].range > chosenRange) {
                chosen = b;
                chosenRange = boxes[b].range;
            }
        }
        if (chosen == boxes.size()) break;  // every box holds a single colour
        const int chosenChannel = boxes[chosen].channel;
        const Box box = boxes[chosen];
        const auto first = colours.begin() + static_cast<std::ptrdiff_t>(box.begin);
        const auto last = colours.begin() + static_cast<std::ptrdiff_t>(box.end);
        std::sort(first, last, [chosenChannel](const ColourCount& a, const ColourCount& b) {
            return Channel(a.rgb, chosenChannel) < Channel(b.rgb, chosenChannel);
        });
        std::uint64_t total = 0;
        for (auto it = first; it != last; ++it) total += it->count;
        std::uint64_t running = 0;
        size_t split = box.begin + 1;
        for (size_t i = box.begin; i + 1 < box.end; ++i) {
            running += colours[i].count;
            split = i + 1;
            if (running * 2 >= total) break;
        }
        boxes[chosen] = measured(box.begin, split);
        boxes.push_back(measured(split, box.end));
    }
    std::vector<std::uint32_t> palette;
    for (const Box& box : boxes) {
        std::array<std::uint64_t, 3> sum{};
        std::uint64_t weight = 0;
        for (size_t i = box.begin; i < box.end; ++i) {
            for (int c = 0; c < 3; ++c) sum[static_cast<size_t>(c)] += Channel(colours[i].rgb, c) * colours[i].count;
            weight += colours[i].count;
        }
        std::uint32_t rgb = 0;
        for (int c = 0; c < 3; ++c) {
            rgb |= static_cast<std::uint32_t>((sum[static_cast<size_t>(c)] + weight / 2) / weight) << (c * 8);
        }
        palette.push_back(rgb);
    }
    return palette;
}

BYTE Nearest(const std::vector<std::uint32_t>& palette, std::uint32_t rgb) {
    size_t best = 0;
    int bestDistance = INT32_MAX;
    for (size_t i = 0; i < palette.size(); ++i) {
        int distance = 0;
        for (int c = 0; c < 3; ++c) {
            const int d = Channel(palette[i], c) - Channel(rgb, c);
            distance += d * d;
        }
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return static_cast<BYTE>(best);
}

// The exact colours when there are at most 256 of them, otherwise none.
std::unordered_map<std::uint32_t, BYTE> ExactPalette(const Image& image) {
    std::unordered_map<std::uint32_t, BYTE> index;
    for (size_t i = 0; i < image.bgra.size(); i += 4) {
        index.emplace(RgbOf(&image.bgra[i]), 0);
        if (index.size() > kPaletteSize) return {};
    }
    return index;
}

// A picture of many colours is reduced on a grid of 64 levels per channel first: the median cut
// then works on at most 2^18 cells (each standing for the mean of its pixels) instead of millions
// of colours, and every pixel takes the palette entry nearest to its cell.
constexpr int kCellBits = 6;
size_t CellOf(std::uint32_t rgb) {
    constexpr int shift = 8 - kCellBits;
    return ((rgb >> (16 + shift)) << (2 * kCellBits)) | (((rgb >> (8 + shift)) & 0x3F) << kCellBits) |
           ((rgb & 0xFF) >> shift);
}

Pixels ToIndexed8(const Image& image) {
    const size_t pixelCount = size_t{image.width} * image.height;
    std::vector<BYTE> indices(pixelCount);
    std::vector<std::uint32_t> palette;
    std::unordered_map<std::uint32_t, BYTE> exact = ExactPalette(image);
    if (!exact.empty()) {
        // Ascending colour order: the same picture always gives the same file.
        std::vector<std::uint32_t> colours;
        colours.reserve(exact.size());
        for (const auto& entry : exact) colours.push_back(entry.first);
        std::sort(colours.begin(), colours.end());
        palette.reserve(colours.size());
        for (const std::uint32_t rgb : colours) {
            exact[rgb] = static_cast<BYTE>(palette.size());
            palette.push_back(rgb);
        }
        for (size_t i = 0; i < pixelCount; ++i) indices[i] = exact[RgbOf(&image.bgra[i * 4])];
    } else {
        struct Cell {
            std::uint64_t count = 0;
            std::array<std::uint64_t, 3> sum{};
        };
        std::vector<Cell> cells(size_t{1} << (3 * kCellBits));
        for (size_t i = 0; i < pixelCount; ++i) {
            const std::uint32_t rgb = RgbOf(&image.bgra[i * 4]);
            Cell& cell = cells[CellOf(rgb)];
            ++cell.count;
            for (int c = 0; c < 3; ++c) cell.sum[static_cast<size_t>(c)] += static_cast<std::uint64_t>(Channel(rgb, c));
        }
        std::vector<ColourCount> colours;
        std::vector<std::uint32_t> mean(cells.size(), 0);
        for (size_t at = 0; at < cells.size(); ++at) {
            const Cell& cell = cells[at];
            if (cell.count == 0) continue;
            for (int c = 0; c < 3; ++c) {
                mean[at] |= static_cast<std::uint32_t>((cell.sum[static_cast<size_t>(c)] + cell.count / 2) / cell.count)
                            << (c * 8);
            }
            colours.push_back({mean[at], cell.count});
        }
        palette = MedianCut(std::move(colours));
        std::vector<BYTE> nearest(cells.size(), 0);
        for (size_t at = 0; at < cells.size(); ++at) {
            if (cells[at].count != 0) nearest[at] = Nearest(palette, mean[at]);
        }
        for (size_t i = 0; i < pixelCount; ++i) indices[i] = nearest[CellOf(RgbOf(&image.bgra[i * 4]))];
    }

    Pixels out{GUID_WICPixelFormat8bppIndexed, (image.width + 3) & ~3U, {}, {}};
    out.data.assign(size_t{out.stride} * image.height, 0);
    for (size_t y = 0; y < image.height; ++y) {
        std::copy_n(indices.begin() + static_cast<std::ptrdiff_t>(y * image.width), image.width,
                    out.data.begin() + static_cast<std::ptrdiff_t>(y * out.stride));
    }
    for (const std::uint32_t rgb : palette) out.palette.push_back(0xFF000000U | rgb);
    return out;
}

bool WriteWholeFile(const std::wstring& path, const void* data, size_t size) {
    if (size > MAXDWORD) return false;
    bool written = false;
    {
        const UniqueHandle file(
            ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        DWORD count = 0;
        written = ::WriteFile(file.get(), data, static_cast<DWORD>(size), &count, nullptr) != FALSE && count == size;
    }
    if (!written) ::DeleteFileW(path.c_str());  // no half-written image is left behind
    return written;
}

// Encodes into memory first and writes the target only when that succeeded.
bool Encode(IWICImagingFactory* factory, const GUID& container, const Pixels& pixels, const Image& image,
            float jpegQuality, const std::wstring& target) {
    return EncodeInMemory(factory, container, pixels, image.width, image.height, jpegQuality,
                          [&target](const void* data, size_t size) { return WriteWholeFile(target, data, size); });
}

enum class Format { Bmp, Jpeg, Png, Gif };

int Save(const std::wstring& target, int dib, Format format, int quality) {
    try {
        const std::shared_ptr<Image> image = Images().Find(dib);
        if (!image || target.empty()) return 0;
        const WicSession session;
        if (session.factory() == nullptr) return 0;
        switch (format) {
            case Format::Bmp:
                return Encode(session.factory(), GUID_ContainerFormatBmp, ToBgr24(*image), *image, 0, target) ? 1 : 0;
            case Format::Jpeg: {
                const float level = static_cast<float>(std::clamp(quality, 1, 100)) / 100.0F;
                return Encode(session.factory(), GUID_ContainerFormatJpeg, ToBgr24(*image), *image, level, target) ? 1
                                                                                                                   : 0;
            }
            case Format::Png: {
                const Pixels pixels = HasTransparency(*image) ? ToBgra32(*image) : ToBgr24(*image);
                return Encode(session.factory(), GUID_ContainerFormatPng, pixels, *image, 0, target) ? 1 : 0;
            }
            case Format::Gif:
                return Encode(session.factory(), GUID_ContainerFormatGif, ToIndexed8(*image), *image, 0, target) ? 1
                                                                                                                 : 0;
        }
        return 0;
    } catch (...) {
        return 0;  // out of memory
    }
}

// The ANSI exports read their paths in the system's code page; a path that has no form there
// cannot be named through them, which is why the program itself uses the wide ones.
std::wstring Wide(const char* path) {
    std::wstring wide;
    return tessarin::codec::AnsiPathToWide(path, wide) ? wide : std::wstring();
}

std::wstring Wide(const wchar_t* path) { return path != nullptr ? std::wstring(path) : std::wstring(); }

int Load(const std::wstring& source) {
    try {
        if (source.empty()) return 0;
        auto image = std::make_shared<Image>();
        {
            const WicSession session;
            if (session.factory() == nullptr || !tessarin::codec::DecodeFile(session.factory(), source, *image)) {
                return 0;
            }
        }
        return Images().Add(std::move(image));
    } catch (...) {
        return 0;
    }
}

}  // namespace

extern "C" short WINAPI ImgctlVersion(void) { return kImgctlVersion; }

// Reads any image file the system's imaging component can decode (first frame). 0 on failure.
extern "C" int WINAPI ToDIB(const char* path) { return Load(Wide(path)); }
extern "C" int WINAPI ToDIBW(const wchar_t* path) { return Load(Wide(path)); }

extern "C" int WINAPI DIBtoBMP(const char* path, int dib) { return Save(Wide(path), dib, Format::Bmp, 0); }
extern "C" int WINAPI DIBtoBMPW(const wchar_t* path, int dib) { return Save(Wide(path), dib, Format::Bmp, 0); }

// quality: 1 to 100 (values outside are clamped), 100 the best. reserved: no meaning yet; pass 0.
extern "C" int WINAPI DIBtoJPG(const char* path, int dib, int quality, int reserved) {
    static_cast<void>(reserved);
    return Save(Wide(path), dib, Format::Jpeg, quality);
}
extern "C" int WINAPI DIBtoJPGW(const wchar_t* path, int dib, int quality, int reserved) {
    static_cast<void>(reserved);
    return Save(Wide(path), dib, Format::Jpeg, quality);
}

// reserved: no meaning yet; pass 0.
extern "C" int WINAPI DIBtoPNG(const char* path, int dib, int reserved) {
    static_cast<void>(reserved);
    return Save(Wide(path), dib, Format::Png, 0);
}
extern "C" int WINAPI DIBtoPNGW(const wchar_t* path, int dib, int reserved) {
    static_cast<void>(reserved);
    return Save(Wide(path), dib, Format::Png, 0);
}

// reserved: no meaning yet; pass 0.
extern "C" int WINAPI DIBtoGIF(const char* path, int dib, int reserved) {
    static_cast<void>(reserved);
    return Save(Wide(path), dib, Format::Gif, 0);
}
extern "C" int WINAPI DIBtoGIFW(const wchar_t* path, int dib, int reserved) {
    static_cast<void>(reserved);
    return Save(Wide(path), dib, Format::Gif, 0);
}

// Unknown handles (0 included) are ignored.
extern "C" void WINAPI DeleteDIB(int dib) {
    try {
        Images().Remove(dib);
    } catch (...) {
        // std::mutex can only fail on a broken system; nothing to release then
    }
}
