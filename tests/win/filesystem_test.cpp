#include "win32/filesystem.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "win32/shell.h"
#include "win32/wide.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::ranges::sort(names);
    return names;
}

// What stat tells of a path, in words.
std::string Kind(const std::optional<FileInfo>& info) {
    if (!info) return "missing";
    return std::string(info->folder ? "folder" : "file") + (info->hidden ? " hidden" : "") +
           (info->system ? " system" : "");
}

TEST(WinFileSystem, StatListAndCreateFolderSeeNamesAttributesAndWildcards) {
    TempFolder folder;
    WinFileSystem fs;
    for (const char* name : {"a", "a.bmp", "a.jpg.txt", "写真.png", "h.txt", "s.txt"})
        ASSERT_TRUE(WriteBytes(folder / name, "x"));
    ASSERT_TRUE(::SetFileAttributesW(Utf8ToWide(folder / "h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(::SetFileAttributesW(Utf8ToWide(folder / "s.txt").c_str(), FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(fs.createFolder(folder / "保存先"));
    EXPECT_FALSE(fs.createFolder(folder / "保存先")) << "it exists already";
    EXPECT_FALSE(fs.createFolder(folder / "missing\\deeper"));

    const std::pair<std::string, std::string> stats[] = {
        {"a.bmp", "file"},      {"h.txt", "file hidden"},   {"s.txt", "file system"},     {"写真.png", "file"},
        {"保存先\\", "folder"}, {"missing.txt", "missing"}, {"missing\\x.txt", "missing"}};
    for (const auto& [name, kind] : stats) EXPECT_EQ(Kind(fs.stat(folder / name)), kind) << name;

    const std::pair<std::string, std::vector<std::string>> lists[] = {
        {"a.*", {"a", "a.bmp", "a.jpg.txt"}},  // the name without extension matches too
        {"写真.*", {"写真.png"}},
        {"保存先\\*", {}},  // an empty folder: "." and ".." are not names
        {"missing\\*", {}}};
    for (const auto& [pattern, names] : lists) EXPECT_EQ(Sorted(fs.list(folder / pattern)), names) << pattern;
}

TEST(WinFileSystem, CanonicaliseFoldsDotsAndRefusesWhatItCannotHold) {
    const std::pair<std::string, std::string> cases[] = {{"C:\\prog\\data\\..\\pics", "C:\\prog\\pics"},
                                                         {"C:\\prog\\.\\a\\b\\..\\..\\c", "C:\\prog\\c"},
                                                         {"C:\\prog\\..\\..\\x", "C:\\x"},
                                                         {"C:\\プログラム\\データ\\..\\画像", "C:\\プログラム\\画像"},
                                                         {"C:\\" + std::string(300, 'a') + "\\..\\b", ""}};
    for (const auto& [path, expected] : cases) EXPECT_EQ(WinFileSystem().canonicalise(path), expected) << path;
}

TEST(WinFileSystem, ReadFileReturnsEveryByteAndReplaceFileSwapsInTheNewContentOrKeepsTheOld) {
    TempFolder folder;
    WinFileSystem fs;
    const std::string conf = folder / "conf.txt";
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
    for (const std::string& bytes : {big, std::string("a\0b\r\n\x81\x40", 7), std::string()}) {
        ASSERT_TRUE(WriteBytes(conf, bytes));
        EXPECT_EQ(fs.readFile(conf), bytes) << bytes.size();
    }
    EXPECT_EQ(fs.readFile(folder / "missing.bin"), std::nullopt);
    EXPECT_EQ(fs.readFile(folder.path()), std::nullopt);

    // A temporary left by an interrupted earlier write is simply overwritten.
    ASSERT_TRUE(WriteBytes(conf + ".tmp", "stale"));
    ASSERT_TRUE(fs.replaceFile(conf, "kept"));
    EXPECT_EQ(fs.readFile(conf), "kept");
    EXPECT_EQ(fs.list(folder / "*"), std::vector<std::string>{"conf.txt"});

    // A folder in the temporary's place: the write fails, the old file and the folder stay.
    ASSERT_TRUE(fs.createFolder(conf + ".tmp"));
    EXPECT_FALSE(fs.replaceFile(conf, "lost"));
    EXPECT_EQ(fs.readFile(conf), "kept");
    EXPECT_TRUE(fs.stat(conf + ".tmp").value_or(FileInfo{}).folder);
    ASSERT_TRUE(::RemoveDirectoryW(Utf8ToWide(conf + ".tmp").c_str()));

    // A folder in the target's place: the rename fails and the temporary is removed; a target
    // in a missing folder writes nothing anywhere.
    ASSERT_TRUE(fs.createFolder(folder / "taken"));
    EXPECT_FALSE(fs.replaceFile(folder / "taken", "x"));
    EXPECT_FALSE(fs.replaceFile(folder / "missing\\conf.txt", "x"));
    EXPECT_EQ(Sorted(fs.list(folder / "*")), (std::vector<std::string>{"conf.txt", "taken"}));
}

// A file of the program's own bookkeeping in the user's folder is hidden when it is written and
// whenever it is written again, whatever the file it replaces or a crash left behind was.
TEST(WinFileSystem, AHiddenFileIsHiddenFromItsFirstWriteAndStaysHiddenThroughEveryRewrite) {
    TempFolder folder;
    WinFileSystem fs;
    const std::string cache = folder / "Tessarin.thumbs";
    const auto hidden = [&] { return fs.stat(cache).value_or(FileInfo{}).hidden; };
    // The new file, a rewrite of it, a file shown before (an older version's), and a rewrite over
    // a hidden temporary a crash left: each ends up hidden with the new content.
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"new", [] {}},
        {"rewritten", [] {}},
        {"shown before", [&] { ASSERT_TRUE(fs.replaceFile(cache, "old", FileVisibility::Shown) && !hidden()); }},
        {"hidden temporary left",
         [&] { ASSERT_TRUE(fs.replaceFile(cache + ".tmp", "stale", FileVisibility::Hidden)); }},
    };
    for (const auto& [what, before] : cases) {
        SCOPED_TRACE(what);
        before();
        ASSERT_TRUE(fs.replaceFile(cache, what, FileVisibility::Hidden));
        EXPECT_TRUE(hidden());
        EXPECT_EQ(fs.readFile(cache), what);
        EXPECT_FALSE(fs.stat(cache + ".tmp"));
        // As the folder is listed: the file is there, marked hidden.
        const std::vector<ListedFile> listed = fs.listFiles(folder / "*");
        ASSERT_EQ(listed.size(), 1U);
        EXPECT_TRUE(listed[0].info.hidden);
    }
}

TEST(Shell, FoldersAndProgramsThatStartOrCannotBeStartedOrOpened) {
    EXPECT_TRUE(WinFileSystem().stat(SpecialFolderPath(16)).value_or(FileInfo{}).folder);  // the desktop folder
    EXPECT_EQ(SpecialFolderPath(0x7FFF), "");
    // A program that starts gets its arguments whole: the clipboard peer writes what it reads.
    const TempFolder folder;
    const std::string result = folder / "結果 1.txt";
    ASSERT_TRUE(StartProcess(Quoted(ProgramFolder() + "\\clipboard_peer.exe") + " read " + Quoted(result)));
    EXPECT_TRUE(WaitUntil([&] { return !ReadBytes(result).empty(); }));
    EXPECT_FALSE(StartProcess(""));
    EXPECT_FALSE(StartProcess(Quoted(ProgramFolder() + "\\missing.exe")));
    EXPECT_FALSE(OpenDocument(ProgramFolder() + "\\missing.html"));
}

// A library planted in the current folder is loaded by name until the search is restricted,
// and never after.
TEST(RestrictLibrarySearch, ALibraryInTheCurrentFolderIsNoLongerFoundByName) {
    TempFolder folder;
    ASSERT_TRUE(::CopyFileW(Utf8ToWide(ProgramBinFolder() + "\\mpng.dll").c_str(),
                            Utf8ToWide(folder / "planted_test.dll").c_str(), FALSE));
    const std::string previous = WinFileSystem().currentFolder();
    ASSERT_TRUE(ChangeCurrentFolder(folder.path()));
    {
        const ModuleHandle before(::LoadLibraryW(L"planted_test.dll"));
        EXPECT_TRUE(before) << "the current folder is searched by default";
    }
    EXPECT_TRUE(RestrictLibrarySearch());
    const ModuleHandle after(::LoadLibraryW(L"planted_test.dll"));
    EXPECT_FALSE(after);
    // The system's own libraries are still found by name.
    EXPECT_TRUE(ModuleHandle(::LoadLibraryW(L"version.dll")));
    ASSERT_TRUE(ChangeCurrentFolder(previous));
}

}  // namespace
}  // namespace tessarin::test
