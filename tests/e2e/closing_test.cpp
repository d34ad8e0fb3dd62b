// Closing with hostile timing: a close that arrives during start-up, captures tried under the
// closing question, and the end of the user's session.

#include <gtest/gtest.h>

#include <string>

#include "e2e/desk.h"
#include "e2e/program.h"

namespace tessarin::test {
namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A close posted as soon as the main window exists comes while start-up still lets messages
// run, before the settings are read: it waits for the end of start-up, and the file keeps what
// it held.
TEST(Closing, ACloseDuringStartUpEndsAfterItAndKeepsTheSettings) {
    Program program;
    ASSERT_TRUE(WriteBytes(program.path("conf.txt"), "hotkey copy = D\r\npos = 2\r\nsave folder path = shots\r\n"));
    ASSERT_TRUE(WinFileSystem().createFolder(program.path("shots")));
    ASSERT_TRUE(program.Start(""));
    HWND main = nullptr;
    ASSERT_TRUE(
        WaitUntil([&] { return (main = FindProcessWindow(program.processId(), L"frmTessarin")) != nullptr; }, 30000));
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(program.Exited(), 0u);
    const std::string conf = program.Conf();
    EXPECT_TRUE(Has(conf, "hotkey copy = D\r\n") && Has(conf, "pos = 2\r\n") &&
                Has(conf, "save folder path = shots\r\n") && Has(conf, "hotkey rect = Shift\r\n"))
        << conf;
}

using ClosingRun = RunningProgram;

// Ctrl+C while the question about unsaved images is open captures nothing: the question is
// about what the user sees, and answering No must not drop a capture nobody was asked about.
TEST_F(ClosingRun, NoCaptureSlipsInUnderTheClosingQuestion) {
    ASSERT_TRUE(CtrlC(main_));
    program_.Close();
    HWND box = program_.AwaitDialog(L"保存確認");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(Has(Program::DialogText(box), "No = 1 , ")) << Program::DialogText(box);
    Key(VK_CONTROL, true);
    Key('C', true);
    // A pass that saw the keys would blank the status line at once.
    EXPECT_FALSE(AwaitStatus("", 1000));
    Key('C', false);
    Key(VK_CONTROL, false);
    Program::Press(box, IDCANCEL);
    ASSERT_TRUE(Await([&] { return !IsWindow(box); }, 5000));

    program_.Close();
    box = program_.AwaitDialog(L"保存確認");
    ASSERT_NE(box, nullptr);
    const std::string text = Program::DialogText(box);
    EXPECT_EQ(text.substr(text.size() - 9), "No = 1 , ") << text;
    Program::Press(box, IDNO);
    EXPECT_EQ(program_.Exited(), 0u);
}

// Logging off with an unsaved capture: it is saved into the save folder and the settings are
// written, with no question that would hold the session up, and the program ends.
TEST_F(ClosingRun, TheEndOfTheSessionSavesTheCapturesAndTheSettings) {
    ASSERT_TRUE(CtrlC(main_));
    ASSERT_TRUE(program_.Jpegs().empty());
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
