// A capture run driven as a user drives it: keys and pointer moves injected into the desktop,
// observed through the status record and the pixels of the preview. Which keys capture is the
// run's rule, tested natively.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "e2e/desk.h"
#include "e2e/program.h"

namespace tessarin::test {
namespace {

class CaptureRun : public RunningProgram {
protected:
    // The default settings: windows draw themselves. Under Wine a window of another process
    // cannot draw into the program's device context, so the drawing comes out flat and the
    // program copies the window from the screen instead.
    void SetUp() override {}

    HWND DrawRange(POINT from, POINT to, RECT& drawn) {
        return tessarin::test::DrawRange(program_, main_, from, to, drawn);
    }
};

// How many pixels of the target colour the preview shows from its origin to the right.
int ColouredRun(const RECT& preview, int row) {
    int n = 0;
    while (preview.left + n < preview.right && ScreenPixel(preview.left + n, preview.top + row) == kTargetColour) ++n;
    return n;
}

// Ctrl+C captures the window under the pointer into the preview, PrintScreen the desktop. Then
// Esc ends the run, the next Esc only clears the marker and the third starts a run. Idle
// shows nothing of its looks at the keys, and each of the Escs counts only when a look sees it
// pressed after one that saw it let go: the test has the program look then, at once, as its
// tick would.
TEST_F(CaptureRun, CtrlCAndPrintScreenCaptureAndEscEndsAndStartsTheRun) {
    Start("");
    const RECT preview = PreviewRect(main_);
    EXPECT_EQ(ColouredRun(preview, 0), 0);
    EXPECT_TRUE(CtrlC(main_));
    EXPECT_TRUE(Await([&] { return ColouredRun(preview, 0) == kTargetWidth; }, 5000)) << ColouredRun(preview, 0);
    EXPECT_EQ(ColouredRun(preview, kTargetHeight - 1), kTargetWidth);
    EXPECT_NE(ScreenPixel(preview.left + 5, preview.top + kTargetHeight + 1), kTargetColour);
    EXPECT_TRUE(CtrlC(main_));

    ASSERT_TRUE(Tap(main_, VK_SNAPSHOT));
    EXPECT_TRUE(AwaitStatus("キャプチャー完了"));
    // The preview shows the screen from its origin: the target window where it stands. The whole
    // screen is larger than the preview: both of its scroll bars show.
    EXPECT_TRUE(Await([&] { return ScreenPixel(preview.left + 100, preview.top + 100) == kTargetColour; }, 5000));
    EXPECT_NE(ScreenPixel(preview.left + 30, preview.top + 30), kTargetColour);
    HWND vertical = FindWindowExW(PreviewWindow(main_), nullptr, L"ScrollBar", nullptr);
    HWND horizontal = FindWindowExW(PreviewWindow(main_), vertical, L"ScrollBar", nullptr);
    EXPECT_TRUE(IsWindowVisible(vertical) && IsWindowVisible(horizontal));

    const auto look = [&] {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutW(main_, WM_TIMER, kTickTimer, 0, SMTO_ABORTIFHUNG, 10000, &ignored) != 0;
    };
    // With the program's input hook in the way, the desktop's key state may change some time
    // after SendInput returns: a look sent at once could still see the key as it was, and a
    // whole press could fall between two looks. Each look waits until the key state shows it.
    const auto esc = [](bool down) {
        Key(VK_ESCAPE, down);
        return Await([down] { return (GetAsyncKeyState(VK_ESCAPE) < 0) == down; }, 5000);
    };
    ASSERT_TRUE(esc(true));
    EXPECT_TRUE(AwaitStatus("Stop"));
    ASSERT_TRUE(esc(false));
    ASSERT_TRUE(look());
    ASSERT_TRUE(esc(true));
    ASSERT_TRUE(look());
    EXPECT_EQ(StatusField(), StatusText("Stop"));
    ASSERT_TRUE(esc(false));
    ASSERT_TRUE(look());
    // The third one the idle program sees by itself.
    Key(VK_ESCAPE, true);
    EXPECT_TRUE(AwaitStatus("Go"));
    Key(VK_ESCAPE, false);
}

// A range is copied exactly: from the pointer's pixel where the key went down, without the
// overlay's outline, also across a window. Over the bare X root no Wine window handles the
// pointer, so Shift stays held (see MovePointer); the root's pattern is what the range shows.
// After a change of the screen's scale (96 to 144 dpi) the run and the overlay use the new
// scale together: the range is still where the pointer went. With sounds on and the sound files
// present, the synchronous capture sound must not hold up the run, with or without a sound
// device: each capture's Ctrl press is seen only when the one before let the run go on.
TEST_F(CaptureRun, RangesAreCopiedExactlyAtEitherScaleWithTheSoundsOn) {
    // 0.1 s of silence: a RIFF header of 8 kHz 8-bit mono PCM and 800 samples.
    const uint32_t header[] = {0x46464952, 36 + 800, 0x45564157, 0x20746D66, 16, 0x00010001,
                               8000,       8000,     0x00080001, 0x61746164, 800};
    const std::string wav =
        std::string(reinterpret_cast<const char*>(header), sizeof header) + std::string(800, '\x80');
    for (const char* name : {"chimes.wav", "notify.wav", "chord.wav"})
        ASSERT_TRUE(WriteBytes(program_.path(name), wav));
    Start("", "-auto -sound");
    for (const int dpi : {96, 144}) {
        SCOPED_TRACE(dpi);
        if (dpi != 96) {
            RECT frame{};
            GetWindowRect(main_, &frame);
            SendMessageW(main_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&frame));
        }
        RECT drawn{};
        const HWND overlay = DrawRange({300, 300}, {400, 380}, drawn);
        ASSERT_NE(overlay, nullptr);
        EXPECT_TRUE(IsWindowVisible(overlay));
        const int w = drawn.right - drawn.left, h = drawn.bottom - drawn.top;
        EXPECT_EQ(std::tuple(drawn.left, drawn.top, w, h), std::tuple(300L, 300L, 100, 80));
        // What the screen shows inside the outline, before the capture.
        std::vector<std::pair<POINT, COLORREF>> samples;
        for (int y : {2, h / 2, h - 3})
            for (int x : {2, w / 3, w - 3}) samples.push_back({{x, y}, ScreenPixel(drawn.left + x, drawn.top + y)});
        ASSERT_TRUE(CtrlC(main_));
        // The pointer panel's picture size (twips) is exactly the drawn rectangle.
        wchar_t size[32];
        swprintf(size, 32, L"%4d -%4d", w * 1440 / dpi, h * 1440 / dpi);
        EXPECT_TRUE(Await([&] { return ChildWithText(main_, size) != nullptr; }, 5000)) << WideToUtf8(size);
        // The range is used up: the overlay is gone.
        EXPECT_TRUE(Await([&] { return !IsWindowVisible(overlay); }, 5000));
        // The main window's own layout at a new scale is not this test's concern.
        if (dpi != 96) continue;
        const RECT preview = PreviewRect(main_);
        const auto shown = [&](const std::pair<POINT, COLORREF>& sample) {
            return ScreenPixel(preview.left + sample.first.x, preview.top + sample.first.y) == sample.second;
        };
        // The preview repaints in its own time.
        EXPECT_TRUE(Await([&] { return std::all_of(samples.begin(), samples.end(), shown); }, 5000));
        for (const POINT corner : {POINT{0, 0}, POINT{w - 1, 0}, POINT{0, h - 1}, POINT{w - 1, h - 1}})
            EXPECT_NE(ScreenPixel(preview.left + corner.x, preview.top + corner.y), kOverlayLine)
                << corner.x << "," << corner.y;

        // From the left of the target, on the bare root, level with its middle: the range's top row
        // crosses the target, red where the outline ran.
        ASSERT_NE(DrawRange({30, 100}, {300, 300}, drawn), nullptr);
        ASSERT_TRUE(CtrlC(main_));
        EXPECT_TRUE(
            Await([&] { return ScreenPixel(preview.left + 100 - drawn.left, preview.top) == kTargetColour; }, 5000))
            << std::hex << ScreenPixel(preview.left + 100 - drawn.left, preview.top);
    }
}

}  // namespace
}  // namespace tessarin::test
