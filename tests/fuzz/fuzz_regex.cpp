// The linear matcher: never a crash on any pattern and text, and on the browser probe's
// patterns the same answer as the library's backtracking matcher for short texts.

#include <cstddef>
#include <cstdint>
#include <regex>
#include <string>
#include <string_view>

#include "core/text/linear_regex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    // Any pattern (the text's first part) on any text: an answer or "unsupported", never a crash.
    const std::size_t split = input.find('\0');
    if (split != std::string_view::npos)
        (void)tessarin::SearchCaseless(input.substr(split + 1), input.substr(0, split));

    static constexpr const char* kPatterns[] = {"< *span +class *= *(.*) *>.*< */span *>", "url\\((http://.+)\\)",
                                                "<img *src=*(.*) *>"};
    const char* pattern = kPatterns[data[0] % 3];
    const std::string text(input.substr(0, 256));
    const auto linear = tessarin::SearchCaseless(text, pattern);
    if (!linear) __builtin_trap();
    const std::regex library(pattern, std::regex::ECMAScript | std::regex::icase);
    std::cregex_iterator it(text.data(), text.data() + text.size(), library);
    const std::cregex_iterator end;
    int matches = 0;
    std::string group;
    bool matched = false;
    if (it != end) {
        matches = 1;
        matched = (*it)[1].matched;
        group = (*it)[1].str();
        if (++it != end) matches = 2;
    }
    if (linear->matches != matches) __builtin_trap();
    if (matches > 0 && (linear->first.group1Matched != matched || std::string(linear->first.group1) != group)) {
        __builtin_trap();
    }
    return 0;
}
