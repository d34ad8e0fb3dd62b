// The program started with command words, observed through its windows, its status
// record and the files it writes.

#include <gtest/gtest.h>

#include <cmath>

#include "e2e/program.h"

namespace tessarin::test {
namespace {

const std::string kBlankStatus(32, ' ');

std::string Padded(const std::string& cp932) { return cp932 + std::string(32 - cp932.size(), ' '); }

// The file written for a fresh record: the placement of this screen, then the defaults.
std::vector<std::string> DefaultConf() {
    const double w = GetSystemMetrics(SM_CXSCREEN);
    const double h = GetSystemMetrics(SM_CYSCREEN);
    auto rounded = [](double v) { return std::to_string(static_cast<long>(std::nearbyint(v))); };
    return {"form left = " + rounded(w * 10 / 20),
            "form top = " + rounded(h * 11 / 20),
            "form right = " + rounded(w * 19 / 20),
            "form bottom = " + rounded(h * 18 / 20),
            "no mouse = 1",
            "no tooltip = 1",
            "copy to clipboard = 0",
            "capture sound = 1",
            "chime = chimes.wav",
            "sound start = notify.wav",
            "sound stop = chord.wav",
            "save file format = 1",
            "save folder path = data",
            "load files = 1",
            "auto start = 0",
            "img download = 1",
            "auto listing = 1",
            "space = 0",
            "no confirm = 0",
            "minimize = 0",
            "hotkey copy = C",
            "hotkey rect = Shift",
            "pos = 0",
            "class name = ",
            "hosei = 0",
            "hosei left = 0",
            "hosei top = 0",
            "hosei width = 0",
            "hosei height = 0",
            "size = 0",
            "size width = 16",
            "size height = 16",
            "thumbnail width = 120",
            "thumbnail height = 90",
            "thumbnail static = 0",
            "shift = 0",
            "shiftx = 0",
            "shifty = 0"};
}

// The texts of the child windows of a window.
std::vector<std::wstring> ChildTexts(HWND parent) {
    std::vector<std::wstring> texts;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM param) -> BOOL {
            reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(WindowTextOf(child));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

bool HasChildText(HWND parent, const std::wstring& text) {
    for (const std::wstring& t : ChildTexts(parent)) {
        if (t == text) return true;
    }
    return false;
}

TEST(Startup, PlainStartShowsTheWindowPublishesBlanksAndClosesWithDefaultSettings) {
    Program program;
    ASSERT_TRUE(program.Start(""));
    const HWND main = program.WaitForIdle();
    ASSERT_NE(main, nullptr);

    EXPECT_EQ(WindowTextOf(main), L"Tessarin  Ver1.00");
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_FALSE(IsIconic(main));
    EXPECT_TRUE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(IsFolder(program.path("data")));
    EXPECT_EQ(StatusField(), kBlankStatus);
    for (const wchar_t* caption : {L"閉じる", L"設定", L"フォルダを開く", L"ヘルプ", L"マウスカーソルは撮らない",
                                   L"ウィンドウ", L"開始", L"をクリックして下さい"}) {
        EXPECT_TRUE(HasChildText(main, caption)) << WideToUtf8(caption);
    }

    program.Close();
    ASSERT_TRUE(program.WaitForExit());
    EXPECT_EQ(program.ExitCode(), 0u);
    const std::string conf = ReadBytes(program.path("conf.txt"));
    EXPECT_EQ(Lines(conf), DefaultConf());
    EXPECT_EQ(conf.substr(conf.size() - 2), "\r\n");
}

struct WordsCase {
    const char* arguments;
    bool visible;
    bool minimised;
};

class CommandWords : public ::testing::TestWithParam<WordsCase> {};

TEST_P(CommandWords, DecideHowTheWindowStartsAndTheSettingsAreStillWritten) {
    const WordsCase& c = GetParam();
    Program program;
    ASSERT_TRUE(program.Start(c.arguments));
    const HWND main = program.WaitForIdle();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(IsWindowVisible(main) != FALSE, c.visible);
    EXPECT_EQ(IsIconic(main) != FALSE, c.minimised);
    EXPECT_EQ(StatusField(), kBlankStatus);

    program.Close();
    ASSERT_TRUE(program.WaitForExit());
    EXPECT_EQ(Lines(ReadBytes(program.path("conf.txt"))).size(), 38u);
}

INSTANTIATE_TEST_SUITE_P(E2E, CommandWords,
                         ::testing::Values(WordsCase{"-novisible", false, false}, WordsCase{"-min", true, true},
                                           WordsCase{"-MINIMIZE -novisible", false, true},
                                           // No hyphen, unknown words, garbage: a shown window, nothing else.
                                           WordsCase{"novisible min", true, false},
                                           WordsCase{"-unknown -- - \"x", true, false},
                                           WordsCase{"-nomouse\xE3\x80\x80-min", true, true}));

TEST(Startup, TheDebugWordShowsThePointerPanelWithTheMainWindowHandle) {
    Program program;
    ASSERT_TRUE(program.Start("-debug"));
    const HWND main = program.WaitForIdle();
    ASSERT_NE(main, nullptr);
    wchar_t hex[32];
    swprintf(hex, 32, L"%llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(main)));
    EXPECT_TRUE(HasChildText(main, L"main"));
    EXPECT_TRUE(HasChildText(main, hex)) << WideToUtf8(hex);
    // The panel is shown only under the debug word.
    HWND caption = nullptr;
    EnumChildWindows(
        main,
        [](HWND child, LPARAM param) -> BOOL {
            if (WindowTextOf(child) != L"main") return TRUE;
            *reinterpret_cast<HWND*>(param) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&caption));
    ASSERT_NE(caption, nullptr);
    EXPECT_TRUE(IsWindowVisible(caption));
    program.Close();
    ASSERT_TRUE(program.WaitForExit());
}

TEST(Startup, EndsByItselfWhenTheWatchedWindowCloses) {
    for (const bool hex : {false, true}) {
        SCOPED_TRACE(hex ? "hexadecimal handle" : "decimal handle");
        UniqueWindow watched(CreateWindowExW(0, L"STATIC", L"watched", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                             GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(watched);
        const auto handle = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(watched.get()));
        char number[32];
        snprintf(number, sizeof number, hex ? "&H%lX" : "%lu", handle);

        Program program;
        ASSERT_TRUE(program.Start(std::string("-novisible -hwnd ") + number));
        ASSERT_NE(program.WaitForIdle(), nullptr);
        // Still watching while the window lives.
        EXPECT_FALSE(program.WaitForExit(std::chrono::milliseconds(300)));

        watched.reset();
        ASSERT_TRUE(program.WaitForExit());
        EXPECT_EQ(Lines(ReadBytes(program.path("conf.txt"))).size(), 38u);
    }
}

TEST(Startup, AWatchedWindowThatNeverExistedEndsTheProgramAtOnce) {
    Program program;
    ASSERT_TRUE(program.Start("-novisible -hwnd 4000000000"));
    ASSERT_TRUE(program.WaitForExit());
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_EQ(Lines(ReadBytes(program.path("conf.txt"))).size(), 38u);
}

TEST(Startup, SettingsThatCannotBeWrittenAreReportedAndTheOldFileStays) {
    Program program;
    const std::string old = "shift = 1\r\nsave folder path = data\r\n";
    ASSERT_TRUE(WriteBytes(program.path("conf.txt"), old));
    // The new file is written beside the old one first; a folder in its way makes that fail
    // (Wine runs as root here, so permissions cannot).
    ASSERT_TRUE(CreateDirectoryW(Utf8ToWide(program.path("conf.txt.tmp")).c_str(), nullptr));
    ASSERT_TRUE(program.Start("-novisible"));
    ASSERT_NE(program.WaitForIdle(), nullptr);

    program.Close();
    const std::string error = Padded(Cp932(L"設定値保存エラー"));
    EXPECT_TRUE(WaitUntil([&] { return StatusField() == error; }, std::chrono::seconds(10)));
    // The message stays up for a while before the program ends.
    EXPECT_FALSE(program.WaitForExit(std::chrono::milliseconds(1000)));
    ASSERT_TRUE(program.WaitForExit());
    EXPECT_EQ(ReadBytes(program.path("conf.txt")), old);
}

TEST(Startup, AHandEditedSettingsFileIsReadByItsRules) {
    Program program;
    ASSERT_TRUE(IsFolder(program.folder()));
    const std::string conf =
        "Form Left=100\r\nform top = 120\r\nform right = 700\r\nform bottom = 520\r\n"
        "pos = 3.5\r\nsave folder path = missing folder\r\nhotkey copy = D\r\n"
        "no  mouse = 0\r\nspace = 1=2\r\n\xFF\xFE\x81garbage\r\nsize width = 99999999999\r\n"
        "class name = \x83\x4E\x83\x89\x83\x58\r\n";  // "クラス" in code page 932
    ASSERT_TRUE(WriteBytes(program.path("conf.txt"), conf));
    ASSERT_TRUE(program.Start(""));
    const HWND main = program.WaitForIdle();
    ASSERT_NE(main, nullptr);
    RECT r{};
    GetWindowRect(main, &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 120);
    EXPECT_EQ(r.right, 700);
    EXPECT_EQ(r.bottom, 520);
    EXPECT_TRUE(HasChildText(main, L"ポップリンク"));  // pos 3.5 rounds half to even: 4
    program.Close();
    ASSERT_TRUE(program.WaitForExit());

    const std::vector<std::string> lines = Lines(ReadBytes(program.path("conf.txt")));
    ASSERT_EQ(lines.size(), 38u);
    EXPECT_EQ(lines[0], "form left = 100");
    EXPECT_EQ(lines[3], "form bottom = 520");
    EXPECT_EQ(lines[4], "no mouse = 1");
    EXPECT_EQ(lines[12], "save folder path = ");
    EXPECT_EQ(lines[17], "space = 0");
    EXPECT_EQ(lines[20], "hotkey copy = D");
    EXPECT_EQ(lines[22], "pos = 4");
    EXPECT_EQ(lines[23], "class name = \x83\x4E\x83\x89\x83\x58");
    EXPECT_EQ(lines[30], "size width = 2147483647");
}

TEST(Startup, APlainStartCountsTheThumbnailFilesOnTheStatusLineOnly) {
    Program program;
    ASSERT_TRUE(CreateDirectoryW(Utf8ToWide(program.path("data")).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(Utf8ToWide(program.path("data\\Thumb")).c_str(), nullptr));
    for (const char* name : {"Thumb_a.jpg", "Thumb_b.JPG", "c.png", "d.jpeg"}) {
        ASSERT_TRUE(WriteBytes(program.path(std::string("data\\Thumb\\") + name), "x"));
    }
    ASSERT_TRUE(CreateDirectoryW(Utf8ToWide(program.path("data\\Thumb\\folder.jpg")).c_str(), nullptr));
    ASSERT_TRUE(program.Start(""));
    const HWND main = program.WaitForIdle();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(HasChildText(main, L"2個の画像がThumbフォルダにあります。"));
    EXPECT_EQ(StatusField(), kBlankStatus);
    program.Close();
    ASSERT_TRUE(program.WaitForExit());
}

TEST(Startup, WithoutTheCodecLibraryItSaysSoAndKeepsRunning) {
    Program program(/*withCodec=*/false);
    ASSERT_TRUE(program.Start("-novisible"));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindProcessWindow(program.processId(), L"#32770", L"DLLエラー")); },
                          kStartTimeout));
    // The text names the error number first: 126, the library was not found.
    bool hasNumber = false;
    for (const std::wstring& text : ChildTexts(box)) hasNumber = hasNumber || text.rfind(L"126 ", 0) == 0;
    EXPECT_TRUE(hasNumber);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_NE(program.WaitForIdle(), nullptr);
    program.Close();
    ASSERT_TRUE(program.WaitForExit());
    EXPECT_EQ(Lines(ReadBytes(program.path("conf.txt"))).size(), 38u);
}

}  // namespace
}  // namespace tessarin::test
