#include "win32/status_record.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "win32/filesystem.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

// The expected record: four zero bytes, then the narrow bytes padded with blanks to 32.
std::string Record(const std::string& narrow) {
    return std::string(4, '\0') + narrow + std::string(32 - narrow.size(), ' ');
}

const std::string kCaptureDoneCp932 = "\x83\x4C\x83\x83\x83\x76\x83\x60\x83\x83\x81\x5B\x8A\xAE\x97\xB9";

// status_peer.exe, started the way the program starts other programs; every answer is awaited
// with a deadline.
class Peer {
public:
    Peer(const std::string& name, const TempFolder& folder) : file_(folder / "交換.txt") {
        go_.reset(::CreateEventW(nullptr, FALSE, FALSE, Utf8ToWide(name + ".go").c_str()));
        ack_.reset(::CreateEventW(nullptr, FALSE, FALSE, Utf8ToWide(name + ".ack").c_str()));
        started_ = go_ && ack_ &&
                   StartProcess(Quoted(ProgramFolder() + "\\status_peer.exe") + " " + name + " " + Quoted(file_));
    }
    // Waits for the peer to end, so its exchange file is free to go.
    ~Peer() { (void)Ask("q"); }

    // The answer to a command, or to the peer's start when there is none.
    [[nodiscard]] std::optional<std::string> Ask(const std::string& command = "") {
        if (!command.empty() && !(WriteBytes(file_, command) && ::SetEvent(go_.get()))) return std::nullopt;
        if (!started_ || ::WaitForSingleObject(ack_.get(), 30000) != WAIT_OBJECT_0) return std::nullopt;
        return WinFileSystem().readFile(file_);
    }

private:
    std::string file_;
    UniqueHandle go_, ack_;
    bool started_ = false;
};

TEST(SharedStatusRecord, AnotherProcessSeesEveryPublishedRecordAndKeepsTheMappingAlive) {
    TempFolder folder;
    // A mapping name of this test alone, so a running program or another test cannot interfere.
    const std::string name = "TessarinTest.Peer." + std::to_string(::GetCurrentProcessId());
    SharedStatusRecord record;
    ASSERT_TRUE(record.OpenStatusRecord(name));
    EXPECT_EQ(ReadRecordBytes(name), std::string(36, '\0')) << "a new record is 36 zero bytes";
    ASSERT_TRUE(record.PublishStatus("Go"));

    Peer peer(name, folder);
    ASSERT_EQ(peer.Ask(), "1");
    EXPECT_EQ(peer.Ask("r"), Record("Go")) << "opening the existing record must not clear it";

    // The reserved field is written as 0 with every update, whatever a reader left there.
    {
        const UniqueHandle mapping(::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, Utf8ToWide(name).c_str()));
        const MappedView view(mapping ? ::MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0) : nullptr);
        ASSERT_TRUE(view);
        std::memset(view.get(), 0x7F, 4);
    }
    const std::pair<std::string, std::string> cases[] = {
        {"キャプチャー完了", Record(kCaptureDoneCp932)},
        {std::string(32, 'x') + "12345678", Record(std::string(32, 'x'))},
        {"", Record("")},
    };
    for (const auto& [text, expected] : cases) {
        ASSERT_TRUE(record.PublishStatus(text));
        EXPECT_EQ(peer.Ask("r"), expected) << text;
    }

    // The record was made here; the peer's handle alone keeps it, and its last status, alive.
    ASSERT_TRUE(record.PublishStatus("キャプチャー完了"));
    EXPECT_TRUE(record.CloseStatusRecord());
    EXPECT_FALSE(record.PublishStatus("Go"));
    EXPECT_EQ(peer.Ask("r"), Record(kCaptureDoneCp932));
    EXPECT_EQ(peer.Ask("pStop"), "1");
    EXPECT_EQ(ReadRecordBytes(name), Record("Stop"));
    EXPECT_EQ(peer.Ask("c"), "1");
    EXPECT_EQ(ReadRecordBytes(name), "") << "the mapping ends with its last holder";
}

TEST(SharedStatusRecord, WithoutAnOpenRecordNothingIsPublished) {
    SharedStatusRecord record;
    EXPECT_FALSE(record.PublishStatus("Go"));
    EXPECT_FALSE(record.CloseStatusRecord());
    // A name taken by another kind of object cannot be opened as the record.
    const std::string name = "TessarinTest.Event." + std::to_string(::GetCurrentProcessId());
    const UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, Utf8ToWide(name).c_str()));
    ASSERT_TRUE(event);
    EXPECT_FALSE(record.OpenStatusRecord(name));
    EXPECT_FALSE(record.PublishStatus("Go"));
}

}  // namespace
}  // namespace tessarin::test
