#include "ui/main_window.h"

#include <commctrl.h>

#include <memory>
#include <optional>
#include <span>
#include <utility>

#include "core/app/status_record.h"
#include "core/capture/dispatcher.h"
#include "core/files/load_order.h"
#include "core/run/target_kind.h"
#include "core/text/paths.h"
#include "ui/fonts.h"
#include "ui/settings_dialog.h"
#include "ui/window_list.h"
#include "win32/messages.h"
#include "win32/wide.h"
#include "win32/window_queries.h"

namespace tessarin {

namespace {

constexpr wchar_t kClassName[] = L"frmTessarin";
constexpr const char* kCommandErrorStatus = "処理エラー！";

enum ControlId : int {
    kCmdGo = 100,
    kCmdStop,
    kCmdAdd,
    kCmdPos,
    kCmdOpenFolder,
    kTxtFileName,
    kTxtWinText,
    kChkNoMouse,
    kPicPanel,
    kLblStatus,
    kLblHelp,
    kCmdSetting,
    kCmdClose,
    kFrState,
    kLblhWnd,
    kLblInf = 200,
    kLblInfStart = 300,
};

constexpr int kStripId = 500;

constexpr UINT_PTR kTimerMonitor = 1;
// One 10 ms tick drives both the capture run's passes and the idle key handling.
constexpr UINT_PTR kTimerTick = 2;
constexpr UINT kMonitorIntervalMs = 100;
constexpr int kFontPoints = 9;
constexpr DWORD kOverlaySettleMs = 80;

// Design sizes in 96-dpi pixels.
constexpr int kTopRowHeight = 34;
constexpr int kButtonWidth = 56;
constexpr int kButtonHeight = 26;
constexpr int kTextRowHeight = 24;
constexpr int kBottomHeight = 30;
constexpr int kStateHeight = 44;
// The strip: panels 8 pixels down, 45 high, then room for its scroll bar.
constexpr int kStripPanelsHeight = 57;
// The window's outer size stays within these limits (twips).
constexpr int kMinSizeTwips = 3000;
constexpr int kMaxWidthTwips = 12000;
constexpr int kMaxHeightTwips = 10000;

int TextWidth(HWND control, const std::wstring& text) {
    WindowDc dc(control);
    if (!dc) return 0;
    const auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0));
    SelectGuard select(dc.get(), font);
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

}  // namespace

frmTessarin::frmTessarin(MainWindowServices services)
    : services_(std::move(services)),
      programFolder_(services_.paths.programFolder),
      settings_(services_.settings),
      flags_(services_.flags) {}

frmTessarin::~frmTessarin() {
    SetWindowErrorReporter(nullptr);
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

int frmTessarin::Px(int logical) const { return MulDiv(logical, static_cast<int>(dpi_), 96); }

bool frmTessarin::Create() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!RegisterWindowClass(kClassName, OwnedWindowProc<frmTessarin>, GetSysColorBrush(COLOR_BTNFACE),
                             LoadIconW(instance, MAKEINTRESOURCEW(1))))
        return false;

    // Created hidden; the command line decides whether and how it is shown.
    hwnd_ = CreateWindowExW(WS_EX_TOPMOST, kClassName, L"Tessarin", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                            CW_USEDEFAULT, CW_USEDEFAULT, 600, 400, nullptr, nullptr, instance, this);
    if (hwnd_ == nullptr) return false;
    if (const UINT dpi = GetDpiForWindow(hwnd_); dpi != 0) dpi_ = dpi;
    // A command that failed on its way says so on the status line.
    SetWindowErrorReporter([this](const std::string&) { SetStatus(kCommandErrorStatus); });
    // 2. Screen scale from the real resolution of the window's monitor (the strip and the list
    // are sized by it, so it comes before the controls).
    twipsPerPixelX_ = TwipsPerPixel(static_cast<int>(dpi_));
    twipsPerPixelY_ = twipsPerPixelX_;
    return true;
}

void frmTessarin::Attach(const MainWindowParts& parts) {
    list_ = &parts.list;
    run_ = &parts.run;
    rect_ = &parts.rect;
    capture_ = &parts.capture;
    life_ = &parts.life;
    CreateControls();
}

// ---- What the program's life asks of the main window ------------------------------------

void frmTessarin::ShowStarting(const std::string& caption) {
    SetWindowTextW(hwnd_, Utf8ToWide(caption).c_str());
    // Topmost, so it stays visible over the programs being captured.
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowMessageFrame(0, false);
    SetWindowTextW(lblhWnd_, Utf8ToWide(HexText(reinterpret_cast<uintptr_t>(hwnd_))).c_str());
}

ScreenSize frmTessarin::screenSize() const {
    return ScreenSize{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void frmTessarin::showWindow(bool visible, bool minimised, bool pointerPanel) {
    if (visible) {
        ShowWindow(hwnd_, minimised ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
    } else if (minimised) {
        // Minimised and hidden: restoring it later shows it as an icon.
        ShowWindow(hwnd_, SW_MINIMIZE);
        ShowWindow(hwnd_, SW_HIDE);
    }
    if (pointerPanel) ShowWindow(frState_, SW_SHOW);
    Arrange();
}

void frmTessarin::startWindowWatch() { SetTimer(hwnd_, kTimerMonitor, kMonitorIntervalMs, nullptr); }

void frmTessarin::EndStartup() {
    for (HWND label : lblInf_Start_) EnableWindow(label, TRUE);
    if (IsWindowVisible(hwnd_) && preview_) SetFocus(preview_->hwnd());
    ProcessPendingMessages();
}

void frmTessarin::errorMessage(const std::string& text, const std::string& title) {
    MessageBoxUtf8(text, title, MB_OK | MB_ICONERROR);
}

void frmTessarin::disableSaving() {
    for (int id : {kMnuSave, kMnuSaveNameAs, kMnuAllSave}) EnableMenuItem(mnuEdit_.get(), id, MF_GRAYED);
}

void frmTessarin::startTicks() { WakeTicks(); }

void frmTessarin::postClose() { PostMessageW(hwnd_, WM_CLOSE, 0, 0); }

void frmTessarin::showSettingsDialog() {
    (void)frmSetting::ShowModal(hwnd_, settings_, services_.paths, services_.codePage, services_.desktop);
}

void frmTessarin::focusPreview() {
    if (preview_) SetFocus(preview_->hwnd());
}

void frmTessarin::Unload() {
    KillTimer(hwnd_, kTimerMonitor);
    ticksStopped_ = true;
    KillTimer(hwnd_, kTimerTick);
    DestroyWindow(hwnd_);
}

void frmTessarin::CreateControls() {
    font_ = DialogFont(hwnd_, kFontPoints, false, dpi_);
    tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0,
                            0, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (tips_ != nullptr) SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, 480);

    const DWORD button = WS_TABSTOP | BS_PUSHBUTTON;
    const DWORD label = SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE;
    cmdGo_ = AddControl(WC_BUTTONW, L"開始", button, kCmdGo);
    cmdStop_ = AddControl(WC_BUTTONW, L"停止", button, kCmdStop);
    cmdAdd_ = AddControl(WC_BUTTONW, L"追加", button, kCmdAdd);
    AddTip(cmdAdd_, L"一覧（下段）に追加します。");
    // Until start-up has finished nothing can be started.
    EnableWindow(cmdGo_, FALSE);
    EnableWindow(cmdStop_, FALSE);
    EnableWindow(cmdAdd_, FALSE);
    cmdPos_ = AddControl(WC_BUTTONW, L"", button, kCmdPos);
    AddTip(cmdPos_, L"取得対象をサイクリックに切り替え");

    static constexpr std::pair<int, const wchar_t*> kInfCaptions[] = {
        {0, L"Shift"},   {1, L"範囲設定"},     {2, L"キャプチャー"},  {3, L"Ctrl+C"},
        {4, L"/ Space"}, {5, L"リストに追加"}, {6, L"追加"},          {7, L"リストに追加"},
        {8, L"/ Space"}, {9, L"リストに追加"}, {10, L"キャプチャー"}, {13, L"Ctrl+C"},
        {14, L"/"}};
    for (const auto& [index, caption] : kInfCaptions) {
        lblInf_[index] = AddControl(WC_STATICW, caption, label, kLblInf + index);
    }
    // Disabled from birth: enabling them is the last step of start-up, which others watch for.
    lblInf_Start_[0] = AddControl(WC_STATICW, L"開始", label | WS_DISABLED, kLblInfStart);
    lblInf_Start_[1] = AddControl(WC_STATICW, L"をクリックして下さい", label | WS_DISABLED, kLblInfStart + 1);
    const std::wstring rangeTip =
        L"Shiftキーを押しながらマウスを動かすと範囲設定が出来ます。Shifを押した地点が開始、離した地点が終了";
    for (int index : {0, 1, 10, 13, 14}) AddTip(lblInf_[index], rangeTip);
    frMsg_[0] = {lblInf_Start_[0], lblInf_Start_[1], lblInf_[8], lblInf_[9]};
    frMsg_[1] = {lblInf_[0], lblInf_[1], lblInf_[14], lblInf_[13], lblInf_[10]};
    frMsg_[2] = {lblInf_[3], lblInf_[2]};
    frMsg_[3] = {lblInf_[6], lblInf_[7], lblInf_[4], lblInf_[5]};

    txtWinText_ = AddControl(WC_EDITW, L"", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, kTxtWinText);
    txtFileName_ = AddControl(WC_EDITW, L"", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, kTxtFileName);
    chkNoMouse_ = AddControl(WC_BUTTONW, L"マウスカーソルは撮らない", WS_TABSTOP | BS_AUTOCHECKBOX, kChkNoMouse);
    // Both boxes are often too narrow for what they hold: their tips show the whole text.
    AddTip(txtFileName_, nullptr);
    AddTip(txtWinText_, nullptr);
    preview_ = std::make_unique<frPreview>(services_.pic, [this](int button) {
        if (button == MK_LBUTTON) list_->PressPreview(MouseButton::Left);
    });
    if (!preview_->Create(hwnd_, kPicPanel)) preview_.reset();
    if (preview_) preview_->SetScale(twipsPerPixelX_, twipsPerPixelY_);

    cmdOpenFolder_ = AddControl(WC_BUTTONW, L"フォルダを開く", button, kCmdOpenFolder);
    AddTip(cmdOpenFolder_, L"画像の保存先フォルダを開きます");
    lblStatus_ = AddControl(WC_STATICW, L"", label | SS_SUNKEN | SS_ENDELLIPSIS, kLblStatus);
    lblHelp_ = AddControl(WC_STATICW, L"ヘルプ", label | SS_NOTIFY | SS_CENTER, kLblHelp);
    AddTip(lblHelp_, L"オンラインヘルプを表示します。");
    cmdSetting_ = AddControl(WC_BUTTONW, L"設定", button, kCmdSetting);
    AddTip(cmdSetting_, L"各種設定");
    cmdClose_ = AddControl(WC_BUTTONW, L"閉じる", button, kCmdClose);
    AddTip(cmdClose_, L"フォームを閉じてプログラムを終了します");

    // The pointer panel, shown only in debug mode: two rows of small labels.
    frState_ = AddControl(WC_STATICW, L"", SS_SUNKEN, kFrState);
    const auto panelLabel = [this](const wchar_t* text) {
        HWND labelWindow = CreateWindowExW(0, WC_STATICW, text, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0,
                                           0, frState_, nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(labelWindow, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        return labelWindow;
    };
    static constexpr const wchar_t* kCaptions[] = {L"rect", L"point", L"fore", L"main"};
    for (size_t i = 0; i < lblCaption_.size(); ++i) lblCaption_[i] = panelLabel(kCaptions[i]);
    lblRect_ = panelLabel(L"");
    lblPoint_ = panelLabel(L"");
    lblForeground_ = panelLabel(L"");
    lblhWnd_ = panelLabel(L"");
    lblState_ = panelLabel(L"");
    lblEvent_ = panelLabel(L"");
    lblKey_ = panelLabel(L"");
    lblMouse_ = panelLabel(L"");
    lblPic_ = panelLabel(L"");
    ShowWindow(frState_, SW_HIDE);

    lblRsv_ = panelLabel(L"");

    // The strip of numbered thumbnails draws the list.
    strip_ = std::make_unique<frPicList>(
        *list_,
        frPicList::Callbacks{[this](int32_t position) { list_->Hover(position); },
                             [this](int32_t position) { list_->PressThumbnail(position, MouseButton::Left); },
                             [this](int32_t position, POINT screen) {
                                 menuPoint_ = screen;
                                 list_->PressThumbnail(position, MouseButton::Right);
                             },
                             [this](int32_t position, const Image& image) { list_->DropOnThumbnail(position, image); },
                             [this](int32_t position) { return list_->AcceptsDrop(position); }});
    if (!strip_->Create(hwnd_, RECT{0, 0, 0, 0}, kStripId)) strip_.reset();
    CreateEditMenu();
}

// The strip's pop-up menu.
void frmTessarin::CreateEditMenu() {
    mnuEdit_.reset(CreatePopupMenu());
    if (!mnuEdit_) return;
    const std::pair<int, const wchar_t*> items[] = {{kMnuSave, L"保存\tCtrl+S"},
                                                    {kMnuSaveNameAs, L"名前を付けて保存"},
                                                    {kMnuAllSave, L"全て保存"},
                                                    {0, nullptr},
                                                    {kMnuThumnail, L"サムネイル保存"},
                                                    {kMnuThumnailAll, L"全てサムネイル保存"},
                                                    {0, nullptr},
                                                    {kMnuDel, L"削除 - 選択画像\tDel"},
                                                    {kMnuLeftDel, L"削除 - 左側（選択含）"},
                                                    {kMnuRightDel, L"削除 - 右側（選択含）"},
                                                    {kMnuAllDel, L"全て削除"}};
    for (const auto& [id, caption] : items) {
        if (caption == nullptr) {
            AppendMenuW(mnuEdit_.get(), MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuW(mnuEdit_.get(), MF_STRING, static_cast<UINT_PTR>(id), caption);
        }
    }
}

HWND frmTessarin::AddControl(const wchar_t* className, const std::wstring& text, DWORD style, int id) {
    HWND control =
        CreateWindowExW(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (control != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return control;
}

void frmTessarin::AddTip(HWND control, const std::wstring& text) { AddTip(control, &text); }

void frmTessarin::AddTip(HWND control, const std::wstring* text) {
    if (tips_ == nullptr || control == nullptr) return;
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = hwnd_;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = text != nullptr ? const_cast<wchar_t*>(text->c_str()) : LPSTR_TEXTCALLBACKW;
    SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void frmTessarin::ShowMessageFrame(int index, bool labelsOnly) {
    if (index == 1) {
        SetWindowTextW(lblInf_[0], Utf8ToWide(settings_.hotkeyRect).c_str());
        SetWindowTextW(lblInf_[3], Utf8ToWide("Ctrl+" + settings_.hotkeyCopy).c_str());
        SetWindowTextW(lblInf_[13], WindowText(lblInf_[3]).c_str());
    }
    if (labelsOnly) return;
    for (const auto& frame : frMsg_) {
        for (HWND label : frame) ShowWindow(label, SW_HIDE);
    }
    if (index >= 0 && index < static_cast<int>(frMsg_.size())) {
        for (HWND label : frMsg_[index]) {
            // The Space hints show only while the Space key adds to the list.
            const bool spaceHint = label == lblInf_[4] || label == lblInf_[5];
            if (!spaceHint || settings_.space != 0) ShowWindow(label, SW_SHOW);
        }
    }
    Arrange();
}

void frmTessarin::Arrange() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int width = client.right;
    const int height = client.bottom;
    const int gap = Px(2);
    HDWP dwp = BeginDeferWindowPos(40);
    auto place = [&dwp](HWND control, int x, int y, int w, int h) {
        if (dwp != nullptr && control != nullptr)
            dwp = DeferWindowPos(dwp, control, nullptr, x, y, w < 0 ? 0 : w, h < 0 ? 0 : h,
                                 SWP_NOZORDER | SWP_NOACTIVATE);
    };

    // frCmd: the run buttons; frTop fills the rest of the top row.
    const int buttonTop = (Px(kTopRowHeight) - Px(kButtonHeight)) / 2;
    int x = Px(4);
    for (HWND b : {cmdGo_, cmdStop_, cmdAdd_}) {
        place(b, x, buttonTop, Px(kButtonWidth), Px(kButtonHeight));
        x += Px(kButtonWidth) + Px(4);
    }
    const int frTopLeft = x;
    const int posWidth = Px(96);
    place(cmdPos_, width - posWidth - Px(4), buttonTop, posWidth, Px(kButtonHeight));
    // Every message frame starts at the left of frTop, 4 pixels down.
    for (const auto& frame : frMsg_) {
        int lx = frTopLeft;
        for (HWND label : frame) {
            const int w = TextWidth(label, WindowText(label)) + Px(4);
            place(label, lx, Px(4), w, Px(kTopRowHeight) - Px(8));
            if (IsWindowVisible(label) || !IsWindowVisible(frame.front())) lx += w + Px(4);
        }
    }

    // Second row: window text, file name, the cursor check box on the right.
    const int rowTop = Px(kTopRowHeight) + gap;
    const int checkWidth = TextWidth(chkNoMouse_, WindowText(chkNoMouse_)) + Px(24);
    place(chkNoMouse_, width - checkWidth - Px(4), rowTop, checkWidth, Px(kTextRowHeight));
    place(txtWinText_, Px(4), rowTop, Px(180), Px(kTextRowHeight));
    const int fileLeft = Px(4) + Px(180) + Px(4);
    place(txtFileName_, fileLeft, rowTop, width - checkWidth - Px(4) - Px(3) - fileLeft, Px(kTextRowHeight));

    // Bottom: the debug panel below everything, then frBottom on the bottom limit.
    int bottomLimit = height;
    if (flags_.debug) {
        place(frState_, 0, height - Px(kStateHeight), width, Px(kStateHeight));
        bottomLimit = height - Px(kStateHeight);
        // First row: caption and handle pairs; second row: event, key, state, pointer, picture.
        const int rowHeight = (Px(kStateHeight) - Px(4)) / 2;
        const std::array<HWND, 4> handles{lblRect_, lblPoint_, lblForeground_, lblhWnd_};
        int lx = Px(4);
        for (size_t i = 0; i < handles.size(); ++i) {
            SetWindowPos(lblCaption_[i], nullptr, lx, Px(2), Px(36), rowHeight, SWP_NOZORDER | SWP_NOACTIVATE);
            SetWindowPos(handles[i], nullptr, lx + Px(36), Px(2), Px(72), rowHeight, SWP_NOZORDER | SWP_NOACTIVATE);
            lx += Px(112);
        }
        lx = Px(4);
        for (HWND labelWindow : {lblEvent_, lblKey_, lblState_, lblMouse_, lblPic_, lblRsv_}) {
            const int w = labelWindow == lblEvent_ ? Px(110) : Px(90);
            SetWindowPos(labelWindow, nullptr, lx, Px(2) + rowHeight, w, rowHeight, SWP_NOZORDER | SWP_NOACTIVATE);
            lx += w + Px(4);
        }
    }
    const int bottomTop = bottomLimit - Px(kBottomHeight);
    const int bh = Px(kButtonHeight);
    const int by = bottomTop + (Px(kBottomHeight) - bh) / 2;
    const int closeLeft = width - Px(64) - Px(4);
    place(cmdClose_, closeLeft, by, Px(64), bh);
    const int settingLeft = closeLeft - gap - Px(64);
    place(cmdSetting_, settingLeft, by, Px(64), bh);
    const int helpLeft = settingLeft - gap - Px(48);
    place(lblHelp_, helpLeft, by, Px(48), bh);
    const int folderWidth = TextWidth(cmdOpenFolder_, WindowText(cmdOpenFolder_)) + Px(16);
    place(cmdOpenFolder_, Px(4), by, folderWidth, bh);
    const int statusLeft = Px(4) + folderWidth + Px(4);
    place(lblStatus_, statusLeft, by, helpLeft - statusLeft, bh);

    // The strip sits on the buttons; the preview fills what is left above it.
    const int stripHeight = Px(kStripPanelsHeight) + GetSystemMetricsForDpi(SM_CYHSCROLL, dpi_);
    const int stripTop = bottomTop - stripHeight;
    if (strip_) place(strip_->hwnd(), 0, stripTop, width, stripHeight);
    const int panelTop = rowTop + Px(kTextRowHeight) + gap;
    if (preview_) place(preview_->hwnd(), 0, panelTop, width, stripTop - panelTop);
    if (dwp != nullptr) EndDeferWindowPos(dwp);
    ProcessPendingMessages();
    if (preview_) preview_->LayOut();
}

void frmTessarin::SetStatus(const std::string& text) {
    SetWindowTextW(lblStatus_, Utf8ToWide(text).c_str());
    (void)services_.status.PublishStatus(text);
    // The label repaints at once, even inside long work.
    ProcessPendingMessages();
}

void frmTessarin::ApplySettings() {
    for (int index : {4, 5}) {
        const bool frameShown = IsWindowVisible(lblInf_[6]) != FALSE;
        ShowWindow(lblInf_[index], settings_.space != 0 && frameShown ? SW_SHOW : SW_HIDE);
    }
    SendMessageW(chkNoMouse_, BM_SETCHECK, settings_.noMouse != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    ShowMessageFrame(1, true);
    CycleTargetKind(false);
}

void frmTessarin::CycleTargetKind(bool advance) {
    if (advance) settings_.pos = NextTargetIndex(settings_.pos);
    const std::string caption = TargetCaption(settings_.pos);
    // An index outside the table leaves the caption as it was.
    if (!caption.empty()) SetWindowTextW(cmdPos_, Utf8ToWide(caption).c_str());
    ProcessPendingMessages();
}

WindowPlacement frmTessarin::restoredPlacement() const {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(hwnd_, &wp)) return {};
    const RECT& r = wp.rcNormalPosition;
    return WindowPlacement{r.left, r.top, r.right, r.bottom};
}

void frmTessarin::placeWindow(const WindowPlacement& placement) {
    SetWindowPos(hwnd_, nullptr, placement.left, placement.top, placement.right - placement.left,
                 placement.bottom - placement.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void frmTessarin::messageBox(const std::string& text, const std::string& title) {
    MessageBoxW(hwnd_, Utf8ToWide(text).c_str(), Utf8ToWide(title).c_str(), MB_OK);
}

std::string frmTessarin::pickClassFromWindowList() { return frmList::ShowModal(hwnd_, services_.desktop); }

Rect frmTessarin::rangeRectangle() const { return run_ ? run_->rangeOverlay().RectanglePixels() : Rect{}; }

void frmTessarin::hideRangeOverlay() {
    if (!rect_ || rect_->hwnd() == nullptr || !IsWindowVisible(rect_->hwnd())) return;
    rect_->hide();
    // The windows of other programs under the outline repaint in their own time; copied at
    // once, the range would still show the outline.
    ProcessMessagesFor(kOverlaySettleMs);
}

// ---- What the capture run asks of the main window ----------------------------------------

void frmTessarin::showPanel(const PanelTexts& texts) {
    const std::pair<HWND, const std::string*> labels[] = {
        {lblState_, &texts.state},           {lblEvent_, &texts.event}, {lblKey_, &texts.key},
        {lblMouse_, &texts.mouse},           {lblPoint_, &texts.point}, {lblRect_, &texts.rect},
        {lblForeground_, &texts.foreground}, {lblPic_, &texts.pic}};
    for (const auto& [labelWindow, text] : labels) {
        const std::wstring wide = Utf8ToWide(*text);
        // Unchanged labels are not touched: this runs every 10 ms.
        if (WindowText(labelWindow) != wide) SetWindowTextW(labelWindow, wide.c_str());
    }
}

void frmTessarin::setGoEnabled(bool enabled) {
    EnableWindow(cmdGo_, enabled ? TRUE : FALSE);
    EnableWindow(cmdStop_, enabled ? FALSE : TRUE);
}

void frmTessarin::setAddEnabled(bool enabled) { EnableWindow(cmdAdd_, enabled ? TRUE : FALSE); }

WindowId frmTessarin::mainWindow() const { return static_cast<WindowId>(reinterpret_cast<uintptr_t>(hwnd_)); }

bool frmTessarin::isMinimised() const { return IsIconic(hwnd_) != FALSE; }

void frmTessarin::minimise() { ShowWindow(hwnd_, SW_MINIMIZE); }

void frmTessarin::restore() { ShowWindow(hwnd_, SW_RESTORE); }

void frmTessarin::unloadMainWindow() { life_->cmdClose_Click(); }

std::string frmTessarin::targetCaption() const { return WideToUtf8(WindowText(cmdPos_)); }

std::string frmTessarin::fileName() const { return WideToUtf8(WindowText(txtFileName_)); }

void frmTessarin::setFileName(const std::string& text) { SetWindowTextW(txtFileName_, Utf8ToWide(text).c_str()); }

std::string frmTessarin::winText() const { return WideToUtf8(WindowText(txtWinText_)); }

void frmTessarin::setWinText(const std::string& text) { SetWindowTextW(txtWinText_, Utf8ToWide(text).c_str()); }

int32_t frmTessarin::pictureWidth() const { return services_.pic.width() * twipsPerPixelX_; }

int32_t frmTessarin::pictureHeight() const { return services_.pic.height() * twipsPerPixelY_; }

CaptureOutcome frmTessarin::MyCapture(std::string_view target) {
    std::string result = tessarin::MyCapture(*capture_, target);
    if (preview_) InvalidateRect(preview_->hwnd(), nullptr, TRUE);
    return CaptureOutcome{std::move(result), capture_->downloadedImage};
}

void frmTessarin::processPendingMessages() { ProcessPendingMessages(); }

void frmTessarin::sleepMs(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

void frmTessarin::cmdPos_Click() { CycleTargetKind(true); }

void frmTessarin::chkNoMouse_Click() {
    settings_.noMouse = SendMessageW(chkNoMouse_, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

// Another monitor's scale: the font is made again for it, and every control and label takes it.
void frmTessarin::SetDpi(UINT dpi) {
    if (dpi == 0 || dpi == dpi_) return;
    dpi_ = dpi;
    GdiObject<HFONT> font = DialogFont(hwnd_, kFontPoints, false, dpi_);
    if (!font) return;
    const auto apply = [](HWND control, LPARAM newFont) {
        SendMessageW(control, WM_SETFONT, static_cast<WPARAM>(newFont), TRUE);
        return TRUE;
    };
    EnumChildWindows(hwnd_, apply, reinterpret_cast<LPARAM>(font.get()));
    if (strip_) strip_->SetDpi(dpi_);
    // Only now is the old font no longer selected by any control.
    font_ = std::move(font);
}

void frmTessarin::PaceTicks(bool activity) {
    // Without the hooks nothing would wake the run: it keeps looking fast.
    const bool hooked = services_.wake != nullptr && services_.wake->watching();
    SetTickInterval(pace_.AfterTick(activity || !hooked, GetTickCount64()));
    if (hooked && pace_.Still()) services_.wake->arm();
}

void frmTessarin::WakeTicks() { SetTickInterval(pace_.Wake(GetTickCount64())); }

void frmTessarin::SetTickInterval(uint32_t milliseconds) {
    if (ticksStopped_ || milliseconds == tickMs_) return;
    tickMs_ = milliseconds;
    SetTimer(hwnd_, kTimerTick, milliseconds, nullptr);
}

LRESULT frmTessarin::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            // A command (a click, a menu, a key) may change what the next tick acts on.
            WakeTicks();
            if (id == kCmdClose && code == BN_CLICKED) life_->cmdClose_Click();
            if (id == kCmdGo && code == BN_CLICKED && run_) run_->cmdGo_Click();
            if (id == kCmdStop && code == BN_CLICKED && run_) run_->cmdStop_Click();
            if (id == kCmdAdd && code == BN_CLICKED && run_) run_->cmdAdd_Click();
            if (id == kCmdOpenFolder && code == BN_CLICKED) life_->cmdOpenFolder_Click();
            if (id == kCmdSetting && code == BN_CLICKED) life_->cmdSetting_Click();
            if (id == kCmdPos && code == BN_CLICKED) cmdPos_Click();
            if (id == kChkNoMouse && code == BN_CLICKED) chkNoMouse_Click();
            if (id == kLblHelp && code == STN_CLICKED) life_->lblHelp_Click();
            if (lParam == 0) OnMenuCommand(id);
            return 0;
        }
        case kMsgInputWake:
            WakeTicks();
            return 0;
        case WM_TIMER:
            if (wParam == kTimerMonitor) {
                WakeTicks();
                life_->Timer_Monitor_Timer();
            }
            if (wParam == kTimerTick && run_) PaceTicks(run_->Tick());
            return 0;
        case WM_NOTIFY: {
            auto* request = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            if (request->hdr.code != TTN_GETDISPINFOW) break;
            const auto control = reinterpret_cast<HWND>(request->hdr.idFrom);
            if (control == txtFileName_) tipText_ = L"ファイル名： " + WindowText(control);
            if (control == txtWinText_) tipText_ = L"ウィンドウテキスト：" + WindowText(control);
            if (control == txtFileName_ || control == txtWinText_) request->lpszText = tipText_.data();
            return 0;
        }
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) Arrange();
            return 0;
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            const int tpp = twipsPerPixelX_ > 0 ? twipsPerPixelX_ : 15;
            info->ptMinTrackSize = POINT{kMinSizeTwips / tpp, kMinSizeTwips / tpp};
            info->ptMaxTrackSize = POINT{kMaxWidthTwips / tpp, kMaxHeightTwips / tpp};
            return 0;
        }
        case WM_DPICHANGED: {
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetDpi(HIWORD(wParam));
            twipsPerPixelX_ = twipsPerPixelY_ = TwipsPerPixel(HIWORD(wParam));
            if (rect_) rect_->setScale(twipsPerPixelX_, twipsPerPixelY_);
            if (run_) run_->SetScale(twipsPerPixelX_, twipsPerPixelY_);
            if (preview_) preview_->SetScale(twipsPerPixelX_, twipsPerPixelY_);
            SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            // The suggested size may be the old one: the controls are placed again regardless.
            Arrange();
            return 0;
        }
        case WM_CTLCOLORSTATIC: {
            const auto control = reinterpret_cast<HWND>(lParam);
            const auto dc = reinterpret_cast<HDC>(wParam);
            SetBkMode(dc, TRANSPARENT);
            if (control == lblHelp_) SetTextColor(dc, RGB(0, 0, 255));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wParam) == lblHelp_) {
                SetCursor(LoadCursorW(nullptr, IDC_HAND));
                return TRUE;
            }
            break;
        case WM_CLOSE:
            life_->cmdClose_Click();
            return 0;
        case WM_QUERYENDSESSION:
            // The end of the session is never held up: it saves what is unsaved by itself.
            return TRUE;
        case WM_ENDSESSION:
            if (wParam != FALSE) life_->EndSession();
            return 0;
        case WM_DESTROY:
            KillTimer(hwnd_, kTimerMonitor);
            ticksStopped_ = true;
            KillTimer(hwnd_, kTimerTick);
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace tessarin
