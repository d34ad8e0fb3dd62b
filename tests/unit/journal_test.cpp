// The capture journal: its files read back exactly what was written, and nothing that is not
// whole is ever taken for a journal file.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/journal/journal_file.h"

namespace tessarin::test {
namespace {

TEST(JournalFile, ReadsBackWhatWasWrittenAndNothingThatIsNotWhole) {
    const std::vector<JournalRecord> records = {
        {42, "C:\\T\\data\\ウィンドウ__OK.jpg", "メモ帳 - 100% 完成", 1765000000},
        {0, "", "", 0},
        // Line breaks and the escape character itself in a window's title.
        {7, "C:\\a%0A.jpg", "two\r\nlines\n%25", -5},
    };
    const std::string picture = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(300, '\0') + "end";
    // A thumbnail comes back pixel for pixel (the unused top byte aside); none, or one too large
    // to describe, is written as none.
    Image thumbnail{3, 2, {0x000000, 0xFFFFFF, 0x123456, 0x00FF00, 0x0000FF, 0xFF0000}};
    Image tooWide{70000, 1, std::vector<uint32_t>(70000, 0x10)};
    const std::pair<Image, Image> thumbnails[] = {{thumbnail, thumbnail}, {Image{}, Image{}}, {tooWide, Image{}}};
    for (size_t i = 0; i < records.size(); ++i) {
        const JournalRecord& record = records[i];
        const auto& [given, expected] = thumbnails[i];
        const std::string bytes = JournalFileBytes(record, given, picture);
        const auto parsed = ParseJournalFile(bytes);
        ASSERT_TRUE(parsed) << record.sequence;
        EXPECT_EQ(parsed->record, record);
        EXPECT_EQ(parsed->picture, picture);
        EXPECT_EQ(std::tie(parsed->thumbnail.width, parsed->thumbnail.height, parsed->thumbnail.pixels),
                  std::tie(expected.width, expected.height, expected.pixels));
        // Cut short anywhere (a write the program did not live to finish), or one byte changed.
        for (size_t length = 0; length < bytes.size(); length += 7)
            EXPECT_FALSE(ParseJournalFile(std::string_view(bytes).substr(0, length))) << length;
        for (size_t at = 0; at < bytes.size(); at += 13) {
            std::string changed = bytes;
            changed[at] = static_cast<char>(changed[at] ^ 0x10);
            EXPECT_FALSE(ParseJournalFile(changed)) << at;
        }
    }
    for (const std::string& foreign : {std::string(), std::string("TSJOURNAL"), picture, std::string(4096, 'x')})
        EXPECT_FALSE(ParseJournalFile(foreign));
}

TEST(JournalFile, NamesSortAsTheirSequences) {
    EXPECT_EQ(JournalFileName(42), "00000000000000000042.tjr");
    EXPECT_LT(JournalFileName(9), JournalFileName(10));
    EXPECT_EQ(SequenceOfJournalFile(JournalFileName(18446744073709551615ULL)), 18446744073709551615ULL);
    for (const char* name : {"00000000000000000042.tjr.tmp", "0000000000000000042.tjr", "-0000000000000000042.tjr",
                             "0000000000000000004x.tjr", "lock", ""})
        EXPECT_FALSE(SequenceOfJournalFile(name)) << name;
    EXPECT_EQ(SequenceOfJournalFile("00000000000000000042.TJR"), 42U);
}

}  // namespace
}  // namespace tessarin::test
