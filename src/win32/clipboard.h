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

// The system clipboard, one attempt per call: the preview picture for the capture engine, any
// image for the list. The owner window (may be null) is the one the clipboard is opened for.
class WinClipboard final : public Clipboard, public ImageClipboard {
public:
    explicit WinClipboard(Picture& picture, HWND owner = nullptr) noexcept : picture_(picture), owner_(owner) {}
    void setOwner(HWND owner) noexcept { owner_ = owner; }

    [[nodiscard]] bool empty() override;
    [[nodiscard]] bool setPicture() override;
    [[nodiscard]] bool setImage(const Image& image) override;

private:
    [[nodiscard]] bool setBitmap(GdiObject<HBITMAP> bitmap);

    Picture& picture_;
    HWND owner_;
};

}  // namespace tessarin
