#include "ui/splash.h"

#include <commctrl.h>

#include "core/app/shell.h"
#include "win32/handles.h"
#include "win32/messages.h"
#include "win32/wide.h"

namespace tessarin {

namespace {

constexpr wchar_t kClassName[] = L"frmSplash";
constexpr UINT_PTR kTimer1 = 1;

// One notice at a time, like the form it stands for.
HWND gNotice = nullptr;
GdiObject<HFONT> gFont;  // lives as long as the notice window

// The text that hands message and display time to the notice window.
std::string gDialogResultText;

LRESULT CALLBACK NoticeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kTimer1) DestroyWindow(hwnd);
            return 0;
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            KillTimer(hwnd, kTimer1);
            gFont.reset();
            if (gNotice == hwnd) gNotice = nullptr;
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

int TwipsToPixels(int twips, UINT dpi) {
    const int tpp = TwipsPerPixel(static_cast<int>(dpi == 0 ? 96 : dpi));
    return twips / (tpp > 0 ? tpp : 15);
}

}  // namespace

HWND frmSplash::Window() { return gNotice; }

void frmSplash::ShowNotice(HWND owner, const std::string& message, int milliseconds, bool modal) {
    if (gNotice != nullptr) DestroyWindow(gNotice);
    if (message.empty()) return;
    gDialogResultText = NoticeText(message, milliseconds);

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!RegisterWindowClass(kClassName, NoticeProc, GetSysColorBrush(COLOR_INFOBK))) return;

    // Load: split the handed text back into message and display time.
    const Notice notice = ParseNoticeText(gDialogResultText);
    HWND hwnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, L"Tessarin", WS_POPUP | WS_BORDER, 0, 0,
                                0, 0, owner, nullptr, instance, nullptr);
    if (hwnd == nullptr) return;
    gNotice = hwnd;
    const UINT dpi = GetDpiForWindow(hwnd);
    const int width = TwipsToPixels(kWidthTwips, dpi);
    const int height = TwipsToPixels(NoticeHeightTwips(kLabelTopTwips, notice.message), dpi);
    const int labelTop = TwipsToPixels(kLabelTopTwips, dpi);

    gFont.reset(CreateFontW(-MulDiv(10, static_cast<int>(dpi == 0 ? 96 : dpi), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                            FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                            DEFAULT_PITCH, L"MS UI Gothic"));
    HWND lblMsg = CreateWindowExW(0, WC_STATICW, Utf8ToWide(notice.message).c_str(),
                                  WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX, 0, labelTop, width,
                                  height - labelTop, hwnd, nullptr, instance, nullptr);
    if (lblMsg != nullptr && gFont) SendMessageW(lblMsg, WM_SETFONT, reinterpret_cast<WPARAM>(gFont.get()), 0);

    // Centred on the screen, above every other window.
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    SetWindowPos(hwnd, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    if (notice.milliseconds > 0) SetTimer(hwnd, kTimer1, static_cast<UINT>(notice.milliseconds), nullptr);

    if (!modal) return;
    // Modal: the owner takes no input until no notice shows any more.
    ModalOwner modalOwner;
    modalOwner.Disable(owner);
    RunModalLoop(gNotice);
}

}  // namespace tessarin
