// The accessible object at a point, over the real oleacc and real controls.

#include <windows.h>
// These build on windows.h.
#include <gtest/gtest.h>
#include <oleacc.h>

#include "capture_test_support.h"
#include "core/capture/dispatcher.h"
#include "win32/accessibility.h"
#include "win32/desktop.h"

namespace tessarin::test {
namespace {

// A top-level window holding a push button "OK" and an edit field "abc" with no label.
class Dialog {
public:
    Dialog() {
        parent_.reset(::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Static", L"", WS_POPUP | WS_VISIBLE, 100,
                                        600, 300, 100, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
        button_ = ::CreateWindowExW(0, L"Button", L"OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 80, 30,
                                    parent_.get(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
        edit_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"abc", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 120, 10,
                                  120, 26, parent_.get(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ::UpdateWindow(parent_.get());
    }
    [[nodiscard]] bool ok() const { return parent_ && button_ != nullptr && edit_ != nullptr; }
    [[nodiscard]] HWND button() const { return button_; }
    [[nodiscard]] HWND edit() const { return edit_; }

private:
    UniqueWindow parent_;
    HWND button_ = nullptr;  // children go with their parent
    HWND edit_ = nullptr;
};

Point CentreOf(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class WinAccessibilityTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(com_.ok());
        ASSERT_TRUE(dialog_.ok());
        // Keep the pointer off the controls: nothing may depend on where it is.
        ASSERT_TRUE(MovePointer(1270, 10));
    }

    CoInit com_;
    Dialog dialog_;
    WinAccessibility accessibility_;
};

TEST_F(WinAccessibilityTest, APushButtonIsFoundByItsNameAndItsWindowRectangle) {
    const AccessibleObjectInfo info = accessibility_.objectAt(CentreOf(dialog_.button()));
    ASSERT_TRUE(info.found);
    EXPECT_EQ(info.name, "OK");
    RECT r{};
    ::GetWindowRect(dialog_.button(), &r);
    EXPECT_EQ(info.left, r.left);
    EXPECT_EQ(info.top, r.top);
    EXPECT_EQ(info.width, r.right - r.left);
    EXPECT_EQ(info.height, r.bottom - r.top);
    EXPECT_EQ(AccessibleNameAt(accessibility_, CentreOf(dialog_.button())), "OK");
}

TEST_F(WinAccessibilityTest, AnUnlabelledEditFieldIsKnownByItsValue) {
    const AccessibleObjectInfo info = accessibility_.objectAt(CentreOf(dialog_.edit()));
    ASSERT_TRUE(info.found);
    EXPECT_EQ(info.name, "") << "no label names it";
    EXPECT_EQ(info.value, "abc");
    EXPECT_EQ(AccessibleNameAt(accessibility_, CentreOf(dialog_.edit())), "abc");
    // Within the window; platforms differ on whether the sunken edge belongs to it.
    RECT r{};
    ::GetWindowRect(dialog_.edit(), &r);
    EXPECT_GE(info.left, r.left);
    EXPECT_GE(info.top, r.top);
    EXPECT_LE(info.left + info.width, r.right);
    EXPECT_LE(info.top + info.height, r.bottom);
    EXPECT_GE(info.width, r.right - r.left - 8);
    EXPECT_GE(info.height, r.bottom - r.top - 8);
}

TEST_F(WinAccessibilityTest, APointWithoutAnObjectGivesNothingAndZeros) {
    // Over the bare desktop the platform may find no object at all (Wine answers E_FAIL).
    const Point bare{1279, 1023};
    ASSERT_EQ(WinDesktop().windowFromPoint(bare), ToWindowId(::GetDesktopWindow())) << "a test window is there";
    IAccessible* raw = nullptr;
    VARIANT child;
    ::VariantInit(&child);
    const HRESULT result = ::AccessibleObjectFromPoint(POINT{bare.x, bare.y}, &raw, &child);
    ComPtr<IAccessible> owned(raw);
    ::VariantClear(&child);
    if (SUCCEEDED(result) && owned) GTEST_SKIP() << "this platform has an object over the desktop";

    const AccessibleObjectInfo info = accessibility_.objectAt(bare);
    EXPECT_FALSE(info.found);
    EXPECT_EQ(info.name, "");
    EXPECT_EQ(info.value, "");
    EXPECT_EQ(info.left, 0);
    EXPECT_EQ(info.top, 0);
    EXPECT_EQ(info.width, 0);
    EXPECT_EQ(info.height, 0);
    EXPECT_EQ(AccessibleNameAt(accessibility_, bare), "");
    EXPECT_EQ(AccessibleRectangle(info), Rect{});
}

}  // namespace
}  // namespace tessarin::test
