#include "win32/error.h"

#include <memory>

namespace tessarin {

namespace {

struct LocalFreeDeleter {
    void operator()(wchar_t* p) const noexcept { ::LocalFree(p); }
};

}  // namespace

std::wstring FormatErrorMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    // With ALLOCATE_BUFFER the argument is really a pointer to the pointer.
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const std::unique_ptr<wchar_t, LocalFreeDeleter> owner(buffer);
    if (length == 0 || buffer == nullptr) return {};
    std::wstring text(buffer, length);
    // System texts end in CR LF, which would leave a blank line in a message box.
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
    return text;
}

}  // namespace tessarin
