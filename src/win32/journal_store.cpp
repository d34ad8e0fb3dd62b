#include "win32/journal_store.h"

#include <objbase.h>
#include <wincodec.h>

#include <exception>
#include <memory>
#include <new>

#include "codecs/imgctl/wic_codec.h"
#include "core/files/picture_size.h"
#include "win32/filesystem.h"
#include "win32/wide.h"

namespace tessarin {

namespace {

std::wstring LockPath(const std::string& folder) { return Utf8ToWide(folder + "\\lock"); }

// The calling thread at another priority for a scope, and back at its own after it.
class ThreadPriorityScope {
public:
    explicit ThreadPriorityScope(int priority) : old_(::GetThreadPriority(::GetCurrentThread())) {
        ::SetThreadPriority(::GetCurrentThread(), priority);
    }
    ThreadPriorityScope(const ThreadPriorityScope&) = delete;
    ThreadPriorityScope& operator=(const ThreadPriorityScope&) = delete;
    ~ThreadPriorityScope() {
        if (old_ != THREAD_PRIORITY_ERROR_RETURN) ::SetThreadPriority(::GetCurrentThread(), old_);
    }

private:
    int old_;
};

}  // namespace

// Opened without sharing: while this program runs, no other can open, replace or remove it, and
// its folder cannot be removed. The system closes it when the program ends, however it ends.
bool WinJournalStore::lock(const std::string& folder) {
    if (locks_.contains(folder)) return true;
    UniqueHandle file(::CreateFileW(LockPath(folder).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    locks_.emplace(folder, std::move(file));
    return true;
}

void WinJournalStore::unlock(const std::string& folder) {
    const auto it = locks_.find(folder);
    if (it == locks_.end()) return;
    locks_.erase(it);
    ::DeleteFileW(LockPath(folder).c_str());
}

JournalStore::Made WinJournalStore::makeFolder(const std::string& path) {
    const std::wstring wide = Utf8ToWide(path);
    if (::CreateDirectoryW(wide.c_str(), nullptr)) return Made::New;
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Made::Existed
                                                                                                 : Made::Failed;
}

void WinJournalStore::removeFolder(const std::string& path) { ::RemoveDirectoryW(Utf8ToWide(path).c_str()); }

std::vector<JournalStore::Listed> WinJournalStore::list(const std::string& folder) const {
    std::vector<Listed> listed;
    for (const ListedFile& file : fs_.listFiles(folder + "\\*")) listed.push_back({file.name, file.info.folder});
    return listed;
}

std::optional<std::string> WinJournalStore::read(const std::string& path) const { return fs_.readFile(path); }

bool WinJournalStore::write(const std::string& path, std::string_view bytes) {
    return WriteWholeFile(Utf8ToWide(path), bytes);
}

// Through to the disk, so that the name never stands for a file the power cut took back.
bool WinJournalStore::rename(const std::string& from, const std::string& to, bool replace) {
    return ::MoveFileExW(Utf8ToWide(from).c_str(), Utf8ToWide(to).c_str(),
                         MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0)) != FALSE;
}

bool WinJournalStore::remove(const std::string& path) {
    const std::wstring wide = Utf8ToWide(path);
    return ::DeleteFileW(wide.c_str()) || ::GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES;
}

// 24-bit PNG: the capture's pixels carry no alpha. Without filtering, the quickest the encoder
// offers (about a third less time for a sixth more bytes on a screenful). On the worker, with COM of
// its own for the call, and below the window's priority: a capture made meanwhile comes first.
std::optional<std::string> WinJournalStore::encodePicture(const Image& image) const {
    if (image.Empty()) return std::nullopt;
    const ThreadPriorityScope yielding(THREAD_PRIORITY_BELOW_NORMAL);
    try {
        const codec::WicSession session(COINIT_MULTITHREADED);
        if (session.factory() == nullptr) return std::nullopt;
        const auto width = static_cast<UINT>(image.width);
        const auto height = static_cast<UINT>(image.height);
        const codec::Pixels pixels =
            codec::Bgr24FromBgrx(reinterpret_cast<const BYTE*>(image.pixels.data()), width, height);
        std::string encoded;
        if (!codec::EncodeInMemory(
                session.factory(), GUID_ContainerFormatPng, pixels, width, height, 0.0F,
                [&encoded](const void* data, size_t size) {
                    encoded.assign(static_cast<const char*>(data), size);
                    return true;
                },
                WICPngFilterNone))
            return std::nullopt;
        return encoded;
    } catch (const std::exception&) {
        return std::nullopt;  // out of memory: the capture stays where it is
    }
}

SharedImage WinJournalStore::decodePicture(std::string_view bytes) const {
    if (bytes.empty() || bytes.size() > MAXDWORD) return nullptr;
    try {
        const codec::WicSession session(COINIT_MULTITHREADED);
        IWICImagingFactory* factory = session.factory();
        ComPtr<IWICStream> stream;
        ComPtr<IWICBitmapDecoder> decoder;
        ComPtr<IWICBitmapFrameDecode> frame;
        ComPtr<IWICFormatConverter> converter;
        UINT width = 0;
        UINT height = 0;
        if (factory == nullptr || FAILED(factory->CreateStream(stream.put())) ||
            FAILED(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                                                static_cast<DWORD>(bytes.size()))) ||
            FAILED(factory->CreateDecoderFromStream(stream.get(), &GUID_ContainerFormatPng,
                                                    WICDecodeMetadataCacheOnDemand, decoder.put())) ||
            FAILED(decoder->GetFrame(0, frame.put())) || FAILED(frame->GetSize(&width, &height)) || width == 0 ||
            height == 0 || IsTooLarge({width, height}) || FAILED(factory->CreateFormatConverter(converter.put())) ||
            FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr,
                                         0.0, WICBitmapPaletteTypeCustom)))
            return nullptr;
        auto image = std::make_shared<Image>();
        image->width = static_cast<int32_t>(width);
        image->height = static_cast<int32_t>(height);
        image->pixels.resize(size_t{width} * height);
        // Blue, green, red and a byte left out: the layout of the core's pixels in memory.
        if (FAILED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(image->pixels.size() * 4),
                                         reinterpret_cast<BYTE*>(image->pixels.data()))))
            return nullptr;
        for (uint32_t& pixel : image->pixels) pixel &= 0xFFFFFF;
        return image;
    } catch (const std::exception&) {
        return nullptr;
    }
}

int64_t SystemClock::now() const {
    FILETIME time{};
    ::GetSystemTimeAsFileTime(&time);
    const uint64_t ticks = (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    constexpr uint64_t kTicksPerSecond = 10000000;
    constexpr uint64_t kFrom1601To1970 = 11644473600ULL;
    return static_cast<int64_t>(ticks / kTicksPerSecond) - static_cast<int64_t>(kFrom1601To1970);
}

}  // namespace tessarin
