// A session with the image list as a user goes through it, in one start of the program: a click
// on a thumbnail or the preview puts the full image on the clipboard for other programs; bitmaps
// are dragged in and out by other programs; the strip menu's save and delete items with their
// questions and dialogs; and the end of the user's session with a capture unsaved and the
// closing question open. Which entries a command takes, and that every command heeds Cancel, are
// rules of the list, tested natively.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

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

TEST_F(ListCommands, ASessionOfClicksDragsSavesAndDeletesEndedByLoggingOff) {
    const OleInit ole;
    ASSERT_TRUE(ole.ok());
    Capture(5);
    // Another program reads the whole capture, not its thumbnail, and the status names the entry,
    // also during a run, whose pass sees the same press.
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

    // A picture dragged onto the first thumbnail replaces only that thumbnail. The drag starts
    // from a press over a window of this process, as a user's would.
    {
        const UniqueWindow source(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Static", nullptr,
                                                  WS_POPUP | WS_VISIBLE | SS_NOTIFY, 300, 300, 60, 60, nullptr, nullptr,
                                                  nullptr, nullptr));
        ASSERT_TRUE(source);
        const Image green{30, 20, std::vector<uint32_t>(600, 0x20C020)};
        EXPECT_EQ(InjectDrag(source.get(), first, [&] { return StartBitmapDrag(green); }), std::optional(true));
        EXPECT_TRUE(Await([&] { return ScreenPixel(first.x, first.y) == RGB(0x20, 0xC0, 0x20); }, 5000));
        EXPECT_EQ(ScreenPixel(second.x, second.y), kTargetColour);
    }
    // Dragged out into another program's window, the entry arrives as the full capture, a copy.
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

    // A copy outside the save folder: the JPEG filter was preselected for a name without an
    // extension, so ".jpg" is added.
    const TempFolder elsewhere;
    PickMenuItem(main_, kMnuSaveNameAs);
    ASSERT_TRUE(AcceptSaveDialog(elsewhere / "copy"));
    EXPECT_TRUE(Await([&] { return WinFileSystem().stat(elsewhere / "copy.jpg").has_value(); }, 5000));
    const codec::Image copy = Decoded(elsewhere / "copy.jpg");
    EXPECT_EQ(std::pair(copy.width, copy.height), std::pair(UINT{kTargetWidth}, UINT{kTargetHeight}));
    EXPECT_TRUE(program_.Jpegs().empty());
    // A thumbnail: the dialog proposes data\Thumb\Thumb_<name>; 160 x 120 fits 120 x 90 scaled.
    PickMenuItem(main_, kMnuThumnail);
    ASSERT_TRUE(AcceptSaveDialog(""));
    EXPECT_TRUE(Await([&] { return ChildWithText(main_, L"サムネイル生成完了") != nullptr; }, 5000));
    const std::vector<std::string> thumbs = WinFileSystem().list(program_.path("data\\Thumb\\Thumb_*.jpg"));
    ASSERT_EQ(thumbs.size(), 1u);
    const codec::Image thumb = Decoded(program_.path("data\\Thumb\\" + thumbs[0]));
    EXPECT_EQ(std::pair(thumb.width, thumb.height), std::pair(120u, 90u));
    // The folder window that opened afterwards shows the Thumb folder; it is closed again.
    HWND folderWindow = nullptr;
    ASSERT_TRUE(Await(
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
    PostMessageW(folderWindow, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Await([&] { return !IsWindow(folderWindow); }, 10000));

    // Saved, then deleted from the right, the left and all: each command asks first, Cancel keeps
    // everything, OK removes the entries it named together with their files.
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

    // Ctrl+C while the question about unsaved images is open captures nothing: the question is
    // about what the user sees. Logging off with the question still open then saves the one
    // capture into the save folder and writes the settings, with no question that would hold the
    // session up, and the program ends.
    Capture(1);
    program_.Close();
    HWND box = program_.AwaitDialog(L"保存確認");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(Program::DialogText(box).ends_with("No = 1 , ")) << Program::DialogText(box);
    Key(VK_CONTROL, true);
    Key('C', true);
    // A pass that saw the keys would blank the status line at once.
    EXPECT_FALSE(AwaitStatus("", 1000));
    Key('C', false);
    Key(VK_CONTROL, false);
    ASSERT_TRUE(IsWindow(box));
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(main_, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    SendMessageTimeoutW(main_, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 30000, &answer);
    EXPECT_EQ(program_.Exited(), 0u);
    EXPECT_EQ(program_.Jpegs().size(), 1u);
    EXPECT_TRUE(Has(program_.Conf(), "no tooltip = 0\r\n")) << program_.Conf();
    EXPECT_EQ(program_.ConfLines(), 38u);
}

}  // namespace
}  // namespace tessarin::test
