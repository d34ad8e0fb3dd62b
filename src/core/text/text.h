#pragma once
// Small text and number rules shared by every subsystem. Texts are UTF-8.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessarin {

// Nearest integer, halves to the even neighbour; outside the 32-bit range it clamps.
[[nodiscard]] int32_t RoundHalfEven(double value);

// The leading number of a text: leading blanks skipped, an optional sign, digits, an
// optional decimal point with digits and an optional exponent, read up to the first
// character that does not fit; "&H" followed by hex digits reads hexadecimal.
// No number gives 0.
[[nodiscard]] double LeadingNumber(std::string_view text);

// LeadingNumber rounded half to even and clamped to the signed 32-bit range.
[[nodiscard]] int32_t LeadingInt32(std::string_view text);

[[nodiscard]] std::string AsciiLower(std::string_view text);

// Removes leading and trailing occurrences of the given character (a space by default).
[[nodiscard]] std::string_view TrimChar(std::string_view text, char c = ' ');

[[nodiscard]] std::vector<std::string> SplitAll(std::string_view text, std::string_view separator);

[[nodiscard]] std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// UTF-8 <-> code points. Invalid UTF-8 bytes decode as U+FFFD.
[[nodiscard]] std::u32string DecodeUtf8(std::string_view text);
[[nodiscard]] std::string EncodeUtf8(std::u32string_view text);
void AppendUtf8(std::string& out, char32_t c);

}  // namespace tessarin
