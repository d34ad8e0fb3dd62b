#pragma once
// Folders and processes of the shell. Paths are UTF-8.

#include <windows.h>

#include <string>
#include <utility>

namespace tessarin {

// The folder of the running executable, without a trailing "\".
[[nodiscard]] std::string ProgramFolder();
// Makes the path the current folder (and its drive the current drive).
[[nodiscard]] bool ChangeCurrentFolder(const std::string& path);
// A shell folder by its CSIDL number (16: the desktop folder); "" when it has none.
[[nodiscard]] std::string SpecialFolderPath(int csidl);
// Starts a command line in a normal window without waiting for it.
[[nodiscard]] bool StartProcess(const std::string& commandLine);
// Opens a file or address with the program the shell associates with it.
[[nodiscard]] bool OpenDocument(const std::string& path);

// The system's folder chooser over owner, opened at initial; the chosen folder, or "" when the
// user cancelled or chose something that is not a folder of the file system.
[[nodiscard]] std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& initial);

// From now on libraries loaded by name come only from the system folder and the program's own
// folder, never from the current folder or the PATH, where anyone could plant one.
[[nodiscard]] bool RestrictLibrarySearch();

// Makes a folder current again when the scope ends: dialogs, the shell and GDI+ may move it,
// and the program's relative paths need it back.
class CurrentFolderGuard {
public:
    explicit CurrentFolderGuard(std::string folder) : folder_(std::move(folder)) {}
    CurrentFolderGuard(const CurrentFolderGuard&) = delete;
    CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;
    ~CurrentFolderGuard() { (void)ChangeCurrentFolder(folder_); }

private:
    std::string folder_;
};

}  // namespace tessarin
