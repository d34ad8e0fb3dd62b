#pragma once

#include <windows.h>

#include "core/ports/capture.h"
#include "win32/picture.h"

namespace tessarin {

// The system clipboard, one attempt per call. The owner window (may be null) is the one
// the clipboard is opened for.
class WinClipboard final : public Clipboard {
public:
    WinClipboard(Picture& picture, HWND owner) noexcept : picture_(picture), owner_(owner) {}

    [[nodiscard]] bool empty() override;
    [[nodiscard]] bool setPicture() override;

private:
    Picture& picture_;
    HWND owner_;
};

}  // namespace tessarin
