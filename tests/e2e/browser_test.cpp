// A page in a browser of another program, as a user meets it: "parts" over a picture with
// "img download" on saves the picture's file into the save folder, from a server on 127.0.0.1.
// The browser is page_peer.exe, a document window with a scripted page (Wine has no browser).

#include "win/loopback_server.h"
// The server's header brings winsock2.h before windows.h.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/desk.h"
#include "e2e/program.h"

namespace tessarin::test {
namespace {

// A 1 x 1 PNG.
const std::string kPng(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x01\x00\x00\x00\x01\x08\x02\x00\x00"
    "\x00\x90\x77\x53\xde\x00\x00\x00\x0c\x49\x44\x41\x54\x78\x9c\x63\xf8\xcf\xc0\x00\x00\x03\x01\x01\x00\xc9\xfe\x92"
    "\xef\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
    69);

// Clear of the program's window and of the run's target window.
constexpr int kPageLeft = 100;
constexpr int kPageTop = 600;

class BrowserPage : public RunningProgram {
protected:
    void SetUp() override {
        server_.Serve("/pic.png?w=1", kPng);
        quit_.reset(CreateEventW(nullptr, TRUE, FALSE, event_.c_str()));
        std::wstring line = L"\"" + Utf8ToWide(ProgramFolder()) + L"\\page_peer.exe\" " + event_ + L" " +
                            server_.Url("/pic.png?w=1") + L" " + std::to_wstring(kPageLeft) + L" " +
                            std::to_wstring(kPageTop);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        ASSERT_TRUE(quit_ && CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                            &startup, &info));
        peer_.reset(info.hProcess);
        CloseHandle(info.hThread);
        ASSERT_TRUE(Await([] { return FindWindowW(L"Internet Explorer_Server", L"page_peer") != nullptr; }));
        // The parts target; "img download" is on by default.
        Start("no tooltip = 0\r\npos = 1\r\n");
    }
    void TearDown() override {
        RunningProgram::TearDown();
        SetEvent(quit_.get());
        EXPECT_EQ(ExitCodeOf(peer_), 0);
    }

    LoopbackServer server_;
    std::wstring event_ = L"TessarinPagePeer.e2e." + std::to_wstring(GetCurrentProcessId());
    UniqueHandle quit_;
    UniqueHandle peer_;
};

TEST_F(BrowserPage, PartsOverAPictureSavesItsFileIntoTheSaveFolder) {
    MovePointer(main_, kPageLeft + 50, kPageTop + 50);
    ASSERT_TRUE(CtrlC(main_));
    const std::string saved = program_.path("data\\pic.png");
    EXPECT_TRUE(Await([&] { return WinFileSystem().readFile(saved).value_or("") == kPng; }, 10000));
    EXPECT_EQ(server_.Agents(), std::vector<std::string>{"VB6"});
}

}  // namespace
}  // namespace tessarin::test
