#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "win32/error.h"
#include "win32/imgctl_client.h"
#include "win32/wide.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

TEST(ImgctlVersion, OurLibraryAnswersAndFailuresCarryTheSystemErrorAndItsText) {
    const std::pair<std::wstring, unsigned long> cases[] = {
        {Utf8ToWide(ProgramBinFolder() + "\\imgctl.dll"), 0},
        {Utf8ToWide(ProgramBinFolder() + "\\missing\\imgctl.dll"), ERROR_MOD_NOT_FOUND},
        {L"version.dll", ERROR_PROC_NOT_FOUND},  // a system library without the export
    };
    for (const auto& [path, error] : cases) {
        SCOPED_TRACE(WideToUtf8(path));
        const ImgctlVersionResult result = QueryImgctlVersion(path);
        EXPECT_EQ(result.ok, error == 0);
        EXPECT_EQ(result.version, error == 0 ? 100 : 0);
        EXPECT_EQ(result.errorNumber, error);
        EXPECT_EQ(result.description, error == 0 ? L"" : FormatErrorMessage(error));
    }
    // The library is unloaded again after the query.
    EXPECT_EQ(::GetModuleHandleW(L"imgctl.dll"), nullptr);
}

}  // namespace
}  // namespace tessarin::test
