#pragma once
// frmRect: the range overlay. A topmost layered window whose fill colour is keyed out, so
// only its blue outline shows and clicks fall through to the windows below.

#include <windows.h>

#include "core/ports/overlay.h"

namespace tessarin {

class frmRect final : public OverlayWindow {
public:
    // mainWindow: shown by showMainWindow; twips per pixel of the screen.
    frmRect(HWND mainWindow, int twipsPerPixelX, int twipsPerPixelY, int platformId);
    frmRect(const frmRect&) = delete;
    frmRect& operator=(const frmRect&) = delete;
    ~frmRect() override;

    void show() override;
    void hide() override;
    void setBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
    [[nodiscard]] TwipsBounds bounds() const override;
    void makeTopmost() override;
    void redraw() override;
    void unload() override;
    [[nodiscard]] WindowId id() const override;
    void showMainWindow() override;
    void processPendingMessages() override;
    void drawFocusRect(Rect pixels) override;

    [[nodiscard]] HWND hwnd() const { return hwnd_; }
    void setScale(int twipsPerPixelX, int twipsPerPixelY);

    // The fill colour that the window system makes transparent (&H8080FF) and the outline.
    static constexpr COLORREF kKeyColour = RGB(0xFF, 0x80, 0x80);
    static constexpr COLORREF kLineColour = RGB(0, 0, 0xFF);

private:
    // Loads the window when it is not loaded; false when it cannot be created.
    bool Load();
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND mainWindow_;
    int tppX_;
    int tppY_;
    int platformId_;
    HWND hwnd_ = nullptr;
};

}  // namespace tessarin
