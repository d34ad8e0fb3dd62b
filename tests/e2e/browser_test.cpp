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

// The browser goes after the program, whatever the test's end.
class BrowserPage : public RunningProgram {
protected:
    void SetUp() override {}
    void TearDown() override {
        RunningProgram::TearDown();
        SetEvent(quit_.get());
        EXPECT_EQ(ExitCodeOf(peer_), 0);
    }
    UniqueHandle quit_, peer_;
};

TEST_F(BrowserPage, PartsOverAPictureSavesItsFileIntoTheSaveFolder) {
    // Clear of the program's window and of the run's target window.
    constexpr int kPageLeft = 100, kPageTop = 600;
    LoopbackServer server;
    server.Serve("/pic.png?w=1", kTinyPng);
    const std::wstring event = L"TessarinPagePeer.e2e." + std::to_wstring(GetCurrentProcessId());
    quit_.reset(CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
    peer_ = StartTestProgram(L"page_peer.exe", event + L" " + server.Url("/pic.png?w=1") + L" " +
                                                   std::to_wstring(kPageLeft) + L" " + std::to_wstring(kPageTop));
    ASSERT_TRUE(quit_ && peer_);
    ASSERT_TRUE(Await([] { return FindWindowW(L"Internet Explorer_Server", L"page_peer") != nullptr; }));
    // The parts target; "img download" is on by default.
    Start("no tooltip = 0\r\npos = 1\r\n");
    MovePointer(main_, kPageLeft + 50, kPageTop + 50);
    ASSERT_TRUE(CtrlC(main_));
    const std::string saved = program_.path("data\\pic.png");
    EXPECT_TRUE(Await([&] { return WinFileSystem().readFile(saved).value_or("") == kTinyPng; }, 10000));
    EXPECT_EQ(server.Agents(), std::vector<std::string>{"VB6"});
}

}  // namespace
}  // namespace tessarin::test
