// Capturing through the real adapters: window queries and accessibility against real windows
// and controls, MyCapture against real screen pixels, the clipboard as another program sees it,
// and the GDI objects a thousand captures leave behind. Which windows the queries pick, which
// rectangle each target copies and how the corrections move it are the capture rules' matter,
// tested natively.

#include <windows.h>
// These build on windows.h.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "core/app/command_line.h"
#include "core/capture/dispatcher.h"
#include "core/capture/window_queries.h"
#include "core/settings/settings.h"
#include "gdi_meter.h"
#include "win32/accessibility.h"
#include "win32/clipboard.h"
#include "win32/desktop.h"
#include "win32/grabber.h"
#include "win32/picture.h"
#include "win32/window_queries.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

constexpr COLORREF kBackground = RGB(250, 240, 10);

// 0x00RRGGBB, as in a 32-bit DIB.
uint32_t PixelOf(COLORREF c) { return (GetRValue(c) << 16U) | (GetGValue(c) << 8U) | GetBValue(c); }
COLORREF ColorOf(uint32_t pixel) { return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF); }
// A pattern fixed to the screen: every shift of a copy shows.
uint32_t ScreenPattern(int x, int y) { return PixelOf(RGB((x * 4) & 0xFF, (y * 6) & 0xFF, 0x80)); }
RECT At(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }

COLORREF PixelAt(const Image& image, int x, int y) {
    return ColorOf(image.pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)]);
}

// "" when the capture is width x height and shows expected(x, y) everywhere; else the size
// or the first pixel that differs.
std::string Mismatches(const SharedImage& image, int width, int height,
                       const std::function<COLORREF(int, int)>& expected) {
    if (!image) return "no image";
    char text[64] = "";
    if (image->width != width || image->height != height)
        std::snprintf(text, sizeof text, "size %d x %d", image->width, image->height);
    for (int i = 0; text[0] == '\0' && i < width * height; ++i) {
        const int x = i % width, y = i / width;
        if (PixelAt(*image, x, y) != expected(x, y))
            std::snprintf(text, sizeof text, "%d,%d=%06X want %06X", x, y, PixelOf(PixelAt(*image, x, y)),
                          PixelOf(expected(x, y)));
    }
    return text;
}

// A shown topmost popup; pixel(x, y) is the colour of window pixel (x, y). It paints them for
// WM_PAINT, WM_PRINTCLIENT and WM_PRINT alike (Wine's PrintWindow only shows what a window draws
// for those).
class PaintedWindow {
public:
    PaintedWindow(RECT rect, const std::function<uint32_t(int, int)>& pixel)
        : width_(rect.right - rect.left), height_(rect.bottom - rect.top) {
        for (int i = 0; i < width_ * height_; ++i) pixels_.push_back(pixel(i % width_, i / width_));
        [[maybe_unused]] static const bool registered = RegisterWindowClass(kClassName, Proc, nullptr);
        window_.reset(::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, rect.left,
                                        rect.top, width_, height_, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                        this));
        ::SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        ::UpdateWindow(hwnd());
    }
    PaintedWindow(const PaintedWindow&) = delete;  // the window keeps this address

    static constexpr wchar_t kClassName[] = L"TessarinCaptureTestWindow";
    [[nodiscard]] HWND hwnd() const { return window_.get(); }
    [[nodiscard]] COLORREF colour(int x, int y) const { return ColorOf(pixels_[static_cast<size_t>(y * width_ + x)]); }

    // Waits until the screen shows the window's own corners and centre.
    [[nodiscard]] bool waitShown() const {
        return Await([&] {
            RECT r{};
            ::GetWindowRect(hwnd(), &r);
            const WindowDc screen(nullptr);
            for (const POINT p : {POINT{0, 0}, POINT{width_ - 1, 0}, POINT{0, height_ - 1},
                                  POINT{width_ - 1, height_ - 1}, POINT{width_ / 2, height_ / 2}})
                if (::GetPixel(screen.get(), r.left + p.x, r.top + p.y) != colour(p.x, p.y)) return false;
            return true;
        });
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE)
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        const auto* self = reinterpret_cast<const PaintedWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (message == WM_ERASEBKGND) return 1;
        if (self == nullptr || (message != WM_PAINT && message != WM_PRINT && message != WM_PRINTCLIENT))
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
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

// MyCapture with the real desktop, accessibility, grabber and clipboard; no message may come.
class MyCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(com_.ok());
        settings_.noMouse = settings_.noTooltip = 1;
    }
    void TearDown() override { EXPECT_TRUE(ui_.messages.empty()) << ui_.messages.front(); }
    std::string Capture(std::string_view target) { return MyCapture(context_, target); }

    CoInit com_;
    Picture picture_{kBackground};
    WinDesktop desktop_;
    WinAccessibility accessibility_;
    WinGrabber grabber_{picture_};
    WinClipboard clipboard_;
    RecordingUi ui_;
    Settings settings_;
    CommandLineFlags flags_;
    CaptureContext context_{desktop_, accessibility_, grabber_, clipboard_, ui_, settings_, flags_};
};

TEST(WinDesktop, ClassNamesAndTitlesStopAt127CharactersControlTextAt4095AndNoWindowHasNone) {
    std::wstring longClass;
    for (int i = 0; i < 130; ++i) longClass += static_cast<wchar_t>(L'A' + i % 26);
    ASSERT_TRUE(RegisterWindowClass(longClass.c_str(), ::DefWindowProcW, nullptr));
    const UniqueWindow window(::CreateWindowExW(0, longClass.c_str(), std::wstring(5000, L'あ').c_str(), WS_POPUP, 0, 0,
                                                10, 10, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(window);
    const WindowId id = ToWindowId(window.get());
    EXPECT_EQ(WinDesktop().className(id), WideToUtf8(longClass.substr(0, 127)));
    EXPECT_EQ(WindowClassName(id), WinDesktop().className(id));
    EXPECT_EQ(WinDesktop().windowText(id), WideToUtf8(std::wstring(127, L'あ')));
    EXPECT_EQ(ControlText(id), WideToUtf8(std::wstring(4095, L'あ')));
    EXPECT_EQ(WinDesktop().className(0) + WindowClassName(0) + WinDesktop().windowText(0) + ControlText(0), "");
}

// Wine has no compositor: no visible frame, no cloaking, no display affinity and one integrity
// level for every program, so a window is taken by its rectangle and never reported otherwise.
// (Windows alone shows the frame without its invisible borders, a cloaked window and an
// administrator's.)
TEST(WinDesktop, WithoutACompositorAWindowIsItsRectangle) {
    const UniqueWindow window(::CreateWindowExW(0, L"Static", L"frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 120, 300,
                                                200, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(window);
    const WinDesktop desktop;
    const WindowId id = ToWindowId(window.get());
    EXPECT_EQ(desktop.frameBounds(id), Rect{});
    EXPECT_EQ(WindowBounds(desktop, id), (Rect{100, 120, 400, 320}));
    EXPECT_FALSE(desktop.isCloaked(id));
    EXPECT_TRUE(ShowsOnScreen(desktop, id));
    EXPECT_FALSE(desktop.excludesCapture(id));
    EXPECT_FALSE(desktop.morePrivileged(id));
    EXPECT_FALSE(desktop.morePrivileged(ToWindowId(::GetDesktopWindow())));
    EXPECT_FALSE(desktop.advancedColour(Rect{0, 0, 1280, 1024}));
    EXPECT_EQ(desktop.monitors(), (std::vector<Rect>{{0, 0, 1280, 1024}}));
}

TEST(WinDesktop, AShowingTooltipIsFoundAndAHiddenOneNever) {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES};
    ASSERT_TRUE(::InitCommonControlsEx(&init));
    const PaintedWindow owner(At(800, 800, 40, 40), ScreenPattern);
    const UniqueWindow tooltip(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX, 0, 0,
                                                 0, 0, owner.hwnd(), nullptr, nullptr, nullptr));
    std::wstring text = L"ヒントの文";
    TTTOOLINFOW tool{
        TTTOOLINFOW_V1_SIZE, TTF_TRACK | TTF_ABSOLUTE, owner.hwnd(), 1, {}, nullptr, text.data(), 0, nullptr};
    ASSERT_TRUE(::SendMessageW(tooltip.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)));
    WinDesktop desktop;
    for (const BOOL shown : {TRUE, FALSE}) {
        ::SendMessageW(tooltip.get(), TTM_TRACKACTIVATE, shown, reinterpret_cast<LPARAM>(&tool));
        ASSERT_TRUE(Await([&] { return ::IsWindowVisible(tooltip.get()) == shown; }));
        EXPECT_EQ(FindTooltipWindow(desktop), shown ? ToWindowId(tooltip.get()) : 0U);
        EXPECT_EQ(ControlText(FindTooltipWindow(desktop)), shown ? "ヒントの文" : "");
    }
}

TEST_F(MyCaptureTest, TheAccessibleObjectAtAPointIsKnownByItsNameOrItsValue) {
    const UniqueWindow dialog(::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Static", L"", WS_POPUP | WS_VISIBLE,
                                                100, 600, 300, 100, nullptr, nullptr, nullptr, nullptr));
    ::CreateWindowExW(0, L"Button", L"OK", WS_CHILD | WS_VISIBLE, 10, 10, 80, 30, dialog.get(), nullptr, nullptr,
                      nullptr);
    ::CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"abc", WS_CHILD | WS_VISIBLE, 120, 10, 120, 26, dialog.get(), nullptr,
                      nullptr, nullptr);
    ASSERT_TRUE(WarpPointer({1270, 10}));
    // Over the bare desktop Wine finds no object: that is no error.
    ASSERT_EQ(desktop_.windowFromPoint({1279, 1023}), ToWindowId(::GetDesktopWindow())) << "a test window is there";
    const AccessibleObjectInfo button = accessibility_.objectAt({150, 625});
    EXPECT_EQ(button.name, "OK");
    EXPECT_EQ(AccessibleRectangle(button), (Rect{110, 610, 190, 640}));
    const AccessibleObjectInfo edit = accessibility_.objectAt({280, 623});
    EXPECT_EQ(edit.name + "|" + edit.value, "|abc") << "no label names it";
    EXPECT_EQ(AccessibleNameAt(accessibility_, {280, 623}), "abc");
    const AccessibleObjectInfo none = accessibility_.objectAt({1279, 1023});
    EXPECT_FALSE(none.found);
    EXPECT_EQ(none.name + none.value + AccessibleNameAt(accessibility_, {1279, 1023}), "");
    EXPECT_EQ(AccessibleRectangle(none), Rect{});
}

// A window whose thread has stopped answering, as a hung program's: asking for the accessible
// object over it returns within the time limit instead of hanging the caller with it.
TEST(WinAccessibility, AWindowThatDoesNotAnswerCannotHangTheCaller) {
    const UniqueHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::atomic<HWND> hung{nullptr};
    std::thread owner([&] {
        hung = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Button", L"Hung", WS_POPUP | WS_VISIBLE, 400, 400,
                                 100, 50, nullptr, nullptr, nullptr, nullptr);
        // Hung for ten seconds at the most, so that a caller without a limit fails instead of
        // hanging the test run.
        ::WaitForSingleObject(release.get(), 10000);
        ::DestroyWindow(hung);
    });
    ASSERT_TRUE(WaitUntil([&] { return hung.load() != nullptr; }, 10000));
    const ULONGLONG start = ::GetTickCount64();
    const AccessibleObjectInfo info = WinAccessibility(500).objectAt({450, 425});
    const ULONGLONG took = ::GetTickCount64() - start;
    ::SetEvent(release.get());
    owner.join();
    EXPECT_LT(took, 5000U) << "the caller waited for the hung window";
    EXPECT_TRUE(!info.found || info.name == "Hung");
}

// A capture larger than memory allows leaves an empty picture, never the last capture's; an area
// is blank (a window's own drawing came out flat) when it holds one colour within the picture.
TEST(WinGrabber, ASizeMemoryDoesNotAllowEmptiesThePictureAndBlankLooksWithinIt) {
    Picture picture(RGB(0, 0, 0));
    WinGrabber grabber(picture);
    ASSERT_TRUE(grabber.resizePicture(30, 20));
    EXPECT_FALSE(grabber.resizePicture(200000, 200000));
    EXPECT_EQ(std::pair(picture.width(), picture.height()), std::pair(0, 0));
    ASSERT_TRUE(grabber.resizePicture(40, 30));
    EXPECT_TRUE(grabber.blank({0, 0, 40, 30}));
    const RECT spot{35, 25, 36, 26};
    ::FillRect(picture.dc(), &spot, GdiObject<HBRUSH>(::CreateSolidBrush(RGB(255, 0, 0))).get());
    const std::pair<Rect, bool> cases[] = {
        {{0, 0, 40, 30}, false},   {{0, 0, 35, 30}, true},   {{-10, -10, 490, 490}, false},
        {{36, 0, 136, 100}, true}, {{50, 50, 60, 60}, true},  // wholly outside: nothing to see
    };
    for (const auto& [area, expected] : cases)
        EXPECT_EQ(grabber.blank(area), expected) << area.left << " " << area.right;
}

TEST_F(MyCaptureTest, AWindowComesOutPixelForPixelOnBothPathsAndWholeUnderACoverWhenItDrawsItself) {
    const PaintedWindow window(At(300, 200, 90, 70), [](int x, int y) { return ScreenPattern(300 + x, 200 + y); });
    ASSERT_TRUE(window.waitShown());
    ASSERT_TRUE(WarpPointer({340, 230}));
    const auto itself = [&](int x, int y) { return window.colour(x, y); };
    for (const int noTooltip : {0, 1}) {
        settings_.noTooltip = noTooltip;
        EXPECT_EQ(Capture("window"), "");
        EXPECT_EQ(Mismatches(context_.image, 90, 70, itself), "")
            << (noTooltip ? "drawn by itself" : "from the screen");
    }
    const PaintedWindow cover(At(350, 240, 80, 80), [](int, int) { return PixelOf(RGB(200, 30, 40)); });
    ASSERT_TRUE(cover.waitShown());
    EXPECT_EQ(Capture("window"), "");
    EXPECT_EQ(Mismatches(context_.image, 90, 70, itself), "");
}

// That the probe sees a leak at all is shown with the image store's files.
TEST_F(MyCaptureTest, AThousandCapturesLeaveNoGdiObjectBehind) {
    const PaintedWindow window(At(600, 500, 80, 60), ScreenPattern);
    ASSERT_TRUE(window.waitShown());
    ASSERT_TRUE(WarpPointer({620, 540}));
    ::SetForegroundWindow(window.hwnd());
    ::SetCursor(::LoadCursorW(nullptr, IDC_CROSS));
    std::tie(settings_.noMouse, settings_.copyToClipboard) = std::tuple(0, 1);
    // Drawn by the window, copied from its DC and, as the foreground window, from the screen;
    // each with the cursor drawn in and put on the clipboard.
    const auto capture = [&](int i) {
        settings_.noTooltip = i % 3 == 0 ? 1 : 0;
        return Capture(i % 3 == 2 ? "snapshot_alt" : "window");
    };
    // Whatever the system makes once and keeps (caches, the clipboard's bitmap) is made before
    // the count.
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(capture(i), "");
        ASSERT_TRUE(context_.image);
        ASSERT_EQ(PixelAt(*context_.image, 70, 5), window.colour(70, 5)) << i;
        // The capture's pixels went to the core: the grabber keeps none.
        ASSERT_EQ(picture_.width(), 0);
        ASSERT_NE(Mismatches(context_.image, 80, 60, [&](int x, int y) { return window.colour(x, y); }), "")
            << "the cursor is drawn in";
    }
    const long before = FreeGdiSlots();
    for (int i = 0; i < 1000; ++i) capture(i);
    EXPECT_EQ(FreeGdiSlots(), before);
}

TEST_F(MyCaptureTest, AnotherProgramReadsTheCaptureOnTheClipboardAndCannotBeWaitedOutWhileItHoldsIt) {
    // Top and bottom halves differ, so a bitmap upside down shows.
    const PaintedWindow window(At(300, 600, 40, 30), [](int, int y) { return y < 15 ? 0x123456U : 0xABCDEFU; });
    ASSERT_TRUE(window.waitShown());
    ASSERT_TRUE(WarpPointer({310, 610}));
    settings_.copyToClipboard = 1;
    EXPECT_EQ(Capture("window"), "");
    EXPECT_EQ(PeerReads(), "0: 40 30 123456 ABCDEF");
    // Emptied, and an image without pixels puts nothing there and is no failure.
    ASSERT_TRUE(clipboard_.empty());
    EXPECT_TRUE(clipboard_.setImage(Image{0, 3, {}}));
    EXPECT_EQ(PeerReads(), "0: none");

    // Emptying and setting fail while another program holds it, and succeed afterwards.
    const Image five{5, 5, std::vector<uint32_t>(25, PixelOf(kBackground))};
    const std::wstring event = L"TessarinClipboardPeer." + std::to_wstring(::GetCurrentProcessId());
    const UniqueHandle release(::CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
    const UniqueHandle peer = StartTestProgram(L"clipboard_peer.exe", L"hold " + event);
    ASSERT_TRUE(release && peer);
    ASSERT_TRUE(Await([] { return ::GetOpenClipboardWindow() != nullptr; })) << "the peer never held it";
    EXPECT_FALSE(clipboard_.empty());
    EXPECT_FALSE(clipboard_.setImage(five));
    ::SetEvent(release.get());
    EXPECT_EQ(ExitCodeOf(peer), 0);
    EXPECT_TRUE(clipboard_.empty() && clipboard_.setImage(five));
    EXPECT_EQ(PeerReads(), "0: 5 5 FAF00A FAF00A");
}

}  // namespace
}  // namespace tessarin::test
