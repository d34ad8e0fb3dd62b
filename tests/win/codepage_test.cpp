#include "win32/codepage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "win32/error.h"
#include "win32/wide.h"

namespace tessarin::test {
namespace {

// The Wine runs set LC_ALL=ja_JP.UTF-8; every byte-level check of "conf.txt" and of the
// status record relies on the ANSI code page being Shift-JIS.
TEST(AnsiCodePage, TheTestRunUsesCodePage932) { ASSERT_EQ(::GetACP(), 932u); }

TEST(AnsiCodePage, ConvertsBetweenUtf8AndTheNarrowBytes) {
    // UTF-8, the narrow bytes, and the UTF-8 they give back.
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"", "", ""},
        {"キャプチャー完了", "\x83\x4C\x83\x83\x83\x76\x83\x60\x83\x83\x81\x5B\x8A\xAE\x97\xB9", "キャプチャー完了"},
        {"C:\\保存\\a.jpg", "C:\\\x95\xDB\x91\xB6\\a.jpg", "C:\\保存\\a.jpg"},
        {"ｸﾗｽ", "\xB8\xD7\xBD", "ｸﾗｽ"},
        {"表", "\x95\x5C", "表"},      // trail byte 0x5C is "\" in ASCII
        {"a한b", "a?b", "a?b"},        // not in the code page
        {"a\xC2\xA5z", "a?z", "a?z"},  // no best-fit look-alike: the yen sign must not become a separator
    };
    for (const auto& [utf8, narrow, back] : cases) {
        EXPECT_EQ(AnsiCodePage().fromUtf8(utf8), narrow) << utf8;
        EXPECT_EQ(AnsiCodePage().toUtf8(narrow), back) << utf8;
    }
}

TEST(Wide, Utf8AndUtf16RoundTripAndBrokenBytesBecomeReplacementCharacters) {
    for (const std::string s : {"", "C:\\データ\\写真 1.png", "\xF0\x9F\x93\xB7"})
        EXPECT_EQ(WideToUtf8(Utf8ToWide(s)), s);
    EXPECT_EQ(Utf8ToWide("完了\xFF"), L"\u5B8C\u4E86\uFFFD");
}

TEST(ErrorMessage, SystemTextsWithoutTheTrailingLineBreak) {
    for (const DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_MOD_NOT_FOUND, ERROR_PROC_NOT_FOUND}) {
        const std::wstring text = FormatErrorMessage(code);
        EXPECT_TRUE(!text.empty() && text.back() != L'\n' && text.back() != L'\r') << code;
    }
    EXPECT_EQ(FormatErrorMessage(0x3FFFFFFF), L"");
}

}  // namespace
}  // namespace tessarin::test
