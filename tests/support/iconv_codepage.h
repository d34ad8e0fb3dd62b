#pragma once
// Code page 932 for the native tests, through the C library's converter, so the narrow
// bytes checked natively are the real Shift-JIS bytes.

#include <iconv.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/ports/codepage.h"

namespace tessarin::test {

class IconvCodePage : public NarrowCodePage {
public:
    explicit IconvCodePage(const char* name = "CP932") : name_(name) {}
    std::string fromUtf8(std::string_view utf8) const override { return Convert(name_, "UTF-8", utf8, "?"); }
    std::string toUtf8(std::string_view narrow) const override {
        return Convert("UTF-8", name_, narrow, "\xEF\xBF\xBD");
    }

private:
    static std::string Convert(const char* to, const char* from, std::string_view in, const char* substitute) {
        iconv_t cd = iconv_open(to, from);
        if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open");
        std::string out;
        char* src = const_cast<char*>(in.data());
        size_t left = in.size();
        char buffer[256];
        while (left > 0) {
            char* dst = buffer;
            size_t room = sizeof buffer;
            const size_t r = iconv(cd, &src, &left, &dst, &room);
            out.append(buffer, static_cast<size_t>(dst - buffer));
            if (r == static_cast<size_t>(-1) && errno != E2BIG) {
                // Unconvertible or broken input: substitute and skip one code point.
                out += substitute;
                size_t skip = 1;
                while (skip < left && (static_cast<unsigned char>(src[skip]) & 0xC0) == 0x80) ++skip;
                src += skip;
                left -= skip;
            }
        }
        iconv_close(cd);
        return out;
    }
    const char* name_;
};

}  // namespace tessarin::test
