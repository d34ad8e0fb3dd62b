#pragma once
// Code page 932 through the C library's converter, so the narrow bytes checked natively are
// the real Shift-JIS bytes.

#include <iconv.h>

#include <cerrno>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/ports/codepage.h"

namespace tessarin::test {

class IconvCodePage : public NarrowCodePage {
public:
    std::string fromUtf8(std::string_view utf8) const override { return Convert("CP932", "UTF-8", utf8, "?"); }
    std::string toUtf8(std::string_view narrow) const override {
        return Convert("UTF-8", "CP932", narrow, "\xEF\xBF\xBD");
    }

private:
    static std::string Convert(const char* to, const char* from, std::string_view in, const char* substitute) {
        iconv_t cd = iconv_open(to, from);
        if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open");
        const std::unique_ptr<void, int (*)(iconv_t)> owner(cd, iconv_close);
        std::string out;
        char* src = const_cast<char*>(in.data());
        size_t left = in.size();
        while (left > 0) {
            char buffer[256];
            char* dst = buffer;
            size_t room = sizeof buffer;
            const bool failed = iconv(cd, &src, &left, &dst, &room) == static_cast<size_t>(-1) && errno != E2BIG;
            out.append(buffer, static_cast<size_t>(dst - buffer));
            if (!failed) continue;
            out += substitute;  // unconvertible or broken input: one code point skipped
            size_t skip = 1;
            while (skip < left && (static_cast<unsigned char>(src[skip]) & 0xC0) == 0x80) ++skip;
            src += skip, left -= skip;
        }
        return out;
    }
};

}  // namespace tessarin::test
