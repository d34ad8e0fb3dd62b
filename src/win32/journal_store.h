#pragma once
// The capture journal's files on the real file system: folders, the lock files kept open without
// sharing, files written through to the disk and renamed into place, and pictures as PNG through
// the imaging component.

#include <windows.h>

#include <map>
#include <string>

#include "core/ports/clock.h"
#include "core/ports/filesystem.h"
#include "core/ports/journal_store.h"
#include "win32/handles.h"

namespace tessarin {

class WinJournalStore final : public JournalStore {
public:
    // Files are read through the program's file system.
    explicit WinJournalStore(const FileSystem& fs) : fs_(fs) {}
    WinJournalStore(const WinJournalStore&) = delete;
    WinJournalStore& operator=(const WinJournalStore&) = delete;

    [[nodiscard]] bool lock(const std::string& folder) override;
    void unlock(const std::string& folder) override;
    [[nodiscard]] Made makeFolder(const std::string& path) override;
    void removeFolder(const std::string& path) override;
    [[nodiscard]] std::vector<Listed> list(const std::string& folder) const override;
    [[nodiscard]] std::optional<std::string> read(const std::string& path) const override;
    [[nodiscard]] bool write(const std::string& path, std::string_view bytes) override;
    [[nodiscard]] bool rename(const std::string& from, const std::string& to, bool replace) override;
    bool remove(const std::string& path) override;
    [[nodiscard]] std::optional<std::string> encodePicture(const Image& image) const override;
    [[nodiscard]] SharedImage decodePicture(std::string_view bytes) const override;

private:
    const FileSystem& fs_;
    std::map<std::string, UniqueHandle> locks_;  // by folder; the window's thread only
};

// The system's clock.
class SystemClock final : public Clock {
public:
    [[nodiscard]] int64_t now() const override;
};

}  // namespace tessarin
