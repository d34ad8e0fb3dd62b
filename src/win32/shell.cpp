#include "win32/shell.h"

#include <windows.h>
// These build on windows.h.
#include <commdlg.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "win32/handles.h"
#include "win32/imgctl_client.h"
#include "win32/wide.h"

namespace tessarin {

namespace {

// Selects the initial folder by its item list. Under Wine a selection made while the chooser is
// still starting is sometimes lost, so it is made again once the chooser's own loop runs.
void SelectFolder(HWND chooser, const wchar_t* folder) {
    PIDLIST_ABSOLUTE item = nullptr;
    if (FAILED(SHParseDisplayName(folder, nullptr, &item, 0, nullptr))) {
        SendMessageW(chooser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder));
        return;
    }
    const TaskMemory owned(item);
    SendMessageW(chooser, BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(item));
}

constexpr int kCsidlDesktop = 16;
constexpr int kCsidlWindows = 36;
constexpr int kCsidlLocalAppData = 28;

constexpr UINT_PTR kSelectAgainTimer = 0x7E55;
constexpr wchar_t kStartProperty[] = L"TessarinChooserStart";

void CALLBACK SelectAgain(HWND chooser, UINT, UINT_PTR timer, DWORD) {
    KillTimer(chooser, timer);
    if (const auto* folder = static_cast<const wchar_t*>(RemovePropW(chooser, kStartProperty)))
        SelectFolder(chooser, folder);
}

int CALLBACK FolderChooserStarted(HWND chooser, UINT message, LPARAM, LPARAM initial) {
    if (message != BFFM_INITIALIZED) return 0;
    const auto* folder = reinterpret_cast<const wchar_t*>(initial);
    SelectFolder(chooser, folder);
    if (SetPropW(chooser, kStartProperty, const_cast<wchar_t*>(folder)))
        SetTimer(chooser, kSelectAgainTimer, 0, SelectAgain);
    return 0;
}

}  // namespace

std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& initial) {
    const std::wstring wideTitle = Utf8ToWide(title);
    const std::wstring wideInitial = Utf8ToWide(initial);
    std::wstring displayName(MAX_PATH, L'\0');
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pszDisplayName = displayName.data();
    info.lpszTitle = wideTitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = FolderChooserStarted;
    info.lParam = reinterpret_cast<LPARAM>(wideInitial.c_str());
    const TaskMemory chosen(SHBrowseForFolderW(&info));
    if (!chosen) return {};
    // Long paths do not fit the classic buffer; the chooser's own allocation does.
    wchar_t* path = nullptr;
    if (FAILED(SHGetNameFromIDList(static_cast<PCIDLIST_ABSOLUTE>(chosen.get()), SIGDN_FILESYSPATH, &path))) return {};
    const TaskMemory pathMemory(path);
    return WideToUtf8(path);
}

std::optional<SaveChoice> ChooseSaveFile(HWND owner, const std::string& title, const std::string& filters,
                                         int32_t filterIndex, const std::string& name, const std::string& folder) {
    // The list ends with two zero characters.
    const std::wstring wideFilters = Utf8ToWide(filters) + std::wstring(2, L'\0');
    std::wstring file = Utf8ToWide(name);
    file.resize(std::max<size_t>(file.size() + 256, MAX_PATH + 1), L'\0');
    std::wstring fileTitle(256, L'\0');
    const std::wstring wideFolder = Utf8ToWide(folder);
    const std::wstring caption = Utf8ToWide(title);
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = wideFilters.c_str();
    request.nFilterIndex = static_cast<DWORD>(filterIndex);
    request.lpstrFile = file.data();
    request.nMaxFile = static_cast<DWORD>(file.size());
    request.lpstrFileTitle = fileTitle.data();
    request.nMaxFileTitle = static_cast<DWORD>(fileTitle.size());
    request.lpstrInitialDir = wideFolder.c_str();
    request.lpstrTitle = caption.c_str();
    request.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (!GetSaveFileNameW(&request)) return std::nullopt;
    return SaveChoice{WideToUtf8(std::wstring_view(file.c_str())), static_cast<int32_t>(request.nFilterIndex)};
}

std::string ProgramFolder() {
    // GetModuleFileNameW truncates silently when the buffer is short; grow until it fits.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        if (buffer.size() >= 32768) return {};
        buffer.assign(buffer.size() * 2, L'\0');
    }
    const size_t slash = buffer.rfind(L'\\');
    if (slash == std::wstring::npos) return {};
    buffer.resize(slash);
    return WideToUtf8(buffer);
}

bool ChangeCurrentFolder(const std::string& path) {
    // SetCurrentDirectoryW switches the drive along with the folder.
    return ::SetCurrentDirectoryW(Utf8ToWide(path).c_str()) != FALSE;
}

std::wstring EnvironmentValue(const wchar_t* name) {
    std::wstring value(64, L'\0');
    for (;;) {
        const DWORD length = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
        if (length == 0) return {};
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        value.resize(length);  // too small: length counts the terminating zero
    }
}

// The variable first: it is how the folder is named to users, and where an administrator moves it.
std::string LocalAppDataFolder() {
    const std::wstring named = EnvironmentValue(L"LOCALAPPDATA");
    return named.empty() ? SpecialFolderPath(kCsidlLocalAppData) : WideToUtf8(named);
}

std::string SpecialFolderPath(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer))) return {};
    buffer[MAX_PATH - 1] = L'\0';
    return WideToUtf8(buffer);
}

bool StartProcess(const std::string& commandLine) {
    // CreateProcessW may write into the command line, so it gets a private copy.
    std::wstring command = Utf8ToWide(commandLine);
    if (command.empty()) return false;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return false;
    }
    const UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);
    return true;
}

bool OpenDocument(const std::string& path) {
    const HINSTANCE result =
        ::ShellExecuteW(nullptr, L"open", Utf8ToWide(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // Values above 32 mean success; the result is an HINSTANCE only for old programs' sake.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

void OpenFolder(const std::string& folder, const PathContext& paths) {
    const CurrentFolderGuard restore(paths.fs.currentFolder());
    (void)StartProcess(OpenFolderCommand(folder, paths, SpecialFolderPath(kCsidlWindows)));
}

std::string WinShell::windowsFolder() const { return SpecialFolderPath(kCsidlWindows); }

std::string WinShell::desktopFolder() const { return SpecialFolderPath(kCsidlDesktop); }

// Without a sound device PlaySound returns at once, so a synchronous sound never hangs a pass.
void WinShell::playSound(const std::string& path, bool async) {
    PlaySoundW(Utf8ToWide(path).c_str(), nullptr, SND_FILENAME | SND_NODEFAULT | (async ? SND_ASYNC : SND_SYNC));
}

CodecVersion WinShell::imgctlVersion() {
    const ImgctlVersionResult result = QueryImgctlVersion(Utf8ToWide(paths_.programFolder + "\\imgctl.dll"));
    return {result.ok, result.version, result.errorNumber, WideToUtf8(result.description)};
}

// ExitProcess ends the other threads before anything is torn down, so a worker left behind never
// meets a destroyed object.
void WinShell::endProcess() { ::ExitProcess(0); }

bool RestrictLibrarySearch() {
    const bool restricted =
        ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR) != FALSE;
    // Also for callers that name no search flags of their own: the current folder is left out.
    return ::SetDllDirectoryW(L"") != FALSE && restricted;
}

}  // namespace tessarin
