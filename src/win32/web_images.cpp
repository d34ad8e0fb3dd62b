#include "win32/web_images.h"

#include <windows.h>
// These build on windows.h.
#include <wininet.h>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "codecs/imgctl/wic_codec.h"
#include "win32/gdiplus_flat.h"
#include "win32/handles.h"
#include "win32/image_files.h"
#include "win32/messages.h"
#include "win32/wide.h"

namespace tessarin {

namespace {

namespace gp = gdiplus_flat;

constexpr DWORD kChunkBytes = 1024;

// The GDI+ image formats differ only in their first field: b96b3cXX-0728-11d3-9d7b-0000f81ef32e.
struct FormatWord {
    unsigned long data1;
    const char* word;
};
constexpr std::array<FormatWord, 8> kFormats{{{0xb96b3cab, "BMP"},
                                              {0xb96b3cac, "EMF"},
                                              {0xb96b3cad, "WMF"},
                                              {0xb96b3cae, "JPEG"},
                                              {0xb96b3caf, "PNG"},
                                              {0xb96b3cb0, "GIF"},
                                              {0xb96b3cb1, "TIFF"},
                                              {0xb96b3cb5, "ICO"}}};
constexpr GUID kFormatTail{0, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

using GdiplusSession = gp::Session;
using GdipImage = gp::Image;

std::string ErrorWord(int status) { return "Error:" + std::to_string(status); }
constexpr gp::Status kInvalidParameter = 2;
constexpr gp::Status kOutOfMemory = 3;

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != FALSE &&
           written == bytes.size();
}

// One download shared by the worker that runs it and the thread that waits for it; the waiter
// may give up on a worker that no data reaches any more and leave it behind.
struct Transfer {
    std::wstring url;
    std::wstring path;
    DownloadLimits limits;
    std::atomic<uint64_t> lastProgress{GetTickCount64()};
    std::atomic<bool> opened{false};
    std::mutex finishing;    // held while the file is written, and while the waiter gives up
    bool abandoned = false;  // the waiter gave up first: nothing is written
    bool committed = false;  // the file is in place: too late to give up
    bool result = false;
};

// An HTTP answer must be a success; other schemes have no status and count by their body.
// `announced` receives the length the answer announced, if it did.
bool Succeeded(HINTERNET request, uint64_t maxBytes, std::optional<uint64_t>& announced) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) == FALSE) {
        return true;
    }
    if (status < 200 || status > 299) return false;
    // A length announced beyond the limit is refused before anything is read.
    DWORD length = 0;
    size = sizeof length;
    if (HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr) != FALSE) {
        announced = length;
        if (length > maxBytes) return false;
    }
    return true;
}

// The body in memory, 1024 bytes at a time; nothing on a read error or beyond the size limit.
std::optional<std::string> ReadBody(HINTERNET request, Transfer& transfer) {
    std::array<char, kChunkBytes> chunk{};
    std::string body;
    while (true) {
        DWORD read = 0;
        if (InternetReadFile(request, chunk.data(), kChunkBytes, &read) == FALSE) return std::nullopt;
        if (read == 0) return body;
        if (body.size() + read > transfer.limits.maxBytes) return std::nullopt;
        body.append(chunk.data(), read);
        transfer.lastProgress = GetTickCount64();
    }
}

// Only a whole body is written: beside the target first, renamed at the end, so the target
// appears whole or not at all, and never after the waiter gave up.
bool WriteFileWhole(const std::string& body, Transfer& transfer) {
    const std::lock_guard lock(transfer.finishing);
    if (transfer.abandoned) return false;
    // Named for this program: another one downloading the same name writes a file of its own.
    const std::wstring partial = transfer.path + L"." + std::to_wstring(GetCurrentProcessId()) + L".download";
    bool written = false;
    {
        const UniqueHandle file(
            CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        written = WriteAll(file.get(), body);
    }
    if (written && MoveFileExW(partial.c_str(), transfer.path.c_str(), 0) != FALSE) {
        transfer.committed = true;
        return true;
    }
    DeleteFileW(partial.c_str());
    return false;
}

bool Download(Transfer& transfer) {
    const DownloadLimits& limits = transfer.limits;
    const InternetHandle session(InternetOpenW(kDownloadAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session) return false;
    DWORD connect = limits.connectTimeoutMs;
    DWORD receive = limits.receiveTimeoutMs;
    (void)InternetSetOptionW(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    (void)InternetSetOptionW(session.get(), INTERNET_OPTION_SEND_TIMEOUT, &receive, sizeof receive);
    (void)InternetSetOptionW(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
    (void)InternetSetOptionW(session.get(), INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &receive, sizeof receive);
    const InternetHandle request(
        InternetOpenUrlW(session.get(), transfer.url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0));
    if (!request) return false;
    transfer.lastProgress = GetTickCount64();
    transfer.opened = true;
    std::optional<uint64_t> announced;
    if (!Succeeded(request.get(), limits.maxBytes, announced)) return false;
    const std::optional<std::string> body = ReadBody(request.get(), transfer);
    // A connection that closes early ends the body like its end would: the announced length
    // tells a broken-off download from a whole one.
    if (!body || (announced && body->size() != *announced)) return false;
    return WriteFileWhole(*body, transfer);
}

}  // namespace

// WinINet's own timeouts do not hold everywhere (Wine's requests wait for a body without end),
// so the transfer runs on a worker thread and is given up when no data has come for the
// receive timeout (before the answer: connect and receive timeouts). A worker given up on
// writes nothing; it ends when its connection does.
bool DownloadToFile(const std::wstring& url, const std::wstring& path, const DownloadLimits& limits,
                    WhileWaiting whileWaiting) {
    auto transfer = std::make_shared<Transfer>();
    transfer->url = url;
    transfer->path = path;
    transfer->limits = limits;
    const auto timeLeft = [transfer] {
        const DownloadLimits& l = transfer->limits;
        const uint64_t allowed =
            transfer->opened ? uint64_t{l.receiveTimeoutMs} : uint64_t{l.connectTimeoutMs} + l.receiveTimeoutMs;
        const uint64_t quiet = GetTickCount64() - transfer->lastProgress;
        return quiet < allowed ? allowed - quiet : 0;
    };
    const auto giveUp = [transfer] {
        const std::lock_guard lock(transfer->finishing);
        if (transfer->committed) return false;
        transfer->abandoned = true;
        return true;
    };
    return CallWithDeadline([transfer] { transfer->result = Download(*transfer); }, timeLeft, whileWaiting, giveUp) &&
           transfer->result;
}

std::string ImageFormatOfFile(const std::wstring& path) {
    // GDI+ decodes the whole picture as it loads it (Wine's does): a body of a few megabytes from
    // any page may declare billions of pixels, so its header is read first.
    {
        const codec::WicSession wic;
        UniqueHandle file;
        if (const auto failure = OpenPictureFile(wic.factory(), path, file))
            return ErrorWord(failure->tooLarge ? kOutOfMemory : kInvalidParameter);
    }
    const GdiplusSession session;
    if (session.status() != 0) return ErrorWord(session.status());
    GdipImage image;
    gp::GpImage* loaded = nullptr;
    const int loadStatus = gp::GdipLoadImageFromFile(path.c_str(), &loaded);
    image.reset(loaded);
    if (loadStatus != 0) return ErrorWord(loadStatus);
    GUID format{};
    const int formatStatus = gp::GdipGetImageRawFormat(image.get(), &format);
    if (formatStatus != 0) return ErrorWord(formatStatus);
    GUID tail = format;
    tail.Data1 = 0;
    if (IsEqualGUID(tail, kFormatTail)) {
        for (const FormatWord& known : kFormats) {
            if (known.data1 == format.Data1) return known.word;
        }
    }
    return "Unknown";
}

WinWebImages::WinWebImages(Picture& picture, const std::wstring& pngLibraryPath, DownloadLimits limits)
    : picture_(picture), png_(pngLibraryPath), limits_(limits) {}

// The window stays painted and answering while the download waits for the network. The run
// loop does not start another pass meanwhile (it is guarded against re-entry).
bool WinWebImages::DownloadToFile(const std::string& url, const std::string& path) {
    return tessarin::DownloadToFile(Utf8ToWide(url), Utf8ToWide(path), limits_, WhileWaiting::RunAll);
}

std::string WinWebImages::ImageFormatOfFile(const std::string& path) {
    return tessarin::ImageFormatOfFile(Utf8ToWide(path));
}

bool WinWebImages::loadPicture(const std::string& path, bool png) {
    const std::wstring wide = Utf8ToWide(path);
    if (png) return png_.LoadPngPicture(wide, picture_);
    return !LoadPicture(wide, picture_).has_value();
}

bool WinWebImages::fileExists(const std::string& path) const {
    const DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void WinWebImages::removeFile(const std::string& path) { DeleteFileW(Utf8ToWide(path).c_str()); }

bool WinWebImages::renameFile(const std::string& from, const std::string& to) {
    return MoveFileExW(Utf8ToWide(from).c_str(), Utf8ToWide(to).c_str(), 0) != FALSE;
}

LocalTime WinWebImages::localTime() const {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

}  // namespace tessarin
