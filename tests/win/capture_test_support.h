#pragma once
// Real windows with known pixels for the capture tests: each paints a picture given as
// 32-bit pixels for WM_PAINT, WM_PRINTCLIENT and WM_PRINT alike (Wine's PrintWindow only
// shows what a window draws for those), and sets a chosen cursor over itself.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "win32/handles.h"
#include "win32/wide.h"

namespace tessarin::test {

// 0x00RRGGBB, as in a 32-bit DIB.
inline uint32_t PixelOf(COLORREF c) {
    return (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}
inline COLORREF ColorOf(uint32_t pixel) { return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF); }

// Lets window messages run until the condition holds or the deadline passes.
template <typename Predicate>
bool PumpUntil(Predicate done, DWORD deadlineMs = 10000) {
    const ULONGLONG end = ::GetTickCount64() + deadlineMs;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (::GetTickCount64() >= end) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

// The colour the screen shows at a point, read with GetPixel (a path of its own, not the
// grabber's BitBlt).
inline COLORREF ScreenPixel(int x, int y) {
    const WindowDc screen(nullptr);
    return ::GetPixel(screen.get(), x, y);
}

class PaintedWindow {
public:
    // pixel(x, y) gives the colour of window pixel (x, y) as 0x00RRGGBB. With a parent the
    // window is a child and the rectangle is in the parent's client coordinates.
    PaintedWindow(RECT rect, const std::function<uint32_t(int, int)>& pixel, const std::wstring& title = L"",
                  const wchar_t* className = nullptr, bool visible = true, HWND parent = nullptr)
        : width_(rect.right - rect.left), height_(rect.bottom - rect.top), child_(parent != nullptr) {
        pixels_.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_));
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) pixels_[static_cast<size_t>(y) * width_ + x] = pixel(x, y);
        }
        const std::wstring cls = className != nullptr ? className : RegisterDefaultClass();
        if (className != nullptr) RegisterNamedClass(className);
        window_.reset(::CreateWindowExW(child_ ? 0 : WS_EX_TOPMOST | WS_EX_TOOLWINDOW, cls.c_str(), title.c_str(),
                                        child_ ? WS_CHILD : WS_POPUP, rect.left, rect.top, width_, height_, parent,
                                        nullptr, ::GetModuleHandleW(nullptr), this));
        if (window_ && visible) show();
    }
    PaintedWindow(const PaintedWindow&) = delete;
    PaintedWindow& operator=(const PaintedWindow&) = delete;
    ~PaintedWindow() {
        window_.reset();
        if (!ownClass_.empty()) ::UnregisterClassW(ownClass_.c_str(), ::GetModuleHandleW(nullptr));
    }

    static std::unique_ptr<PaintedWindow> Solid(RECT rect, COLORREF colour, const std::wstring& title = L"") {
        const uint32_t p = PixelOf(colour);
        return std::make_unique<PaintedWindow>(
            rect, [p](int, int) { return p; }, title);
    }

    [[nodiscard]] HWND hwnd() const { return window_.get(); }
    [[nodiscard]] uint32_t id() const { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window_.get())); }
    [[nodiscard]] int width() const { return width_; }
    [[nodiscard]] int height() const { return height_; }
    [[nodiscard]] uint32_t pixel(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    [[nodiscard]] RECT rect() const {
        RECT r{};
        ::GetWindowRect(window_.get(), &r);
        return r;
    }

    void show() {
        ::SetWindowPos(window_.get(), child_ ? HWND_TOP : HWND_TOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        ::UpdateWindow(window_.get());
    }
    void hide() { ::ShowWindow(window_.get(), SW_HIDE); }
    // The cursor shown while the pointer is over the window (null: none).
    void setCursor(HCURSOR cursor) { cursor_ = cursor; }

    // True once the screen shows this window's own pixels at these window points.
    [[nodiscard]] bool shownOnScreen(std::initializer_list<POINT> points) const {
        const RECT r = rect();
        for (const POINT& p : points) {
            if (::GetPixel(WindowDc(nullptr).get(), r.left + p.x, r.top + p.y) != ColorOf(pixel(p.x, p.y))) {
                return false;
            }
        }
        return true;
    }
    // Waits until the corners and the centre are on the screen.
    [[nodiscard]] bool waitShown() const {
        const std::initializer_list<POINT> points = {
            {0, 0}, {width_ - 1, 0}, {0, height_ - 1}, {width_ - 1, height_ - 1}, {width_ / 2, height_ / 2}};
        return PumpUntil([&] { return shownOnScreen(points); });
    }

private:
    static constexpr const wchar_t* kDefaultClass = L"TessarinCaptureTestWindow";

    static std::wstring RegisterDefaultClass() {
        static const bool registered = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = Proc;
            wc.hInstance = ::GetModuleHandleW(nullptr);
            wc.lpszClassName = kDefaultClass;
            return ::RegisterClassExW(&wc) != 0;
        }();
        (void)registered;
        return kDefaultClass;
    }
    void RegisterNamedClass(const wchar_t* name) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = name;
        if (::RegisterClassExW(&wc) != 0) ownClass_ = name;
    }

    void paint(HDC dc) const {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        ::SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width_), static_cast<DWORD>(height_), 0, 0, 0,
                            static_cast<UINT>(height_), pixels_.data(), &info, DIB_RGB_COLORS);
    }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        const auto* self = reinterpret_cast<const PaintedWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self != nullptr) {
            switch (message) {
                case WM_ERASEBKGND:
                    return 1;
                case WM_PAINT: {
                    PAINTSTRUCT ps;
                    HDC dc = ::BeginPaint(hwnd, &ps);
                    self->paint(dc);
                    ::EndPaint(hwnd, &ps);
                    return 0;
                }
                case WM_PRINT:
                case WM_PRINTCLIENT:
                    // A popup without a frame: the client area is the whole window.
                    self->paint(reinterpret_cast<HDC>(wParam));
                    return 0;
                case WM_SETCURSOR:
                    if (LOWORD(lParam) == HTCLIENT) {
                        ::SetCursor(self->cursor_);
                        return TRUE;
                    }
                    break;
                default:
                    break;
            }
        }
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }

    int width_;
    int height_;
    bool child_;
    std::vector<uint32_t> pixels_;
    HCURSOR cursor_ = nullptr;
    std::wstring ownClass_;
    UniqueWindow window_;
};

// A screen rectangle as a RECT from its position and size.
inline RECT At(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }

// Puts the pointer at a screen point and waits until the system reports it there.
inline bool MovePointer(int x, int y) {
    ::SetCursorPos(x, y);
    return PumpUntil([&] {
        POINT p{};
        return ::GetCursorPos(&p) && p.x == x && p.y == y;
    });
}

}  // namespace tessarin::test
