// MyCapture and the window queries of the core, run through the real adapters against real
// windows, real screen pixels, real accessibility and the real clipboard.

#include <windows.h>
// These build on windows.h.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "capture_test_support.h"
#include "core/app/command_line.h"
#include "core/capture/dispatcher.h"
#include "core/capture/window_queries.h"
#include "core/settings/settings.h"
#include "win32/accessibility.h"
#include "win32/clipboard.h"
#include "win32/desktop.h"
#include "win32/grabber.h"
#include "win32/picture.h"
#include "win32/window_queries.h"

namespace tessarin::test {
namespace {

constexpr COLORREF kBackground = RGB(250, 240, 10);
constexpr COLORREF kRed = RGB(200, 30, 40);

// A pattern fixed to the screen: every shift of a copy shows.
uint32_t ScreenPattern(int x, int y) { return PixelOf(RGB((x * 4) & 0xFF, (y * 6) & 0xFF, 0x80)); }

class RecordingUi final : public CaptureUi {
public:
    void messageBox(const std::string& text, const std::string& title) override {
        messages.push_back(title + ": " + text);
    }
    std::string pickClassFromWindowList() override { return ""; }
    Rect rangeRectangle() const override { return range; }
    void hideRangeOverlay() override {}
    void processPendingMessages() override {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
    void sleepMs(int milliseconds) override { ::Sleep(static_cast<DWORD>(milliseconds)); }

    Rect range;
    std::vector<std::string> messages;
};

class MyCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(com_.ok());
        settings_.noMouse = 1;
        settings_.noTooltip = 1;
    }

    std::string Capture(std::string_view target) { return MyCapture(context_, target); }

    // Mismatching pixels, the first few as "x,y=RRGGBB want RRGGBB".
    std::string Mismatches(const std::function<COLORREF(int, int)>& expected) const {
        std::string found;
        int count = 0;
        for (int y = 0; y < picture_.height(); ++y) {
            for (int x = 0; x < picture_.width(); ++x) {
                if (picture_.pixel(x, y) == expected(x, y) || count++ >= 5) continue;
                char text[64];
                std::snprintf(text, sizeof text, "%d,%d=%06X want %06X ", x, y, PixelOf(picture_.pixel(x, y)),
                              PixelOf(expected(x, y)));
                found += text;
            }
        }
        if (count > 5) found += "... " + std::to_string(count) + " in all";
        return found;
    }

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

TEST_F(MyCaptureTest, WindowGivesExactlyItsPixelsAndSizeOnBothPaths) {
    PaintedWindow window(At(300, 200, 90, 70), [](int x, int y) { return ScreenPattern(300 + x, 200 + y); });
    ASSERT_TRUE(window.waitShown());
    ASSERT_TRUE(MovePointer(340, 230));
    for (const int noTooltip : {1, 0}) {
        SCOPED_TRACE(noTooltip == 1 ? "the window draws itself" : "copied from its DC");
        settings_.noTooltip = noTooltip;
        EXPECT_EQ(Capture("window"), "");
        EXPECT_EQ(picture_.width(), 90);
        EXPECT_EQ(picture_.height(), 70);
        EXPECT_EQ(Mismatches([&](int x, int y) { return ColorOf(window.pixel(x, y)); }), "");
    }
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(MyCaptureTest, AWindowThatDrawsItselfComesOutWholeUnderAnotherWindow) {
    const auto window = PaintedWindow::Solid(At(500, 300, 100, 80), kRed);
    ASSERT_TRUE(window->waitShown());
    const auto cover = PaintedWindow::Solid(At(560, 340, 100, 100), RGB(0, 0, 255));
    ASSERT_TRUE(cover->waitShown());
    ASSERT_TRUE(MovePointer(510, 310));
    ASSERT_EQ(desktop_.windowFromPoint({510, 310}), window->id());
    EXPECT_EQ(Capture("window"), "");
    EXPECT_EQ(Mismatches([](int, int) { return kRed; }), "");
}

TEST_F(MyCaptureTest, SnapshotIsTheWholeScreen) {
    PaintedWindow window(At(700, 600, 40, 30), [](int x, int y) { return ScreenPattern(700 + x, 600 + y); });
    ASSERT_TRUE(window.waitShown());
    ASSERT_TRUE(MovePointer(1270, 10));
    EXPECT_EQ(Capture("snapshot"), "");
    EXPECT_EQ(picture_.width(), ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(picture_.height(), ::GetSystemMetrics(SM_CYSCREEN));
    for (const POINT p : {POINT{0, 0}, POINT{39, 0}, POINT{0, 29}, POINT{39, 29}, POINT{17, 11}}) {
        EXPECT_EQ(picture_.pixel(700 + p.x, 600 + p.y), ColorOf(window.pixel(p.x, p.y)));
    }
}

TEST_F(MyCaptureTest, SnapshotAltIsTheForegroundWindow) {
    PaintedWindow window(At(200, 500, 64, 32), [](int x, int y) { return ScreenPattern(200 + x, 500 + y); });
    ASSERT_TRUE(window.waitShown());
    ::SetForegroundWindow(window.hwnd());
    ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == window.hwnd(); }));
    ASSERT_TRUE(MovePointer(1270, 10));
    EXPECT_EQ(Capture("snapshot_alt"), "");
    EXPECT_EQ(picture_.width(), 64);
    EXPECT_EQ(picture_.height(), 32);
    EXPECT_EQ(Mismatches([&](int x, int y) { return ColorOf(window.pixel(x, y)); }), "");
}

// A part at screen (100, 100, 150, 120): a child window, found through accessibility, inside a
// parent that paints the same screen pattern around it.
TEST_F(MyCaptureTest, ThePositionCorrectionShiftsAPartCopy) {
    PaintedWindow parent(At(90, 90, 80, 50), [](int x, int y) { return ScreenPattern(90 + x, 90 + y); });
    PaintedWindow part(
        At(10, 10, 50, 20), [](int x, int y) { return ScreenPattern(100 + x, 100 + y); }, L"", nullptr, true,
        parent.hwnd());
    ASSERT_TRUE(parent.waitShown());
    ASSERT_TRUE(part.waitShown());
    ASSERT_TRUE(MovePointer(125, 110));
    const AccessibleObjectInfo found = accessibility_.objectAt({125, 110});
    ASSERT_EQ(AccessibleRectangle(found), (Rect{100, 100, 150, 120}));

    settings_.hosei = 1;
    settings_.hoseiLeft = 3;
    settings_.hoseiTop = 2;
    EXPECT_EQ(Capture("parts"), "");
    ASSERT_EQ(picture_.width(), 50);
    ASSERT_EQ(picture_.height(), 20);
    EXPECT_EQ(Mismatches([](int x, int y) {
                  return x < 47 && y < 18 ? ColorOf(ScreenPattern(103 + x, 102 + y)) : kBackground;
              }),
              "")
        << "the screen from (103, 102); the last 3 columns and 2 rows keep the background";

    settings_.hoseiWidth = 3;
    settings_.hoseiHeight = 2;
    EXPECT_EQ(Capture("parts"), "");
    EXPECT_EQ(Mismatches([](int x, int y) { return ColorOf(ScreenPattern(103 + x, 102 + y)); }), "")
        << "the size correction fills the whole picture";

    // Whole-screen copies never take the correction.
    EXPECT_EQ(Capture("snapshot"), "");
    EXPECT_EQ(picture_.pixel(100, 100), ColorOf(ScreenPattern(100, 100)));
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(MyCaptureTest, RectIsNamedAfterThePartAtItsCentreAndTheClassUnderThePointer) {
    const UniqueWindow dialog(::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Static", L"", WS_POPUP | WS_VISIBLE,
                                                400, 700, 200, 80, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                                nullptr));
    ASSERT_TRUE(dialog);
    const HWND button = ::CreateWindowExW(0, L"Button", L"OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 20, 80, 30,
                                          dialog.get(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(button, nullptr);
    // The pointer rests on a window whose class name is longer than 20 characters.
    PaintedWindow under(At(900, 100, 30, 30), [](int, int) { return 0u; });
    ASSERT_TRUE(MovePointer(910, 110));

    ui_.range = Rect{410, 710, 510, 760};  // centre (460, 735): on the button
    EXPECT_EQ(Capture("rect"), "OK_TessarinCaptureTestW");
    EXPECT_EQ(picture_.width(), 100);
    EXPECT_EQ(picture_.height(), 50);

    ui_.range = Rect{410, 710, 413, 760};
    EXPECT_EQ(Capture("rect"), std::string(kCaptureCancel));
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(MyCaptureTest, WithCopyToClipboardTheCaptureIsOnTheClipboard) {
    const auto window = PaintedWindow::Solid(At(300, 600, 33, 22), kRed);
    ASSERT_TRUE(window->waitShown());
    ASSERT_TRUE(MovePointer(310, 610));
    settings_.copyToClipboard = 1;
    EXPECT_EQ(Capture("window"), "");
    ASSERT_TRUE(PumpUntil([] { return ::OpenClipboard(nullptr) != FALSE; }));
    const HBITMAP bitmap = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    BITMAP header{};
    const bool described = bitmap != nullptr && ::GetObjectW(bitmap, sizeof header, &header) != 0;
    ::CloseClipboard();
    ASSERT_TRUE(described);
    EXPECT_EQ(header.bmWidth, 33);
    EXPECT_EQ(header.bmHeight, 22);
    EXPECT_TRUE(ui_.messages.empty());
}

// ---- Window queries of the core over real windows ------------------------------------------

TEST(FindVisibleWindowsOnRealWindows, TheShortestTitleComesFirstAndHiddenWindowsNever) {
    WinDesktop desktop;
    PaintedWindow longer(
        At(40, 300, 20, 20), [](int, int) { return 0u; }, L"memo - 1.txt");
    PaintedWindow shorter(
        At(70, 300, 20, 20), [](int, int) { return 0u; }, L"memo");
    PaintedWindow hidden(
        At(100, 300, 20, 20), [](int, int) { return 0u; }, L"me", nullptr, false);
    // The enumeration meets "memo - 1.txt" first.
    longer.show();
    const std::vector<WindowId> all = desktop.topLevelWindows();
    ASSERT_LT(std::find(all.begin(), all.end(), longer.id()), std::find(all.begin(), all.end(), shorter.id()));

    EXPECT_EQ(FindVisibleWindows(desktop, "TessarinCaptureTestWindow", "memo"),
              (std::vector<WindowId>{0, shorter.id(), longer.id()}));
    EXPECT_EQ(FindVisibleWindows(desktop, "tessarincapturetest", ""),
              (std::vector<WindowId>{0, longer.id(), shorter.id()}))
        << "without a title text the enumeration order stays";
    const std::vector<WindowId> visible = FindVisibleWindows(desktop, "", "");
    EXPECT_EQ(std::find(visible.begin(), visible.end(), hidden.id()), visible.end());
    EXPECT_NE(std::find(visible.begin(), visible.end(), shorter.id()), visible.end());
    EXPECT_EQ(FindVisibleWindows(desktop, "*", "me"), FindVisibleWindows(desktop, "", "me"));
}

class TooltipTest : public MyCaptureTest {
protected:
    void SetUp() override {
        MyCaptureTest::SetUp();
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
        ASSERT_TRUE(::InitCommonControlsEx(&init));
        owner_ = std::make_unique<PaintedWindow>(At(800, 800, 40, 40), [](int, int) { return 0u; });
        tooltip_.reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX, 0, 0, 0, 0,
                                         owner_->hwnd(), nullptr, ::GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(tooltip_);
        tool_.cbSize = TTTOOLINFOW_V1_SIZE;
        tool_.uFlags = TTF_TRACK | TTF_ABSOLUTE;
        tool_.hwnd = owner_->hwnd();
        tool_.uId = 1;
        tool_.lpszText = text_.data();
        ASSERT_TRUE(::SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool_)));
    }
    void show(bool on) {
        ::SendMessageW(tooltip_.get(), TTM_TRACKPOSITION, 0, MAKELPARAM(820, 700));
        ::SendMessageW(tooltip_.get(), TTM_TRACKACTIVATE, on ? TRUE : FALSE, reinterpret_cast<LPARAM>(&tool_));
    }

    std::wstring text_ = L"ヒントの文";
    std::unique_ptr<PaintedWindow> owner_;
    UniqueWindow tooltip_;
    TTTOOLINFOW tool_{};
};

TEST_F(TooltipTest, AShowingTooltipIsFoundReadAndCaptured) {
    const WindowId tip = ToWindowId(tooltip_.get());
    EXPECT_EQ(desktop_.className(tip), "tooltips_class32");
    EXPECT_EQ(FindTooltipWindow(desktop_), 0u) << "a hidden tooltip is never found";
    EXPECT_EQ(Capture("tooltips"), std::string(kCaptureError));
    EXPECT_EQ(ui_.messages,
              (std::vector<std::string>{"キャプチャー不可：MyCapture: ツールチップは表示されていません。"}));

    show(true);
    ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(tooltip_.get()) != FALSE; }));
    EXPECT_EQ(FindTooltipWindow(desktop_), tip);
    EXPECT_EQ(ControlText(tip), "ヒントの文");
    ASSERT_TRUE(MovePointer(1270, 10));
    ui_.messages.clear();
    EXPECT_EQ(Capture("tooltips"), "");
    const Rect r = desktop_.windowRect(tip);
    EXPECT_GT(r.width(), 0);
    EXPECT_EQ(picture_.width(), r.width());
    EXPECT_EQ(picture_.height(), r.height());
    EXPECT_TRUE(ui_.messages.empty());

    show(false);
    ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(tooltip_.get()) == FALSE; }));
    EXPECT_EQ(FindTooltipWindow(desktop_), 0u);
}

}  // namespace
}  // namespace tessarin::test
