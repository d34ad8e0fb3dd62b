// The commands of the image list as a user gives them: the delete items of the strip's menu with
// their questions, and a click on a thumbnail or the preview that puts the full image on the
// clipboard for other programs.

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
};

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

// Another program reads the whole capture, not its thumbnail, and the status names the entry,
// also during a run, whose pass sees the same press.
TEST_F(ListCommands, AClickOnAThumbnailOrThePreviewPutsTheFullImageOnTheClipboard) {
    Capture(2);
    const std::string full =
        "0: " + std::to_string(kTargetWidth) + " " + std::to_string(kTargetHeight) + " C81E28 C81E28";
    const POINT panel = PanelPoint(main_, 2);
    MovePointer(main_, panel.x, panel.y);
    Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(AwaitStatus("２をクリップボードに転送！"));
    EXPECT_EQ(PeerReads(), full);

    const RECT preview = PreviewRect(main_);
    MovePointer(main_, preview.left + 20, preview.top + 20);
    Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(AwaitStatus("画像をクリップボードに転送！"));
    EXPECT_EQ(PeerReads(), full);
}

// Another program drags a picture onto the first thumbnail through the strip's drop target: only
// that thumbnail shows it. (That the entry's own image stays the capture is a rule of the list,
// tested natively.)
TEST_F(ListCommands, ABitmapDroppedOnAThumbnailReplacesOnlyTheThumbnail) {
    const OleInit ole;
    ASSERT_TRUE(ole.ok());
    Capture(2);
    const Image green{30, 20, std::vector<uint32_t>(600, 0x20C020)};
    const POINT to = PanelPoint(main_, 1);

    // The drag starts from a press over a window of this process, as a user's would.
    const UniqueWindow source(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Static", nullptr,
                                              WS_POPUP | WS_VISIBLE | SS_NOTIFY, 300, 300, 60, 60, nullptr, nullptr,
                                              nullptr, nullptr));
    ASSERT_TRUE(source);
    EXPECT_EQ(InjectDrag(source.get(), to, [&] { return StartBitmapDrag(green); }), std::optional(true));
    EXPECT_TRUE(Await([&] { return ScreenPixel(to.x, to.y) == RGB(0x20, 0xC0, 0x20); }, 5000));
    EXPECT_EQ(ScreenPixel(PanelPoint(main_, 2).x, to.y), kTargetColour);
}

// A thumbnail dragged into another program's window arrives there as the full capture, a copy.
TEST_F(ListCommands, AThumbnailDraggedIntoAnotherProgramArrivesAsTheFullImage) {
    const OleInit ole;
    ASSERT_TRUE(ole.ok());
    Capture(1);
    const UniqueWindow receiver(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Static", nullptr,
                                                WS_POPUP | WS_VISIBLE, 300, 300, 120, 90, nullptr, nullptr, nullptr,
                                                nullptr));
    ASSERT_TRUE(receiver);
    std::vector<Image> drops;
    bool over = false;  // the drag has been over the receiver
    BitmapDropTarget target;
    ASSERT_TRUE(target.Register(
        receiver.get(),
        [&](POINT) {
            over = true;
            return true;
        },
        [&](POINT, Image image) { drops.push_back(std::move(image)); }));

    const POINT panel = PanelPoint(main_, 1);
    MovePointer(main_, panel.x, panel.y);
    Click(MOUSEEVENTF_LEFTDOWN, 0);
    // The program's drag has begun once it has copied the image and reported it. Its loop may hold
    // the run's passes: the drag itself shows where it is, by asking the receiver.
    EXPECT_TRUE(AwaitStatus("１をクリップボードに転送！"));
    for (int step = 1; step <= 8; ++step)
        EXPECT_TRUE(WarpPointer({panel.x + (360 - panel.x) * step / 8, panel.y + (345 - panel.y) * step / 8}));
    EXPECT_TRUE(Await([&] { return over; }, 10000));
    Click(0, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(Await([&] { return !drops.empty(); }, 10000));
    EXPECT_EQ(std::pair(drops[0].width, drops[0].height), std::pair(kTargetWidth, kTargetHeight));
    EXPECT_EQ(drops[0].pixels.front(), 0xC81E28U);
    target.Revoke();
}

}  // namespace
}  // namespace tessarin::test
