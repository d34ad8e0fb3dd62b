#pragma once
// A regular-expression matcher whose cost grows linearly with the text: a Pike machine over the
// common ECMAScript syntax (literals, ".", classes, groups, "|", "*", "+", "?" and their lazy
// forms, "^", "$"), case-insensitive for ASCII, with the leftmost-first submatches of a
// backtracking matcher.

#include <optional>
#include <string_view>

namespace tessarin {

struct LinearMatch {
    bool found = false;
    std::string_view group1;  // the first group's text; empty when it did not take part
    bool group1Matched = false;
};

// The number of matches of a global search, stopped at 2, and the first group of the first
// match. Nothing when the pattern uses syntax outside the supported set (back-references,
// look-arounds, counted repeats) or is malformed.
struct LinearSearch {
    int matches = 0;
    LinearMatch first;
};
[[nodiscard]] std::optional<LinearSearch> SearchCaseless(std::string_view text, std::string_view pattern);

}  // namespace tessarin
