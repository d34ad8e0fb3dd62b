// The pop-up link patterns of the browser probe on hostile page markup: how long one
// RegexFirstSubmatch takes on runs of unclosed "<span class=x>" and on an image tag whose
// address carries its data, with the linear matcher; the library's matcher on the short text
// for comparison. Prints figures; passes or fails nothing.

#include <chrono>
#include <cstdio>
#include <regex>
#include <string>

#include "core/text/paths.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string Unclosed(std::size_t bytes) {
    std::string text;
    while (text.size() < bytes) text += "<span class=x>";
    return text;
}

}  // namespace

int main() {
    const char* span = "< *span +class *= *(.*) *>.*< */span *>";
    const char* image = "<img *src=*(.*) *>";
    const char* style = "url\\((http://.+)\\)";
    for (const std::size_t kb : {4, 28, 112, 1024}) {
        const std::string text = Unclosed(kb * 1024);
        for (const char* pattern : {span, image, style}) {
            const auto start = Clock::now();
            const std::string result = tessarin::RegexFirstSubmatch(text, pattern);
            std::printf("regex %-42s on %5zu KB of unclosed spans: %8.2f ms%s\n", pattern, kb, Milliseconds(start),
                        result.empty() ? "" : " (matched)");
        }
    }
    const std::string data = "<img src=\"data:image/png;base64," + std::string(1024 * 1024, 'A') + "\">";
    auto start = Clock::now();
    (void)tessarin::RegexFirstSubmatch(data, image);
    std::printf("regex %-42s on a 1 MB data address:          %8.2f ms\n", image, Milliseconds(start));

    // The library's matcher on a short text, for comparison (the 28 KB text takes seconds).
    const std::string text = Unclosed(1024);
    start = Clock::now();
    const std::regex library(span, std::regex::ECMAScript | std::regex::icase);
    std::cregex_iterator it(text.data(), text.data() + text.size(), library);
    (void)(it == std::cregex_iterator());
    std::printf("std::regex %-37s on     1 KB of unclosed spans: %8.2f ms\n", span, Milliseconds(start));
    return 0;
}
