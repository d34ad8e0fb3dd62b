#pragma once
// The system's narrow (ANSI) code page: 932 on a Japanese system. Used only where a file
// or record format demands it ("conf.txt", the status record).

#include <string>
#include <string_view>

namespace tessarin {

class NarrowCodePage {
public:
    virtual ~NarrowCodePage() = default;
    // Characters the code page lacks become the code page's default character.
    [[nodiscard]] virtual std::string fromUtf8(std::string_view utf8) const = 0;
    [[nodiscard]] virtual std::string toUtf8(std::string_view narrow) const = 0;
};

}  // namespace tessarin
