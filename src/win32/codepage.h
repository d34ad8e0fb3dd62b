#pragma once

#include "core/ports/codepage.h"

namespace tessarin {

// The system's ANSI code page (CP_ACP): 932 on a Japanese system.
class AnsiCodePage : public NarrowCodePage {
public:
    [[nodiscard]] std::string fromUtf8(std::string_view utf8) const override;
    [[nodiscard]] std::string toUtf8(std::string_view narrow) const override;
};

}  // namespace tessarin
