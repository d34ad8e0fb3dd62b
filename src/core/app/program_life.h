#pragma once
// The program's life: start-up in its order, the close with its question and the times it waits,
// the settings dialog around the run, the watched window's end and the end of the user's session.
// The main window forwards its buttons, timers and session messages here.
//
// Whatever runs messages (a status text, the question, a dialog, the loading) may bring the end of
// the session: it saves what is unsaved, writes "conf.txt" and ends the program there and then,
// and whatever was under way when it came does nothing more when it returns.

#include <cstdint>
#include <string>

#include "core/app/command_line.h"
#include "core/app/shell.h"
#include "core/imagelist/list_controller.h"
#include "core/ports/background_work.h"
#include "core/ports/capture.h"
#include "core/ports/codepage.h"
#include "core/ports/filesystem.h"
#include "core/ports/overlay.h"
#include "core/ports/program_window.h"
#include "core/ports/shell.h"
#include "core/ports/status.h"
#include "core/ports/thumbnail_decoder.h"
#include "core/run/run_controller.h"
#include "core/settings/settings.h"
#include "core/text/paths.h"

namespace tessarin {

inline constexpr const char* kCodecErrorTitle = "DLLエラー";
// How long the end waits for each worker to stop.
inline constexpr uint32_t kWorkerWaitMs = 2000;

struct ProgramContext {
    ProgramWindow& window;
    ImageListController& list;
    RunController& run;
    OverlayWindow& overlay;
    ThumbnailDecoder* decoder;  // none: the list decodes by itself
    BackgroundWork& background;
    CaptureJournal* journal;  // none: unsaved captures are in memory only
    StatusPublisher& status;
    Shell& shell;
    const Desktop& desktop;  // asked whether the watched window still exists
    FileSystem& fs;
    const PathContext& paths;
    const NarrowCodePage& codePage;
    Settings& settings;
    CommandLineFlags& flags;
    std::string commandLine;  // the arguments only
};

class ProgramLife {
public:
    // Starting: start-up runs. Running: the program waits or runs captures (the settings dialog
    // may be open). Asking: the closing question is open, or its "Yes" is saving. Closing: the
    // question was answered and the program is going. Ended: nothing acts any more.
    enum class Stage { Starting, Running, Asking, Closing, Ended };

    explicit ProgramLife(ProgramContext context) : ctx_(std::move(context)) {}
    ProgramLife(const ProgramLife&) = delete;
    ProgramLife& operator=(const ProgramLife&) = delete;

    // The start-up sequence, from the first look to the idle state or a run.
    void Load();
    // The close box, cmdClose, the watch and the end of a run: asks about unsaved images and
    // ends. During start-up or under the settings dialog the close waits for their end.
    void cmdClose_Click();
    void cmdSetting_Click();
    void cmdOpenFolder_Click();
    void lblHelp_Click();
    // Ten times a second while a window is watched: the program ends with that window.
    void Timer_Monitor_Timer();
    // The user's session ends (log-off, shut-down): whatever question is open, every unsaved
    // capture is saved without a question, the settings are written and the program ends, all
    // before this returns. The session may end at once afterwards.
    void EndSession();

    [[nodiscard]] Stage stage() const { return stage_; }

private:
    void ShowStarting();
    void MakeDataFolder();
    void OpenStatusRecord();
    void ReadSettings();
    void SampleKeys();
    void ShowWindow();
    void LoadImages();
    void ReportThumbs();
    void RestoreCaptures();
    void EndStartup();
    void CheckCodec();
    void StartRunOrWait();

    // False when closing was cancelled, or when the session ended meanwhile.
    [[nodiscard]] bool QueryUnload();
    void Unload();
    // No command of the run or the list acts while the program is closing.
    void SetClosing(bool closing);
    // The settings, when they were read: a record never read holds no keys and no save folder.
    [[nodiscard]] bool WriteSettings();
    // Whether imgctl.dll is there to save with: in the current folder, or in the program folder the
    // library is loaded from (a program started from another folder can still save).
    [[nodiscard]] bool CodecPresent() const;

    ProgramContext ctx_;
    Stage stage_ = Stage::Starting;
    StartupPlan plan_;
    bool settingsRead_ = false;
    // A close that came during start-up or under the settings dialog, carried out after them.
    bool closeRequested_ = false;
};

}  // namespace tessarin
