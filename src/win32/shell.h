#pragma once
// Folders and processes of the shell. Paths are UTF-8.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "core/ports/shell.h"
#include "core/text/paths.h"

namespace tessarin {

// The folder of the running executable, without a trailing "\".
[[nodiscard]] std::string ProgramFolder();
// Makes the path the current folder (and its drive the current drive).
[[nodiscard]] bool ChangeCurrentFolder(const std::string& path);
// A shell folder by its CSIDL number (16: the desktop folder); "" when it has none.
[[nodiscard]] std::string SpecialFolderPath(int csidl);
// The user's local application data ("%LOCALAPPDATA%"); "" when the system names none.
[[nodiscard]] std::string LocalAppDataFolder();
// A variable of the process's environment; "" when it is not set.
[[nodiscard]] std::wstring EnvironmentValue(const wchar_t* name);
// Starts a command line in a normal window without waiting for it.
[[nodiscard]] bool StartProcess(const std::string& commandLine);
// Opens a file or address with the program the shell associates with it.
[[nodiscard]] bool OpenDocument(const std::string& path);

// Explorer on a folder, relative ones taken inside the program folder; the current folder stays.
void OpenFolder(const std::string& folder, const PathContext& paths);

// The shell as the program asks it, with the codec library and the sounds.
class WinShell final : public Shell {
public:
    explicit WinShell(const PathContext& paths) : paths_(paths) {}
    [[nodiscard]] std::string windowsFolder() const override;
    [[nodiscard]] std::string desktopFolder() const override;
    [[nodiscard]] bool changeCurrentFolder(const std::string& path) override { return ChangeCurrentFolder(path); }
    void openFolder(const std::string& folder) override { OpenFolder(folder, paths_); }
    void openDocument(const std::string& path) override { (void)OpenDocument(path); }
    void playSound(const std::string& path, bool async) override;
    [[nodiscard]] CodecVersion imgctlVersion() override;
    void endProcess() override;

private:
    const PathContext& paths_;
};

// The system's folder chooser over owner, opened at initial; the chosen folder, or "" when the
// user cancelled or chose something that is not a folder of the file system.
[[nodiscard]] std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& initial);

// The system's save dialog over owner, opened in folder with the name proposed and the filter
// (1-based) chosen; filters are (description, pattern) pairs separated by zero characters. The path
// and the filter the user picked; nothing when cancelled. It may move the current folder.
struct SaveChoice {
    std::string path;
    int32_t filterIndex = 1;
};
[[nodiscard]] std::optional<SaveChoice> ChooseSaveFile(HWND owner, const std::string& title, const std::string& filters,
                                                       int32_t filterIndex, const std::string& name,
                                                       const std::string& folder);

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
