#include "win32/codepage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "win32/error.h"
#include "win32/wide.h"

namespace tessarin::test {
namespace {

// The Wine runs set LC_ALL=ja_JP.UTF-8; every byte-level check of "conf.txt" and of the
// status record relies on the ANSI code page being Shift-JIS.
TEST(AnsiCodePage, TheTestRunUsesCodePage932) { ASSERT_EQ(::GetACP(), 932u); }

TEST(AnsiCodePage, ConvertsBetweenUtf8AndTheNarrowBytes) {
    AnsiCodePage codePage;
    struct Case {
        std::string utf8;
        std::string narrow;
    };
    const Case cases[] = {
        {"", ""},
        {"Go", "Go"},
        {"キャプチャー完了", "\x83\x4C\x83\x83\x83\x76\x83\x60\x83\x83\x81\x5B\x8A\xAE\x97\xB9"},
        {"C:\\保存\\a.jpg", "C:\\\x95\xDB\x91\xB6\\a.jpg"},
        {"ｸﾗｽ", "\xB8\xD7\xBD"},
        {"表", "\x95\x5C"},  // trail byte 0x5C is "\" in ASCII
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(codePage.fromUtf8(c.utf8), c.narrow);
        EXPECT_EQ(codePage.toUtf8(c.narrow), c.utf8);
    }
}

TEST(AnsiCodePage, CharactersTheCodePageLacksBecomeQuestionMarks) {
    AnsiCodePage codePage;
    EXPECT_EQ(codePage.fromUtf8("a한b"), "a?b");
    // No best-fit look-alikes: the yen sign must not turn into a path separator.
    EXPECT_EQ(codePage.fromUtf8("a\xC2\xA5"
                                "b"),
              "a?b");
}

TEST(Wide, Utf8AndUtf16RoundTrip) {
    const std::string samples[] = {"", "abc", "キャプチャー完了", "C:\\データ\\写真 1.png", "\xF0\x9F\x93\xB7"};
    for (const std::string& s : samples) {
        SCOPED_TRACE(s);
        EXPECT_EQ(WideToUtf8(Utf8ToWide(s)), s);
    }
    EXPECT_EQ(Utf8ToWide("完了"), L"\u5B8C\u4E86");
    EXPECT_EQ(Utf8ToWide("a\xFF"
                         "b"),
              L"a\uFFFDb");
}

TEST(ErrorMessage, SystemTextsWithoutTheTrailingLineBreak) {
    for (const DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_MOD_NOT_FOUND, ERROR_PROC_NOT_FOUND}) {
        SCOPED_TRACE(code);
        const std::wstring text = FormatErrorMessage(code);
        ASSERT_FALSE(text.empty());
        EXPECT_NE(text.back(), L'\n');
        EXPECT_NE(text.back(), L'\r');
    }
    EXPECT_EQ(FormatErrorMessage(0x3FFFFFFF), L"");
}

}  // namespace
}  // namespace tessarin::test
