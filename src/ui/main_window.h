#pragma once
// frmTessarin: the one long-lived window. It lays out its controls, shows what the program's
// life, the capture run and the image list tell it, and hands the user's clicks, keys and menu
// choices to them; the rules live in the core.

#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/app/command_line.h"
#include "core/app/main_layout.h"
#include "core/app/program_life.h"
#include "core/capture/dispatcher.h"
#include "core/imagelist/list_controller.h"
#include "core/ports/capture.h"
#include "core/ports/codepage.h"
#include "core/ports/image_list.h"
#include "core/ports/input.h"
#include "core/ports/program_window.h"
#include "core/ports/run_host.h"
#include "core/ports/shell.h"
#include "core/ports/status.h"
#include "core/run/run_controller.h"
#include "core/run/tick_pace.h"
#include "core/settings/settings.h"
#include "core/text/paths.h"
#include "ui/preview.h"
#include "ui/range_window.h"
#include "ui/strip.h"
#include "win32/handles.h"
#include "win32/messages.h"
#include "win32/picture.h"

namespace tessarin {

// What the main window works through; src/main.cpp makes each of them.
struct MainWindowServices {
    FileSystem& fs;
    const PathContext& paths;  // the same file system and the program folder
    const NarrowCodePage& codePage;
    StatusPublisher& status;
    Desktop& desktop;
    Shell& shell;
    // Input anywhere wakes the run's looks while the desktop is still; without it they stay fast.
    InputWatch* wake = nullptr;
    Settings& settings;
    const CommandLineFlags& flags;
};

// What the window shows and forwards to. They are made after the window, which they need: its
// handle owns the overlay and its scale sizes the strip.
struct MainWindowParts {
    ImageListController& list;
    RunController& run;
    frmRect& rect;
    CaptureContext& capture;
    ProgramLife& life;
};

class frmTessarin final : public CaptureUi, public RunHost, public ListView, public ListPrompts, public ProgramWindow {
public:
    // Posted by the input watch: input arrived while the run was looking rarely.
    static constexpr UINT kMsgInputWake = WM_APP + 1;

    explicit frmTessarin(const MainWindowServices& services);
    frmTessarin(const frmTessarin&) = delete;
    frmTessarin& operator=(const frmTessarin&) = delete;
    ~frmTessarin() override;

    // Creates the window, hidden; false when it could not be created.
    [[nodiscard]] bool Create();
    [[nodiscard]] HWND hwnd() const { return hwnd_; }
    // The screen scale of the window's monitor.
    [[nodiscard]] int32_t twipsPerPixel() const { return twipsPerPixel_; }
    // Takes what it shows and forwards to, and creates its controls.
    void Attach(const MainWindowParts& parts);

    // What the program's life asks of the main window.
    void ShowStarting(const std::string& caption) override;
    void SetStatus(const std::string& text) override;
    void ApplySettings() override;
    void ShowMessageFrame(int index, bool labelsOnly) override;
    void warn(const std::string& text) override;
    [[nodiscard]] ScreenSize screenSize() const override;
    [[nodiscard]] std::vector<Rect> monitorWorkAreas() const override { return MonitorWorkAreas(); }
    void placeWindow(const WindowPlacement& placement) override;
    [[nodiscard]] WindowPlacement restoredPlacement() const override;
    void showWindow(bool visible, bool minimised, bool pointerPanel) override;
    void startWindowWatch() override;
    void EndStartup() override;
    void errorMessage(const std::string& text, const std::string& title) override;
    void disableSaving() override;
    void startTicks() override;
    void postClose() override;
    void showSettingsDialog() override;
    void focusPreview() override;
    void Unload() override;

    // What the capture engine asks of the main window.
    void messageBox(const std::string& text, const std::string& title) override;
    [[nodiscard]] std::string pickClassFromWindowList() override;
    [[nodiscard]] Rect rangeRectangle() const override;
    void hideRangeOverlay() override;
    void processPendingMessages() override;
    void sleepMs(int milliseconds) override;

    // What the capture run asks of the main window.
    void showPanel(const PanelTexts& texts) override;
    void setGoEnabled(bool enabled) override;
    void setAddEnabled(bool enabled) override;
    [[nodiscard]] WindowId mainWindow() const override;
    [[nodiscard]] bool typingInTextBox() const override;
    [[nodiscard]] bool isMinimised() const override;
    void minimise() override;
    void restore() override;
    void unloadMainWindow() override;
    [[nodiscard]] std::string targetCaption() const override;
    [[nodiscard]] std::string fileName() const override;
    void setFileName(const std::string& text) override;
    [[nodiscard]] std::string winText() const override;
    void setWinText(const std::string& text) override;
    [[nodiscard]] int32_t pictureWidth() const override;
    [[nodiscard]] int32_t pictureHeight() const override;
    [[nodiscard]] CaptureOutcome MyCapture(std::string_view target) override;

    // What the image list shows here.
    void stripChangedFrom(int32_t position) override;
    void stripChanged(int32_t position) override;
    void stripScrollToEnd() override;
    void stripEnsureVisible(int32_t position) override;
    void selectionChanged(int32_t position, int32_t slot) override;
    void showPreview(const SharedImage& image) override;
    void setTexts(const std::string& fileName, const std::string& winText) override;
    void setStatus(const std::string& text) override { SetStatus(text); }
    void showStatus(const std::string& text) override;
    void parkPointer() override;
    void pause(int milliseconds) override;
    void sleep(int milliseconds) override { sleepMs(milliseconds); }
    void showEditMenu() override;

    // What the image list asks the user.
    void message(const std::string& text, const std::string& title) override;
    [[nodiscard]] bool confirm(const std::string& text, const std::string& title) override;
    [[nodiscard]] Answer yesNoCancel(const std::string& text, const std::string& title) override;
    [[nodiscard]] std::string saveDialog(const std::string& defaultName, int32_t filterIndex,
                                         const std::string& initialFolder) override;
    [[nodiscard]] std::string desktopFolder() const override;
    void notice(const std::string& text) override;

private:
    enum Timer : UINT_PTR { kTimerMonitor = 1, kTimerTick };  // one tick drives the run and the idle keys
    enum MenuId : int {
        kMnuSave = 400,
        kMnuSaveNameAs,
        kMnuAllSave,
        kMnuThumnail,
        kMnuThumnailAll,
        kMnuDel,
        kMnuLeftDel,
        kMnuRightDel,
        kMnuAllDel
    };

    template <typename T>
    friend LRESULT CALLBACK OwnedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int code, bool fromMenu);

    void CreateControls();
    void CreatePointerPanel();
    void CreateEditMenu();
    HWND AddControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id);
    // Without a text the tip asks for one each time it shows.
    void AddTip(HWND control, const wchar_t* text);
    void Arrange();
    void SetDpi(UINT dpi, const RECT& suggested);
    [[nodiscard]] HWND Info(InfoLabel label) const { return lblInf_[static_cast<size_t>(label)]; }
    int MessageBoxUtf8(const std::string& text, const std::string& title, UINT flags) const;

    // After each tick, and when input or a command wakes the run: the interval of the next tick.
    void PaceTicks(bool activity);
    void WakeTicks();
    void SetTickInterval(uint32_t milliseconds);

    void cmdPos_Click();
    void chkNoMouse_Click();

    MainWindowServices services_;
    Settings& settings_;
    ImageListController* list_ = nullptr;
    RunController* run_ = nullptr;
    frmRect* rect_ = nullptr;
    CaptureContext* capture_ = nullptr;
    ProgramLife* life_ = nullptr;
    std::unique_ptr<frPicList> strip_;
    std::unique_ptr<frPreview> preview_;

    UINT dpi_ = 96;  // the scale of the monitor the window is on
    int32_t twipsPerPixel_ = 15;
    int shownFrame_ = 0;  // the message frame the area shows
    TickPace pace_;
    uint32_t tickMs_ = 0;
    bool ticksStopped_ = false;  // the program is ending: no tick may start again

    HWND hwnd_ = nullptr;
    GdiObject<HFONT> font_;
    UniqueMenu mnuEdit_;
    POINT menuPoint_{};  // where the last right press on a panel was
    HWND tips_ = nullptr;
    std::wstring tipText_;  // what the last tip request was answered with

    // The controls, top to bottom as on the screen.
    HWND cmdGo_ = nullptr;
    HWND cmdStop_ = nullptr;
    HWND cmdAdd_ = nullptr;
    std::array<HWND, kInfoLabelCount> lblInf_{};  // the message area, by what each label says
    HWND cmdPos_ = nullptr;
    HWND txtWinText_ = nullptr;
    HWND txtFileName_ = nullptr;
    HWND chkNoMouse_ = nullptr;
    HWND cmdOpenFolder_ = nullptr;
    HWND lblStatus_ = nullptr;
    HWND lblHelp_ = nullptr;
    HWND cmdSetting_ = nullptr;
    HWND cmdClose_ = nullptr;
    // The pointer panel, shown only with the debug word.
    HWND frState_ = nullptr;
    std::array<HWND, 4> lblCaption_{};  // "rect", "point", "fore", "main"
    HWND lblRect_ = nullptr;
    HWND lblPoint_ = nullptr;
    HWND lblForeground_ = nullptr;
    HWND lblhWnd_ = nullptr;
    HWND lblEvent_ = nullptr;
    HWND lblKey_ = nullptr;
    HWND lblState_ = nullptr;
    HWND lblMouse_ = nullptr;
    HWND lblPic_ = nullptr;
    HWND lblRsv_ = nullptr;  // the selected position and slot
};

}  // namespace tessarin
