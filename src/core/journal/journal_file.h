#pragma once
// One file of the capture journal: what an unsaved capture needs to come back after the program
// ended without saving it (a crash, a kill, a power cut), its strip thumbnail and its picture.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/imagelist/image.h"

namespace tessarin {

// Names one capture in the journal for as long as the program runs; 0 for none.
using JournalKey = uint64_t;

struct JournalRecord {
    uint64_t sequence = 0;  // its place among the captures of one run of the program
    std::string fullPath;   // where it would be saved (its proposed name)
    std::string windowText;
    int64_t capturedAt = 0;  // seconds since 1970
    friend bool operator==(const JournalRecord&, const JournalRecord&) = default;
};

// The whole file: the record, the thumbnail (at most 65535 pixels a side; none when empty) and
// the picture's bytes (PNG), checked by a checksum over all of it.
[[nodiscard]] std::string JournalFileBytes(const JournalRecord& record, const Image& thumbnail,
                                           std::string_view picture);

struct JournalFile {
    JournalRecord record;
    Image thumbnail;           // empty when the file has none
    std::string_view picture;  // within the bytes parsed
};
// Nothing for a file that is not whole: cut short, changed, or not a journal file at all.
[[nodiscard]] std::optional<JournalFile> ParseJournalFile(std::string_view bytes);

// "00000000000000000042.tjr": names sort as their sequences do.
[[nodiscard]] std::string JournalFileName(uint64_t sequence);
// The sequence a name stands for; nothing for any other name (a file being written, say).
[[nodiscard]] std::optional<uint64_t> SequenceOfJournalFile(std::string_view name);

}  // namespace tessarin
