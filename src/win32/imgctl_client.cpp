#include "win32/imgctl_client.h"

#include "win32/error.h"
#include "win32/handles.h"

namespace tessarin {

namespace {

using ImgctlVersionFn = short(WINAPI*)();

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
    // Through the generic function pointer type, the one cast the compiler accepts between
    // unrelated function types without a warning.
    const auto version = reinterpret_cast<ImgctlVersionFn>(reinterpret_cast<void (*)()>(proc));
    ImgctlVersionResult result;
    result.ok = true;
    result.version = version();
    return result;
}

}  // namespace tessarin
