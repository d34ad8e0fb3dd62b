#pragma once
// Helpers shared by the Wine tests: a private temporary folder and the program folder.

#include <windows.h>

#include <atomic>
#include <string>

#include "win32/handles.h"
#include "win32/shell.h"
#include "win32/wide.h"

namespace tessarin::test {

// A new empty folder under the temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        static std::atomic<unsigned> counter{0};
        wchar_t base[MAX_PATH + 1] = {};
        const DWORD length = ::GetTempPathW(MAX_PATH + 1, base);
        std::wstring root(base, length);
        if (!root.empty() && root.back() == L'\\') root.pop_back();
        for (unsigned attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const std::wstring candidate = root + L"\\tessarin_test_" + std::to_wstring(::GetCurrentProcessId()) +
                                           L"_" + std::to_wstring(::GetTickCount()) + L"_" + std::to_wstring(counter++);
            if (::CreateDirectoryW(candidate.c_str(), nullptr)) path_ = candidate;
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        if (!path_.empty()) RemoveTree(path_);
    }

    [[nodiscard]] bool ok() const { return !path_.empty(); }
    [[nodiscard]] const std::wstring& wide() const { return path_; }
    [[nodiscard]] std::string path() const { return WideToUtf8(path_); }
    // A path inside the folder (UTF-8 in, UTF-8 out).
    [[nodiscard]] std::string operator/(const std::string& name) const { return path() + "\\" + name; }

    static void RemoveTree(const std::wstring& folder) {
        WIN32_FIND_DATAW data{};
        {
            const FindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
            if (find) {
                do {
                    const std::wstring name = data.cFileName;
                    if (name == L"." || name == L"..") continue;
                    const std::wstring child = folder + L"\\" + name;
                    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                        RemoveTree(child);
                    } else {
                        ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                        ::DeleteFileW(child.c_str());
                    }
                } while (::FindNextFileW(find.get(), &data));
            }
        }
        ::RemoveDirectoryW(folder.c_str());
    }

private:
    std::wstring path_;
};

// A command-line argument in double quotes. (Built by appending: "\"" + std::string trips a
// false -Wrestrict warning of GCC 12.)
inline std::string Quoted(const std::string& text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
}

// Polls a condition until it holds or the deadline passes; true when it held.
template <typename Predicate>
bool WaitUntil(Predicate done, DWORD deadlineMs = 30000) {
    const ULONGLONG end = ::GetTickCount64() + deadlineMs;
    while (!done()) {
        if (::GetTickCount64() >= end) return false;
        ::Sleep(10);
    }
    return true;
}

// Writes bytes to a file directly, without the code under test.
inline bool WriteBytes(const std::string& path, const std::string& bytes) {
    const UniqueHandle file(::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// The program folder of the build (Tessarin.exe, imgctl.dll). ctest passes its Linux path
// in TESSARIN_BIN; Wine shows the Linux root as drive Z:. Without it, the folder beside
// the test programs' own.
inline std::string ProgramBinFolder() {
    wchar_t value[4096] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"TESSARIN_BIN", value, 4096);
    if (length > 0 && length < 4096) {
        std::wstring path(value, length);
        if (!path.empty() && path.front() == L'/') {
            for (wchar_t& c : path) {
                if (c == L'/') c = L'\\';
            }
            path = L"Z:" + path;
        }
        return WideToUtf8(path);
    }
    return ProgramFolder() + "\\..\\bin";
}

}  // namespace tessarin::test
