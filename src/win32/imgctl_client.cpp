#include "win32/imgctl_client.h"

#include <algorithm>
#include <initializer_list>

#include "core/text/paths.h"
#include "core/text/text.h"
#include "win32/codepage.h"
#include "win32/error.h"
#include "win32/handles.h"
#include "win32/wide.h"

namespace tessarin {

namespace {

using ImgctlVersionFn = short(WINAPI*)();

// Through the generic function pointer type, the one cast the compiler accepts between
// unrelated function types without a warning.
template <typename Fn>
Fn As(FARPROC proc) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

ImgctlVersionResult Failure(DWORD code) {
    ImgctlVersionResult result;
    result.errorNumber = code;
    result.description = FormatErrorMessage(code);
    return result;
}

}  // namespace

ImgctlVersionResult QueryImgctlVersion(const std::wstring& dllPath) {
    const ModuleHandle library(::LoadLibraryW(dllPath.c_str()));
    if (!library) return Failure(::GetLastError());
    const FARPROC proc = ::GetProcAddress(library.get(), "ImgctlVersion");
    if (proc == nullptr) return Failure(::GetLastError());
    const auto version = As<ImgctlVersionFn>(proc);
    ImgctlVersionResult result;
    result.ok = true;
    result.version = version();
    return result;
}

ImgctlLibrary::ImgctlLibrary(const std::wstring& dllPath) : library_(::LoadLibraryW(dllPath.c_str())) {
    if (!library_) return;
    const auto all = [this](std::initializer_list<const char*> names) {
        std::array<FARPROC, 5> calls{};
        size_t i = 0;
        for (const char* name : names) calls[i++] = ::GetProcAddress(library_.get(), name);
        const bool complete = std::all_of(calls.begin(), calls.end(), [](FARPROC proc) { return proc != nullptr; });
        return complete ? calls : std::array<FARPROC, 5>{};
    };
    deleteDib_ = As<DeleteDibFn>(::GetProcAddress(library_.get(), "DeleteDIB"));
    // Usable only as a whole: a library without one of its calls is treated as missing.
    if (deleteDib_ == nullptr) return;
    narrow_ = all({"ToDIB", "DIBtoBMP", "DIBtoJPG", "DIBtoPNG", "DIBtoGIF"});
    if (ok()) wide_ = all({"ToDIBW", "DIBtoBMPW", "DIBtoJPGW", "DIBtoPNGW", "DIBtoGIFW"});
}

namespace {

// One conversion through calls of either width: read the bitmap file, write the target, free
// the image.
template <typename Char>
bool Convert(const std::string& extension, const std::basic_string<Char>& target, const std::basic_string<Char>& bitmap,
             const std::array<FARPROC, 5>& calls, void(WINAPI* deleteDib)(int)) {
    using ToDibFn = int(WINAPI*)(const Char*);
    using BmpFn = int(WINAPI*)(const Char*, int);
    using JpgFn = int(WINAPI*)(const Char*, int, int, int);
    using PngFn = int(WINAPI*)(const Char*, int, int);
    const int dib = As<ToDibFn>(calls[0])(bitmap.c_str());
    if (dib == 0) return false;
    int written = 0;
    if (extension == "bmp") written = As<BmpFn>(calls[1])(target.c_str(), dib);
    if (extension == "jpg") written = As<JpgFn>(calls[2])(target.c_str(), dib, 100, 0);
    if (extension == "png") written = As<PngFn>(calls[3])(target.c_str(), dib, 0);
    if (extension == "gif") written = As<PngFn>(calls[4])(target.c_str(), dib, 0);
    deleteDib(dib);
    return written != 0;
}

}  // namespace

bool ImgctlLibrary::SaveByExtension(const std::string& target, const std::string& bitmapFile) const {
    if (!ok()) return false;
    const std::string extension = AsciiLower(GetExtension(target));
    if (extension != "bmp" && extension != "jpg" && extension != "png" && extension != "gif") return false;
    if (wide_[0] != nullptr) return Convert(extension, Utf8ToWide(target), Utf8ToWide(bitmapFile), wide_, deleteDib_);
    const AnsiCodePage ansi;
    return Convert(extension, ansi.fromUtf8(target), ansi.fromUtf8(bitmapFile), narrow_, deleteDib_);
}

}  // namespace tessarin
