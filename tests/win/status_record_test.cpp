#include "win32/status_record.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "win32/filesystem.h"
#include "win32/handles.h"
#include "win32/shell.h"
#include "win32/wide.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

constexpr DWORD kDeadlineMs = 30000;

// A mapping name of this test alone, so a running program or another test cannot interfere.
std::string UniqueMappingName() {
    static std::atomic<unsigned> counter{0};
    return "TessarinTest." + std::to_string(::GetCurrentProcessId()) + "." + std::to_string(::GetTickCount()) + "." +
           std::to_string(counter++);
}

// What another program polling the record sees: the 36 bytes, read through a view of its own.
std::optional<std::string> ReadRecord(const std::string& name) {
    const UniqueHandle mapping(::OpenFileMappingW(FILE_MAP_READ, FALSE, Utf8ToWide(name).c_str()));
    if (!mapping) return std::nullopt;
    const MappedView view(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return std::nullopt;
    return std::string(static_cast<const char*>(view.get()), 36);
}

// The expected record: four zero bytes, then the narrow bytes padded with blanks to 32.
std::string Record(const std::string& narrow) {
    std::string bytes(4, '\0');
    bytes += narrow;
    bytes.resize(36, ' ');
    return bytes;
}

const std::string kCaptureDoneUtf8 = "キャプチャー完了";
const std::string kCaptureDoneCp932 = "\x83\x4C\x83\x83\x83\x76\x83\x60\x83\x83\x81\x5B\x8A\xAE\x97\xB9";

// status_peer.exe driven through named events, each wait bounded by a deadline and cut short
// when the peer ends.
class Peer {
public:
    Peer(const std::string& mappingName, const std::string& publishText, const TempFolder& folder)
        : prefix_(L"TessarinPeer." + Utf8ToWide(mappingName)), resultFile_(folder / "peer_result.bin") {
        for (const wchar_t* command : {L".read", L".publish", L".close", L".quit"}) {
            commands_.emplace_back(::CreateEventW(nullptr, FALSE, FALSE, (prefix_ + command).c_str()));
        }
        ack_.reset(::CreateEventW(nullptr, FALSE, FALSE, (prefix_ + L".ack").c_str()));
        std::wstring commandLine = L"\"" + Utf8ToWide(ProgramFolder()) + L"\\status_peer.exe\" \"" +
                                   Utf8ToWide(mappingName) + L"\" \"" + prefix_ + L"\" \"" + Utf8ToWide(resultFile_) +
                                   L"\" \"" + Utf8ToWide(publishText) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (ack_ && ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                     &startup, &info)) {
            process_.reset(info.hProcess);
            UniqueHandle thread(info.hThread);
        }
    }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;
    ~Peer() {
        if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
            ::SetEvent(commands_[3].get());
            if (::WaitForSingleObject(process_.get(), kDeadlineMs) != WAIT_OBJECT_0) {
                ::TerminateProcess(process_.get(), 99);
            }
        }
    }

    [[nodiscard]] bool started() const { return static_cast<bool>(process_); }
    // The answer to the peer's start: "1" when it opened the record.
    [[nodiscard]] std::optional<std::string> openAnswer() { return Answer(); }
    [[nodiscard]] std::optional<std::string> read() { return Command(0); }
    [[nodiscard]] std::optional<std::string> publish() { return Command(1); }
    [[nodiscard]] std::optional<std::string> close() { return Command(2); }
    // The exit code, or nothing when it did not end in time.
    [[nodiscard]] std::optional<DWORD> quit() {
        ::SetEvent(commands_[3].get());
        if (::WaitForSingleObject(process_.get(), kDeadlineMs) != WAIT_OBJECT_0) return std::nullopt;
        DWORD code = 0;
        ::GetExitCodeProcess(process_.get(), &code);
        return code;
    }

private:
    std::optional<std::string> Command(int index) {
        if (!::SetEvent(commands_[static_cast<size_t>(index)].get())) return std::nullopt;
        return Answer();
    }
    std::optional<std::string> Answer() {
        if (!process_) return std::nullopt;
        const HANDLE waitables[2] = {ack_.get(), process_.get()};
        if (::WaitForMultipleObjects(2, waitables, FALSE, kDeadlineMs) != WAIT_OBJECT_0) return std::nullopt;
        return WinFileSystem().readFile(resultFile_);
    }

    std::wstring prefix_;
    std::string resultFile_;
    std::vector<UniqueHandle> commands_;
    UniqueHandle ack_;
    UniqueHandle process_;
};

TEST(SharedStatusRecord, AnotherProcessSeesEveryPublishedRecordAndKeepsTheMappingAlive) {
    TempFolder folder;
    ASSERT_TRUE(folder.ok());
    const std::string name = UniqueMappingName();

    SharedStatusRecord record;
    ASSERT_TRUE(record.OpenStatusRecord(name));
    EXPECT_EQ(ReadRecord(name), std::string(36, '\0')) << "a new record is 36 zero bytes";
    ASSERT_TRUE(record.PublishStatus("Go"));

    Peer peer(name, "Stop", folder);
    ASSERT_TRUE(peer.started());
    ASSERT_EQ(peer.openAnswer(), "1");
    EXPECT_EQ(peer.read(), Record("Go")) << "opening the existing record must not clear it";

    // The reserved field is written as 0 with every update, whatever a reader left there.
    {
        const UniqueHandle mapping(::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, Utf8ToWide(name).c_str()));
        ASSERT_TRUE(mapping);
        const MappedView view(::MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
        ASSERT_TRUE(view);
        std::memset(view.get(), 0x7F, 4);
    }

    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {kCaptureDoneUtf8, Record(kCaptureDoneCp932)},
        {std::string(32, 'x') + "12345678", Record(std::string(32, 'x'))},
        {"", Record("")},
        {"Stop", Record("Stop")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(record.PublishStatus(c.text));
        EXPECT_EQ(peer.read(), c.expected);
    }

    // The record was made here; the peer's handle alone keeps it, and its last status, alive.
    ASSERT_TRUE(record.PublishStatus(kCaptureDoneUtf8));
    EXPECT_TRUE(record.CloseStatusRecord());
    EXPECT_FALSE(record.PublishStatus("Go"));
    EXPECT_EQ(peer.read(), Record(kCaptureDoneCp932));
    EXPECT_EQ(peer.publish(), "1");
    EXPECT_EQ(ReadRecord(name), Record("Stop"));

    EXPECT_EQ(peer.close(), "1");
    EXPECT_EQ(peer.quit(), 0u);
    EXPECT_EQ(ReadRecord(name), std::nullopt) << "the mapping ends with its last holder";
}

TEST(SharedStatusRecord, TheRecordIsCreatedByWhicheverProcessComesFirst) {
    TempFolder folder;
    ASSERT_TRUE(folder.ok());
    const std::string name = UniqueMappingName();

    Peer peer(name, kCaptureDoneUtf8, folder);
    ASSERT_TRUE(peer.started());
    ASSERT_EQ(peer.openAnswer(), "1");
    EXPECT_EQ(ReadRecord(name), std::string(36, '\0'));
    ASSERT_EQ(peer.publish(), "1");

    SharedStatusRecord record;
    ASSERT_TRUE(record.OpenStatusRecord(name));
    EXPECT_EQ(ReadRecord(name), Record(kCaptureDoneCp932));
    ASSERT_TRUE(record.PublishStatus("Go"));
    EXPECT_EQ(peer.read(), Record("Go"));
    EXPECT_EQ(peer.quit(), 0u);
    EXPECT_EQ(ReadRecord(name), Record("Go"));
}

TEST(SharedStatusRecord, ASecondRecordInTheSameProcessSharesTheMapping) {
    const std::string name = UniqueMappingName();
    SharedStatusRecord first;
    SharedStatusRecord second;
    ASSERT_TRUE(first.OpenStatusRecord(name));
    ASSERT_TRUE(first.PublishStatus("Go"));
    ASSERT_TRUE(second.OpenStatusRecord(name));
    EXPECT_EQ(ReadRecord(name), Record("Go"));
    ASSERT_TRUE(second.PublishStatus("Stop"));
    EXPECT_EQ(ReadRecord(name), Record("Stop"));
    EXPECT_TRUE(first.CloseStatusRecord());
    EXPECT_TRUE(second.PublishStatus("Go"));
    EXPECT_EQ(ReadRecord(name), Record("Go"));
}

TEST(SharedStatusRecord, PublishingWithoutAnOpenRecordFailsAndWritesNothing) {
    const std::string name = UniqueMappingName();
    SharedStatusRecord never;
    EXPECT_FALSE(never.PublishStatus("Go"));
    EXPECT_FALSE(never.CloseStatusRecord());

    SharedStatusRecord watcher;  // keeps the mapping alive after the record under test closes
    ASSERT_TRUE(watcher.OpenStatusRecord(name));
    SharedStatusRecord record;
    ASSERT_TRUE(record.OpenStatusRecord(name));
    ASSERT_TRUE(record.PublishStatus("Stop"));
    EXPECT_TRUE(record.CloseStatusRecord());
    EXPECT_FALSE(record.isOpen());
    EXPECT_FALSE(record.PublishStatus("Go"));
    EXPECT_FALSE(record.CloseStatusRecord());
    EXPECT_EQ(ReadRecord(name), Record("Stop"));

    // Opening again works after a close, and a second open replaces the first.
    ASSERT_TRUE(record.OpenStatusRecord(name));
    ASSERT_TRUE(record.OpenStatusRecord(name));
    EXPECT_TRUE(record.PublishStatus("Go"));
    EXPECT_EQ(ReadRecord(name), Record("Go"));
}

TEST(SharedStatusRecord, ANameTakenByAnotherKindOfObjectCannotBeOpened) {
    const std::string name = UniqueMappingName();
    const UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, Utf8ToWide(name).c_str()));
    ASSERT_TRUE(event);
    SharedStatusRecord record;
    EXPECT_FALSE(record.OpenStatusRecord(name));
    EXPECT_FALSE(record.PublishStatus("Go"));
}

}  // namespace
}  // namespace tessarin::test
