#pragma once
// Move-only owners of operating-system resources. Copying is deleted everywhere (a copy
// would release twice); release() hands the resource over without releasing it.

#include <windows.h>
// These build on windows.h.
#include <objbase.h>
#include <ole2.h>
#include <oleauto.h>
#include <wininet.h>

#include <cstddef>
#include <utility>

namespace tessarin {

// One owner for every resource that is a single value closed by a single call.
template <typename Traits>
class UniqueResource {
public:
    using Handle = typename Traits::Handle;

    UniqueResource() noexcept = default;
    explicit UniqueResource(Handle handle) noexcept : handle_(handle) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : handle_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueResource() { reset(); }

    [[nodiscard]] Handle get() const noexcept { return handle_; }
    [[nodiscard]] bool valid() const noexcept { return Traits::Valid(handle_); }
    explicit operator bool() const noexcept { return valid(); }
    [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, Traits::Empty()); }
    void reset(Handle handle = Traits::Empty()) noexcept {
        const Handle old = std::exchange(handle_, handle);
        if (Traits::Valid(old)) Traits::Close(old);
    }

private:
    Handle handle_ = Traits::Empty();
};

namespace handle_traits {

// Kernel calls disagree on the empty value: some return NULL, others INVALID_HANDLE_VALUE.
struct Kernel {
    using Handle = HANDLE;
    static Handle Empty() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};
struct View {
    using Handle = void*;
    static Handle Empty() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::UnmapViewOfFile(h); }
};
struct Module {
    using Handle = HMODULE;
    static Handle Empty() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::FreeLibrary(h); }
};
struct Find {
    using Handle = HANDLE;
    static Handle Empty() noexcept { return INVALID_HANDLE_VALUE; }
    static bool Valid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::FindClose(h); }
};
struct Window {
    using Handle = HWND;
    static Handle Empty() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::DestroyWindow(h); }
};
struct CompatibleDc {
    using Handle = HDC;
    static Handle Empty() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::DeleteDC(h); }
};
template <typename T>
struct Gdi {
    using Handle = T;
    static Handle Empty() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
};
struct Global {
    using Handle = HGLOBAL;
    static Handle Empty() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::GlobalFree(h); }
};
struct SysString {
    using Handle = BSTR;
    static Handle Empty() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::SysFreeString(h); }
};

struct Menu {
    using Handle = HMENU;
    static Handle Empty() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::DestroyMenu(h); }
};
struct Hook {
    using Handle = HHOOK;
    static Handle Empty() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::UnhookWindowsHookEx(h); }
};
struct Internet {
    using Handle = void*;  // HINTERNET
    static Handle Empty() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::InternetCloseHandle(h); }
};
struct TaskMemory {
    using Handle = void*;
    static Handle Empty() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::CoTaskMemFree(h); }
};

}  // namespace handle_traits

using UniqueHandle = UniqueResource<handle_traits::Kernel>;
using MappedView = UniqueResource<handle_traits::View>;
using ModuleHandle = UniqueResource<handle_traits::Module>;
using FindHandle = UniqueResource<handle_traits::Find>;
using UniqueWindow = UniqueResource<handle_traits::Window>;
using UniqueMenu = UniqueResource<handle_traits::Menu>;
using MemoryDc = UniqueResource<handle_traits::CompatibleDc>;  // from CreateCompatibleDC
template <typename T>
using GdiObject = UniqueResource<handle_traits::Gdi<T>>;  // HBITMAP, HBRUSH, HPEN, HFONT, HRGN ...
// Memory from GlobalAlloc. After a successful SetClipboardData the system owns it: release().
using GlobalMemory = UniqueResource<handle_traits::Global>;
// A BSTR that a COM call handed over (out parameter: pass a BSTR, then reset() with it).
using UniqueBstr = UniqueResource<handle_traits::SysString>;
// Memory a shell or COM call handed over (an item list from the folder chooser).
using TaskMemory = UniqueResource<handle_traits::TaskMemory>;
using UniqueHook = UniqueResource<handle_traits::Hook>;
// A WinINet session or request (InternetOpen, InternetOpenUrl).
using InternetHandle = UniqueResource<handle_traits::Internet>;

// A DC from GetDC / GetWindowDC: released with ReleaseDC and the window it came from.
class WindowDc {
public:
    WindowDc() noexcept = default;
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    WindowDc(HWND window, HDC dc) noexcept : window_(window), dc_(dc) {}  // adopts a GetWindowDC result
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    WindowDc(WindowDc&& other) noexcept
        : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
    WindowDc& operator=(WindowDc&& other) noexcept {
        if (this != &other) {
            reset();
            window_ = std::exchange(other.window_, nullptr);
            dc_ = std::exchange(other.dc_, nullptr);
        }
        return *this;
    }
    ~WindowDc() { reset(); }

    [[nodiscard]] HDC get() const noexcept { return dc_; }
    [[nodiscard]] HWND window() const noexcept { return window_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }
    [[nodiscard]] HDC release() noexcept {
        window_ = nullptr;
        return std::exchange(dc_, nullptr);
    }
    void reset() noexcept {
        if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
        dc_ = nullptr;
        window_ = nullptr;
    }

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
};

// Selects an object into a DC and puts the previous one back.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {
        if (previous_ == HGDI_ERROR) previous_ = nullptr;
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    SelectGuard(SelectGuard&& other) noexcept : dc_(other.dc_), previous_(std::exchange(other.previous_, nullptr)) {}
    SelectGuard& operator=(SelectGuard&&) = delete;
    ~SelectGuard() {
        if (previous_ != nullptr) ::SelectObject(dc_, previous_);
    }

    // False when the selection failed.
    explicit operator bool() const noexcept { return previous_ != nullptr; }
    // Leaves the object selected; returns the one it replaced.
    [[nodiscard]] HGDIOBJ release() noexcept { return std::exchange(previous_, nullptr); }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Locks an HGLOBAL; size() bounds every read from it.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL memory) noexcept
        : memory_(memory), data_(memory != nullptr ? ::GlobalLock(memory) : nullptr) {}
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    GlobalLockGuard(GlobalLockGuard&& other) noexcept
        : memory_(other.memory_), data_(std::exchange(other.data_, nullptr)) {}
    GlobalLockGuard& operator=(GlobalLockGuard&&) = delete;
    ~GlobalLockGuard() {
        if (data_ != nullptr) ::GlobalUnlock(memory_);
    }

    [[nodiscard]] void* get() const noexcept { return data_; }
    [[nodiscard]] size_t size() const noexcept { return data_ != nullptr ? ::GlobalSize(memory_) : 0; }
    explicit operator bool() const noexcept { return data_ != nullptr; }
    // Keeps the block locked.
    [[nodiscard]] void* release() noexcept { return std::exchange(data_, nullptr); }

private:
    HGLOBAL memory_;
    void* data_;
};

// OpenClipboard / CloseClipboard.
class ClipboardGuard {
public:
    explicit ClipboardGuard(HWND owner) noexcept : open_(::OpenClipboard(owner) != FALSE) {}
    ClipboardGuard(const ClipboardGuard&) = delete;
    ClipboardGuard& operator=(const ClipboardGuard&) = delete;
    ClipboardGuard(ClipboardGuard&& other) noexcept : open_(std::exchange(other.open_, false)) {}
    ClipboardGuard& operator=(ClipboardGuard&&) = delete;
    ~ClipboardGuard() {
        if (open_) ::CloseClipboard();
    }

    explicit operator bool() const noexcept { return open_; }
    // Leaves the clipboard open; true when it was open.
    [[nodiscard]] bool release() noexcept { return std::exchange(open_, false); }

private:
    bool open_;
};

// Owner of one COM reference.
template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    explicit ComPtr(T* adopted) noexcept : ptr_(adopted) {}
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : ptr_(other.release()) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~ComPtr() { reset(); }

    [[nodiscard]] T* get() const noexcept { return ptr_; }
    T* operator->() const noexcept { return ptr_; }
    explicit operator bool() const noexcept { return ptr_ != nullptr; }
    // For out parameters: drops the current reference first.
    [[nodiscard]] T** put() noexcept {
        reset();
        return &ptr_;
    }
    [[nodiscard]] void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }
    [[nodiscard]] T* release() noexcept { return std::exchange(ptr_, nullptr); }
    void reset(T* adopted = nullptr) noexcept {
        if (T* old = std::exchange(ptr_, adopted)) old->Release();
    }

private:
    T* ptr_ = nullptr;
};

// CoInitializeEx / CoUninitialize on this thread; uninitialises only what it initialised.
class CoInit {
public:
    explicit CoInit(DWORD model = COINIT_APARTMENTTHREADED) noexcept : result_(::CoInitializeEx(nullptr, model)) {}
    CoInit(const CoInit&) = delete;
    CoInit& operator=(const CoInit&) = delete;
    CoInit(CoInit&& other) noexcept : result_(std::exchange(other.result_, E_FAIL)) {}
    CoInit& operator=(CoInit&&) = delete;
    ~CoInit() {
        if (SUCCEEDED(result_)) ::CoUninitialize();
    }

    [[nodiscard]] bool ok() const noexcept { return SUCCEEDED(result_); }
    [[nodiscard]] HRESULT result() const noexcept { return result_; }

private:
    HRESULT result_;
};

// A VARIANT cleared (VariantClear) when it goes.
class VariantGuard {
public:
    VariantGuard() noexcept { ::VariantInit(&value_); }
    VariantGuard(const VariantGuard&) = delete;
    VariantGuard& operator=(const VariantGuard&) = delete;
    VariantGuard(VariantGuard&&) = delete;
    VariantGuard& operator=(VariantGuard&&) = delete;
    ~VariantGuard() { ::VariantClear(&value_); }

    [[nodiscard]] VARIANT* get() noexcept { return &value_; }
    [[nodiscard]] const VARIANT& value() const noexcept { return value_; }

private:
    VARIANT value_;
};

// OleInitialize / OleUninitialize on this thread; uninitialises only what it initialised.
class OleInit {
public:
    OleInit() noexcept : result_(::OleInitialize(nullptr)) {}
    OleInit(const OleInit&) = delete;
    OleInit& operator=(const OleInit&) = delete;
    OleInit(OleInit&& other) noexcept : result_(std::exchange(other.result_, E_FAIL)) {}
    OleInit& operator=(OleInit&&) = delete;
    ~OleInit() {
        if (SUCCEEDED(result_)) ::OleUninitialize();
    }

    [[nodiscard]] bool ok() const noexcept { return SUCCEEDED(result_); }
    [[nodiscard]] HRESULT result() const noexcept { return result_; }

private:
    HRESULT result_;
};

// A STGMEDIUM that a GetData call handed over: ReleaseStgMedium when it goes.
class StorageMedium {
public:
    StorageMedium() noexcept = default;
    StorageMedium(const StorageMedium&) = delete;
    StorageMedium& operator=(const StorageMedium&) = delete;
    StorageMedium(StorageMedium&& other) noexcept : medium_(std::exchange(other.medium_, STGMEDIUM{})) {}
    StorageMedium& operator=(StorageMedium&& other) noexcept {
        if (this != &other) {
            reset();
            medium_ = std::exchange(other.medium_, STGMEDIUM{});
        }
        return *this;
    }
    ~StorageMedium() { reset(); }

    // For out parameters: releases the current medium first.
    [[nodiscard]] STGMEDIUM* put() noexcept {
        reset();
        return &medium_;
    }
    [[nodiscard]] const STGMEDIUM& value() const noexcept { return medium_; }
    // Forgets the medium without releasing it.
    [[nodiscard]] STGMEDIUM release() noexcept { return std::exchange(medium_, STGMEDIUM{}); }
    void reset() noexcept {
        // Frees what the medium holds, or tells pUnkForRelease when the giver keeps it; an empty
        // medium is left as it is.
        ::ReleaseStgMedium(&medium_);
        medium_ = STGMEDIUM{};
    }

private:
    STGMEDIUM medium_{};
};

// BeginPaint / EndPaint of a window's WM_PAINT, EndPaint on every path.
class PaintGuard {
public:
    explicit PaintGuard(HWND window) noexcept : window_(window), dc_(::BeginPaint(window, &ps_)) {}
    PaintGuard(const PaintGuard&) = delete;
    PaintGuard& operator=(const PaintGuard&) = delete;
    ~PaintGuard() { ::EndPaint(window_, &ps_); }
    [[nodiscard]] HDC dc() const noexcept { return dc_; }
    [[nodiscard]] const RECT& area() const noexcept { return ps_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

}  // namespace tessarin
