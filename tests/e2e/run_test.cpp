// A capture run driven as a user drives it: keys and pointer moves injected into the
// desktop, observed through the status record and the pixels of the preview.

#include <gtest/gtest.h>

#include <vector>

#include "e2e/program.h"

namespace tessarin::test {
namespace {

constexpr COLORREF kTargetColour = RGB(200, 30, 40);
constexpr RECT kTargetRect{60, 60, 220, 180};
constexpr COLORREF kOverlayLine = RGB(0, 0, 255);

// A window of one solid colour that also paints for PrintWindow.
LRESULT CALLBACK TargetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto fill = [hwnd](HDC dc) {
        RECT r{};
        GetClientRect(hwnd, &r);
        const GdiObject<HBRUSH> brush(CreateSolidBrush(kTargetColour));
        FillRect(dc, &r, brush.get());
    };
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            fill(BeginPaint(hwnd, &ps));
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            fill(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

UniqueWindow MakeTarget() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = TargetProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TessarinRunTarget";
    RegisterClassW(&wc);
    UniqueWindow window(CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, wc.lpszClassName, L"target",
                                        WS_POPUP | WS_VISIBLE, kTargetRect.left, kTargetRect.top,
                                        kTargetRect.right - kTargetRect.left, kTargetRect.bottom - kTargetRect.top,
                                        nullptr, nullptr, wc.hInstance, nullptr));
    UpdateWindow(window.get());
    return window;
}

void Key(WORD vk, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

std::string Status(const wchar_t* text) {
    const std::string narrow = Cp932(text);
    return narrow + std::string(32 - narrow.size(), ' ');
}

const std::string kGo = Status(L"Go");
const std::string kStop = Status(L"Stop");
const std::string kDone = Status(L"キャプチャー完了");
const std::string kBlank = Status(L"");

bool WaitForStatus(const std::string& status) {
    return WaitUntil([&] { return StatusField() == status; }, std::chrono::seconds(10));
}

// Moves the pointer and lets the windows under it settle. Wine resynchronises Shift, Ctrl
// and Alt with the X server's keyboard when a Wine window handles the pointer's events, and
// the X server never saw the injected keys: a modifier held while the pointer moves over a
// window would be released behind the test's back. A user's real keys are never affected.
// Drags therefore run where no window is, and other pointer moves happen with no modifier
// held.
void MovePointer(int x, int y) {
    SetCursorPos(x, y);
    WaitUntil([] { return false; }, std::chrono::milliseconds(150));
}

// Presses and releases a key, each change seen by at least one sampling pass: the status
// line is the witness for the press, a short settling time for the release.
void Tap(WORD vk) {
    Key(vk, true);
    WaitUntil([] { return false; }, std::chrono::milliseconds(60));
    Key(vk, false);
    WaitUntil([] { return false; }, std::chrono::milliseconds(60));
}

// The preview's client area on the screen.
RECT PreviewRect(HWND main) {
    HWND preview = FindWindowExW(main, nullptr, L"TessarinPreview", nullptr);
    RECT r{};
    GetClientRect(preview, &r);
    MapWindowPoints(preview, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

COLORREF ScreenPixel(int x, int y) {
    const WindowDc screen(nullptr);
    return GetPixel(screen.get(), x, y);
}

// How many pixels of the target colour the preview shows from its origin to the right.
int ColouredRun(const RECT& preview, int row) {
    int n = 0;
    while (preview.left + n < preview.right && ScreenPixel(preview.left + n, preview.top + row) == kTargetColour) ++n;
    return n;
}

bool HasChildText(HWND parent, const std::wstring& text) {
    struct Query {
        const std::wstring* text;
        bool found;
    } query{&text, false};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM param) -> BOOL {
            auto* q = reinterpret_cast<Query*>(param);
            q->found = q->found || WindowTextOf(child) == *q->text;
            return !q->found;
        },
        reinterpret_cast<LPARAM>(&query));
    return query.found;
}

class CaptureRun : public ::testing::Test {
protected:
    void SetUp() override {
        target_ = MakeTarget();
        ASSERT_TRUE(target_);
        // Under Wine a window of another process cannot draw into our device context, so
        // PrintWindow of the test's window comes out black: copy windows from the screen.
        ASSERT_TRUE(WriteBytes(program_.path("conf.txt"), "no tooltip = 0\r\n"));
        ASSERT_TRUE(program_.Start("-auto"));
        main_ = program_.WaitForIdle();
        ASSERT_NE(main_, nullptr);
        ASSERT_TRUE(WaitForStatus(kGo));
        MovePointer(140, 120);
    }
    void TearDown() override {
        for (WORD vk : {WORD{VK_CONTROL}, WORD{VK_SHIFT}, WORD{VK_MENU}, WORD{0x43}}) Key(vk, false);
        program_.Close();
        EXPECT_TRUE(program_.WaitForExit());
    }

    void CtrlC() {
        Key(VK_CONTROL, true);
        Key('C', true);
        EXPECT_TRUE(WaitForStatus(kDone));
        Key('C', false);
        Key(VK_CONTROL, false);
    }

    UniqueWindow target_;
    Program program_;
    HWND main_ = nullptr;
};

TEST_F(CaptureRun, CtrlCCapturesTheWindowUnderThePointerIntoThePreview) {
    CtrlC();
    const RECT preview = PreviewRect(main_);
    const int w = kTargetRect.right - kTargetRect.left;
    const int h = kTargetRect.bottom - kTargetRect.top;
    EXPECT_TRUE(WaitUntil([&] { return ColouredRun(preview, 0) == w; }, std::chrono::seconds(5)))
        << ColouredRun(preview, 0);
    EXPECT_EQ(ColouredRun(preview, h - 1), w);
    EXPECT_NE(ScreenPixel(preview.left + 5, preview.top + h + 1), kTargetColour);
}

TEST_F(CaptureRun, CWithoutCtrlCapturesNothing) {
    Key('C', true);
    EXPECT_TRUE(WaitForStatus(kBlank));  // the key press itself clears the status line
    Key('C', false);
    EXPECT_FALSE(WaitUntil([] { return StatusField() == kDone; }, std::chrono::milliseconds(400)));
    EXPECT_EQ(ColouredRun(PreviewRect(main_), 0), 0);
}

// Over the bare X root no Wine window handles the pointer, so Shift stays held (see
// MovePointer); the root's pattern is what the range shows.
TEST_F(CaptureRun, AShiftDragFixesARangeAndCtrlCCapturesExactlyIt) {
    MovePointer(300, 300);
    Key(VK_SHIFT, true);
    HWND overlay = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (overlay = FindProcessWindow(program_.processId(), L"frmRect")) && IsWindowVisible(overlay); },
        std::chrono::seconds(10)));
    SetCursorPos(400, 380);
    RECT drawn{};
    ASSERT_TRUE(WaitUntil(
        [&] {
            GetWindowRect(overlay, &drawn);
            return drawn.right == 400 && drawn.bottom == 380;
        },
        std::chrono::seconds(10)))
        << drawn.left << "," << drawn.top << "," << drawn.right << "," << drawn.bottom;
    Key(VK_SHIFT, false);
    // Releasing the range key shows the frame of a fixed range: the range hint disappears.
    HWND rangeHint = FindWindowExW(main_, nullptr, L"Static", L"範囲設定");
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(rangeHint); }, std::chrono::seconds(10)));
    GetWindowRect(overlay, &drawn);
    const int w = drawn.right - drawn.left;
    const int h = drawn.bottom - drawn.top;
    EXPECT_GE(w, 100);
    EXPECT_GE(h, 80);
    // What the screen shows inside the outline, before the capture.
    std::vector<COLORREF> expected;
    for (int y : {2, h / 2, h - 3})
        for (int x : {2, w / 3, w - 3}) expected.push_back(ScreenPixel(drawn.left + x, drawn.top + y));

    CtrlC();
    // The pointer panel's picture size (twips) is exactly the drawn rectangle.
    wchar_t size[32];
    swprintf(size, 32, L"%4d -%4d", w * 15, h * 15);
    EXPECT_TRUE(WaitUntil([&] { return HasChildText(main_, size); }, std::chrono::seconds(5))) << WideToUtf8(size);
    const RECT preview = PreviewRect(main_);
    size_t i = 0;
    for (int y : {2, h / 2, h - 3})
        for (int x : {2, w / 3, w - 3})
            EXPECT_EQ(ScreenPixel(preview.left + x, preview.top + y), expected[i++]) << x << "," << y;
    // The overlay was out of the way: its outline is not part of the image.
    for (const POINT corner : {POINT{0, 0}, POINT{w - 1, 0}, POINT{0, h - 1}, POINT{w - 1, h - 1}})
        EXPECT_NE(ScreenPixel(preview.left + corner.x, preview.top + corner.y), kOverlayLine)
            << corner.x << "," << corner.y;
    // The range is used up: the overlay is gone.
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(overlay); }, std::chrono::seconds(5)));
}

TEST_F(CaptureRun, PrintScreenCapturesTheDesktop) {
    Key(VK_SNAPSHOT, true);
    EXPECT_TRUE(WaitForStatus(kBlank));
    Key(VK_SNAPSHOT, false);
    EXPECT_TRUE(WaitForStatus(kDone));
    // The preview shows the screen from its origin: the target window where it stands.
    const RECT preview = PreviewRect(main_);
    EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(preview.left + 100, preview.top + 100) == kTargetColour; },
                          std::chrono::seconds(5)));
    EXPECT_NE(ScreenPixel(preview.left + 30, preview.top + 30), kTargetColour);
}

TEST_F(CaptureRun, EscEndsTheRunTheNextEscOnlyClearsTheMarkerTheThirdStartsARun) {
    Key(VK_ESCAPE, true);
    EXPECT_TRUE(WaitForStatus(kStop));
    Key(VK_ESCAPE, false);
    WaitUntil([] { return false; }, std::chrono::milliseconds(60));
    Tap(VK_ESCAPE);
    EXPECT_FALSE(WaitUntil([] { return StatusField() == kGo; }, std::chrono::milliseconds(400)));
    Key(VK_ESCAPE, true);
    EXPECT_TRUE(WaitForStatus(kGo));
    Key(VK_ESCAPE, false);
}

}  // namespace
}  // namespace tessarin::test

namespace tessarin::test {
namespace {

// A watched window that disappears during a run ends the run ("Stop") and the program,
// which still writes its settings.
TEST(RunEnd, AWatchedWindowClosingDuringARunEndsRunAndProgram) {
    UniqueWindow watched(CreateWindowExW(0, L"STATIC", L"watched", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                         GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(watched);
    Program program;
    const std::string handle = std::to_string(reinterpret_cast<uintptr_t>(watched.get()));
    ASSERT_TRUE(program.Start("-auto -novisible -hwnd " + handle));
    ASSERT_NE(program.WaitForIdle(), nullptr);
    ASSERT_TRUE(WaitForStatus(kGo));
    // Holding the record keeps its last status readable after the program has ended.
    const UniqueHandle record(OpenFileMappingW(FILE_MAP_READ, FALSE, L"Tessarin"));
    ASSERT_TRUE(record);

    watched.reset();
    ASSERT_TRUE(program.WaitForExit());
    EXPECT_EQ(StatusField(), kStop);
    EXPECT_EQ(Lines(ReadBytes(program.path("conf.txt"))).size(), 38u);
}

// A minimal valid WAV file: 8 kHz, 8-bit mono, 0.1 s of silence.
std::string SilentWav() {
    const uint32_t samples = 800;
    std::string wav = "RIFF";
    auto u32 = [&wav](uint32_t v) { wav.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&wav](uint16_t v) { wav.append(reinterpret_cast<const char*>(&v), 2); };
    u32(36 + samples);
    wav += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(8000);
    u32(8000);
    u16(1);
    u16(8);
    wav += "data";
    u32(samples);
    wav.append(samples, '\x80');
    return wav;
}

// With sounds on and the sound files present, the synchronous capture sound must not hold
// up the run, with or without a sound device.
TEST(RunSound, CapturesGoOnWithTheSoundsOn) {
    Program program;
    for (const char* name : {"chimes.wav", "notify.wav", "chord.wav"})
        ASSERT_TRUE(WriteBytes(program.path(name), SilentWav()));
    ASSERT_TRUE(program.Start("-auto -sound -novisible"));
    ASSERT_NE(program.WaitForIdle(), nullptr);
    ASSERT_TRUE(WaitForStatus(kGo));
    MovePointer(400, 300);
    for (int i = 0; i < 2; ++i) {
        Key(VK_CONTROL, true);
        Key('C', true);
        EXPECT_TRUE(WaitForStatus(kDone)) << "capture " << i;
        Key('C', false);
        Key(VK_CONTROL, false);
        Tap(VK_F9);  // any key press clears the status line between the captures
        EXPECT_TRUE(WaitUntil([] { return StatusField() != kDone; }, std::chrono::seconds(10)));
    }
    program.Close();
    EXPECT_TRUE(program.WaitForExit());
}

}  // namespace
}  // namespace tessarin::test
