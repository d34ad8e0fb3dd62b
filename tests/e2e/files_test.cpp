// Captures that become files in the save folder (data, the default): saved with Ctrl+S, saved on closing, refused by a
// folder that cannot be written, and loaded back into the list at the next start.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/imgctl/wic_codec.h"
#include "e2e/desk.h"
#include "e2e/program.h"
#include "win32/picture.h"

namespace tessarin::test {
namespace {

constexpr int kTxtFileName = 105;  // the file-name box of the main window

// An image file as the system's imaging component reads it; no pixels when it cannot.
codec::Image Decoded(const std::string& path) {
    const codec::WicSession wic;
    codec::Image image;
    if (wic.factory() == nullptr || !codec::DecodeFile(wic.factory(), Utf8ToWide(path), image)) return {};
    return image;
}

std::string FileNameBox(HWND main) {
    // Another process's edit box answers only the message, not GetWindowText.
    wchar_t text[512] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(GetDlgItem(main, kTxtFileName), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    return WideToUtf8(text);
}

// Ctrl+S as a user types it during a run; true when the program reported the given status.
bool CtrlS(HWND main, const std::string& status) { return Shortcut(main, VK_CONTROL, 'S', status); }

// Each test starts the program itself, some with settings of their own.
class ImageFiles : public RunningProgram {
protected:
    void SetUp() override {}
    // Closes the program and returns the text of its question about unsaved images.
    std::string CloseQuestion(int answer) {
        program_.Close();
        HWND box = program_.AwaitDialog(L"保存確認");
        if (box == nullptr) return "<no question>";
        const std::string text = Program::DialogText(box);
        Program::Press(box, answer);
        return text;
    }
};

// Which entries the closing question names, and what No and Yes do with them, are rules of the
// list, tested natively.
TEST_F(ImageFiles, CtrlSWritesTheCaptureAsAJpeg) {
    Start();
    ASSERT_TRUE(CtrlC(main_));
    // The capture fits the preview: no scroll bars.
    EXPECT_FALSE(IsWindowVisible(FindWindowExW(PreviewWindow(main_), nullptr, L"ScrollBar", nullptr)));
    ASSERT_TRUE(CtrlS(main_, "保存完了！"));
    const std::vector<std::string> saved = program_.Jpegs();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(FileNameBox(main_), saved[0]);

    const codec::Image image = Decoded(program_.path("data\\" + saved[0]));
    ASSERT_EQ(std::pair(image.width, image.height), std::pair(UINT{kTargetWidth}, UINT{kTargetHeight}));
    const BYTE* centre = &image.bgra[(size_t{image.height} / 2 * image.width + image.width / 2) * 4];
    EXPECT_NEAR(centre[2], GetRValue(kTargetColour), 8);
    EXPECT_NEAR(centre[1], GetGValue(kTargetColour), 8);
    EXPECT_NEAR(centre[0], GetBValue(kTargetColour), 8);
}

TEST_F(ImageFiles, YesSavesEveryUnsavedCaptureAndTheNextStartLoadsThemInOrder) {
    Start();
    ASSERT_TRUE(CtrlC(main_));
    ASSERT_TRUE(CtrlC(main_));
    const std::string question = CloseQuestion(IDYES);
    EXPECT_EQ(question.substr(question.size() - 13), "No = 1 , 2 , ") << question;
    ASSERT_EQ(program_.Exited(), 0u);
    const std::vector<std::string> saved = program_.Jpegs();
    ASSERT_EQ(saved.size(), 2u);

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

// Accepts the save dialog, with a name typed in unless it is empty.
bool AcceptSaveDialog(const Program& program, const std::string& name) {
    // The first file dialog and folder window of a fresh Wine session take seconds to load.
    HWND dialog = program.AwaitDialog(L"名前を付けて保存", 30000);
    if (dialog == nullptr) return false;
    if (!name.empty()) {
        HWND box = GetDlgItem(dialog, 0x47C);  // the file-name combo box, or in older layouts the edit
        if (box == nullptr) box = GetDlgItem(dialog, 0x480);
        const std::wstring wide = Utf8ToWide(name);
        DWORD_PTR done = 0;
        SendMessageTimeoutW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG, 5000, &done);
    }
    Program::Press(dialog, IDOK);
    return Await([&] { return !IsWindow(dialog); }, 5000);
}

// Which folders the copy may go to is a rule of the list, tested natively.
TEST_F(ImageFiles, TheMenuSavesACopyOutsideTheSaveFolderAndAThumbnailFile) {
    Start();
    ASSERT_TRUE(CtrlC(main_));
    const TempFolder elsewhere;
    PickMenuItem(main_, kMnuSaveNameAs);
    ASSERT_TRUE(AcceptSaveDialog(program_, elsewhere / "copy"));
    // The JPEG filter was preselected for a name without an extension, so ".jpg" is added.
    EXPECT_TRUE(Await([&] { return WinFileSystem().stat(elsewhere / "copy.jpg").has_value(); }, 5000));
    EXPECT_EQ(Decoded(elsewhere / "copy.jpg").width, UINT{kTargetWidth});
    EXPECT_TRUE(program_.Jpegs().empty());

    // A thumbnail: the dialog proposes data\Thumb\Thumb_<name>; 160 x 120 fits 120 x 90 scaled.
    PickMenuItem(main_, kMnuThumnail);
    ASSERT_TRUE(AcceptSaveDialog(program_, ""));
    EXPECT_TRUE(Await([&] { return ChildWithText(main_, L"サムネイル生成完了") != nullptr; }, 5000));
    const std::vector<std::string> thumbs = WinFileSystem().list(program_.path("data\\Thumb\\Thumb_*.jpg"));
    ASSERT_EQ(thumbs.size(), 1u);
    const codec::Image thumb = Decoded(program_.path("data\\Thumb\\" + thumbs[0]));
    EXPECT_EQ(std::pair(thumb.width, thumb.height), std::pair(120u, 90u));
    // The folder window that opened afterwards shows the Thumb folder; it is closed again.
    HWND folderWindow = nullptr;
    EXPECT_TRUE(Await(
        [&] {
            EnumWindows(
                [](HWND window, LPARAM found) -> BOOL {
                    wchar_t title[512] = {};
                    GetWindowTextW(window, title, 512);
                    if (!IsWindowVisible(window) || std::wstring_view(title).find(L"Thumb") == std::wstring_view::npos)
                        return TRUE;
                    *reinterpret_cast<HWND*>(found) = window;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&folderWindow));
            return folderWindow != nullptr;
        },
        30000));
    if (folderWindow != nullptr) PostMessageW(folderWindow, WM_CLOSE, 0, 0);
}

// Damaged files in the save folder: a PNG that cannot be decoded is skipped without a word; the
// other files that cannot be read are reported together, once, and every file after them is
// listed all the same.
TEST_F(ImageFiles, DamagedFilesInTheSaveFolderAreReportedOnceAndTheRestIsListed) {
    ASSERT_TRUE(WinFileSystem().createFolder(program_.path("data")));
    Picture good(RGB(0, 128, 255));
    ASSERT_TRUE(good.resize(30, 20));
    ASSERT_TRUE(good.WriteBitmapFile(Utf8ToWide(program_.path("data\\a.bmp"))));
    ASSERT_TRUE(WriteBytes(program_.path("data\\a2.png"), std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16)));
    ASSERT_TRUE(WriteBytes(program_.path("data\\b.jpg"), std::string("\xFF\xD8\xFF\xE0\0\x10JFIF", 10)));
    ASSERT_TRUE(WriteBytes(program_.path("data\\c.gif"), ""));
    ASSERT_TRUE(WinFileSystem().createFolder(program_.path("data\\d.jpg")));
    ASSERT_TRUE(good.WriteBitmapFile(Utf8ToWide(program_.path("data\\e.bmp"))));

    ASSERT_TRUE(program_.Start(""));
    HWND box = program_.AwaitDialog(L"PNGファイル読込失敗");
    ASSERT_NE(box, nullptr);
    const std::string text = Program::DialogText(box);
    for (const char* name : {"data\\b.jpg", "data\\c.gif"})
        EXPECT_NE(text.find(program_.path(name) + " の読み込みに失敗しました！\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("a2.png"), std::string::npos) << text;
    Program::Press(box, IDOK);
    main_ = program_.WaitForIdle();
    ASSERT_NE(main_, nullptr);
    EXPECT_TRUE(AwaitStatus("ロード完了！"));
    EXPECT_EQ(FileNameBox(main_), "e.bmp");
    EXPECT_FALSE(program_.AwaitDialog(L"PNGファイル読込失敗", 500)) << "reported once";
}

// A folder that takes no files (the kernel's process folder is one even for an administrator):
// the save fails with its message, no file is claimed, and the capture stays unsaved.
TEST_F(ImageFiles, ASaveIntoAFolderThatTakesNoFilesFailsAndKeepsTheEntryUnsaved) {
    Start("no tooltip = 0\r\nsave folder path = Z:\\proc\r\n");
    ASSERT_TRUE(CtrlC(main_));
    Key(VK_CONTROL, true);
    Key('S', true);
    HWND box = program_.AwaitDialog(L"保存エラー");
    Key('S', false);
    Key(VK_CONTROL, false);
    ASSERT_NE(box, nullptr);
    const std::string text = Program::DialogText(box);
    EXPECT_EQ(text.rfind("Z:\\proc\\", 0), 0u) << text;
    EXPECT_NE(text.find(".jpgの作成に失敗！"), std::string::npos) << text;
    Program::Press(box, IDOK);
    EXPECT_TRUE(AwaitStatus("保存エラー！"));
    // That Yes at closing then keeps the program open rather than lose the capture is a rule of
    // the list, tested natively; the window stays open whenever the list says so (see Closing).
}

}  // namespace
}  // namespace tessarin::test
