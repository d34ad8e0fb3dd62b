#include "win32/web_images.h"

#include <windows.h>
// These build on windows.h.
#include <wininet.h>

#include <array>
#include <thread>
#include <utility>

#include "win32/handles.h"
#include "win32/messages.h"
#include "win32/wide.h"

// The GDI+ calls of format detection, declared as gdiplus.dll exports them. A status of 0 is
// success.
namespace tessarin::gdiplus_format {

struct GpImage;
struct StartupInput {
    UINT32 GdiplusVersion;
    void* DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};

extern "C" {
int WINAPI GdiplusStartup(ULONG_PTR* token, const StartupInput* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
int WINAPI GdipLoadImageFromFile(const WCHAR* filename, GpImage** image);
int WINAPI GdipGetImageRawFormat(GpImage* image, GUID* format);
int WINAPI GdipDisposeImage(GpImage* image);
}

}  // namespace tessarin::gdiplus_format

namespace tessarin {

namespace {

namespace gp = gdiplus_format;

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

struct GdipImageTraits {
    using Handle = gp::GpImage*;
    static Handle Empty() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { gp::GdipDisposeImage(h); }
};
using GdipImage = UniqueResource<GdipImageTraits>;

class GdiplusSession {
public:
    GdiplusSession() {
        const gp::StartupInput input{1, nullptr, FALSE, FALSE};
        status_ = gp::GdiplusStartup(&token_, &input, nullptr);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    ~GdiplusSession() {
        if (status_ == 0) gp::GdiplusShutdown(token_);
    }
    [[nodiscard]] int status() const noexcept { return status_; }

private:
    ULONG_PTR token_ = 0;
    int status_ = -1;
};

std::string ErrorWord(int status) { return "Error:" + std::to_string(status); }

bool WriteAll(HANDLE file, const char* bytes, DWORD count) {
    DWORD written = 0;
    return WriteFile(file, bytes, count, &written, nullptr) != FALSE && written == count;
}

// The body into the open file; false on a read error or beyond the size limit.
bool CopyBody(HINTERNET request, HANDLE file, uint64_t maxBytes) {
    std::array<char, kChunkBytes> chunk{};
    uint64_t total = 0;
    while (true) {
        DWORD read = 0;
        if (InternetReadFile(request, chunk.data(), kChunkBytes, &read) == FALSE) return false;
        if (read == 0) return true;
        total += read;
        if (total > maxBytes || !WriteAll(file, chunk.data(), read)) return false;
    }
}

// An HTTP answer must be a success; other schemes have no status and count by their body.
bool Succeeded(HINTERNET request, uint64_t maxBytes) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) == FALSE) {
        return true;
    }
    if (status < 200 || status > 299) return false;
    // A length announced beyond the limit is refused before anything is read.
    DWORD length = 0;
    size = sizeof length;
    if (HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr) != FALSE &&
        length > maxBytes) {
        return false;
    }
    return true;
}

bool Download(const std::wstring& url, const std::wstring& path, const DownloadLimits& limits) {
    const InternetHandle session(InternetOpenW(kDownloadAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session) return false;
    DWORD connect = limits.connectTimeoutMs;
    DWORD receive = limits.receiveTimeoutMs;
    (void)InternetSetOptionW(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    (void)InternetSetOptionW(session.get(), INTERNET_OPTION_SEND_TIMEOUT, &receive, sizeof receive);
    (void)InternetSetOptionW(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
    (void)InternetSetOptionW(session.get(), INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &receive, sizeof receive);
    const InternetHandle request(InternetOpenUrlW(session.get(), url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0));
    if (!request) return false;
    // Wine's requests do not take the receive timeout of their session; set on the request it
    // bounds each wait for the body (on Windows it was inherited already).
    (void)InternetSetOptionW(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
    if (!Succeeded(request.get(), limits.maxBytes)) return false;
    // Written beside the target and renamed at the end: the target appears whole or not at all.
    const std::wstring partial = path + L".download";
    bool complete = false;
    {
        const UniqueHandle file(
            CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        complete = CopyBody(request.get(), file.get(), limits.maxBytes);
    }
    if (complete && MoveFileExW(partial.c_str(), path.c_str(), 0) != FALSE) return true;
    DeleteFileW(partial.c_str());
    return false;
}

}  // namespace

bool DownloadToFile(const std::wstring& url, const std::wstring& path, const DownloadLimits& limits) {
    return Download(url, path, limits);
}

std::string ImageFormatOfFile(const std::wstring& path) {
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

// The window stays painted and answering while the download waits for the network: the
// transfer runs on a worker thread and this thread handles its messages until it ends. The
// run loop does not start another pass meanwhile (it is guarded against re-entry).
bool WinWebImages::DownloadToFile(const std::string& url, const std::string& path) {
    const std::wstring wideUrl = Utf8ToWide(url);
    const std::wstring widePath = Utf8ToWide(path);
    const UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done) return tessarin::DownloadToFile(wideUrl, widePath, limits_);
    bool result = false;
    std::thread worker([&] {
        result = tessarin::DownloadToFile(wideUrl, widePath, limits_);
        SetEvent(done.get());
    });
    const HANDLE handle = done.get();
    while (MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        ProcessPendingMessages();
    }
    worker.join();
    return result;
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
