#include "win32/imgctl_client.h"

#include "core/text/paths.h"
#include "core/text/text.h"
#include "win32/codepage.h"
#include "win32/error.h"
#include "win32/handles.h"

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
    const auto get = [this](const char* name) { return ::GetProcAddress(library_.get(), name); };
    toBmp_ = get("DIBtoBMP");
    toJpg_ = get("DIBtoJPG");
    toPng_ = get("DIBtoPNG");
    toGif_ = get("DIBtoGIF");
    deleteDib_ = As<DeleteDibFn>(get("DeleteDIB"));
    // Usable only as a whole: a library without one of its calls is treated as missing.
    if (toBmp_ && toJpg_ && toPng_ && toGif_ && deleteDib_) toDib_ = As<ToDibFn>(get("ToDIB"));
}

bool ImgctlLibrary::SaveByExtension(const std::string& target, const std::string& bitmapFile) const {
    if (!ok()) return false;
    const std::string extension = AsciiLower(GetExtension(target));
    const AnsiCodePage ansi;
    const std::string targetAnsi = ansi.fromUtf8(target);
    const std::string bitmapAnsi = ansi.fromUtf8(bitmapFile);
    using BmpFn = int(WINAPI*)(const char*, int);
    using PngFn = int(WINAPI*)(const char*, int, int);
    const auto write = [&](int dib) -> int {
        if (extension == "bmp") return As<BmpFn>(toBmp_)(targetAnsi.c_str(), dib);
        if (extension == "jpg") return As<WriterFn>(toJpg_)(targetAnsi.c_str(), dib, 100, 0);
        if (extension == "png") return As<PngFn>(toPng_)(targetAnsi.c_str(), dib, 0);
        return As<PngFn>(toGif_)(targetAnsi.c_str(), dib, 0);
    };
    if (extension != "bmp" && extension != "jpg" && extension != "png" && extension != "gif") return false;
    const int dib = toDib_(bitmapAnsi.c_str());
    if (dib == 0) return false;
    const bool written = write(dib) != 0;
    deleteDib_(dib);
    return written;
}

}  // namespace tessarin
