// The status record in its named mapping, read through views of the test's own. That another
// program sees it is shown end to end, where the tests read the program's record.

#include "win32/status_record.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "win_test_support.h"

namespace tessarin::test {
namespace {

// The expected record: four zero bytes, then the narrow bytes padded with blanks to 32.
std::string Record(const std::string& narrow) {
    return std::string(4, '\0') + narrow + std::string(32 - narrow.size(), ' ');
}

TEST(SharedStatusRecord, EveryPublishedRecordIsSeenAndTheMappingLivesWithItsLastHolder) {
    // A mapping name of this test alone, so a running program cannot interfere.
    const std::string name = "TessarinTest.Record." + std::to_string(::GetCurrentProcessId());
    SharedStatusRecord creator, opener;
    ASSERT_TRUE(creator.OpenStatusRecord(name));
    EXPECT_EQ(ReadRecordBytes(name), std::string(36, '\0')) << "a new record is 36 zero bytes";
    ASSERT_TRUE(creator.PublishStatus("Go"));
    ASSERT_TRUE(opener.OpenStatusRecord(name));
    EXPECT_EQ(ReadRecordBytes(name), Record("Go")) << "opening the existing record must not clear it";

    // The reserved field is written as 0 with every update, whatever a reader left there; the
    // code page's bytes, cut at 32 and padded with blanks.
    const std::pair<std::string, std::string> cases[] = {
        {"キャプチャー完了", Record("\x83\x4C\x83\x83\x83\x76\x83\x60\x83\x83\x81\x5B\x8A\xAE\x97\xB9")},
        {std::string(32, 'x') + "12345678", Record(std::string(32, 'x'))},
        {"", Record("")},
    };
    for (const auto& [text, expected] : cases) {
        {
            const UniqueHandle mapping(::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, Utf8ToWide(name).c_str()));
            const MappedView view(mapping ? ::MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0) : nullptr);
            ASSERT_TRUE(view);
            std::memset(view.get(), 0x7F, 4);
        }
        ASSERT_TRUE(creator.PublishStatus(text));
        EXPECT_EQ(ReadRecordBytes(name), expected) << text;
    }

    // The creator's going leaves the mapping to the other holder, which still publishes into it.
    ASSERT_TRUE(creator.PublishStatus("Go"));
    EXPECT_TRUE(creator.CloseStatusRecord());
    EXPECT_FALSE(creator.PublishStatus("Stop"));
    EXPECT_EQ(ReadRecordBytes(name), Record("Go"));
    EXPECT_TRUE(opener.PublishStatus("Stop"));
    EXPECT_EQ(ReadRecordBytes(name), Record("Stop"));
    EXPECT_TRUE(opener.CloseStatusRecord());
    EXPECT_EQ(ReadRecordBytes(name), "") << "the mapping ends with its last holder";
    EXPECT_FALSE(opener.CloseStatusRecord() || opener.PublishStatus("Go")) << "nothing open";

    // A name taken by another kind of object cannot be opened as the record.
    const UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, Utf8ToWide(name).c_str()));
    ASSERT_TRUE(event);
    EXPECT_FALSE(opener.OpenStatusRecord(name) || opener.PublishStatus("Go"));
}

}  // namespace
}  // namespace tessarin::test
