#pragma once
// Real windows with known pixels for the capture tests, and MyCapture over the real adapters.
// A window paints its pixels for WM_PAINT, WM_PRINTCLIENT and WM_PRINT alike (Wine's
// PrintWindow only shows what a window draws for those).

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/app/command_line.h"
#include "core/capture/dispatcher.h"
#include "core/settings/settings.h"
#include "win32/accessibility.h"
#include "win32/clipboard.h"
#include "win32/desktop.h"
#include "win32/grabber.h"
#include "win32/messages.h"
#include "win32/picture.h"
#include "win_test_support.h"

namespace tessarin::test {

constexpr COLORREF kBackground = RGB(250, 240, 10);

// 0x00RRGGBB, as in a 32-bit DIB.
inline uint32_t PixelOf(COLORREF c) { return (GetRValue(c) << 16U) | (GetGValue(c) << 8U) | GetBValue(c); }
inline COLORREF ColorOf(uint32_t pixel) { return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF); }
// A pattern fixed to the screen: every shift of a copy shows.
inline uint32_t ScreenPattern(int x, int y) { return PixelOf(RGB((x * 4) & 0xFF, (y * 6) & 0xFF, 0x80)); }
inline RECT At(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }

// "" when the picture is width x height and shows expected(x, y) everywhere; else the size
// or the first pixel that differs.
inline std::string Mismatches(const Picture& picture, int width, int height,
                              const std::function<COLORREF(int, int)>& expected) {
    char text[64] = "";
    if (picture.width() != width || picture.height() != height)
        std::snprintf(text, sizeof text, "size %d x %d", picture.width(), picture.height());
    for (int i = 0; text[0] == '\0' && i < width * height; ++i) {
        const int x = i % width, y = i / width;
        if (picture.pixel(x, y) == expected(x, y)) continue;
        std::snprintf(text, sizeof text, "%d,%d=%06X want %06X", x, y, PixelOf(picture.pixel(x, y)),
                      PixelOf(expected(x, y)));
    }
    return text;
}

// A topmost popup, or a child of the parent with the rectangle in its client coordinates;
// pixel(x, y) is the colour of window pixel (x, y) as 0x00RRGGBB.
class PaintedWindow {
public:
    PaintedWindow(RECT rect, const std::function<uint32_t(int, int)>& pixel, const std::wstring& title = L"",
                  bool visible = true, HWND parent = nullptr)
        : width_(rect.right - rect.left), height_(rect.bottom - rect.top) {
        for (int i = 0; i < width_ * height_; ++i) pixels_.push_back(pixel(i % width_, i / width_));
        [[maybe_unused]] static const bool registered = RegisterWindowClass(kClassName, Proc, nullptr);
        window_.reset(::CreateWindowExW(parent ? 0 : WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, title.c_str(),
                                        parent ? WS_CHILD : WS_POPUP, rect.left, rect.top, width_, height_, parent,
                                        nullptr, ::GetModuleHandleW(nullptr), this));
        if (!visible) return;
        ::SetWindowPos(hwnd(), parent ? HWND_TOP : HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        ::UpdateWindow(hwnd());
    }
    PaintedWindow(const PaintedWindow&) = delete;  // the window keeps this address

    static constexpr wchar_t kClassName[] = L"TessarinCaptureTestWindow";
    [[nodiscard]] HWND hwnd() const { return window_.get(); }
    [[nodiscard]] uint32_t id() const { return ToWindowId(window_.get()); }
    [[nodiscard]] uint32_t pixel(int x, int y) const { return pixels_[static_cast<size_t>(y * width_ + x)]; }

    // Waits until the screen shows the window's own corners and centre.
    [[nodiscard]] bool waitShown() const {
        return Await([&] {
            RECT r{};
            ::GetWindowRect(hwnd(), &r);
            const WindowDc screen(nullptr);
            for (const POINT p : {POINT{0, 0}, POINT{width_ - 1, 0}, POINT{0, height_ - 1},
                                  POINT{width_ - 1, height_ - 1}, POINT{width_ / 2, height_ / 2}})
                if (::GetPixel(screen.get(), r.left + p.x, r.top + p.y) != ColorOf(pixel(p.x, p.y))) return false;
            return true;
        });
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        if (message == WM_NCCREATE)
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        const auto* self = reinterpret_cast<const PaintedWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (message == WM_ERASEBKGND) return 1;
        if (self == nullptr || (message != WM_PAINT && message != WM_PRINT && message != WM_PRINTCLIENT)) {
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        }
        PAINTSTRUCT ps{};
        // Without a frame the client area is the whole window.
        const HDC dc = message == WM_PAINT ? ::BeginPaint(hwnd, &ps) : reinterpret_cast<HDC>(wParam);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, self->width_, -self->height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        ::SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(self->width_), static_cast<DWORD>(self->height_), 0, 0, 0,
                            static_cast<UINT>(self->height_), self->pixels_.data(), &info, DIB_RGB_COLORS);
        if (message == WM_PAINT) ::EndPaint(hwnd, &ps);
        return 0;
    }

    int width_, height_;
    std::vector<uint32_t> pixels_;
    UniqueWindow window_;
};

class RecordingUi final : public CaptureUi {
public:
    void messageBox(const std::string& text, const std::string& title) override {
        messages.push_back(title + ": " + text);
    }
    std::string pickClassFromWindowList() override { return ""; }
    Rect rangeRectangle() const override { return {}; }
    void hideRangeOverlay() override {}
    void processPendingMessages() override { ProcessPendingMessages(); }
    void sleepMs(int milliseconds) override { ::Sleep(static_cast<DWORD>(milliseconds)); }

    std::vector<std::string> messages;
};

// MyCapture with the real desktop, accessibility, grabber and clipboard.
class MyCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(com_.ok());
        settings_.noMouse = settings_.noTooltip = 1;
    }
    std::string Capture(std::string_view target) { return MyCapture(context_, target); }

    CoInit com_;
    Picture picture_{kBackground};
    WinDesktop desktop_;
    WinAccessibility accessibility_;
    WinGrabber grabber_{picture_};
    WinClipboard clipboard_{picture_, nullptr};
    RecordingUi ui_;
    Settings settings_;
    CommandLineFlags flags_;
    CaptureContext context_{desktop_, accessibility_, grabber_, clipboard_, ui_, settings_, flags_};
};

}  // namespace tessarin::test
