#pragma once
// Name and path helpers: file names for images, program-relative and absolute paths, and
// any text made safe as a Windows file name. Paths use "\"; texts are UTF-8.

#include <algorithm>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/ports/filesystem.h"

namespace tessarin {

// Where relative paths are resolved: the program folder (no trailing "\") and the file
// system that answers the folder questions.
struct PathContext {
    const FileSystem& fs;
    std::string programFolder;
};

[[nodiscard]] std::string Unquote(std::string_view text);
[[nodiscard]] std::string GetExtension(std::string_view path);
[[nodiscard]] std::string StripExtension(std::string_view path);
[[nodiscard]] std::string FileNameOf(std::string_view path);
[[nodiscard]] std::string ParentFolder(std::string_view path);
// Changes the text in place and returns it.
std::string& SanitizeFileName(std::string& text);
// What Windows itself refuses or changes in a name, after SanitizeFileName: control characters
// become blanks, and trailing dots and blanks go (the system would drop them, and the file
// would not be where the name says). The text is changed in place and returned.
std::string& CreatableFileName(std::string& name);
// The path itself, or base_2, base_3 … for the first base name that no file has under any
// extension and that no path of `taken` (names the caller holds, whatever is on disk) has.
// "" when none is free.
[[nodiscard]] std::string UniqueName(std::string_view path, const FileSystem& fs,
                                     std::span<const std::string> taken = {});

struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};
[[nodiscard]] std::string TempName(const LocalTime& now);

[[nodiscard]] std::string CollapseBlanks(std::string_view text);
// An empty base is replaced (in the caller's variable) by the program folder.
[[nodiscard]] std::string AbsolutePath(std::string_view path, std::string& base, const PathContext& ctx);
[[nodiscard]] std::string RelativePath(std::string_view target, std::string_view base, const FileSystem& fs);
[[nodiscard]] bool FileExists(std::string_view path, const PathContext& ctx);
// The command line that opens a folder in the shell's file window: explorer.exe of the Windows
// folder, named in full ("" leaves it to the system's search).
[[nodiscard]] std::string OpenFolderCommand(std::string_view folder, const PathContext& ctx,
                                            std::string_view windowsFolder);

template <typename T>
[[nodiscard]] T MinOf(const T& a, const T& b) {
    return a < b ? a : b;
}
template <typename T>
[[nodiscard]] T MaxOf(const T& a, const T& b) {
    return a > b ? a : b;
}
template <typename T>
[[nodiscard]] bool IsTrue(const T& value) {
    return value != T{};
}

[[nodiscard]] int SelectedOptionIndex(std::span<const bool> options);
// Element 0 is never moved or compared.
void SortAscending(std::vector<std::string>& items);
// The first group of a pattern that matches exactly once, case-insensitively, by the linear
// matcher; "" otherwise, and for syntax outside it (back-references, look-arounds, counted repeats).
[[nodiscard]] std::string RegexFirstSubmatch(std::string_view text, std::string_view pattern);

}  // namespace tessarin
