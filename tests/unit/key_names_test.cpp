#include "core/settings/key_names.h"

#include <gtest/gtest.h>

#include <string>

#include "support/iconv_codepage.h"

namespace tessarin::test {
namespace {

TEST(KeyNameTableTest, NamesExactlyTheWatchedKeys) {
    const KeyNameTable table = BuildKeyNameTable();

    int named = 0;
    for (const std::string& name : table) named += name.empty() ? 0 : 1;
    EXPECT_EQ(named, 124);

    // At least one code from every group of the key vocabulary.
    const std::pair<int, const char*> names[] = {
        {1, " "},
        {2, " "},
        {4, " "},
        {3, "Break"},
        {8, "Backspace"},
        {13, "Enter"},
        {16, "Shift"},
        {20, "Caps Lock"},
        {27, "Esc"},
        {28, "変換"},
        {29, "無変換"},
        {32, "スペース"},
        {33, "PgUp"},
        {36, "Home"},
        {37, "←"},
        {40, "↓"},
        {44, "Print Screen"},
        {46, "Delete"},
        {48, "0"},
        {57, "9"},
        {65, "A"},
        {90, "Z"},
        {91, "左ウィンドウズキー"},
        {92, "右ウィンドウズキー"},
        {93, "アプリケーションキー"},
        {96, "テンキー0"},
        {105, "テンキー9"},
        {106, "*"},
        {108, ","},
        {111, "/"},
        {112, "F1"},
        {135, "F24"},
        {144, "Num Lock"},
        {145, "Scroll Lock"},
        {186, ":"},
        {189, "-^"},
        {191, "/"},
        {192, "@"},
        {219, "["},
        {220, "\\"},
        {222, "^"},
        {226, "\\(バックスラッシュ）"},
        {240, "Caps Lock"},
        {242, "カタカナ"},
        {243, "半角／全角"},
        {244, "半角／全角"},
    };
    for (const auto& [code, name] : names) EXPECT_EQ(table[code], name) << code;

    // Extra mouse buttons, side-specific modifiers and the gaps between groups are never watched.
    for (int code : {0,   5,   6,   7,   10,  12,  14,  21,  30,  41,  47,  58,  64,  94,  95,  136, 143,
                     146, 160, 161, 162, 163, 164, 165, 166, 185, 193, 218, 223, 225, 227, 241, 245, 255}) {
        EXPECT_EQ(table[code], "") << code;
    }
}

TEST(KeyCodeOfNameTest, ModifierWordsAndFirstCharacter) {
    const IconvCodePage cp932;
    const std::pair<const char*, uint16_t> cases[] = {
        {"C", 67},          {"G", 71},       {"Shift", 16}, {"SHIFT", 16}, {"shift", 16},
        {"Ctrl", 17},       {"Alt", 18},     {"aLT", 18},   {"c", 99},  // not upper-cased: the keypad 3
        {"F1", 70},                                                     // only the first character counts
        {"Enter", 69},      {"shiftx", 115}, {"@", 64},     {"", 0},    // no key
        {"メ", 0x8381},                                                 // both CP932 bytes as one code
        {"メモ帳", 0x8381}, {"ｱ", 0xB1},                                // half-width katakana is a single byte in CP932
        {"😀", '?'},                                                     // not in the code page: its default character
    };
    for (const auto& [name, code] : cases) EXPECT_EQ(KeyCodeOfName(name, cp932), code) << name;
}

}  // namespace
}  // namespace tessarin::test
