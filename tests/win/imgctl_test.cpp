#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "win32/error.h"
#include "win32/imgctl_client.h"
#include "win32/wide.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

TEST(ImgctlVersion, OurLibraryAnswersWithItsVersion) {
    const ImgctlVersionResult result = QueryImgctlVersion(Utf8ToWide(ProgramBinFolder() + "\\imgctl.dll"));
    EXPECT_TRUE(result.ok) << result.errorNumber;
    EXPECT_EQ(result.version, 100);
    EXPECT_EQ(result.errorNumber, 0u);
    // The library is unloaded again after the query.
    EXPECT_EQ(::GetModuleHandleW(L"imgctl.dll"), nullptr);
}

TEST(ImgctlVersion, FailuresCarryTheSystemErrorAndItsText) {
    TempFolder folder;
    ASSERT_TRUE(folder.ok());
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(::GetSystemDirectoryW(system, MAX_PATH), 0u);

    struct Case {
        std::wstring path;
        unsigned long error;
    };
    const Case cases[] = {
        {folder.wide() + L"\\imgctl.dll", ERROR_MOD_NOT_FOUND},
        {std::wstring(system) + L"\\version.dll", ERROR_PROC_NOT_FOUND},  // a library without the export
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.path));
        const ImgctlVersionResult result = QueryImgctlVersion(c.path);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.errorNumber, c.error);
        EXPECT_EQ(result.description, FormatErrorMessage(c.error));
        EXPECT_FALSE(result.description.empty());
    }
}

}  // namespace
}  // namespace tessarin::test
