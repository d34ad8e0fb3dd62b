#include "win32/filesystem.h"

#include <windows.h>

#include <gtest/gtest.h>
// These build on windows.h.
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "win32/shell.h"
#include "win32/wide.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

TEST(WinFileSystem, StatTellsFilesFoldersAndAttributesApart) {
    TempFolder folder;
    ASSERT_TRUE(folder.ok());
    WinFileSystem fs;
    ASSERT_TRUE(WriteBytes(folder / "plain.txt", "x"));
    ASSERT_TRUE(WriteBytes(folder / "hidden.txt", "x"));
    ASSERT_TRUE(WriteBytes(folder / "system.txt", "x"));
    ASSERT_TRUE(WriteBytes(folder / "画像.bmp", "x"));
    ASSERT_TRUE(::SetFileAttributesW(Utf8ToWide(folder / "hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(::SetFileAttributesW(Utf8ToWide(folder / "system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM));

    struct Case {
        std::string path;
        bool exists, folder, hidden, system;
    };
    const Case cases[] = {
        {folder / "plain.txt", true, false, false, false},
        {folder / "hidden.txt", true, false, true, false},
        {folder / "system.txt", true, false, false, true},
        {folder / "画像.bmp", true, false, false, false},
        {folder.path(), true, true, false, false},
        {folder.path() + "\\", true, true, false, false},
        {folder / "missing.txt", false, false, false, false},
        {folder / "missing\\x.txt", false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const auto info = fs.stat(c.path);
        ASSERT_EQ(info.has_value(), c.exists);
        if (!info) continue;
        EXPECT_EQ(info->folder, c.folder);
        EXPECT_EQ(info->hidden, c.hidden);
        EXPECT_EQ(info->system, c.system);
    }
}

TEST(WinFileSystem, ListMatchesWildcardsAndReturnsNamesOnly) {
    TempFolder folder;
    ASSERT_TRUE(folder.ok());
    WinFileSystem fs;
    for (const char* name : {"a", "a.bmp", "a.jpg.txt", "ab.jpg", "b.txt", "写真.png"}) {
        ASSERT_TRUE(WriteBytes(folder / name, "x"));
    }
    ASSERT_TRUE(fs.createFolder(folder / "sub"));

    struct Case {
        std::string pattern;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"a.*", {"a", "a.bmp", "a.jpg.txt"}},  // the name without extension matches too
        {"*", {"a", "a.bmp", "a.jpg.txt", "ab.jpg", "b.txt", "sub", "写真.png"}},
        {"写真.*", {"写真.png"}},
        {"c.*", {}},
        {"sub\\*", {}},  // an empty folder: "." and ".." are not names
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(Sorted(fs.list(folder / c.pattern)), Sorted(c.names));
    }
    EXPECT_TRUE(fs.list(folder / "missing\\*").empty());
}

TEST(WinFileSystem, CanonicaliseFoldsDotsAndRefusesWhatItCannotHold) {
    WinFileSystem fs;
    struct Case {
        std::string path;
        std::string expected;
    };
    const Case cases[] = {
        {"C:\\prog\\data\\..\\pics", "C:\\prog\\pics"},
        {"C:\\prog\\.\\data", "C:\\prog\\data"},
        {"C:\\prog\\a\\b\\..\\..\\c", "C:\\prog\\c"},
        {"C:\\prog\\..\\..\\x", "C:\\x"},
        {"C:\\プログラム\\データ\\..\\画像", "C:\\プログラム\\画像"},
        {"C:\\" + std::string(300, 'a') + "\\..\\b", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(fs.canonicalise(c.path), c.expected);
    }
}

TEST(WinFileSystem, ReadFileReturnsEveryByteOrNothing) {
    TempFolder folder;
    ASSERT_TRUE(folder.ok());
    WinFileSystem fs;
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
    const std::string small = std::string("a\0b\r\n\x81\x40", 7);
    ASSERT_TRUE(WriteBytes(folder / "big.bin", big));
    ASSERT_TRUE(WriteBytes(folder / "small.bin", small));
    ASSERT_TRUE(WriteBytes(folder / "empty.bin", ""));

    EXPECT_EQ(fs.readFile(folder / "big.bin"), big);
    EXPECT_EQ(fs.readFile(folder / "small.bin"), small);
    EXPECT_EQ(fs.readFile(folder / "empty.bin"), std::string());
    EXPECT_EQ(fs.readFile(folder / "missing.bin"), std::nullopt);
    EXPECT_EQ(fs.readFile(folder.path()), std::nullopt);
}

TEST(WinFileSystem, ReplaceFileSwapsInTheNewContentOrKeepsTheOld) {
    TempFolder folder;
    ASSERT_TRUE(folder.ok());
    WinFileSystem fs;
    const std::string conf = folder / "conf.txt";

    ASSERT_TRUE(fs.replaceFile(conf, "first\r\n"));
    EXPECT_EQ(fs.readFile(conf), "first\r\n");
    ASSERT_TRUE(fs.replaceFile(conf, "second"));
    EXPECT_EQ(fs.readFile(conf), "second");
    // A temporary left by an interrupted earlier write is simply overwritten.
    ASSERT_TRUE(WriteBytes(conf + ".tmp", "stale"));
    ASSERT_TRUE(fs.replaceFile(conf, ""));
    EXPECT_EQ(fs.readFile(conf), "");
    EXPECT_EQ(Sorted(fs.list(folder / "*")), std::vector<std::string>{"conf.txt"});

    // A folder in the temporary's place: the write fails, the old file and the folder stay.
    ASSERT_TRUE(fs.replaceFile(conf, "kept"));
    ASSERT_TRUE(fs.createFolder(conf + ".tmp"));
    EXPECT_FALSE(fs.replaceFile(conf, "lost"));
    EXPECT_EQ(fs.readFile(conf), "kept");
    ASSERT_TRUE(fs.stat(conf + ".tmp").has_value());
    EXPECT_TRUE(fs.stat(conf + ".tmp")->folder);
    ASSERT_TRUE(::RemoveDirectoryW(Utf8ToWide(conf + ".tmp").c_str()));

    // A folder in the target's place: the rename fails and the temporary is removed.
    ASSERT_TRUE(fs.createFolder(folder / "taken"));
    EXPECT_FALSE(fs.replaceFile(folder / "taken", "x"));
    EXPECT_TRUE(fs.stat(folder / "taken")->folder);
    EXPECT_FALSE(fs.stat(folder / "taken.tmp").has_value());

    // A target in a missing folder: nothing is written anywhere.
    EXPECT_FALSE(fs.replaceFile(folder / "missing\\conf.txt", "x"));
    EXPECT_EQ(Sorted(fs.list(folder / "*")), (std::vector<std::string>{"conf.txt", "taken"}));
}

TEST(WinFileSystem, CreateFolderAndCurrentFolder) {
    TempFolder folder;
    ASSERT_TRUE(folder.ok());
    WinFileSystem fs;
    const std::string sub = folder / "保存先";
    EXPECT_TRUE(fs.createFolder(sub));
    EXPECT_FALSE(fs.createFolder(sub)) << "it exists already";
    EXPECT_FALSE(fs.createFolder(folder / "missing\\deeper"));
    ASSERT_TRUE(fs.stat(sub).has_value());
    EXPECT_TRUE(fs.stat(sub)->folder);

    const std::string before = fs.currentFolder();
    ASSERT_FALSE(before.empty());
    ASSERT_TRUE(ChangeCurrentFolder(sub));
    EXPECT_EQ(fs.currentFolder(), sub);
    EXPECT_FALSE(ChangeCurrentFolder(folder / "missing"));
    EXPECT_EQ(fs.currentFolder(), sub);
    ASSERT_TRUE(ChangeCurrentFolder(before));
}

TEST(Shell, FoldersOfTheProgramAndTheShell) {
    WinFileSystem fs;
    const std::string program = ProgramFolder();
    ASSERT_FALSE(program.empty());
    EXPECT_NE(program.back(), '\\');
    EXPECT_TRUE(fs.stat(program + "\\win_tests.exe").has_value());

    const std::string desktop = SpecialFolderPath(CSIDL_DESKTOPDIRECTORY);
    ASSERT_FALSE(desktop.empty());
    ASSERT_TRUE(fs.stat(desktop).has_value());
    EXPECT_TRUE(fs.stat(desktop)->folder);
    EXPECT_EQ(SpecialFolderPath(0x7FFF), "");
}

TEST(Shell, StartProcessRunsTheCommandLineWithoutWaiting) {
    TempFolder folder;
    ASSERT_TRUE(folder.ok());
    // The started program must really run with its arguments: it creates the named event.
    const std::wstring eventName = L"TessarinStartProcess." + std::to_wstring(::GetCurrentProcessId());
    const UniqueHandle ack(::CreateEventW(nullptr, FALSE, FALSE, (eventName + L".ack").c_str()));
    std::vector<UniqueHandle> commands;
    for (const wchar_t* command : {L".read", L".publish", L".close", L".quit"}) {
        commands.emplace_back(::CreateEventW(nullptr, FALSE, FALSE, (eventName + command).c_str()));
    }
    const std::string commandLine = Quoted(ProgramFolder() + "\\status_peer.exe") + " TessarinStartProcessTest " +
                                    Quoted(WideToUtf8(eventName)) + " " + Quoted(folder / "結果.txt") + " x";
    ASSERT_TRUE(StartProcess(commandLine));
    ASSERT_EQ(::WaitForSingleObject(ack.get(), 30000), WAIT_OBJECT_0);
    EXPECT_EQ(WinFileSystem().readFile(folder / "結果.txt"), "1");
    ::SetEvent(commands[3].get());

    EXPECT_FALSE(StartProcess(""));
    EXPECT_FALSE(StartProcess(Quoted(folder / "missing.exe")));
    // The peer's mapping disappears when it has ended, before its folder goes away.
    EXPECT_TRUE(WaitUntil(
        [] { return !UniqueHandle(::OpenFileMappingW(FILE_MAP_READ, FALSE, L"TessarinStartProcessTest")).valid(); }));
}

TEST(Shell, OpenDocumentReportsAMissingFile) {
    TempFolder folder;
    ASSERT_TRUE(folder.ok());
    EXPECT_FALSE(OpenDocument(folder / "missing.html"));
}

}  // namespace
}  // namespace tessarin::test
