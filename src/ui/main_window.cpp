#include "ui/main_window.h"

#include <commctrl.h>

#include <functional>
#include <utility>
#include <vector>

#include "core/app/shell.h"
#include "core/run/target_kind.h"
#include "ui/fonts.h"
#include "win32/wide.h"

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
    kLblInf = 200,
    kStrip = 500,
};

constexpr int kFontPoints = 9;
constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE;
constexpr DWORD kTextBox = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr wchar_t kRangeTip[] =
    L"Shiftキーを押しながらマウスを動かすと範囲設定が出来ます。Shifを押した地点が開始、離した地点が終了";

int TextWidth(HWND control) {
    WindowDc dc(control);
    if (!dc) return 0;
    const auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0));
    SelectGuard select(dc.get(), font);
    const std::wstring text = WindowText(control);
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// Moves each window to its place; all must share one parent.
void PlaceAll(const std::vector<std::pair<HWND, Rect>>& places) {
    HDWP dwp = BeginDeferWindowPos(static_cast<int>(places.size()));
    for (const auto& [control, r] : places) {
        if (dwp != nullptr && control != nullptr)
            dwp = DeferWindowPos(dwp, control, nullptr, r.left, r.top, r.width(), r.height(),
                                 SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (dwp != nullptr) EndDeferWindowPos(dwp);
}

}  // namespace

frmTessarin::frmTessarin(const MainWindowServices& services) : services_(services), settings_(services.settings) {}

frmTessarin::~frmTessarin() {
    SetWindowErrorReporter(nullptr);
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool frmTessarin::Create() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!RegisterWindowClass(kClassName, OwnedWindowProc<frmTessarin>, GetSysColorBrush(COLOR_BTNFACE),
                             LoadIconW(instance, MAKEINTRESOURCEW(1))))
        return false;
    // Created hidden; the command line decides whether and how it is shown.
    if (CreateWindowExW(WS_EX_TOPMOST, kClassName, L"Tessarin", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                        CW_USEDEFAULT, 600, 400, nullptr, nullptr, instance, this) == nullptr)
        return false;
    // The screen scale is the real resolution of the window's monitor.
    if (const UINT dpi = GetDpiForWindow(hwnd_); dpi != 0) dpi_ = dpi;
    twipsPerPixel_ = TwipsPerPixel(static_cast<int>(dpi_));
    // A command that failed on its way says so on the status line.
    SetWindowErrorReporter([this](const std::string&) { SetStatus(kCommandErrorStatus); });
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

// ---- The controls --------------------------------------------------------------------------

// In the order of the screen, which is the tab order.
void frmTessarin::CreateControls() {
    font_ = DialogFont(hwnd_, kFontPoints, false, dpi_);
    tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0,
                            0, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (tips_ != nullptr) SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, 480);

    struct Control {
        HWND frmTessarin::*member;
        const wchar_t* className;
        const wchar_t* caption;
        DWORD style;
        int id;
        const wchar_t* tip;
    };
    // Nothing can be started until start-up has ended.
    static constexpr Control kTop[] = {
        {&frmTessarin::cmdGo_, WC_BUTTONW, L"開始", kButton | WS_DISABLED, kCmdGo, nullptr},
        {&frmTessarin::cmdStop_, WC_BUTTONW, L"停止", kButton | WS_DISABLED, kCmdStop, nullptr},
        {&frmTessarin::cmdAdd_, WC_BUTTONW, L"追加", kButton | WS_DISABLED, kCmdAdd, L"一覧（下段）に追加します。"},
        {&frmTessarin::cmdPos_, WC_BUTTONW, L"", kButton, kCmdPos, L"取得対象をサイクリックに切り替え"}};
    static constexpr Control kBoxes[] = {{&frmTessarin::txtWinText_, WC_EDITW, L"", kTextBox, kTxtWinText, nullptr},
                                         {&frmTessarin::txtFileName_, WC_EDITW, L"", kTextBox, kTxtFileName, nullptr},
                                         {&frmTessarin::chkNoMouse_, WC_BUTTONW, L"マウスカーソルは撮らない",
                                          WS_TABSTOP | BS_AUTOCHECKBOX, kChkNoMouse, nullptr}};
    static constexpr Control kBottom[] = {
        {&frmTessarin::cmdOpenFolder_, WC_BUTTONW, L"フォルダを開く", kButton, kCmdOpenFolder,
         L"画像の保存先フォルダを開きます"},
        {&frmTessarin::lblStatus_, WC_STATICW, L"", kLabel | SS_SUNKEN | SS_ENDELLIPSIS, kLblStatus, nullptr},
        {&frmTessarin::lblHelp_, WC_STATICW, L"ヘルプ", kLabel | SS_NOTIFY | SS_CENTER, kLblHelp,
         L"オンラインヘルプを表示します。"},
        {&frmTessarin::cmdSetting_, WC_BUTTONW, L"設定", kButton, kCmdSetting, L"各種設定"},
        {&frmTessarin::cmdClose_, WC_BUTTONW, L"閉じる", kButton, kCmdClose, L"フォームを閉じてプログラムを終了します"},
        {&frmTessarin::frState_, WC_STATICW, L"", SS_SUNKEN, kFrState, nullptr}};
    const auto create = [this](const Control& c) {
        this->*c.member = AddControl(hwnd_, c.className, c.caption, c.style, c.id);
        if (c.tip != nullptr) AddTip(this->*c.member, c.tip);
    };
    for (const Control& control : kTop) create(control);

    // The message area's labels, each frame's with the texts it shows first. The start hint is
    // disabled from birth: enabling it is the last step of start-up, which others watch for.
    for (int frame = 0; frame < 4; ++frame) {
        for (const auto& [label, text] : MessageFrame(frame, settings_)) {
            const bool startHint = label == InfoLabel::Start || label == InfoLabel::ClickPrompt;
            HWND& window = lblInf_[static_cast<size_t>(label)];
            window = AddControl(hwnd_, WC_STATICW, Utf8ToWide(text).c_str(), kLabel | (startHint ? WS_DISABLED : 0),
                                kLblInf + static_cast<int>(label));
            if (frame == 1) AddTip(window, kRangeTip);
        }
    }
    for (const Control& control : kBoxes) create(control);
    // Both boxes are often too narrow for what they hold: their tips show the whole text.
    AddTip(txtFileName_, nullptr);
    AddTip(txtWinText_, nullptr);
    preview_ = std::make_unique<frPreview>([this](int button) {
        if (button == MK_LBUTTON) list_->PressPreview(MouseButton::Left);
    });
    if (!preview_->Create(hwnd_, kPicPanel)) preview_.reset();
    if (preview_) preview_->SetScale(twipsPerPixel_, twipsPerPixel_);
    for (const Control& control : kBottom) create(control);
    CreatePointerPanel();
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
    if (!strip_->Create(hwnd_, RECT{0, 0, 0, 0}, kStrip)) strip_.reset();
    CreateEditMenu();
}

// Two rows of small labels: each handle with its caption, then the run's last look.
void frmTessarin::CreatePointerPanel() {
    static constexpr const wchar_t* kCaptions[] = {L"rect", L"point", L"fore", L"main"};
    for (size_t i = 0; i < lblCaption_.size(); ++i)
        lblCaption_[i] = AddControl(frState_, WC_STATICW, kCaptions[i], kLabel, 0);
    // In the order the end-to-end tests walk them.
    for (HWND* label : {&lblRect_, &lblPoint_, &lblForeground_, &lblhWnd_, &lblState_, &lblEvent_, &lblKey_, &lblMouse_,
                        &lblPic_, &lblRsv_})
        *label = AddControl(frState_, WC_STATICW, L"", kLabel, 0);
    ShowWindow(frState_, SW_HIDE);
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
    for (const auto& [id, caption] : items)
        AppendMenuW(mnuEdit_.get(), caption == nullptr ? MF_SEPARATOR : MF_STRING, static_cast<UINT_PTR>(id), caption);
}

HWND frmTessarin::AddControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id) {
    HWND control =
        CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (control != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return control;
}

void frmTessarin::AddTip(HWND control, const wchar_t* text) {
    if (tips_ == nullptr || control == nullptr) return;
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = hwnd_;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = text != nullptr ? const_cast<wchar_t*>(text) : LPSTR_TEXTCALLBACKW;
    SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

// Only the frame shown has its labels up, with the texts the settings give them now.
// Labels only: the frame's labels take the settings' keys now, shown or not, and what shows stays.
void frmTessarin::ShowMessageFrame(int index, bool labelsOnly) {
    if (!labelsOnly) shownFrame_ = index;
    std::array<bool, kInfoLabelCount> shown{};
    for (const auto& [label, text] : MessageFrame(index, settings_)) {
        shown[static_cast<size_t>(label)] = true;
        SetWindowTextW(Info(label), Utf8ToWide(text).c_str());
    }
    if (!labelsOnly) {
        for (size_t i = 0; i < lblInf_.size(); ++i) ShowWindow(lblInf_[i], shown[i] ? SW_SHOW : SW_HIDE);
    }
    Arrange();
}

void frmTessarin::Arrange() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    MainLayoutInput input{client.right,
                          client.bottom,
                          static_cast<int32_t>(dpi_),
                          services_.flags.debug,
                          GetSystemMetricsForDpi(SM_CYHSCROLL, dpi_),
                          TextWidth(chkNoMouse_),
                          TextWidth(cmdOpenFolder_),
                          {}};
    const std::vector<InfoText> frame = MessageFrame(shownFrame_, settings_);
    for (const InfoText& shown : frame) input.messageTexts.push_back(TextWidth(Info(shown.label)));
    const MainLayout layout = LayOutMainWindow(input);

    std::vector<std::pair<HWND, Rect>> window = {{cmdGo_, layout.go},
                                                 {cmdStop_, layout.stop},
                                                 {cmdAdd_, layout.add},
                                                 {cmdPos_, layout.pos},
                                                 {txtWinText_, layout.winText},
                                                 {txtFileName_, layout.fileName},
                                                 {chkNoMouse_, layout.noMouse},
                                                 {cmdOpenFolder_, layout.openFolder},
                                                 {lblStatus_, layout.status},
                                                 {lblHelp_, layout.help},
                                                 {cmdSetting_, layout.setting},
                                                 {cmdClose_, layout.close},
                                                 {frState_, layout.pointerPanel}};
    for (size_t i = 0; i < frame.size(); ++i) window.emplace_back(Info(frame[i].label), layout.message[i]);
    if (strip_) window.emplace_back(strip_->hwnd(), layout.strip);
    if (preview_) window.emplace_back(preview_->hwnd(), layout.preview);
    std::vector<std::pair<HWND, Rect>> panel;
    const std::array<HWND, 4> values{lblRect_, lblPoint_, lblForeground_, lblhWnd_};
    const std::array<HWND, 6> row{lblEvent_, lblKey_, lblState_, lblMouse_, lblPic_, lblRsv_};
    for (size_t i = 0; i < values.size(); ++i) {
        panel.emplace_back(lblCaption_[i], layout.panelCaptions[i]);
        panel.emplace_back(values[i], layout.panelValues[i]);
    }
    for (size_t i = 0; i < row.size(); ++i) panel.emplace_back(row[i], layout.panelRow[i]);
    PlaceAll(window);
    PlaceAll(panel);
    ProcessPendingMessages();
    if (preview_) preview_->LayOut();
}

// Another monitor's scale: the font is made again for it, every control takes it and is placed
// again, and the run, the overlay and the preview count in the new twips.
void frmTessarin::SetDpi(UINT dpi, const RECT& suggested) {
    if (dpi != 0 && dpi != dpi_) {
        dpi_ = dpi;
        if (GdiObject<HFONT> font = DialogFont(hwnd_, kFontPoints, false, dpi_)) {
            const auto apply = [](HWND control, LPARAM newFont) {
                SendMessageW(control, WM_SETFONT, static_cast<WPARAM>(newFont), TRUE);
                return TRUE;
            };
            EnumChildWindows(hwnd_, apply, reinterpret_cast<LPARAM>(font.get()));
            if (strip_) strip_->SetDpi(dpi_);
            // Only now is the old font no longer selected by any control.
            font_ = std::move(font);
        }
    }
    twipsPerPixel_ = TwipsPerPixel(static_cast<int>(dpi));
    rect_->setScale(twipsPerPixel_, twipsPerPixel_);
    run_->SetScale(twipsPerPixel_, twipsPerPixel_);
    if (preview_) preview_->SetScale(twipsPerPixel_, twipsPerPixel_);
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // The suggested size may be the old one: the controls are placed again regardless.
    Arrange();
}

void frmTessarin::ApplySettings() {
    SendMessageW(chkNoMouse_, BM_SETCHECK, settings_.noMouse != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    // Both frames that name the capture key take the new one.
    ShowMessageFrame(1, true);
    ShowMessageFrame(2, true);
    // A target from a hand-edited file beyond the table leaves the caption as it was.
    const std::string caption = TargetCaption(settings_.pos);
    if (!caption.empty()) SetWindowTextW(cmdPos_, Utf8ToWide(caption).c_str());
    ProcessPendingMessages();
}

void frmTessarin::cmdPos_Click() {
    settings_.pos = NextTargetIndex(settings_.pos);
    ApplySettings();
}

void frmTessarin::chkNoMouse_Click() {
    settings_.noMouse = SendMessageW(chkNoMouse_, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

// ---- Messages --------------------------------------------------------------------------------

void frmTessarin::OnCommand(int id, int code, bool fromMenu) {
    // A command (a click, a menu, a key) may change what the next tick acts on.
    WakeTicks();
    if (fromMenu) {
        const KeyFlags keys = run_->keyFlags();
        using Command = void (ImageListController::*)();
        static constexpr std::pair<int, Command> kMenu[] = {
            {kMnuSave, &ImageListController::mnuSave_Click},
            {kMnuSaveNameAs, &ImageListController::mnuSaveNameAs_Click},
            {kMnuAllSave, &ImageListController::mnuAllSave_Click},
            {kMnuThumnail, &ImageListController::mnuThumnail_Click},
            {kMnuThumnailAll, &ImageListController::mnuThumnailAll_Click},
            {kMnuLeftDel, &ImageListController::mnuLeftDel_Click},
            {kMnuRightDel, &ImageListController::mnuRightDel_Click},
            {kMnuAllDel, &ImageListController::mnuAllDel_Click}};
        for (const auto& [item, command] : kMenu)
            if (item == id) (list_->*command)();
        // Ctrl and Shift as the run read them last.
        if (id == kMnuDel) list_->mnuDel_Click(GetForegroundWindow() == hwnd_, keys.ctrl == 1 || keys.shift == 1);
        return;
    }
    if (code == STN_CLICKED && id == kLblHelp) life_->lblHelp_Click();
    const std::pair<int, std::function<void()>> clicks[] = {{kCmdGo, [this] { run_->cmdGo_Click(); }},
                                                            {kCmdStop, [this] { run_->cmdStop_Click(); }},
                                                            {kCmdAdd, [this] { run_->cmdAdd_Click(); }},
                                                            {kCmdPos, [this] { cmdPos_Click(); }},
                                                            {kChkNoMouse, [this] { chkNoMouse_Click(); }},
                                                            {kCmdOpenFolder, [this] { life_->cmdOpenFolder_Click(); }},
                                                            {kCmdSetting, [this] { life_->cmdSetting_Click(); }},
                                                            {kCmdClose, [this] { life_->cmdClose_Click(); }}};
    for (const auto& [button, click] : clicks)
        if (code == BN_CLICKED && button == id) click();
}

LRESULT frmTessarin::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Not yet given what it shows: nothing to place or forward to, and no message may run yet.
    if (life_ == nullptr) return DefWindowProcW(hwnd_, message, wParam, lParam);
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam), lParam == 0);
            return 0;
        case kMsgInputWake:
            WakeTicks();
            return 0;
        case WM_TIMER:
            if (wParam == kTimerTick) PaceTicks(run_->Tick());
            if (wParam == kTimerMonitor) {
                WakeTicks();
                life_->Timer_Monitor_Timer();
            }
            return 0;
        case WM_NOTIFY: {
            auto* request = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            const auto control = reinterpret_cast<HWND>(request->hdr.idFrom);
            if (request->hdr.code != TTN_GETDISPINFOW || (control != txtFileName_ && control != txtWinText_)) break;
            tipText_ = (control == txtFileName_ ? L"ファイル名： " : L"ウィンドウテキスト：") + WindowText(control);
            request->lpszText = tipText_.data();
            return 0;
        }
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) Arrange();
            return 0;
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            const SizeLimits limits = MainWindowSizeLimits(twipsPerPixel_);
            info->ptMinTrackSize = POINT{limits.smallest.x, limits.smallest.y};
            info->ptMaxTrackSize = POINT{limits.largest.x, limits.largest.y};
            return 0;
        }
        case WM_DPICHANGED:
            SetDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_CTLCOLORSTATIC: {
            const auto dc = reinterpret_cast<HDC>(wParam);
            SetBkMode(dc, TRANSPARENT);
            if (reinterpret_cast<HWND>(lParam) == lblHelp_) SetTextColor(dc, RGB(0, 0, 255));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wParam) != lblHelp_) break;
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
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
