#include "win32/filesystem.h"

#include <windows.h>
// These build on windows.h.
#include <shlwapi.h>

#include <algorithm>
#include <exception>

#include "win32/handles.h"
#include "win32/wide.h"

namespace tessarin {

namespace {

constexpr DWORD kChunk = 1u << 20;

[[nodiscard]] bool WriteAll(HANDLE file, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD part = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kChunk));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, part, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

}  // namespace

std::optional<FileInfo> WinFileSystem::stat(const std::string& path) const {
    const DWORD attributes = ::GetFileAttributesW(Utf8ToWide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return FileInfo{(attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, (attributes & FILE_ATTRIBUTE_HIDDEN) != 0,
                    (attributes & FILE_ATTRIBUTE_SYSTEM) != 0};
}

std::vector<std::string> WinFileSystem::list(const std::string& pattern) const {
    std::vector<std::string> names;
    for (ListedFile& file : listFiles(pattern)) names.push_back(std::move(file.name));
    return names;
}

std::vector<ListedFile> WinFileSystem::listFiles(const std::string& pattern) const {
    std::vector<ListedFile> files;
    WIN32_FIND_DATAW data{};
    // The basic information only: the short names cost a lookup per file.
    const FindHandle find(::FindFirstFileExW(Utf8ToWide(pattern).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                             nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return files;
    do {
        const std::wstring_view name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const auto join = [](DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; };
        const DWORD attributes = data.dwFileAttributes;
        files.push_back(
            ListedFile{WideToUtf8(name),
                       FileInfo{(attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, (attributes & FILE_ATTRIBUTE_HIDDEN) != 0,
                                (attributes & FILE_ATTRIBUTE_SYSTEM) != 0},
                       FileStamp{join(data.nFileSizeHigh, data.nFileSizeLow),
                                 join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)}});
    } while (::FindNextFileW(find.get(), &data));
    return files;
}

std::string WinFileSystem::canonicalise(const std::string& path) const {
    const std::wstring source = Utf8ToWide(path);
    // The call assumes both buffers hold MAX_PATH characters; a longer source is refused
    // here rather than trusted to every implementation's bounds check.
    if (source.size() >= MAX_PATH) return {};
    wchar_t result[MAX_PATH] = {};
    if (!::PathCanonicalizeW(result, source.c_str())) return {};
    result[MAX_PATH - 1] = L'\0';
    return WideToUtf8(result);
}

std::string WinFileSystem::currentFolder() const {
    // The folder can change between the two calls; retry until the buffer was big enough.
    std::wstring buffer(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return WideToUtf8(buffer);
        }
        buffer.assign(length, L'\0');
    }
    return {};
}

std::optional<std::string> WinFileSystem::readFile(const std::string& path) const {
    const UniqueHandle file(::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    const unsigned long long expected =
        ::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0 ? static_cast<unsigned long long>(size.QuadPart) : 0;
    // Each ReadFile is bounded to one chunk; reading goes on until the end rather than
    // trusting the size, since the file may change meanwhile.
    const DWORD step = static_cast<DWORD>(std::clamp<unsigned long long>(expected + 1, 4096, kChunk));
    std::string content;
    try {
        if (expected < content.max_size() - step) content.reserve(static_cast<size_t>(expected) + step);
        for (;;) {
            const size_t old = content.size();
            content.resize(old + step);
            DWORD read = 0;
            if (!::ReadFile(file.get(), content.data() + old, step, &read, nullptr)) return std::nullopt;
            content.resize(old + read);
            if (read == 0) break;
        }
    } catch (const std::exception&) {
        // A file too large for memory is a file that cannot be read.
        return std::nullopt;
    }
    return content;
}

// Flushed before it is closed: a rename that follows never puts a file in place whose bytes are
// still only in the system's cache when the power goes.
bool WriteWholeFile(const std::wstring& path, std::string_view bytes, DWORD attributes) {
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
    // Nothing was created: whatever blocks the name is not ours to delete.
    if (!file) return false;
    const bool written = WriteAll(file.get(), bytes) && ::FlushFileBuffers(file.get());
    const bool closed = ::CloseHandle(file.release()) != FALSE;
    if (written && closed) return true;
    ::DeleteFileW(path.c_str());
    return false;
}

// The new content goes to "<path>.tmp" beside the target and replaces it in one rename,
// so a crash or a full disk never leaves a half-written file under the real name. A hidden file
// is hidden from its creation on (the rename keeps that), so it never shows for a moment; and
// rewriting a hidden temporary file left by a crash needs the attribute given again.
bool WinFileSystem::replaceFile(const std::string& path, const std::string& bytes, FileVisibility visibility) {
    const std::wstring target = Utf8ToWide(path);
    if (target.empty()) return false;
    const std::wstring temporary = target + L".tmp";
    const DWORD attributes = visibility == FileVisibility::Hidden ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL;
    if (!WriteWholeFile(temporary, bytes, attributes)) return false;
    if (!::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

bool WinFileSystem::createFolder(const std::string& path) {
    return ::CreateDirectoryW(Utf8ToWide(path).c_str(), nullptr) != FALSE;
}

}  // namespace tessarin
