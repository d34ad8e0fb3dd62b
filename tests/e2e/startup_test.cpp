// The program started with command words and settings files, observed through its windows, its
// status record and the files it writes; and its ends: with the watched window, and closed
// while still starting.

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "core/settings/settings.h"
#include "e2e/program.h"
#include "ui/settings_dialog.h"

namespace tessarin::test {
namespace {

TEST(Startup, CommandWordsDecideHowTheWindowStartsAndClosingWritesTheDefaults) {
    // The file written for a fresh start: the defaults and the placement for this screen.
    Settings defaults;
    ResetSettings(defaults);
    const std::string defaultConf = FormatSettingsText(
        defaults, DefaultPlacement(ScreenSize{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}));
    // The words, whether the window shows and whether it starts minimised. Which words count is
    // the command line unit tests' matter; an ideographic space separates words as a blank does,
    // so the program must read its command line as it was given, not through the code page. A
    // plain start counts the thumbnails waiting in "data\Thumb", on the status line only.
    const std::tuple<std::string, bool, bool> cases[] = {
        {"", true, false}, {"-novisible", false, false}, {"-nomouse\xE3\x80\x80-min", true, true}};
    for (const auto& [arguments, visible, minimised] : cases) {
        SCOPED_TRACE(arguments);
        Program program;
        const bool thumbs = arguments.empty();
        for (const char* folder : {"data", "data\\Thumb", "data\\Thumb\\folder.jpg"})
            ASSERT_TRUE(!thumbs || WinFileSystem().createFolder(program.path(folder)));
        for (const char* name : {"Thumb_a.jpg", "Thumb_b.JPG", "c.png", "d.jpeg"})
            ASSERT_TRUE(!thumbs || WriteBytes(program.path(std::string("data\\Thumb\\") + name), "x"));
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
             {L"閉じる", L"設定", L"フォルダを開く", L"ヘルプ", L"マウスカーソルは撮らない", L"ウィンドウ", L"開始"})
            EXPECT_NE(ChildWithText(main, caption), nullptr) << WideToUtf8(caption);
        EXPECT_FALSE(IsWindowVisible(ChildWithText(main, L"main"))) << "the pointer panel shows without -debug";
        ASSERT_EQ(program.Quit(), 0u);
        EXPECT_EQ(program.Conf(), defaultConf);
    }
}

// The rules of each line are the settings unit tests' matter; here the real file, window and
// folders take part, with the codec library missing and the debug word given.
TEST(Startup, AHandEditedFileIsReadByItsRulesTheSizeStaysInItsLimitsAndAMissingCodecIsReported) {
    Program program(/*withCodec=*/false);
    ASSERT_TRUE(WriteBytes(program.path("conf.txt"),
                           "Form Left=100\r\nform top = 120\r\nform right = 700\r\nform bottom = 520\r\n"
                           "pos = 3.5\r\nsave folder path = missing folder\r\n\xFF\xFE\x81garbage\r\n"
                           "class name = \x83\x4E\x83\x89\x83\x58\r\n"));  // "クラス" in code page 932
    ASSERT_TRUE(program.Start("-debug"));
    HWND box = program.AwaitDialog(L"DLLエラー", 30000);
    ASSERT_NE(box, nullptr);
    // The message names the error number first: 126, the library was not found.
    EXPECT_TRUE(Program::DialogText(box).starts_with("126 ")) << Program::DialogText(box);
    Program::Press(box, IDOK);
    const HWND main = program.WaitForIdle();
    ASSERT_NE(main, nullptr);
    RECT r{};
    GetWindowRect(main, &r);
    EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}), (std::vector<LONG>{100, 120, 700, 520}));
    EXPECT_NE(ChildWithText(main, L"ポップリンク"), nullptr);  // pos 3.5 rounds half to even: 4
    // The pointer panel shows, with the main window's handle.
    wchar_t hex[32];
    swprintf(hex, 32, L"%llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(main)));
    EXPECT_TRUE(IsWindowVisible(ChildWithText(main, L"main")) && ChildWithText(main, hex) != nullptr)
        << WideToUtf8(hex);

    // Requested outer size and the size it gets, in twips; in whole pixels, 10000 twips are 666.7
    // pixels at 96 dpi.
    const int twipsPerPixel = 1440 / static_cast<int>(GetDpiForWindow(main));
    const std::tuple<int, int, int, int> sizes[] = {
        {1500, 1500, 3000, 3000}, {20000, 20000, 12000, 10000}, {6000, 4500, 6000, 4500}, {2000, 11000, 3000, 10000}};
    for (const auto& [width, height, expectedWidth, expectedHeight] : sizes) {
        SetWindowPos(main, nullptr, 0, 0, width / twipsPerPixel, height / twipsPerPixel, SWP_NOZORDER | SWP_NOMOVE);
        GetWindowRect(main, &r);
        EXPECT_EQ(std::tuple(r.right - r.left, r.bottom - r.top),
                  std::tuple(expectedWidth / twipsPerPixel, expectedHeight / twipsPerPixel))
            << width << " x " << height;
    }
    ASSERT_EQ(program.Quit(), 0u);
    EXPECT_EQ(program.ConfLines(), 38u);
    for (const char* line :
         {"\nform left = 100\r", "\nsave folder path = \r", "\npos = 4\r", "\nclass name = \x83\x4E\x83\x89\x83\x58\r"})
        EXPECT_TRUE(Has("\n" + program.Conf(), line)) << line;
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

// A close posted as soon as the main window exists comes while start-up still lets messages
// run, before the settings are read: it waits for the end of start-up, and the file keeps what
// it held.
TEST(Startup, ACloseDuringStartUpEndsAfterItAndKeepsTheSettings) {
    Program program;
    ASSERT_TRUE(WriteBytes(program.path("conf.txt"), "hotkey copy = D\r\npos = 2\r\nsave folder path = shots\r\n"));
    ASSERT_TRUE(WinFileSystem().createFolder(program.path("shots")));
    ASSERT_TRUE(program.Start(""));
    HWND main = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (main = FindProcessWindow(program.processId(), L"frmTessarin")) != nullptr; }));
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(program.Exited(), 0u);
    const std::string conf = program.Conf();
    EXPECT_TRUE(Has(conf, "hotkey copy = D\r\n") && Has(conf, "pos = 2\r\n") &&
                Has(conf, "save folder path = shots\r\n") && Has(conf, "hotkey rect = Shift\r\n"))
        << conf;
}

// The program, and a run it is in, end with the watched window; the settings are still written.
// A watched window that goes while the settings dialog is open does not close the main window
// under it: the program ends once the dialog is closed. A main window remembered off every
// monitor opens whole on the nearest, and the settings dialog whole on the main window's.
TEST(Startup, EndsByItselfWhenTheWatchedWindowClosesOrNeverExisted) {
    // A decimal handle with the settings dialog open, an "&H" hexadecimal one during a run, one of
    // no window.
    for (const int kind : {0, 1, 2}) {
        UniqueWindow watched(CreateWindowExW(0, L"STATIC", L"watched", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                             GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(watched);
        char number[32];
        const auto handle = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(watched.get()));
        snprintf(number, sizeof number, kind == 1 ? "&H%lX" : "%lu", kind == 2 ? 4000000000ul : handle);
        SCOPED_TRACE(number);
        Program program;
        const std::string remembered =
            "form left = 5000\r\nform top = 200\r\nform right = 5600\r\nform bottom = 600\r\n";
        ASSERT_TRUE(kind != 0 || WriteBytes(program.path("conf.txt"), remembered));
        ASSERT_TRUE(program.Start(std::string(kind == 1 ? "-auto -novisible " : "") + "-hwnd " + number));
        UniqueHandle record;  // holding it keeps the last status readable after the program has ended
        HWND dialog = nullptr;
        if (kind < 2) {
            const HWND main = program.WaitForIdle();
            ASSERT_NE(main, nullptr);
            ASSERT_TRUE(kind == 0 || AwaitStatus("Go"));
            record.reset(OpenFileMappingW(FILE_MAP_READ, FALSE, L"Tessarin"));
            if (kind == 0) {
                RECT work{}, placed{}, shown{};
                SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
                GetWindowRect(main, &placed);
                EXPECT_EQ((std::vector<LONG>{placed.left, placed.top, placed.right, placed.bottom}),
                          (std::vector<LONG>{work.right - 600, 200, work.right, 600}));
                PostMessageW(FindWindowExW(main, nullptr, L"Button", L"設定"), BM_CLICK, 0, 0);
                ASSERT_NE(dialog = program.AwaitWindow(frmSetting::kClassName), nullptr);
                GetWindowRect(dialog, &shown);
                EXPECT_TRUE(shown.left >= work.left && shown.top >= work.top && shown.right <= work.right &&
                            shown.bottom <= work.bottom);
            }
            // The watch looks ten times a second: many looks pass with the program still there.
            EXPECT_FALSE(program.Exited(300)) << "still watching while the window lives";
            watched.reset();
        }
        if (dialog != nullptr) {
            EXPECT_FALSE(program.Exited(1000));
            PostMessageW(GetDlgItem(dialog, frmSetting::kCmdCancel), BM_CLICK, 0, 0);
        }
        EXPECT_EQ(program.Exited(), 0u);
        EXPECT_EQ(program.ConfLines(), 38u);
        EXPECT_TRUE(kind != 1 || StatusField() == StatusText("Stop")) << "the run ends with the window";
    }
}

}  // namespace
}  // namespace tessarin::test
