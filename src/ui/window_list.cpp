#include "ui/window_list.h"

#include <commctrl.h>
#include <windowsx.h>

#include <iterator>
#include <vector>

#include "core/windowlist/window_list.h"
#include "ui/fonts.h"
#include "win32/clipboard.h"
#include "win32/wide.h"

namespace tessarin {

namespace {

constexpr UINT_PTR kTimer1 = 1;
constexpr wchar_t kMessageTitle[] = L"Tessarin";

// Design sizes in 96-dpi pixels.
constexpr int kWidth = 720;
constexpr int kHeight = 440;
constexpr int kMinWidth = 260;
constexpr int kMinHeight = 160;
constexpr int kBottomHeight = 40;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;
constexpr int kButtonGap = 6;
constexpr int kMargin = 8;
constexpr int kFontPoints = 9;

// Tab stops of the list in dialog units: handle, location, class name.
constexpr int kTabStops[] = {40, 160, 300};
// The list scrolls sideways over ten times its width: titles can be long.
constexpr int kHorizontalExtentFactor = 10;

}  // namespace

// The form's own loop, so that callers need no dialog template: it ends when the window is
// gone, and a quit request is handed on to the loop that called us. Callers are window
// procedures themselves, so nothing is thrown out of here.
std::string frmList::ShowModal(HWND owner, const Desktop& desktop) {
    try {
        frmList form(owner, desktop);
        if (!form.Load()) return "";
        RunModalLoop(form.hwnd_);
        form.Unload();
        return form.result_;
    } catch (...) {
        return "";
    }
}

frmList::~frmList() { Unload(); }

int frmList::Px(int logical) const { return MulDiv(logical, static_cast<int>(dpi_), 96); }

bool frmList::Load() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!RegisterWindowClass(kClassName, OwnedWindowProc<frmList>, GetSysColorBrush(COLOR_BTNFACE))) return false;

    if (CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST | WS_EX_CONTROLPARENT, kClassName,
                        Utf8ToWide(kWindowListTitle).c_str(),
                        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN, 0, 0, 0, 0, owner_,
                        nullptr, instance, this) == nullptr) {
        return false;
    }
    if (const UINT dpi = GetDpiForWindow(hwnd_); dpi != 0) dpi_ = dpi;
    CreateControls();

    PlaceOnOwnersMonitor(hwnd_, owner_, Px(kWidth), Px(kHeight));
    Arrange();

    SendMessageW(list_, LB_SETTABSTOPS, std::size(kTabStops), reinterpret_cast<LPARAM>(kTabStops));
    result_.clear();
    selectedIndex_ = -1;
    startMs_ = GetTickCount();
    SetTimer(hwnd_, kTimer1, kWindowListFirstTickMs, nullptr);

    modal_.Disable(owner_);
    ShowWindow(hwnd_, SW_SHOW);
    SetFocus(list_);
    return true;
}

void frmList::CreateControls() {
    MakeFonts();
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    // Creation order is the tab order: the list, "OK", "キャンセル". The strip comes last,
    // so it lies below the buttons and is clipped by them.
    list_ =
        CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTBOXW, nullptr,
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_USETABSTOPS |
                            LBS_NOINTEGRALHEIGHT,
                        0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), instance, nullptr);
    cmdOk_ = CreateWindowExW(0, WC_BUTTONW, L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0, 0,
                             hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCmdOkId)), instance, nullptr);
    cmdCancel_ =
        CreateWindowExW(0, WC_BUTTONW, L"キャンセル", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0,
                        hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCmdCancelId)), instance, nullptr);
    frBottom_ = CreateWindowExW(0, WC_STATICW, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, hwnd_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFrBottomId)), instance, nullptr);
    SetFonts();
}

void frmList::MakeFonts() {
    buttonFont_ = DialogFont(hwnd_, kFontPoints, false, dpi_);
    // The columns line up only in a fixed-pitch face.
    listFont_ = DialogFont(hwnd_, kFontPoints, true, dpi_);
}

void frmList::SetFonts() {
    if (list_ != nullptr && listFont_) {
        SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(listFont_.get()), TRUE);
    }
    for (HWND button : {cmdOk_, cmdCancel_}) {
        if (button != nullptr && buttonFont_) {
            SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont_.get()), TRUE);
        }
    }
}

void frmList::Arrange() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int width = client.right;
    const int bottomHeight = Px(kBottomHeight);
    const int bottomTop = client.bottom > bottomHeight ? client.bottom - bottomHeight : 0;
    MoveWindow(list_, 0, 0, width, bottomTop, TRUE);
    MoveWindow(frBottom_, 0, bottomTop, width, client.bottom - bottomTop, TRUE);
    const int buttonWidth = Px(kButtonWidth);
    const int buttonHeight = Px(kButtonHeight);
    const int buttonTop = bottomTop + (bottomHeight - buttonHeight) / 2;
    const int cancelLeft = width - Px(kMargin) - buttonWidth;
    MoveWindow(cmdCancel_, cancelLeft, buttonTop, buttonWidth, buttonHeight, TRUE);
    MoveWindow(cmdOk_, cancelLeft - Px(kButtonGap) - buttonWidth, buttonTop, buttonWidth, buttonHeight, TRUE);

    RECT listRect{};
    GetWindowRect(list_, &listRect);
    SendMessageW(list_, LB_SETHORIZONTALEXTENT,
                 static_cast<WPARAM>(static_cast<int64_t>(listRect.right - listRect.left) * kHorizontalExtentFactor),
                 0);
}

void frmList::FillList() {
    const std::vector<std::string> rows = WindowListRows(desktop_);
    // Refilling every two seconds must not throw the reader back to the top.
    const LRESULT top = SendMessageW(list_, LB_GETTOPINDEX, 0, 0);
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list_, LB_RESETCONTENT, 0, 0);
    for (const std::string& row : rows) {
        SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(row).c_str()));
    }
    // By index: after a refill the same row number may show another window.
    if (selectedIndex_ >= 0) SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(selectedIndex_), 0);
    if (top != LB_ERR) SendMessageW(list_, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

std::wstring frmList::RowText(int index) const {
    const LRESULT length = SendMessageW(list_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR || length < 0) return L"";
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(list_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    if (copied == LB_ERR || copied < 0) return L"";
    text.resize(static_cast<size_t>(copied));
    return text;
}

void frmList::Unload() {
    modal_.Enable();
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void frmList::Timer1_Timer() {
    const WindowListTickResult tick = WindowListTick(startMs_, GetTickCount());
    SetWindowTextW(hwnd_, Utf8ToWide(tick.caption).c_str());
    if (tick.refill) FillList();
    if (tick.stop) {
        KillTimer(hwnd_, kTimer1);
    } else if (tick.nextIntervalMs != 0) {
        SetTimer(hwnd_, kTimer1, tick.nextIntervalMs, nullptr);
    }
}

void frmList::List_Click() {
    const LRESULT index = SendMessageW(list_, LB_GETCURSEL, 0, 0);
    selectedIndex_ = index == LB_ERR ? -1 : static_cast<int>(index);
}

// From the mouse at the pointer; from the keyboard (no position) at the selected row.
void frmList::List_MouseDown(LPARAM screenPoint) {
    POINT at{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    if (screenPoint == -1) {
        RECT row{};
        const LRESULT index = SendMessageW(list_, LB_GETCURSEL, 0, 0);
        if (index == LB_ERR ||
            SendMessageW(list_, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&row)) == LB_ERR) {
            row = RECT{};
        }
        at = POINT{row.left, row.bottom};
        ClientToScreen(list_, &at);
    }
    UniqueMenu mnuPopup(CreateMenu());
    HMENU items = CreatePopupMenu();
    if (!mnuPopup || items == nullptr) {
        if (items != nullptr) DestroyMenu(items);
        return;
    }
    AppendMenuW(items, MF_STRING, kMnuCopyId, L"コピー");
    // From here on the bar owns the item menu.
    if (!AppendMenuW(mnuPopup.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(items), L"コンテキスト")) {
        DestroyMenu(items);
        return;
    }
    const BOOL picked =
        TrackPopupMenu(items, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y,
                       0, hwnd_, nullptr);
    if (picked == kMnuCopyId) mnuCopy_Click();
}

void frmList::cmdClose_Click(CloseButton button) {
    if (button == CloseButton::Ok) {
        List_Click();
        if (selectedIndex_ >= 0) result_ = ClassNameOfRow(WideToUtf8(RowText(selectedIndex_)));
    }
    Unload();
}

void frmList::mnuCopy_Click() {
    const LRESULT index = SendMessageW(list_, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR || index < 0) {
        MessageBoxW(hwnd_, L"コピーしたい行を選択して下さい。", kMessageTitle, MB_OK);
        return;
    }
    // Saying "copied" when the clipboard was held by another program would be a lie.
    if (!PutTextOnClipboard(RowText(static_cast<int>(index)), hwnd_)) {
        MessageBoxW(hwnd_, L"クリップボードにコピーできませんでした。", kMessageTitle, MB_OK | MB_ICONERROR);
        return;
    }
    MessageBoxW(hwnd_, L"クリップボードにコピー完了！", kMessageTitle, MB_OK);
}

LRESULT frmList::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            if (id == kListId && code == LBN_SELCHANGE) List_Click();
            if (id == kListId && code == LBN_DBLCLK) cmdClose_Click(CloseButton::Ok);
            if (id == kCmdOkId && code == BN_CLICKED) cmdClose_Click(CloseButton::Ok);
            if (id == kCmdCancelId && code == BN_CLICKED) cmdClose_Click(CloseButton::Cancel);
            if (id == kMnuCopyId && lParam == 0) mnuCopy_Click();
            return 0;
        }
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wParam) == list_) {
                List_MouseDown(lParam);
                return 0;
            }
            break;
        case DM_GETDEFID:
            return MAKELRESULT(kCmdOkId, DC_HASDEFID);
        case WM_TIMER:
            if (wParam == kTimer1) Timer1_Timer();
            return 0;
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) Arrange();
            return 0;
        case WM_DPICHANGED: {
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            // The old fonts stay alive until the controls have the new ones.
            GdiObject<HFONT> oldButtons = std::move(buttonFont_);
            GdiObject<HFONT> oldList = std::move(listFont_);
            if (HIWORD(wParam) != 0) dpi_ = HIWORD(wParam);
            MakeFonts();
            SetFonts();
            SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            Arrange();
            return 0;
        }
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize = POINT{Px(kMinWidth), Px(kMinHeight)};
            return 0;
        }
        case WM_ACTIVATE:
            // A window of our own has no dialog manager to keep the focus across activations.
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                focus_ = IsChild(hwnd_, focus) ? focus : nullptr;
            } else {
                SetFocus(focus_ != nullptr && IsWindow(focus_) ? focus_ : list_);
            }
            return 0;
        case WM_CLOSE:
            // Closed by its frame: nothing picked.
            Unload();
            return 0;
        case WM_DESTROY:
            KillTimer(hwnd_, kTimer1);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace tessarin
