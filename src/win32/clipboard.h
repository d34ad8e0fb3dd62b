#pragma once

#include <windows.h>

#include <string>

#include "core/ports/capture.h"
#include "core/ports/image_list.h"
#include "win32/picture.h"

namespace tessarin {

// Text on the clipboard (CF_UNICODETEXT) for the owner window (may be null); one attempt, false
// when the clipboard could not be opened or would not take it.
[[nodiscard]] bool PutTextOnClipboard(const std::wstring& text, HWND owner);

// The system clipboard, one attempt per call, for the capture engine and the list alike. The
// owner window (may be null) is the one the clipboard is opened for.
class WinClipboard final : public Clipboard, public ImageClipboard {
public:
    explicit WinClipboard(HWND owner = nullptr) noexcept : owner_(owner) {}
    void setOwner(HWND owner) noexcept { owner_ = owner; }

    [[nodiscard]] bool empty() override;
    [[nodiscard]] bool setImage(const Image& image) override;

private:
    [[nodiscard]] bool setBitmap(GdiObject<HBITMAP> bitmap);

    HWND owner_;
};

}  // namespace tessarin
