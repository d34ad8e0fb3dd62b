// Captures that become files in the save folder (data, the default): saved with Ctrl+S and on
// closing, refused by a folder that cannot be written, and loaded back into the list at the next
// start. Which entries the closing question names and what No
// and Yes do with them are rules of the list, tested natively.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "e2e/desk.h"
#include "e2e/program.h"
#include "support/black_png.h"
#include "win32/picture.h"

namespace tessarin::test {
namespace {

// The file-name box of the main window.
std::string FileNameBox(HWND main) { return ControlText(GetDlgItem(main, 105)); }

// Each test starts the program itself, some with settings of their own.
class ImageFiles : public RunningProgram {
protected:
    void SetUp() override {}
};

TEST_F(ImageFiles, CtrlSWritesTheCaptureYesSavesTheRestAndTheNextStartLoadsThemInOrder) {
    Start();
    ASSERT_TRUE(CtrlC(main_));
    // The capture fits the preview: no scroll bars.
    EXPECT_FALSE(IsWindowVisible(FindWindowExW(PreviewWindow(main_), nullptr, L"ScrollBar", nullptr)));
    ASSERT_TRUE(Shortcut(main_, VK_CONTROL, 'S', "保存完了！"));
    ASSERT_EQ(program_.Jpegs().size(), 1u);
    EXPECT_EQ(FileNameBox(main_), program_.Jpegs()[0]);
    const codec::Image image = Decoded(program_.path("data\\" + program_.Jpegs()[0]));
    ASSERT_EQ(std::pair(image.width, image.height), std::pair(UINT{kTargetWidth}, UINT{kTargetHeight}));
    const BYTE* centre = &image.bgra[(size_t{image.height} / 2 * image.width + image.width / 2) * 4];
    for (const auto& [got, want] : {std::pair{centre[2], GetRValue(kTargetColour)},
                                    {centre[1], GetGValue(kTargetColour)},
                                    {centre[0], GetBValue(kTargetColour)}})
        EXPECT_NEAR(got, want, 8);

    ASSERT_TRUE(CtrlC(main_));
    const std::string question = program_.CloseQuestion(IDYES);
    EXPECT_EQ(question.substr(question.size() - 9), "No = 2 , ") << question;
    ASSERT_EQ(program_.Exited(), 0u);
    const std::vector<std::string> saved = program_.Jpegs();
    ASSERT_EQ(saved.size(), 2u);
    // Their thumbnails are kept for the next start in a file of the save folder, hidden.
    EXPECT_TRUE(WinFileSystem().stat(program_.path("data\\Tessarin.thumbs")).value_or(FileInfo{}).hidden);

    // Started without words, the program loads its save folder; the last file is shown and
    // the Left arrow steps back to the first.
    main_ = program_.Run("");
    ASSERT_NE(main_, nullptr);
    ASSERT_TRUE(AwaitStatus("ロード完了！"));
    EXPECT_EQ(FileNameBox(main_), saved[1]);
    SetForegroundWindow(main_);
    ASSERT_TRUE(Await([&] { return GetForegroundWindow() == main_; }, 5000));
    // Idle, the program shows nothing of its looks at the keys: each key is held until what it
    // does shows.
    Key(VK_LEFT, true);
    EXPECT_TRUE(Await([&] { return FileNameBox(main_) == saved[0]; }, 5000)) << FileNameBox(main_);
    Key(VK_LEFT, false);
    // Deleting the selected entry deletes its file and selects the one that moved into its place.
    // (Delete's code is above Left's: a look that also sees Left let go reports Delete.)
    Key(VK_DELETE, true);
    HWND box = program_.AwaitDialog(L"削除確認");
    Key(VK_DELETE, false);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Program::DialogText(box), "選択している No = 1 を削除します。よろしいですか？");
    Program::Press(box, IDOK);
    EXPECT_TRUE(AwaitStatus("削除完了"));
    EXPECT_EQ(program_.Jpegs(), std::vector<std::string>{saved[1]});
    EXPECT_EQ(FileNameBox(main_), saved[1]);
}

// Damaged files in the save folder: a PNG that cannot be decoded is skipped without a word; the
// other files that cannot be read, and pictures too large to hold (a PNG of 40000 x 40000 is a
// valid file of 4.6 MB), are reported together, once, and every file after them is listed all the
// same. The file shown at start is the last one the list keeps.
TEST_F(ImageFiles, DamagedAndTooLargeFilesInTheSaveFolderAreReportedOnceAndTheRestIsListed) {
    ASSERT_TRUE(WinFileSystem().createFolder(program_.path("data")));
    Picture good(RGB(0, 128, 255));
    ASSERT_TRUE(good.resize(30, 20));
    ASSERT_TRUE(good.WriteBitmapFile(Utf8ToWide(program_.path("data\\a.bmp"))));
    ASSERT_TRUE(WriteBytes(program_.path("data\\a2.png"), std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16)));
    ASSERT_TRUE(WriteBytes(program_.path("data\\b.jpg"), std::string("\xFF\xD8\xFF\xE0\0\x10JFIF", 10)));
    ASSERT_TRUE(WriteBytes(program_.path("data\\big.png"), BlackPng(40000, 40000)));
    ASSERT_TRUE(WriteBytes(program_.path("data\\c.gif"), ""));
    ASSERT_TRUE(WinFileSystem().createFolder(program_.path("data\\d.jpg")));
    ASSERT_TRUE(good.WriteBitmapFile(Utf8ToWide(program_.path("data\\e.bmp"))));
    ASSERT_TRUE(WriteBytes(program_.path("data\\z.png"), BlackPng(25000, 25000)));

    const ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(program_.Start(""));
    HWND box = program_.AwaitDialog(L"PNGファイル読込失敗");
    ASSERT_NE(box, nullptr);
    std::printf("start-up to the report, with PNGs of 40000 x 40000 and 25000 x 25000: %llu ms\n",
                GetTickCount64() - start);
    const std::string text = Program::DialogText(box);
    for (const char* name : {"data\\b.jpg", "data\\c.gif"})
        EXPECT_TRUE(Has(text, program_.path(name) + " の読み込みに失敗しました！\r\n")) << text;
    EXPECT_TRUE(Has(text, program_.path("data\\big.png") +
                              " の読み込みに失敗しました！\r\n7 画像が大きすぎます（40000 × 40000）。\r\n"))
        << text;
    EXPECT_TRUE(Has(text, program_.path("data\\z.png") +
                              " の読み込みに失敗しました！\r\n7 画像が大きすぎます（25000 × 25000）。\r\n"))
        << text;
    EXPECT_FALSE(Has(text, "a2.png")) << text;
    Program::Press(box, IDOK);
    main_ = program_.WaitForIdle();
    ASSERT_NE(main_, nullptr);
    EXPECT_TRUE(AwaitStatus("ロード完了！"));
    EXPECT_EQ(FileNameBox(main_), "e.bmp");
    const RECT preview = PreviewRect(main_);
    EXPECT_TRUE(Await([&] { return ScreenPixel(preview.left + 5, preview.top + 5) == RGB(0, 128, 255); }, 5000));
    EXPECT_FALSE(program_.AwaitDialog(L"PNGファイル読込失敗", 500)) << "reported once";
}

// Keys typed into the file-name box edit the name: Delete takes a letter, not the capture and its
// file, and the arrows move the caret, not to another entry whose name would replace the typed one.
TEST_F(ImageFiles, KeysTypedIntoTheFileNameBoxEditTheName) {
    ASSERT_TRUE(WinFileSystem().createFolder(program_.path("data")));
    Picture picture(RGB(0, 128, 255));
    ASSERT_TRUE(picture.resize(30, 20));
    for (const char* name : {"data\\a.bmp", "data\\b.bmp"})
        ASSERT_TRUE(picture.WriteBitmapFile(Utf8ToWide(program_.path(name))));
    main_ = program_.Run("");
    ASSERT_NE(main_, nullptr);
    ASSERT_TRUE(AwaitStatus("ロード完了！"));
    ASSERT_EQ(FileNameBox(main_), "b.bmp");
    SetForegroundWindow(main_);
    ASSERT_TRUE(Await([&] { return GetForegroundWindow() == main_; }, 5000));
    HWND box = GetDlgItem(main_, 105);
    RECT r{};
    GetWindowRect(box, &r);
    SetCursorPos(r.left + 4, (r.top + r.bottom) / 2);
    Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    const DWORD thread = GetWindowThreadProcessId(main_, nullptr);
    ASSERT_TRUE(Await(
        [&] {
            GUITHREADINFO info{sizeof info, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, {}};
            return GetGUIThreadInfo(thread, &info) && info.hwndFocus == box;
        },
        5000));
    for (const WORD vk : {WORD{VK_HOME}, WORD{VK_DELETE}}) {
        Key(vk, true);
        Key(vk, false);
    }
    EXPECT_TRUE(Await([&] { return FileNameBox(main_) == ".bmp"; }, 5000)) << FileNameBox(main_);
    for (const WORD vk : {WORD{VK_LEFT}, WORD{VK_RIGHT}, WORD{VK_LEFT}}) {
        Key(vk, true);
        Key(vk, false);
    }
    EXPECT_EQ(program_.AwaitDialog(L"削除確認", 1000), nullptr) << "Delete asked to delete the capture";
    EXPECT_EQ(FileNameBox(main_), ".bmp") << "an arrow stepped to another entry";
    EXPECT_TRUE(WinFileSystem().stat(program_.path("data\\a.bmp")) &&
                WinFileSystem().stat(program_.path("data\\b.bmp")));
}

// A file removed outside (as from Explorer) while its entry stays: the next capture of the same
// name is not saved under it, and deleting the old entry leaves the new file alone.
TEST_F(ImageFiles, ADeleteNeverTakesAnotherCapturesFileOfTheSameName) {
    Start("no tooltip = 0\r\nno confirm = 1\r\n");
    ASSERT_TRUE(CtrlC(main_));
    ASSERT_TRUE(Shortcut(main_, VK_CONTROL, 'S', "保存完了！"));
    ASSERT_EQ(program_.Jpegs().size(), 1u);
    const std::string first = program_.Jpegs()[0];
    ASSERT_TRUE(DeleteFileW(Utf8ToWide(program_.path("data\\" + first)).c_str()));
    ASSERT_TRUE(CtrlC(main_));
    ASSERT_TRUE(Shortcut(main_, VK_CONTROL, 'S', "保存完了！"));
    ASSERT_EQ(program_.Jpegs().size(), 1u);
    const std::string second = program_.Jpegs()[0];
    EXPECT_NE(second, first) << "the first entry still holds its name";
    PickMenuItem(main_, kMnuDel, 1);
    EXPECT_TRUE(AwaitStatus("削除完了"));
    EXPECT_EQ(program_.Jpegs(), std::vector<std::string>{second});
}

// A thousand files of one name: the next save counts on instead of writing over the last.
TEST_F(ImageFiles, TheThousandthFileOfANameIsANewFile) {
    ASSERT_TRUE(WinFileSystem().createFolder(program_.path("data")));
    for (int n = 1; n <= 999; ++n)
        ASSERT_TRUE(WriteBytes(program_.path("data\\base" + (n > 1 ? "_" + std::to_string(n) : "") + ".jpg"), "mine"));
    Start("no tooltip = 0\r\nauto listing = 0\r\n");
    ASSERT_TRUE(CtrlC(main_));
    // Named by hand before it is added.
    SendMessageW(GetDlgItem(main_, 105), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"base"));
    SendMessageW(GetDlgItem(main_, 102), BM_CLICK, 0, 0);
    ASSERT_TRUE(Await([&] { return FileNameBox(main_) == "base"; }, 5000));
    ASSERT_TRUE(Shortcut(main_, VK_CONTROL, 'S', "保存完了！"));
    EXPECT_EQ(WinFileSystem().readFile(program_.path("data\\base_999.jpg")), std::optional<std::string>("mine"));
    EXPECT_TRUE(Decoded(program_.path("data\\base_1000.jpg")).width > 0);
    EXPECT_EQ(program_.Jpegs().size(), 1000u);
    EXPECT_FALSE(WinFileSystem().stat(program_.path("data\\base_999.bmp")));
}

// A folder that takes no files (the kernel's process folder is one even for an administrator):
// the save fails with its message and no file is claimed. That Yes at closing then keeps the
// program open rather than lose the capture is a rule of the list, tested natively.
TEST_F(ImageFiles, ASaveIntoAFolderThatTakesNoFilesFailsWithItsMessage) {
    Start("no tooltip = 0\r\nsave folder path = Z:\\proc\r\n");
    ASSERT_TRUE(CtrlC(main_));
    Key(VK_CONTROL, true);
    Key('S', true);
    HWND box = program_.AwaitDialog(L"保存エラー");
    Key('S', false);
    Key(VK_CONTROL, false);
    ASSERT_NE(box, nullptr);
    const std::string text = Program::DialogText(box);
    EXPECT_TRUE(text.starts_with("Z:\\proc\\") && Has(text, ".jpgの作成に失敗！")) << text;
    Program::Press(box, IDOK);
    EXPECT_TRUE(AwaitStatus("保存エラー！"));
}

}  // namespace
}  // namespace tessarin::test
