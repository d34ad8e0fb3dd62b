#include "core/settings/key_names.h"

#include <string>

#include "core/text/text.h"

namespace tessarin {

KeyNameTable BuildKeyNameTable() {
    KeyNameTable t;
    // The mouse buttons only need to be watched, so their name is a lone blank.
    t[1] = t[2] = t[4] = " ";
    t[3] = "Break";
    t[8] = "Backspace";
    t[9] = "Tab";
    t[13] = "Enter";
    t[16] = "Shift";
    t[17] = "Ctrl";
    t[18] = "Alt";
    t[19] = "Pause";
    t[20] = "Caps Lock";
    t[27] = "Esc";
    t[28] = "変換";
    t[29] = "無変換";
    t[32] = "スペース";
    t[33] = "PgUp";
    t[34] = "PgDn";
    t[35] = "End";
    t[36] = "Home";
    t[37] = "←";
    t[38] = "↑";
    t[39] = "→";
    t[40] = "↓";
    t[44] = "Print Screen";
    t[45] = "Insert";
    t[46] = "Delete";
    for (int code = 48; code <= 57; ++code) t[code] = std::string(1, static_cast<char>(code));
    for (int code = 65; code <= 90; ++code) t[code] = std::string(1, static_cast<char>(code));
    t[91] = "左ウィンドウズキー";
    t[92] = "右ウィンドウズキー";
    t[93] = "アプリケーションキー";
    for (int code = 96; code <= 105; ++code) t[code] = "テンキー" + std::to_string(code - 96);
    static constexpr const char* kKeypadOperators[] = {"*", "+", ",", "-", ".", "/"};
    for (int code = 106; code <= 111; ++code) t[code] = kKeypadOperators[code - 106];
    for (int code = 112; code <= 135; ++code) t[code] = "F" + std::to_string(code - 111);
    t[144] = "Num Lock";
    t[145] = "Scroll Lock";
    static constexpr const char* kPunctuation[] = {":", ";", ",", "-^", ".", "/"};
    for (int code = 186; code <= 191; ++code) t[code] = kPunctuation[code - 186];
    t[192] = "@";
    t[219] = "[";
    t[220] = "\\";
    t[221] = "]";
    t[222] = "^";
    t[226] = "\\(バックスラッシュ）";
    t[240] = "Caps Lock";
    t[242] = "カタカナ";
    t[243] = t[244] = "半角／全角";
    return t;
}

// The three modifier words are matched without regard to case; any other text names the
// key whose code is the narrow-code-page code of its first character, exactly as written
// ("c" is 99, the keypad 3, not the C key). A double-byte character gives lead and trail
// byte as one 16-bit code, which no virtual key has, so such a text never matches a key.
// An empty text has no first character and gives 0: no key at all, so an emptied setting
// switches the capture key off instead of matching something by accident.
uint16_t KeyCodeOfName(std::string_view name, const NarrowCodePage& codePage) {
    const std::string lower = AsciiLower(name);
    if (lower == "shift") return 16;
    if (lower == "ctrl") return 17;
    if (lower == "alt") return 18;
    const std::u32string chars = DecodeUtf8(name);
    if (chars.empty()) return 0;
    std::string first;
    AppendUtf8(first, chars.front());
    const std::string narrow = codePage.fromUtf8(first);
    if (narrow.empty()) return 0;
    const auto lead = static_cast<unsigned char>(narrow[0]);
    if (narrow.size() == 1) return lead;
    const auto trail = static_cast<unsigned char>(narrow[1]);
    return static_cast<uint16_t>((lead << 8) | trail);
}

}  // namespace tessarin
