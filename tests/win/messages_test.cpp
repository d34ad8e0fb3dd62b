// What happens to an error that reaches a window procedure: the message has no effect, the
// window lives on, and the program's reporter hears of it.

#include "win32/messages.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "win32/handles.h"

namespace tessarin::test {
namespace {

class Throwing {
public:
    bool Create() {
        if (!RegisterWindowClass(L"TessarinThrowingWindow", OwnedWindowProc<Throwing>, nullptr)) return false;
        return CreateWindowExW(0, L"TessarinThrowingWindow", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleW(nullptr), this) != nullptr;
    }
    ~Throwing() {
        if (hwnd_ != nullptr) DestroyWindow(hwnd_);
    }
    HWND hwnd_ = nullptr;

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_USER) throw std::runtime_error("the command broke");
        if (message == WM_USER + 1) throw 42;
        if (message == WM_USER + 2) return 7;
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
};

TEST(OwnedWindowProc, AnErrorInAHandlerIsReportedAndTheWindowLivesOn) {
    Throwing window;
    ASSERT_TRUE(window.Create());
    std::vector<std::string> reported;
    SetWindowErrorReporter([&](const std::string& what) { reported.push_back(what); });
    EXPECT_EQ(SendMessageW(window.hwnd_, WM_USER, 0, 0), 0);
    EXPECT_EQ(SendMessageW(window.hwnd_, WM_USER + 1, 0, 0), 0);
    EXPECT_EQ(SendMessageW(window.hwnd_, WM_USER + 2, 0, 0), 7);
    EXPECT_EQ(reported, (std::vector<std::string>{"the command broke", "unknown error"}));

    // A reporter that fails itself does not bring the window down, and reports again next time.
    SetWindowErrorReporter([&](const std::string& what) {
        reported.push_back(what);
        throw std::runtime_error("the reporter broke");
    });
    EXPECT_EQ(SendMessageW(window.hwnd_, WM_USER, 0, 0), 0);
    EXPECT_EQ(SendMessageW(window.hwnd_, WM_USER, 0, 0), 0);
    EXPECT_EQ(reported.size(), 4U);
    SetWindowErrorReporter(nullptr);
    EXPECT_EQ(SendMessageW(window.hwnd_, WM_USER, 0, 0), 0);
    EXPECT_TRUE(IsWindow(window.hwnd_));
}

}  // namespace
}  // namespace tessarin::test
