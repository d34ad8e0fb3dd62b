// The clipboard as another program sees it: clipboard_peer.exe reads the bitmap back or
// holds the clipboard open.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>

#include "capture_test_support.h"
#include "win32/clipboard.h"
#include "win32/filesystem.h"
#include "win32/shell.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

constexpr DWORD kDeadlineMs = 60000;
constexpr COLORREF kTopColour = RGB(0x12, 0x34, 0x56);
constexpr COLORREF kBottomColour = RGB(0xAB, 0xCD, 0xEF);

struct PeerRun {
    DWORD exitCode = 0;
    std::string output;
};

UniqueHandle StartPeer(const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + Utf8ToWide(ProgramFolder()) + L"\\clipboard_peer.exe\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return {};
    }
    const UniqueHandle thread(info.hThread);
    return UniqueHandle(info.hProcess);
}

std::optional<DWORD> WaitForExit(const UniqueHandle& process) {
    if (!process || ::WaitForSingleObject(process.get(), kDeadlineMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    return code;
}

// What another program reads from the clipboard: "<w> <h> <RRGGBB at p1> <RRGGBB at p2>".
std::optional<PeerRun> PeerReads(POINT p1, POINT p2) {
    TempFolder folder;
    if (!folder.ok()) return std::nullopt;
    const std::string result = folder / "clipboard.txt";
    const UniqueHandle peer =
        StartPeer(L"read \"" + Utf8ToWide(result) + L"\" " + std::to_wstring(p1.x) + L" " + std::to_wstring(p1.y) +
                  L" " + std::to_wstring(p2.x) + L" " + std::to_wstring(p2.y));
    const std::optional<DWORD> code = WaitForExit(peer);
    if (!code) return std::nullopt;
    return PeerRun{*code, WinFileSystem().readFile(result).value_or("")};
}

// A picture whose top and bottom halves differ, so a bitmap upside down shows.
void PaintHalves(Picture& picture, int width, int height) {
    ASSERT_TRUE(picture.resize(width, height));
    const GdiObject<HBRUSH> top(::CreateSolidBrush(kTopColour));
    const GdiObject<HBRUSH> bottom(::CreateSolidBrush(kBottomColour));
    RECT upper{0, 0, width, height / 2};
    RECT lower{0, height / 2, width, height};
    ::FillRect(picture.dc(), &upper, top.get());
    ::FillRect(picture.dc(), &lower, bottom.get());
}

TEST(WinClipboard, AnotherProgramReadsThePictureBackAsABitmap) {
    Picture picture;
    PaintHalves(picture, 40, 30);
    WinClipboard clipboard(picture, nullptr);
    ASSERT_TRUE(clipboard.empty());
    ASSERT_TRUE(clipboard.setPicture());

    const std::optional<PeerRun> run = PeerReads({3, 2}, {39, 29});
    ASSERT_TRUE(run.has_value()) << "clipboard_peer did not finish";
    EXPECT_EQ(run->exitCode, 0u);
    EXPECT_EQ(run->output, "40 30 123456 ABCDEF");

    // A second picture replaces the first once the clipboard is emptied.
    PaintHalves(picture, 7, 9);
    ASSERT_TRUE(clipboard.empty());
    ASSERT_TRUE(clipboard.setPicture());
    const std::optional<PeerRun> second = PeerReads({0, 0}, {6, 8});
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->output, "7 9 123456 ABCDEF");
}

TEST(WinClipboard, EmptyingRemovesTheBitmapAndAnEmptyPictureLeavesNone) {
    Picture picture;
    PaintHalves(picture, 4, 4);
    WinClipboard clipboard(picture, nullptr);
    ASSERT_TRUE(clipboard.empty());
    ASSERT_TRUE(clipboard.setPicture());
    ASSERT_TRUE(::IsClipboardFormatAvailable(CF_BITMAP));
    ASSERT_TRUE(clipboard.empty());
    EXPECT_FALSE(::IsClipboardFormatAvailable(CF_BITMAP));

    // A 0 x 3 picture has nothing to put there: no bitmap, and no failure either.
    ASSERT_TRUE(picture.resize(0, 3));
    EXPECT_TRUE(clipboard.setPicture());
    const std::optional<PeerRun> run = PeerReads({0, 0}, {0, 0});
    ASSERT_TRUE(run.has_value());
    EXPECT_EQ(run->output, "none");
}

TEST(WinClipboard, ItIsNeverEmptiedWhileAnotherProgramHoldsItAndIsAfterwards) {
    Picture picture;
    PaintHalves(picture, 5, 5);
    WinClipboard clipboard(picture, nullptr);
    ASSERT_TRUE(clipboard.empty());
    ASSERT_TRUE(clipboard.setPicture());

    const std::wstring prefix =
        L"TessarinClipboardPeer." + std::to_wstring(::GetCurrentProcessId()) + L"." + std::to_wstring(::GetTickCount());
    const UniqueHandle held(::CreateEventW(nullptr, TRUE, FALSE, (prefix + L".held").c_str()));
    const UniqueHandle release(::CreateEventW(nullptr, TRUE, FALSE, (prefix + L".release").c_str()));
    ASSERT_TRUE(held && release);
    const UniqueHandle peer = StartPeer(L"hold \"" + prefix + L"\"");
    ASSERT_TRUE(peer);
    const HANDLE waitables[2] = {held.get(), peer.get()};
    ASSERT_EQ(::WaitForMultipleObjects(2, waitables, FALSE, kDeadlineMs), WAIT_OBJECT_0) << "the peer never held it";

    // Windows refuses a held clipboard at once, Wine makes OpenClipboard wait: either way no
    // attempt may succeed before the peer lets go.
    std::atomic<bool> released{false};
    std::atomic<bool> emptied{false};
    std::atomic<bool> emptiedWhileHeld{false};
    std::atomic<bool> stop{false};
    std::thread attempts([&] {
        while (!stop) {
            if (clipboard.empty()) {
                emptiedWhileHeld = !released;
                emptied = true;
                return;
            }
            ::Sleep(10);
        }
    });
    // A while of holding, during which nothing must get through.
    EXPECT_FALSE(PumpUntil([&] { return emptied.load(); }, 500));
    released = true;
    ::SetEvent(release.get());
    const bool done = PumpUntil([&] { return emptied.load(); }, kDeadlineMs);
    stop = true;
    attempts.join();
    EXPECT_TRUE(done) << "the clipboard was not emptied after the peer closed it";
    EXPECT_FALSE(emptiedWhileHeld);
    EXPECT_EQ(WaitForExit(peer), 0u);
    EXPECT_FALSE(::IsClipboardFormatAvailable(CF_BITMAP));
}

}  // namespace
}  // namespace tessarin::test
