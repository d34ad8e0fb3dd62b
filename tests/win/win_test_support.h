#pragma once
// Helpers shared by the Wine and the end-to-end tests: a private temporary folder, waits, files
// read and written without the code under test, and the tests' helper programs.

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "codecs/imgctl/wic_codec.h"
#include "win32/filesystem.h"
#include "win32/handles.h"
#include "win32/messages.h"
#include "win32/shell.h"
#include "win32/wide.h"

namespace tessarin::test {

// A new empty folder under the temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        static std::atomic<unsigned> counter{0};
        wchar_t base[MAX_PATH + 1] = {};
        const std::wstring root(base, ::GetTempPathW(MAX_PATH + 1, base));  // ends in "\"
        path_ = root + L"tessarin_test_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                std::to_wstring(::GetTickCount()) + L"_" + std::to_wstring(counter++);
        if (!::CreateDirectoryW(path_.c_str(), nullptr)) path_.clear();
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }

    [[nodiscard]] bool ok() const { return !path_.empty(); }
    [[nodiscard]] const std::wstring& wide() const { return path_; }
    [[nodiscard]] std::string path() const { return WideToUtf8(path_); }
    // A path inside the folder (UTF-8 in, UTF-8 out).
    [[nodiscard]] std::string operator/(const std::string& name) const { return path() + "\\" + name; }

private:
    std::wstring path_;
};

// A command-line argument in double quotes. (Built by appending: "\"" + std::string trips a
// false -Wrestrict warning of GCC 12.)
inline std::string Quoted(const std::string& text) { return std::string(1, '"').append(text).append(1, '"'); }

// Polls a condition until it holds or the deadline passes; true when it held. With pump, the
// messages of this thread run meanwhile, so windows the test owns stay alive.
template <typename Predicate>
bool WaitUntil(Predicate done, DWORD deadlineMs = 30000, bool pump = false) {
    const ULONGLONG end = ::GetTickCount64() + deadlineMs;
    while (!done()) {
        if (::GetTickCount64() >= end) return false;
        if (pump) ProcessPendingMessages();
        ::Sleep(10);
    }
    return true;
}
template <typename Predicate>
bool Await(Predicate done, DWORD deadlineMs = 30000) {
    return WaitUntil(done, deadlineMs, true);
}

// Puts the pointer there; true once it is.
inline bool WarpPointer(POINT at) {
    ::SetCursorPos(at.x, at.y);
    return Await(
        [&] {
            POINT p{};
            return ::GetCursorPos(&p) && p.x == at.x && p.y == at.y;
        },
        10000);
}

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
    const UniqueHandle file(::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}
// "" when there is no such file.
inline std::string ReadBytes(const std::string& path) {
    std::ifstream file(std::filesystem::path(Utf8ToWide(path)), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// A bitmap file of that header, colour table and pixel bytes.
inline std::string BitmapFileBytes(const BITMAPINFOHEADER& info, const std::string& colours,
                                   const std::string& pixels) {
    const auto bytes = [](const auto& value) {
        return std::string(reinterpret_cast<const char*>(&value), sizeof value);
    };
    const auto offset = static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof info + colours.size());
    const BITMAPFILEHEADER file{0x4D42, offset + static_cast<DWORD>(pixels.size()), 0, 0, offset};
    return bytes(file) + bytes(info) + colours + pixels;
}

// An image file as the system's imaging component reads it; no pixels when it cannot.
inline codec::Image Decoded(const std::string& path) {
    const codec::WicSession wic;
    codec::Image image;
    if (wic.factory() == nullptr || !codec::DecodeFile(wic.factory(), Utf8ToWide(path), image)) return {};
    return image;
}

// The 36 bytes of a status record as another program sees them through a view of its own;
// "" when no program holds a mapping of that name.
inline std::string ReadRecordBytes(const std::string& name) {
    const UniqueHandle mapping(::OpenFileMappingW(FILE_MAP_READ, FALSE, Utf8ToWide(name).c_str()));
    const MappedView view(mapping ? ::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 36) : nullptr);
    return view ? std::string(static_cast<const char*>(view.get()), 36) : std::string();
}

// The program folder of the build (Tessarin.exe, imgctl.dll), beside the test programs' own.
inline std::string ProgramBinFolder() { return ProgramFolder() + "\\..\\bin"; }

// A helper program of the tests (clipboard_peer.exe, page_peer.exe), started with arguments.
inline UniqueHandle StartTestProgram(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring line = L"\"" + Utf8ToWide(ProgramFolder()) + L"\\" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return {};
    }
    const UniqueHandle thread(info.hThread);
    return UniqueHandle(info.hProcess);
}

// The exit code, or -1 when the program did not end within a minute.
inline long ExitCodeOf(const UniqueHandle& process) {
    DWORD code = 0;
    const bool ended = process && ::WaitForSingleObject(process.get(), 60000) == WAIT_OBJECT_0;
    return ended && ::GetExitCodeProcess(process.get(), &code) ? static_cast<long>(code) : -1;
}

// What another program reads from the clipboard, after its exit code:
// "0: <width> <height> <RRGGBB top left> <RRGGBB bottom right>", or "0: none".
inline std::string PeerReads() {
    TempFolder folder;
    const std::string result = folder / "clipboard.txt";
    const long code = ExitCodeOf(StartTestProgram(L"clipboard_peer.exe", L"read \"" + Utf8ToWide(result) + L"\""));
    return std::to_string(code) + ": " + WinFileSystem().readFile(result).value_or("");
}

}  // namespace tessarin::test
