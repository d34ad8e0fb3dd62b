#include "core/settings/key_names.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/iconv_codepage.h"

namespace tessarin::test {
namespace {

// The names of a run of codes joined by "|"; an unnamed code leaves its place empty.
std::string Names(const KeyNameTable& table, int from, int to) {
    std::string out = table[from];
    for (int code = from + 1; code <= to; ++code) out += "|" + table[code];
    return out;
}

TEST(KeyNames, NamesAndCodes) {
    const KeyNameTable table = BuildKeyNameTable();
    EXPECT_EQ(std::count_if(table.begin(), table.end(), [](const std::string& name) { return !name.empty(); }), 124);
    // Extra mouse buttons, side-specific modifiers and the gaps between groups are never watched.
    EXPECT_EQ(Names(table, 0, 14), "| | |Break| ||||Backspace|Tab||||Enter|");
    EXPECT_EQ(Names(table, 15, 33), "|Shift|Ctrl|Alt|Pause|Caps Lock|||||||Esc|変換|無変換|||スペース|PgUp");
    EXPECT_EQ(Names(table, 36, 49), "Home|←|↑|→|↓||||Print Screen|Insert|Delete||0|1");
    EXPECT_EQ(Names(table, 90, 98),
              "Z|左ウィンドウズキー|右ウィンドウズキー|アプリケーションキー|||テンキー0|テンキー1|テンキー2");
    EXPECT_EQ(Names(table, 105, 113), "テンキー9|*|+|,|-|.|/|F1|F2");
    EXPECT_EQ(Names(table, 134, 146), "F23|F24|||||||||Num Lock|Scroll Lock|");
    EXPECT_EQ(Names(table, 159, 167), "||||||||");
    EXPECT_EQ(Names(table, 185, 193), "|:|;|,|-^|.|/|@|");
    EXPECT_EQ(Names(table, 218, 227), "|[|\\|]|^||||\\(バックスラッシュ）|");
    EXPECT_EQ(Names(table, 239, 245), "|Caps Lock||カタカナ|半角／全角|半角／全角|");

    const IconvCodePage cp932;
    // "c" is not upper-cased (the keypad 3) and "" is no key at all; a double-byte character gives both CP932
    // bytes as one code, half-width katakana a single byte, a character outside the code page its default one.
    const std::pair<const char*, uint16_t> cases[] = {{"C", 67},   {"Shift", 16},      {"SHIFT", 16}, {"Ctrl", 17},
                                                      {"aLT", 18}, {"shiftx", 115},    {"F1", 70},    {"", 0},
                                                      {"c", 99},   {"メモ帳", 0x8381}, {"ｱ", 0xB1},   {"😀", '?'}};
    for (const auto& [name, code] : cases) EXPECT_EQ(KeyCodeOfName(name, cp932), code) << name;
}

}  // namespace
}  // namespace tessarin::test
