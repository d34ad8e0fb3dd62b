// The program started with command words, observed through its windows, its status
// record and the files it writes.

#include <gtest/gtest.h>

#include <tuple>

#include "core/settings/settings.h"
#include "e2e/program.h"

namespace tessarin::test {
namespace {

TEST(Startup, CommandWordsDecideHowTheWindowStartsAndClosingWritesTheDefaults) {
    // The file written for a fresh start: the defaults and the placement for this screen.
    Settings defaults;
    ResetSettings(defaults);
    const std::string defaultConf = FormatSettingsText(
        defaults, DefaultPlacement(ScreenSize{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}));
    // The words, whether the window shows, whether it starts minimised, and whether thumbnails
    // wait in "data\Thumb" (a plain start counts them, on the status line only).
    const std::tuple<std::string, bool, bool, bool> cases[] = {
        {"", true, false, false},
        {"", true, false, true},
        {"-novisible", false, false, false},
        {"-min", true, true, false},
        {"-MINIMIZE -novisible", false, true, false},
        // An ideographic space separates words as a blank does, so the program must read its
        // command line as it was given, not through the code page. (Which words count is the
        // command line unit tests' matter.)
        {"-nomouse\xE3\x80\x80-min", true, true, false},
        {"-debug", true, false, false},
    };
    for (const auto& [arguments, visible, minimised, thumbs] : cases) {
        SCOPED_TRACE(arguments + (thumbs ? " with thumbnails" : ""));
        Program program;
        if (thumbs) {
            for (const char* folder : {"data", "data\\Thumb", "data\\Thumb\\folder.jpg"})
                ASSERT_TRUE(WinFileSystem().createFolder(program.path(folder)));
            for (const char* name : {"Thumb_a.jpg", "Thumb_b.JPG", "c.png", "d.jpeg"})
                ASSERT_TRUE(WriteBytes(program.path(std::string("data\\Thumb\\") + name), "x"));
        }
        const HWND main = program.Run(arguments);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(IsWindowVisible(main) != FALSE, visible);
        EXPECT_EQ(IsIconic(main) != FALSE, minimised);
        EXPECT_EQ(FindWindowW(L"frmTessarin", L"Tessarin  Ver1.00"), main);
        EXPECT_TRUE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_TRUE(WinFileSystem().stat(program.path("data")).value_or(FileInfo{}).folder);
        EXPECT_EQ(StatusField(), StatusText(""));
        EXPECT_EQ(ChildWithText(main, L"2個の画像がThumbフォルダにあります。") != nullptr, thumbs);
        for (const wchar_t* caption :
             {L"閉じる", L"設定", L"フォルダを開く", L"ヘルプ", L"マウスカーソルは撮らない", L"ウィンドウ", L"開始"}) {
            EXPECT_NE(ChildWithText(main, caption), nullptr) << WideToUtf8(caption);
        }
        // The pointer panel, with the main window's handle, is shown only under the debug word.
        const bool debug = arguments == "-debug";
        EXPECT_EQ(IsWindowVisible(ChildWithText(main, L"main")) != FALSE, debug);
        wchar_t hex[32];
        swprintf(hex, 32, L"%llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(main)));
        EXPECT_TRUE(!debug || ChildWithText(main, hex) != nullptr) << WideToUtf8(hex);
        ASSERT_EQ(program.Quit(), 0u);
        EXPECT_EQ(program.Conf(), defaultConf);
    }
}

TEST(Startup, TheWindowSizeStaysWithinItsLimits) {
    Program program;
    const HWND main = program.Run("-nomouse");
    ASSERT_NE(main, nullptr);
    const int twipsPerPixel = 1440 / static_cast<int>(GetDpiForWindow(main));
    // Requested outer size and the size it gets, in twips.
    const std::tuple<int, int, int, int> cases[] = {
        {1500, 1500, 3000, 3000}, {20000, 20000, 12000, 10000}, {6000, 4500, 6000, 4500}, {2000, 11000, 3000, 10000}};
    for (const auto& [width, height, expectedWidth, expectedHeight] : cases) {
        SetWindowPos(main, nullptr, 0, 0, width / twipsPerPixel, height / twipsPerPixel, SWP_NOZORDER | SWP_NOMOVE);
        RECT r{};
        GetWindowRect(main, &r);
        // In whole pixels: 10000 twips are 666.7 pixels at 96 dpi.
        EXPECT_EQ(r.right - r.left, expectedWidth / twipsPerPixel) << width;
        EXPECT_EQ(r.bottom - r.top, expectedHeight / twipsPerPixel) << height;
    }
    ASSERT_EQ(program.Quit(), 0u);
}

// The program, and a run it is in, end with the watched window; the settings are still written.
TEST(Startup, EndsByItselfWhenTheWatchedWindowClosesOrNeverExisted) {
    // A decimal handle, an "&H" hexadecimal one during a run, one of no window.
    for (const int kind : {0, 1, 2}) {
        UniqueWindow watched(CreateWindowExW(0, L"STATIC", L"watched", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                             GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(watched);
        char number[32];
        const auto handle = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(watched.get()));
        snprintf(number, sizeof number, kind == 1 ? "&H%lX" : "%lu", kind == 2 ? 4000000000ul : handle);
        SCOPED_TRACE(number);
        Program program;
        ASSERT_TRUE(program.Start(std::string(kind == 1 ? "-auto " : "") + "-novisible -hwnd " + number));
        UniqueHandle record;  // holding it keeps the last status readable after the program has ended
        if (kind < 2) {
            ASSERT_NE(program.WaitForIdle(), nullptr);
            ASSERT_TRUE(kind == 0 || AwaitStatus("Go"));
            record.reset(OpenFileMappingW(FILE_MAP_READ, FALSE, L"Tessarin"));
            EXPECT_FALSE(program.Exited(300)) << "still watching while the window lives";
            watched.reset();
        }
        EXPECT_EQ(program.Exited(), 0u);
        EXPECT_EQ(program.ConfLines(), 38u);
        EXPECT_TRUE(kind != 1 || StatusField() == StatusText("Stop")) << "the run ends with the window";
    }
}

TEST(Startup, SettingsThatCannotBeWrittenAreReportedAndTheOldFileStays) {
    Program program;
    const std::string old = "shift = 1\r\nsave folder path = data\r\n";
    ASSERT_TRUE(WriteBytes(program.path("conf.txt"), old));
    // The new file is written beside the old one first; a folder in its way makes that fail
    // (Wine runs as root here, so permissions cannot).
    ASSERT_TRUE(CreateDirectoryW(Utf8ToWide(program.path("conf.txt.tmp")).c_str(), nullptr));
    ASSERT_NE(program.Run("-novisible"), nullptr);
    program.Close();
    EXPECT_TRUE(AwaitStatus("設定値保存エラー"));
    // The message stays up for a while before the program ends.
    EXPECT_FALSE(program.Exited(1000));
    EXPECT_TRUE(program.Exited());
    EXPECT_EQ(program.Conf(), old);
}

// The rules of each line are the settings unit tests' matter; here the real file, window and
// folders take part.
TEST(Startup, AHandEditedSettingsFileIsReadByItsRules) {
    Program program;
    ASSERT_TRUE(WriteBytes(program.path("conf.txt"),
                           "Form Left=100\r\nform top = 120\r\nform right = 700\r\nform bottom = 520\r\n"
                           "pos = 3.5\r\nsave folder path = missing folder\r\n\xFF\xFE\x81garbage\r\n"
                           "class name = \x83\x4E\x83\x89\x83\x58\r\n"));  // "クラス" in code page 932
    const HWND main = program.Run("");
    ASSERT_NE(main, nullptr);
    RECT r{};
    GetWindowRect(main, &r);
    EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}), (std::vector<LONG>{100, 120, 700, 520}));
    EXPECT_NE(ChildWithText(main, L"ポップリンク"), nullptr);  // pos 3.5 rounds half to even: 4
    ASSERT_EQ(program.Quit(), 0u);
    const std::string conf = program.Conf();
    EXPECT_EQ(program.ConfLines(), 38u);
    for (const char* line : {"\nform left = 100\r", "\nsave folder path = \r", "\npos = 4\r",
                             "\nclass name = \x83\x4E\x83\x89\x83\x58\r"}) {
        EXPECT_NE(("\n" + conf).find(line), std::string::npos) << line;
    }
}

TEST(Startup, WithoutTheCodecLibraryItSaysSoAndKeepsRunning) {
    Program program(/*withCodec=*/false);
    ASSERT_TRUE(program.Start("-novisible"));
    HWND box = nullptr;
    ASSERT_TRUE(Await([&] { return (box = FindProcessWindow(program.processId(), L"#32770", L"DLLエラー")); }));
    // The message (the box's text control, 0xFFFF) names the error number first: 126, the
    // library was not found.
    wchar_t text[512] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 512);
    EXPECT_TRUE(std::wstring(text).starts_with(L"126 ")) << WideToUtf8(text);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_NE(program.WaitForIdle(), nullptr);
    ASSERT_EQ(program.Quit(), 0u);
    EXPECT_EQ(program.ConfLines(), 38u);
}

}  // namespace
}  // namespace tessarin::test
