#include "core/app/status_record.h"

#include <string>

#include "core/text/text.h"

namespace tessarin {

std::array<char, kStatusTextBytes> FormStatusField(std::string_view text, const NarrowCodePage& codePage) {
    std::array<char, kStatusTextBytes> field{};
    field.fill(' ');
    std::u32string chars = DecodeUtf8(text);
    if (chars.size() > kStatusTextBytes) chars.resize(kStatusTextBytes);
    // Converted character by character so that a character which does not fit whole is
    // left out instead of being split.
    size_t used = 0;
    for (char32_t c : chars) {
        std::string one;
        AppendUtf8(one, c);
        const std::string narrow = codePage.fromUtf8(one);
        if (used + narrow.size() > kStatusTextBytes) break;
        for (char b : narrow) field[used++] = b;
    }
    return field;
}

StatusRecord FormStatusRecord(std::string_view text, const NarrowCodePage& codePage) {
    StatusRecord record;
    record.status = FormStatusField(text, codePage);
    return record;
}

}  // namespace tessarin
