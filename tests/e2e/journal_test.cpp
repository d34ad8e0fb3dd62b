// The capture journal with the real program: captures survive the program being killed as the task
// manager kills it and come back unsaved at the next start, pixel for pixel; the user's No lets them
// go; a second start brings back nothing; two programs from one folder keep their journals apart;
// and a program folder that cannot be written falls back to the local application data, and a
// journal that cannot be written anywhere is told while the capture still joins the list.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "e2e/desk.h"
#include "e2e/program.h"
#include "win32/picture.h"
#include "win32/shell.h"

namespace tessarin::test {
namespace {

constexpr int kLeft = 60, kTop = 60, kWidth = 160, kHeight = 120;
constexpr const char* kConf = "no tooltip = 0\r\nsave file format = 2\r\n";

// A topmost window painted with a brush of 8 x 8 pixels of as many colours, so that a capture
// shifted, cut or changed by one pixel differs from what the screen showed.
class PatternTarget {
public:
    PatternTarget() {
        if (!RegisterWindowClass(L"TessarinJournalTarget", Proc, nullptr)) return;
        window_.reset(CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, L"TessarinJournalTarget", L"target",
                                      WS_POPUP | WS_VISIBLE, kLeft, kTop, kWidth, kHeight, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr));
    }
    [[nodiscard]] bool ok() const { return window_.valid(); }
    // Paints a pattern of its own for each seed and returns the window's pixels as the screen has them.
    std::vector<uint32_t> Paint(int seed) {
        uint32_t colours[64];
        for (uint32_t i = 0; i < 64; ++i)
            colours[i] =
                ((i * 37 + seed * 101) & 0xFF) << 16 | ((i * 11 + seed * 7) & 0xFF) << 8 | ((i * 5 + seed * 53) & 0xFF);
        Picture tile;
        if (!tile.assign(8, 8, colours)) return {};
        brush_.reset(CreatePatternBrush(tile.bitmap()));
        Brush() = brush_.get();
        InvalidateRect(window_.get(), nullptr, TRUE);
        UpdateWindow(window_.get());
        ProcessPendingMessages();
        GdiFlush();
        Picture screen;
        if (!screen.resize(kWidth, kHeight)) return {};
        BitBlt(screen.dc(), 0, 0, kWidth, kHeight, WindowDc(nullptr).get(), kLeft, kTop, SRCCOPY);
        GdiFlush();
        std::vector<uint32_t> pixels(screen.bits(), screen.bits() + kWidth * kHeight);
        for (uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
        return pixels;
    }

private:
    static HBRUSH& Brush() {
        static HBRUSH brush = nullptr;
        return brush;
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_ERASEBKGND && Brush() != nullptr) {
            RECT client{};
            GetClientRect(hwnd, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, Brush());
            return 1;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    UniqueWindow window_;
    GdiObject<HBRUSH> brush_;
};

// A saved picture's pixels as 0xRRGGBB.
std::vector<uint32_t> PixelsOf(const std::string& path) {
    const codec::Image image = Decoded(path);
    std::vector<uint32_t> pixels;
    for (size_t i = 0; i + 3 < image.bgra.size(); i += 4)
        pixels.push_back(uint32_t{image.bgra[i + 2]} << 16 | uint32_t{image.bgra[i + 1]} << 8 | image.bgra[i]);
    return pixels;
}

// The journal files below a journal folder, in any session.
size_t JournalFiles(const std::string& root) {
    size_t count = 0;
    const WinFileSystem fs;
    for (const std::string& session : fs.list(root + "\\*")) count += fs.list(root + "\\" + session + "\\*.tjr").size();
    return count;
}
bool Exists(const std::string& path) { return WinFileSystem().stat(path).has_value(); }

// The local application data folder the programs started from here see.
class LocalAppData {
public:
    explicit LocalAppData(const std::string& folder) : old_(EnvironmentValue(L"LOCALAPPDATA")) {
        SetEnvironmentVariableW(L"LOCALAPPDATA", Utf8ToWide(folder).c_str());
    }
    LocalAppData(const LocalAppData&) = delete;
    LocalAppData& operator=(const LocalAppData&) = delete;
    ~LocalAppData() { SetEnvironmentVariableW(L"LOCALAPPDATA", old_.empty() ? nullptr : old_.c_str()); }

private:
    std::wstring old_;
};

class CaptureJournal : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(target_.ok()); }
    void TearDown() override {
        for (WORD vk : {WORD{VK_CONTROL}, WORD{'C'}, WORD{'S'}}) Key(vk, false);
    }
    // A capture run with the settings of these tests, the pointer over the target.
    HWND StartRun(Program& program) {
        if (!WriteBytes(program.path("conf.txt"), kConf)) return nullptr;
        HWND main = program.Run("-auto");
        if (main == nullptr || !AwaitStatus("Go")) return nullptr;
        MovePointer(main, kLeft + 80, kTop + 60);
        return main;
    }
    // Kills the program once the journal holds that many captures.
    static bool KillWhenJournaled(Program& program, size_t count, const std::string& root) {
        const bool journaled = Await([&] { return JournalFiles(root) == count; }, 10000);
        program.Kill();
        return journaled;
    }

    PatternTarget target_;
};

TEST_F(CaptureJournal, CapturesOfAKilledProgramComeBackUnsavedAndYesSavesThemPixelForPixel) {
    Program program;
    HWND main = StartRun(program);
    ASSERT_NE(main, nullptr);
    std::vector<std::vector<uint32_t>> shown;
    for (int seed = 1; seed <= 2; ++seed) {
        shown.push_back(target_.Paint(seed));
        ASSERT_EQ(shown.back().size(), size_t{kWidth} * kHeight);
        ASSERT_TRUE(CtrlC(main)) << seed;
    }
    ASSERT_NE(shown[0], shown[1]);
    ASSERT_TRUE(KillWhenJournaled(program, 2, program.path("journal")));

    // Started again without words: the captures are listed again, unsaved, and the closing
    // question names them.
    ASSERT_TRUE(program.Start(""));
    ASSERT_TRUE(AwaitStatus("2件の未保存画像を復元"));
    ASSERT_NE(program.WaitForIdle(), nullptr);
    const std::string question = program.CloseQuestion(IDYES);
    EXPECT_TRUE(question.ends_with("No = 1 , 2 , ")) << question;
    ASSERT_EQ(program.Exited(), 0u);
    std::vector<std::string> saved = WinFileSystem().list(program.path("data\\*.png"));
    ASSERT_EQ(saved.size(), 2u);
    std::set<std::vector<uint32_t>> pictures;
    for (const std::string& name : saved) pictures.insert(PixelsOf(program.path("data\\" + name)));
    EXPECT_EQ(pictures, (std::set<std::vector<uint32_t>>{shown[0], shown[1]}));
    // A normal end leaves no journal behind, and the next start brings nothing back: it closes
    // without a question.
    EXPECT_FALSE(Exists(program.path("journal")));
    ASSERT_NE(program.Run(""), nullptr);
    ASSERT_TRUE(AwaitStatus("ロード完了！"));
    program.Close();
    EXPECT_EQ(program.Exited(), 0u);
}

TEST_F(CaptureJournal, NoLetsThemGoAndTwoProgramsFromOneFolderKeepTheirJournalsApart) {
    Program first;
    HWND main = StartRun(first);
    ASSERT_NE(main, nullptr);
    (void)target_.Paint(3);
    ASSERT_TRUE(CtrlC(main));
    ASSERT_TRUE(Await([&] { return JournalFiles(first.path("journal")) == 1; }, 10000));

    // A second program from the same folder, while the first runs, takes none of its captures: it
    // has nothing to ask about when it closes.
    Program second(first, Program::SameFolder{});
    ASSERT_NE(second.Run(""), nullptr);
    second.Close();
    EXPECT_EQ(second.Exited(), 0u);
    EXPECT_EQ(JournalFiles(first.path("journal")), 1u);

    // Once the first has been killed, the next start takes its capture over; No lets it go.
    first.Kill();
    Program third(first, Program::SameFolder{});
    ASSERT_TRUE(third.Start(""));
    ASSERT_TRUE(AwaitStatus("1件の未保存画像を復元"));
    ASSERT_NE(third.WaitForIdle(), nullptr);
    EXPECT_TRUE(third.CloseQuestion(IDNO).ends_with("No = 1 , "));
    ASSERT_EQ(third.Exited(), 0u);
    EXPECT_TRUE(WinFileSystem().list(first.path("data\\*.png")).empty());
    EXPECT_FALSE(Exists(first.path("journal")));
    Program fourth(first, Program::SameFolder{});
    ASSERT_NE(fourth.Run(""), nullptr);
    fourth.Close();
    EXPECT_EQ(fourth.Exited(), 0u);
}

TEST_F(CaptureJournal, AProgramFolderThatCannotBeWrittenFallsBackAndNowhereToWriteIsToldOnce) {
    TempFolder local;
    Program program;
    // Where the journal would go stands a file: no folder can be made there.
    ASSERT_TRUE(WriteBytes(program.path("journal"), "in the way"));
    {
        const LocalAppData moved(local.path());
        HWND main = StartRun(program);
        ASSERT_NE(main, nullptr);
        (void)target_.Paint(4);
        ASSERT_TRUE(CtrlC(main));
        ASSERT_TRUE(KillWhenJournaled(program, 1, local / "Tessarin\\journal"));
        ASSERT_TRUE(program.Start(""));
        ASSERT_TRUE(AwaitStatus("1件の未保存画像を復元"));
        ASSERT_NE(program.WaitForIdle(), nullptr);
        EXPECT_EQ(program.Quit(), 0u);
        EXPECT_FALSE(Exists(local / "Tessarin"));
    }
    // Nowhere to write: the capture still joins the list, and is saved as any other.
    ASSERT_TRUE(WriteBytes(local / "blocked", "in the way"));
    const LocalAppData blocked(local / "blocked");
    HWND main = StartRun(program);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(CtrlC(main));
    // On the status line; the record other programs poll still says the capture is done.
    HWND statusLine = GetDlgItem(main, 109);
    EXPECT_TRUE(Await([&] { return ControlText(statusLine) == "一時保存エラー！"; }, 10000)) << ControlText(statusLine);
    EXPECT_EQ(StatusField(), StatusText("キャプチャー完了"));
    ASSERT_TRUE(CtrlC(main));
    ASSERT_TRUE(Shortcut(main, VK_CONTROL, 'S', "保存完了！"));
    EXPECT_EQ(WinFileSystem().list(program.path("data\\*.png")).size(), 1u);
    EXPECT_EQ(program.Quit(), 0u);
}

}  // namespace
}  // namespace tessarin::test
