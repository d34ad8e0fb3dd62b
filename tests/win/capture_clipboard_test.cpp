// The clipboard as another program sees it: clipboard_peer.exe reads the bitmap back or
// holds the clipboard open.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "capture_test_support.h"
#include "win32/filesystem.h"
#include "win32/shell.h"
#include "win32/wide.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

TEST_F(MyCaptureTest, AnotherProgramReadsTheCaptureOnTheClipboard) {
    // Top and bottom halves differ, so a bitmap upside down shows.
    const PaintedWindow window(At(300, 600, 40, 30), [](int, int y) { return y < 15 ? 0x123456U : 0xABCDEFU; });
    ASSERT_TRUE(window.waitShown());
    ASSERT_TRUE(WarpPointer({310, 610}));
    settings_.copyToClipboard = 1;
    EXPECT_EQ(Capture("window"), "");
    EXPECT_EQ(PeerReads(), "0: 40 30 123456 ABCDEF");

    // Emptied, and a picture without pixels puts nothing there and is no failure.
    ASSERT_TRUE(picture_.resize(0, 3));
    ASSERT_TRUE(clipboard_.empty());
    EXPECT_TRUE(clipboard_.setPicture());
    EXPECT_EQ(PeerReads(), "0: none");
    EXPECT_TRUE(ui_.messages.empty());
}

TEST(WinClipboard, EmptyingAndSettingFailWhileAnotherProgramHoldsItAndSucceedAfterwards) {
    Picture picture;
    ASSERT_TRUE(picture.resize(5, 5));
    WinClipboard clipboard(picture, nullptr);
    const std::wstring event = L"TessarinClipboardPeer." + std::to_wstring(::GetCurrentProcessId());
    const UniqueHandle release(::CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
    const UniqueHandle peer = StartPeer(L"hold " + event);
    ASSERT_TRUE(release && peer);
    ASSERT_TRUE(Await([] { return ::GetOpenClipboardWindow() != nullptr; })) << "the peer never held it";
    EXPECT_FALSE(clipboard.empty());
    EXPECT_FALSE(clipboard.setPicture());
    ::SetEvent(release.get());
    EXPECT_EQ(ExitCodeOf(peer), 0);
    EXPECT_TRUE(clipboard.empty() && clipboard.setPicture());
    EXPECT_TRUE(::IsClipboardFormatAvailable(CF_BITMAP));
}

}  // namespace
}  // namespace tessarin::test
