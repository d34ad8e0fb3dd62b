// Time of one capture through MyCapture and the real adapters (median of 50): a "window"
// capture of a screen-sized window, once drawn by the window itself (PrintWindow) and once
// copied from the screen, and a "snapshot"; and the free GDI slots before and after 1,000
// captures. Prints figures; passes or fails nothing.

#include <windows.h>

#include <algorithm>
#include <chrono>
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
#include "win32/handles.h"
#include "win32/picture.h"

namespace {

using namespace tessarin;

constexpr int kRuns = 50;
constexpr COLORREF kColour = RGB(40, 120, 200);

LRESULT CALLBACK SolidProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto fill = [hwnd](HDC dc) {
        RECT r{};
        GetClientRect(hwnd, &r);
        const GdiObject<HBRUSH> brush(CreateSolidBrush(kColour));
        FillRect(dc, &r, brush.get());
    };
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            fill(BeginPaint(hwnd, &ps));
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINT:
        case WM_PRINTCLIENT:
            fill(reinterpret_cast<HDC>(wParam));
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

class NoUi final : public CaptureUi {
public:
    void messageBox(const std::string& text, const std::string&) override {
        std::printf("message: %s\n", text.c_str());
    }
    std::string pickClassFromWindowList() override { return ""; }
    Rect rangeRectangle() const override { return {}; }
    void hideRangeOverlay() override {}
    void processPendingMessages() override { Pump(); }
    void sleepMs(int milliseconds) override { Sleep(static_cast<DWORD>(milliseconds)); }

    static void Pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
};

// Free slots of the GDI handle table (Wine has no GetGuiResources): small bitmaps made until
// the system refuses, then deleted.
long FreeGdiSlots() {
    const DWORD inUse = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (inUse != 0) return 10000 - static_cast<long>(inUse);
    std::vector<GdiObject<HBITMAP>> probe;
    probe.reserve(70000);
    while (probe.size() < 1000000) {
        GdiObject<HBITMAP> bitmap(CreateBitmap(2, 2, 1, 1, nullptr));
        if (!bitmap) break;
        probe.push_back(std::move(bitmap));
    }
    return static_cast<long>(probe.size());
}

double MedianMs(const std::function<void()>& run) {
    run();  // warm-up: first-use allocations are not what is measured
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + kRuns / 2, times.end());
    return times[kRuns / 2];
}

}  // namespace

int main() {
    const CoInit com;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = SolidProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TessarinBenchCapture";
    RegisterClassExW(&wc);
    const UniqueWindow window(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"bench",
                                              WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                                              wc.hInstance, nullptr));
    if (!window) {
        std::printf("bench_capture: no window\n");
        return 1;
    }
    UpdateWindow(window.get());
    SetCursorPos(width / 2, height / 2);
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (GetPixel(WindowDc(nullptr).get(), width / 2, height / 2) != kColour && GetTickCount64() < deadline) {
        NoUi::Pump();
        Sleep(5);
    }

    Picture picture;
    WinDesktop desktop;
    WinAccessibility accessibility;
    WinGrabber grabber(picture);
    WinClipboard clipboard;
    NoUi ui;
    Settings settings;
    settings.noMouse = 1;
    CommandLineFlags flags;
    CaptureContext context{desktop, accessibility, grabber, clipboard, ui, settings, flags};
    bool allCaptured = true;
    const auto capture = [&](std::string_view target) {
        allCaptured &= MyCapture(context, target).empty() && context.image && context.image->width == width;
    };

    std::printf("capture of a %d x %d window, median of %d:\n", width, height, kRuns);
    settings.noTooltip = 1;
    std::printf("  window, drawn by itself (PrintWindow): %8.2f ms\n", MedianMs([&] { capture("window"); }));
    settings.noTooltip = 0;
    std::printf("  window, copied from the screen:        %8.2f ms\n", MedianMs([&] { capture("window"); }));
    std::printf("  snapshot:                              %8.2f ms\n", MedianMs([&] { capture("snapshot"); }));
    settings.noMouse = 0;
    std::printf("  snapshot with the cursor drawn in:     %8.2f ms\n", MedianMs([&] { capture("snapshot"); }));
    settings.noMouse = 1;

    const long before = FreeGdiSlots();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000; ++i) {
        settings.noTooltip = i % 2;
        settings.noMouse = (i / 2) % 2;
        capture(i % 3 == 0 ? "snapshot" : "window");
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long after = FreeGdiSlots();
    std::printf("1,000 captures in %.2f s; free GDI slots before %ld, after %ld (%s)\n", seconds, before, after,
                before == after ? "balanced" : "LEAK");
    if (!allCaptured) std::printf("some captures failed or had the wrong size\n");
    return 0;
}
