#pragma once
// frmTessarin: the one long-lived window. Loading it starts the program, closing it ends it.

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/app/command_line.h"
#include "core/app/shell.h"
#include "core/files/save_naming.h"
#include "core/imagelist/image_list.h"
#include "core/ports/capture.h"
#include "core/ports/run_host.h"
#include "core/run/run_controller.h"
#include "core/settings/key_names.h"
#include "core/settings/settings.h"
#include "ui/range_window.h"
#include "ui/strip.h"
#include "win32/accessibility.h"
#include "win32/clipboard.h"
#include "win32/codepage.h"
#include "win32/desktop.h"
#include "win32/filesystem.h"
#include "win32/grabber.h"
#include "win32/handles.h"
#include "win32/image_files.h"
#include "win32/imgctl_client.h"
#include "win32/key_state.h"
#include "win32/messages.h"
#include "win32/picture.h"
#include "win32/status_record.h"

namespace tessarin {

class frmTessarin final : public CaptureUi, public RunHost {
public:
    struct Host {
        std::string programFolder;
        std::string commandLine;  // the arguments only
    };

    explicit frmTessarin(Host host);
    frmTessarin(const frmTessarin&) = delete;
    frmTessarin& operator=(const frmTessarin&) = delete;
    ~frmTessarin() override;

    // Creates the window and runs the start-up sequence; false when the window could not
    // be created.
    [[nodiscard]] bool Load();
    [[nodiscard]] HWND hwnd() const { return hwnd_; }

    void SetStatus(const std::string& text) override;
    void ShowMessageFrame(int index, bool labelsOnly) override;

    // MyCapture into the preview `Pic`: "", a suggested name, or one of the two markers.
    [[nodiscard]] std::string CaptureToPreview(std::string_view target);
    [[nodiscard]] const Picture& Pic() const { return pic_; }
    // The position shown in the preview; -1 while a fresh capture not in the list is shown.
    [[nodiscard]] int32_t SelectedPosition() const { return selected_; }

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
    void ShowUnlistedCapture() override;
    void AddToStrip(const std::string& fullPath, const std::string& winText, bool saved) override;
    void MarkLastEntryDownloaded() override;
    void mnuSave_Click() override;
    void mnuDel_Click() override;
    void ListStep(int direction) override;
    void playSound(const std::string& path, bool async) override;

private:
    template <typename T>
    friend LRESULT CALLBACK OwnedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PreviewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    HWND AddControl(const wchar_t* className, const std::wstring& text, DWORD style, int id);
    void AddTip(HWND control, const std::wstring& text);
    // Without a text the tip asks for one each time it shows.
    void AddTip(HWND control, const std::wstring* text);
    void Arrange();
    int Px(int logical) const;

    void ApplySettings();
    void CycleTargetKind(bool advance);
    // The codec library's version as decimal text; "" (after a message) when it cannot be called.
    [[nodiscard]] std::string ImgctlVersionText();
    [[nodiscard]] WindowPlacement RestoredPlacement() const;
    void PlaceWindow(const WindowPlacement& placement);

    // The image list.
    struct HeldImage {
        int32_t width = 0;
        int32_t height = 0;
        std::vector<uint32_t> pixels;  // empty while the entry's image is on disk
    };
    // The entry's full image: its held pixels, else its file. False when neither gives one.
    [[nodiscard]] bool LoadEntryImage(int32_t position, Picture& into) const;
    void SelectPosition(int32_t position);
    void ShowEntry(int32_t slot);
    void DeleteEntry(int32_t position);
    void LayOutPreviewBars();
    void SetPreviewOffset(int x, int y);
    void OnPreviewScroll(HWND bar, WORD request);
    void OnStripHover(int32_t position);
    void OnStripRightPress(int32_t position, POINT screen);
    void LoadExistingImages();
    [[nodiscard]] bool WritePlan(const Picture& picture, const SavePlan& plan) const;
    [[nodiscard]] int32_t SaveEntry(int32_t position);
    [[nodiscard]] int32_t SaveImage(int32_t index, const std::string& picFile);
    // Saves every unsaved entry; false when one of them could not be saved.
    bool SaveUnsavedEntries();
    void mnuAllSave_Click();
    void mnuSaveNameAs_Click();
    void mnuThumnail_Click();
    void mnuThumnailAll_Click();
    [[nodiscard]] std::string ShowSaveDialog(const std::string& defaultName, HWND owner, int32_t filterIndex,
                                             const std::string& filter, const std::string& initialFolder);
    int MessageBoxUtf8(const std::string& text, const std::string& title, UINT flags) const;
    [[nodiscard]] bool IsFile(const std::string& path) const;

    // Returns false when closing was cancelled.
    [[nodiscard]] bool QueryUnload();
    void Unload();

    void cmdClose_Click();
    void cmdOpenFolder_Click();
    void cmdPos_Click();
    void lblHelp_Click();
    void chkNoMouse_Click();
    void Timer_Monitor_Timer();

    Host host_;
    WinFileSystem fs_;
    AnsiCodePage codePage_;
    SharedStatusRecord statusRecord_;
    PathContext paths_;
    WinDesktop desktop_;
    WinAccessibility accessibility_;
    Picture pic_;
    WinGrabber grabber_;
    std::optional<WinClipboard> clipboard_;
    bool downloadedImage_ = false;
    AsyncKeyStateSource keys_;
    std::unique_ptr<frmRect> rect_;
    std::unique_ptr<RunController> run_;

    ImageList list_;
    std::unique_ptr<frPicList> strip_;
    std::vector<HeldImage> held_;  // by slot
    int32_t selected_ = 0;
    Picture picDummy_;  // an entry's full image on its way to a file
    std::unique_ptr<ImgctlLibrary> codec_;
    std::unique_ptr<PngLibrary> png_;
    POINT previewOffset_{};  // pixels the preview is scrolled by
    bool loading_ = false;   // the save folder's images are being loaded

    Settings settings_;
    CommandLineFlags flags_;
    KeyNameTable keyNames_;
    int twipsPerPixelX_ = 15;
    int twipsPerPixelY_ = 15;
    bool closing_ = false;

    HWND hwnd_ = nullptr;
    GdiObject<HFONT> font_;
    UniqueMenu mnuEdit_;
    HWND tips_ = nullptr;
    std::wstring tipText_;  // what the last tip request was answered with

    // Controls, named as on the design.
    HWND cmdGo_ = nullptr;
    HWND cmdStop_ = nullptr;
    HWND cmdAdd_ = nullptr;
    HWND cmdPos_ = nullptr;
    HWND cmdOpenFolder_ = nullptr;
    HWND txtFileName_ = nullptr;
    HWND txtWinText_ = nullptr;
    HWND chkNoMouse_ = nullptr;
    HWND picPanel_ = nullptr;
    HWND vs_ = nullptr;  // the preview's scroll bars (twips)
    HWND hs_ = nullptr;
    HWND lblRsv_ = nullptr;
    HWND lblStatus_ = nullptr;
    HWND lblHelp_ = nullptr;
    HWND cmdSetting_ = nullptr;
    HWND cmdClose_ = nullptr;
    HWND frState_ = nullptr;
    HWND lblhWnd_ = nullptr;
    std::array<HWND, 4> lblCaption_{};
    HWND lblRect_ = nullptr;
    HWND lblPoint_ = nullptr;
    HWND lblForeground_ = nullptr;
    HWND lblState_ = nullptr;
    HWND lblEvent_ = nullptr;
    HWND lblKey_ = nullptr;
    HWND lblMouse_ = nullptr;
    HWND lblPic_ = nullptr;
    std::array<HWND, 2> lblInf_Start_{};
    std::array<HWND, 15> lblInf_{};
    // The four message frames: the labels each one shows.
    std::array<std::vector<HWND>, 4> frMsg_;
};

}  // namespace tessarin
