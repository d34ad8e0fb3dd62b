// The commands of the image list as a user gives them: the strip menu's delete and save items
// with their questions and dialogs, a click on a thumbnail or the preview that puts the full
// image on the clipboard for other programs, and bitmaps dragged in and out by other programs.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "codecs/imgctl/wic_codec.h"
#include "e2e/desk.h"
#include "e2e/program.h"
#include "win32/drag_drop.h"

namespace tessarin::test {
namespace {

class ListCommands : public RunningProgram {
protected:
    // Captures the target window n times.
    void Capture(int n) {
        MovePointer(main_, 140, 120);
        for (int i = 0; i < n; ++i) ASSERT_TRUE(CtrlC(main_)) << i;
    }
    // Gives a menu command on a panel and answers its question; the question's text.
    std::string Answer(WORD command, int position, int button, const wchar_t* title = L"削除確認") {
        PickMenuItem(main_, command, position);
        HWND box = program_.AwaitDialog(title);
        if (box == nullptr) return "<no question>";
        const std::string text = Program::DialogText(box);
        Program::Press(box, button);
        EXPECT_TRUE(Await([&] { return !IsWindow(box); }, 5000));
        return text;
    }
    // Accepts the save dialog, with a name typed in unless it is empty.
    bool AcceptSaveDialog(const std::string& name) {
        // The first file dialog and folder window of a fresh Wine session take seconds to load.
        HWND dialog = program_.AwaitDialog(L"名前を付けて保存", 30000);
        if (dialog == nullptr) return false;
        HWND box = GetDlgItem(dialog, 0x47C);  // the file-name combo box, or in older layouts the edit
        if (box == nullptr) box = GetDlgItem(dialog, 0x480);
        const std::wstring wide = Utf8ToWide(name);
        DWORD_PTR done = 0;
        if (!name.empty())
            SendMessageTimeoutW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG, 5000,
                                &done);
        Program::Press(dialog, IDOK);
        return Await([&] { return !IsWindow(dialog); }, 5000);
    }
};

// The size of an image file as the system's imaging component reads it; 0 x 0 when it cannot.
std::pair<UINT, UINT> DecodedSize(const std::string& path) {
    const codec::WicSession wic;
    codec::Image image;
    if (wic.factory() == nullptr || !codec::DecodeFile(wic.factory(), Utf8ToWide(path), image)) return {};
    return {image.width, image.height};
}

// Five saved captures; each delete command asks first, Cancel keeps everything, OK removes the
// entries it named together with their files. (That every command heeds Cancel is a rule of the
// list, tested natively; here one Cancel shows the answer reaching it.)
TEST_F(ListCommands, DeleteRightLeftAndAllAskAndRemoveTheirEntriesWithTheirFiles) {
    Capture(5);
    EXPECT_EQ(Answer(kMnuAllSave, 1, IDOK, L"保存確認"), "リストの全ての未保存画像を保存します。よろしいですか？");
    ASSERT_TRUE(Await([&] { return program_.Jpegs().size() == 5; }));
    const std::vector<std::string> saved = program_.Jpegs();  // in position order: x.jpg, x_2.jpg ...

    EXPECT_EQ(Answer(kMnuRightDel, 4, IDCANCEL), "選択画像を含め右側を全て削除します。よろしいですか？");
    // The program answers a message once the command that asked has returned.
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored));
    EXPECT_EQ(program_.Jpegs().size(), 5u);
    // (The "削除完了" report is the list's, tested natively: here the run's next pass may blank the
    // status line for the click that closed the menu before it could be read.)
    EXPECT_EQ(Answer(kMnuRightDel, 4, IDOK), "選択画像を含め右側を全て削除します。よろしいですか？");
    EXPECT_TRUE(Await([&] { return program_.Jpegs() == std::vector<std::string>(saved.begin(), saved.begin() + 3); }));

    EXPECT_EQ(Answer(kMnuLeftDel, 2, IDOK), "選択画像を含め左側を全て削除します。よろしいですか？");
    EXPECT_TRUE(Await([&] { return program_.Jpegs() == std::vector<std::string>{saved[2]}; }));

    EXPECT_EQ(Answer(kMnuAllDel, 1, IDOK), "一覧の画像を全て削除します。よろしいですか？");
    EXPECT_TRUE(Await([&] { return program_.Jpegs().empty(); }));
}

// Another program reads the whole capture, not its thumbnail, and the status names the entry, also
// during a run, whose pass sees the same press. A picture another program drags onto the first
// thumbnail replaces only that thumbnail: dragged out again, the entry is still the capture, a
// copy. The menu then saves a copy outside the save folder and a thumbnail file. (That the entry's
// own image stays the capture, and which folders the copy may go to, are rules of the list.)
TEST_F(ListCommands, ClicksDragsAndTheSaveItemsCarryTheFullCaptureAndADropOnlyItsThumbnail) {
    const OleInit ole;
    ASSERT_TRUE(ole.ok());
    Capture(2);
    const std::string full =
        "0: " + std::to_string(kTargetWidth) + " " + std::to_string(kTargetHeight) + " C81E28 C81E28";
    const POINT first = PanelPoint(main_, 1), second = PanelPoint(main_, 2);
    MovePointer(main_, second.x, second.y);
    Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(AwaitStatus("２をクリップボードに転送！"));
    EXPECT_EQ(PeerReads(), full);
    const RECT preview = PreviewRect(main_);
    MovePointer(main_, preview.left + 20, preview.top + 20);
    Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(AwaitStatus("画像をクリップボードに転送！"));
    EXPECT_EQ(PeerReads(), full);

    {
        // The drag starts from a press over a window of this process, as a user's would.
        const UniqueWindow source(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Static", nullptr,
                                                  WS_POPUP | WS_VISIBLE | SS_NOTIFY, 300, 300, 60, 60, nullptr, nullptr,
                                                  nullptr, nullptr));
        ASSERT_TRUE(source);
        const Image green{30, 20, std::vector<uint32_t>(600, 0x20C020)};
        EXPECT_EQ(InjectDrag(source.get(), first, [&] { return StartBitmapDrag(green); }), std::optional(true));
        EXPECT_TRUE(Await([&] { return ScreenPixel(first.x, first.y) == RGB(0x20, 0xC0, 0x20); }, 5000));
        EXPECT_EQ(ScreenPixel(second.x, second.y), kTargetColour);
    }
    {
        const UniqueWindow receiver(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Static", nullptr,
                                                    WS_POPUP | WS_VISIBLE, 300, 300, 120, 90, nullptr, nullptr, nullptr,
                                                    nullptr));
        std::vector<Image> drops;
        bool over = false;  // the drag has been over the receiver
        BitmapDropTarget target;
        ASSERT_TRUE(receiver && target.Register(
                                    receiver.get(), [&](POINT) { return over = true; },
                                    [&](POINT, Image image) { drops.push_back(std::move(image)); }));
        MovePointer(main_, first.x, first.y);
        Click(MOUSEEVENTF_LEFTDOWN, 0);
        // The program's drag has begun once it has copied the image and reported it. Its loop may
        // hold the run's passes: the drag itself shows where it is, by asking the receiver.
        EXPECT_TRUE(AwaitStatus("１をクリップボードに転送！"));
        for (int step = 1; step <= 8; ++step)
            EXPECT_TRUE(WarpPointer({first.x + (360 - first.x) * step / 8, first.y + (345 - first.y) * step / 8}));
        EXPECT_TRUE(Await([&] { return over; }, 10000));
        Click(0, MOUSEEVENTF_LEFTUP);
        ASSERT_TRUE(Await([&] { return !drops.empty(); }, 10000));
        EXPECT_EQ(std::tuple(drops[0].width, drops[0].height, drops[0].pixels.front()),
                  std::tuple(kTargetWidth, kTargetHeight, 0xC81E28U));
        target.Revoke();
    }

    const TempFolder elsewhere;
    PickMenuItem(main_, kMnuSaveNameAs);
    ASSERT_TRUE(AcceptSaveDialog(elsewhere / "copy"));
    // The JPEG filter was preselected for a name without an extension, so ".jpg" is added.
    EXPECT_TRUE(Await([&] { return WinFileSystem().stat(elsewhere / "copy.jpg").has_value(); }, 5000));
    EXPECT_EQ(DecodedSize(elsewhere / "copy.jpg"), std::pair(UINT{kTargetWidth}, UINT{kTargetHeight}));
    EXPECT_TRUE(program_.Jpegs().empty());
    // A thumbnail: the dialog proposes data\Thumb\Thumb_<name>; 160 x 120 fits 120 x 90 scaled.
    PickMenuItem(main_, kMnuThumnail);
    ASSERT_TRUE(AcceptSaveDialog(""));
    EXPECT_TRUE(Await([&] { return ChildWithText(main_, L"サムネイル生成完了") != nullptr; }, 5000));
    const std::vector<std::string> thumbs = WinFileSystem().list(program_.path("data\\Thumb\\Thumb_*.jpg"));
    ASSERT_EQ(thumbs.size(), 1u);
    EXPECT_EQ(DecodedSize(program_.path("data\\Thumb\\" + thumbs[0])), std::pair(120u, 90u));
    // The folder window that opened afterwards shows the Thumb folder; it is closed again.
    HWND folderWindow = nullptr;
    EXPECT_TRUE(Await(
        [&] {
            EnumWindows(
                [](HWND window, LPARAM found) -> BOOL {
                    if (!IsWindowVisible(window) || WindowText(window).find(L"Thumb") == std::wstring::npos)
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

}  // namespace
}  // namespace tessarin::test
