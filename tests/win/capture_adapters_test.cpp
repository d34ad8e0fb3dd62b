// The window queries and accessibility against real windows and real controls. Which windows
// the queries pick among those is the rules' matter, tested natively; the tooltip search here
// shows that the real enumeration, visibility and class names feed them.

#include <windows.h>
// These build on windows.h.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "capture_test_support.h"
#include "core/capture/window_queries.h"
#include "win32/accessibility.h"
#include "win32/messages.h"
#include "win32/wide.h"
#include "win32/window_queries.h"

namespace tessarin::test {
namespace {

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
    EXPECT_EQ(edit.name, "") << "no label names it";
    EXPECT_EQ(edit.value, "abc");
    EXPECT_EQ(AccessibleNameAt(accessibility_, {280, 623}), "abc");
    const AccessibleObjectInfo none = accessibility_.objectAt({1279, 1023});
    EXPECT_FALSE(none.found);
    EXPECT_EQ(none.name + none.value + AccessibleNameAt(accessibility_, {1279, 1023}), "");
    EXPECT_EQ(AccessibleRectangle(none), Rect{});
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
    const WindowId tip = ToWindowId(tooltip.get());
    WinDesktop desktop;
    for (const BOOL shown : {TRUE, FALSE}) {
        ::SendMessageW(tooltip.get(), TTM_TRACKACTIVATE, shown, reinterpret_cast<LPARAM>(&tool));
        ASSERT_TRUE(Await([&] { return ::IsWindowVisible(tooltip.get()) == shown; }));
        EXPECT_EQ(FindTooltipWindow(desktop), shown ? tip : 0U);
        EXPECT_EQ(ControlText(FindTooltipWindow(desktop)), shown ? "ヒントの文" : "");
    }
}

// A capture larger than memory allows leaves an empty picture, never the last capture's.
TEST(WinGrabber, ASizeMemoryDoesNotAllowEmptiesThePicture) {
    Picture picture;
    WinGrabber grabber(picture);
    ASSERT_TRUE(grabber.resizePicture(30, 20));
    EXPECT_FALSE(grabber.resizePicture(200000, 200000));
    EXPECT_EQ(std::pair(picture.width(), picture.height()), std::pair(0, 0));
    EXPECT_TRUE(grabber.resizePicture(30, 20));
}

// The part of the picture that decides whether a window's own drawing came out flat.
TEST(WinGrabber, AnAreaIsBlankWhenItHoldsOneColourWithinThePicture) {
    Picture picture(RGB(0, 0, 0));
    WinGrabber grabber(picture);
    ASSERT_TRUE(grabber.resizePicture(40, 30));
    EXPECT_TRUE(grabber.blank(0, 0, 40, 30));
    const RECT spot{35, 25, 36, 26};
    const GdiObject<HBRUSH> red(::CreateSolidBrush(RGB(255, 0, 0)));
    ::FillRect(picture.dc(), &spot, red.get());
    const std::tuple<int32_t, int32_t, int32_t, int32_t, bool> cases[] = {
        {0, 0, 40, 30, false},   {0, 0, 35, 30, true},   {-10, -10, 500, 500, false},
        {36, 0, 100, 100, true}, {50, 50, 10, 10, true},  // wholly outside: nothing to see
    };
    for (const auto& [x, y, cx, cy, expected] : cases)
        EXPECT_EQ(grabber.blank(x, y, cx, cy), expected) << x << " " << cx;
}

// A window whose thread has stopped answering, as a hung program's: asking for the accessible
// object over it returns within the time limit instead of hanging the caller with it.
TEST(WinAccessibility, AWindowThatDoesNotAnswerCannotHangTheCaller) {
    const UniqueHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::atomic<HWND> hung{nullptr};
    std::thread owner([&] {
        HWND window = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Button", L"Hung", WS_POPUP | WS_VISIBLE,
                                        400, 400, 100, 50, nullptr, nullptr, nullptr, nullptr);
        hung = window;
        // Hung for ten seconds at the most, so that a caller without a limit fails instead of
        // hanging the test run.
        ::WaitForSingleObject(release.get(), 10000);
        ::DestroyWindow(window);
    });
    ASSERT_TRUE(WaitUntil([&] { return hung.load() != nullptr; }, 10000));
    const WinAccessibility accessibility(500);
    const ULONGLONG start = ::GetTickCount64();
    const AccessibleObjectInfo info = accessibility.objectAt({450, 425});
    const ULONGLONG took = ::GetTickCount64() - start;
    ::SetEvent(release.get());
    owner.join();
    EXPECT_LT(took, 5000U) << "the caller waited for the hung window";
    EXPECT_TRUE(!info.found || info.name == "Hung");
}

}  // namespace
}  // namespace tessarin::test
