#include "core/app/program_life.h"

#include <utility>
#include <vector>

#include "core/app/placement.h"
#include "core/app/status_record.h"
#include "core/files/load_order.h"

namespace tessarin {

namespace {

constexpr const char* kCodecFile = "\\imgctl.dll";
constexpr const char* kHelpPage = "\\docs\\help.html";

}  // namespace

// ---- Start-up ------------------------------------------------------------------------------

void ProgramLife::Load() {
    // Every step may let messages run, and with them the end of the session, which ends the
    // program: the steps after it are left undone.
    static constexpr void (ProgramLife::*kSteps[])() = {
        &ProgramLife::ShowStarting, &ProgramLife::MakeDataFolder, &ProgramLife::OpenStatusRecord,
        &ProgramLife::ReadSettings, &ProgramLife::SampleKeys,     &ProgramLife::ShowWindow,
        &ProgramLife::LoadImages,   &ProgramLife::ReportThumbs,   &ProgramLife::RestoreCaptures,
        &ProgramLife::EndStartup,   &ProgramLife::CheckCodec,     &ProgramLife::StartRunOrWait};
    for (const auto step : kSteps) {
        if (stage_ == Stage::Ended) return;
        (this->*step)();
    }
    if (stage_ == Stage::Ended) return;
    stage_ = Stage::Running;
    if (std::exchange(closeRequested_, false)) ctx_.window.postClose();
}

void ProgramLife::ShowStarting() { ctx_.window.ShowStarting(MainCaption()); }

// A folder that cannot be made is no reason not to start: saving then reports it.
void ProgramLife::MakeDataFolder() {
    const std::string folder = DataFolder(ctx_.paths.programFolder);
    if (!ctx_.fs.stat(folder)) (void)ctx_.fs.createFolder(folder);
}

// Without the record start-up goes on, and nothing is published.
void ProgramLife::OpenStatusRecord() {
    (void)ctx_.status.OpenStatusRecord(kStatusRecordName);
    ctx_.window.SetStatus("");
}

// A place remembered on a monitor that has gone since opens on the nearest one.
void ProgramLife::ReadSettings() {
    const WindowPlacement remembered = LoadSettings(ctx_.settings, ctx_.window.screenSize(), ctx_.paths, ctx_.codePage);
    const Rect place = PlaceOnMonitors({remembered.left, remembered.top, remembered.right, remembered.bottom},
                                       ctx_.window.monitorWorkAreas());
    ctx_.window.placeWindow({place.left, place.top, place.right, place.bottom});
    settingsRead_ = true;
    ctx_.window.ApplySettings();
}

// Keys already held at start are no presses.
void ProgramLife::SampleKeys() { ctx_.run.SampleBaseline(); }

void ProgramLife::ShowWindow() {
    plan_ = PlanStartup(ctx_.commandLine, ctx_.settings, ctx_.flags);
    if (plan_.watchWindow) ctx_.window.startWindowWatch();
    ctx_.window.showWindow(plan_.show, plan_.minimise, ctx_.flags.debug);
}

// Thousands of files take a noticeable time to list: the window answers meanwhile.
void ProgramLife::LoadImages() {
    if (!plan_.loadImages) return;
    std::vector<FolderImage> files;
    ctx_.background.runAndWait(
        [&files, settings = ctx_.settings, &paths = ctx_.paths] { files = ImagesToLoad(settings, paths); });
    if (stage_ == Stage::Ended) return;
    (void)ctx_.shell.changeCurrentFolder(ctx_.paths.programFolder);
    ctx_.list.LoadFiles(files);
}

// Shown only: a count is no status for other programs.
void ProgramLife::ReportThumbs() {
    if (!plan_.reportThumbs) return;
    const std::string count = ThumbCountText(CountThumbFiles(ctx_.settings, ctx_.paths));
    if (!count.empty()) ctx_.window.showStatus(count);
}

// Whatever the command line: captures a program that has gone left unsaved come back after the
// loaded files, before any capture of this run can come.
void ProgramLife::RestoreCaptures() { ctx_.list.RestoreCaptures(); }

void ProgramLife::EndStartup() { ctx_.window.EndStartup(); }

// Nothing can be saved without the codec library: the program runs on with its save items greyed.
void ProgramLife::CheckCodec() {
    const CodecVersion codec = ctx_.shell.imgctlVersion();
    if (codec.ok) return;
    ctx_.window.errorMessage(std::to_string(codec.errorNumber) + " " + codec.description, kCodecErrorTitle);
    if (stage_ != Stage::Ended) ctx_.window.disableSaving();
}

void ProgramLife::StartRunOrWait() {
    ctx_.window.startTicks();
    if (plan_.startRun) {
        ctx_.run.cmdGo_Click();
        return;
    }
    ctx_.window.setGoEnabled(true);
    ctx_.window.ShowMessageFrame(0, false);
    ctx_.run.SetIdleTimer(true);
}

// ---- The buttons and the watch -------------------------------------------------------------

void ProgramLife::cmdClose_Click() {
    // Start-up lets messages run before the settings are read, and the main window may not go
    // under the settings dialog: the close waits for their end.
    if (stage_ == Stage::Starting || (stage_ == Stage::Running && ctx_.run.runState() == kRunSetting)) {
        closeRequested_ = true;
        return;
    }
    // Asking already, or going.
    if (stage_ != Stage::Running) return;
    if (QueryUnload()) Unload();
}

// The dialog is modal: no pass of the run and no idle key acts while it is open, and an end or a
// close asked for meanwhile is carried out once it has closed.
void ProgramLife::cmdSetting_Click() {
    const bool open = stage_ == Stage::Running || (stage_ == Stage::Starting && settingsRead_);
    if (!open || ctx_.run.runState() == kRunSetting) return;
    ctx_.run.SetSetting();
    ctx_.window.showSettingsDialog();
    if (stage_ == Stage::Ended) return;  // the session ended under the dialog
    ctx_.run.EndSetting();
    ctx_.window.ApplySettings();
    ctx_.window.focusPreview();
    if (std::exchange(closeRequested_, false) || (ctx_.run.runState() == kRunEnd && !ctx_.run.runActive()))
        cmdClose_Click();
}

void ProgramLife::cmdOpenFolder_Click() { ctx_.shell.openFolder(ctx_.settings.saveFolderPath); }

void ProgramLife::lblHelp_Click() { ctx_.shell.openDocument(ctx_.paths.programFolder + kHelpPage); }

// After a cancelled question it asks again at the next look, as long as the window is gone.
void ProgramLife::Timer_Monitor_Timer() {
    if (stage_ == Stage::Ended || !ctx_.desktop.className(ctx_.flags.hwnd).empty()) return;
    // The watched window is gone: the program ends with it. A running capture run stops at its
    // next pass and closes the main window itself.
    ctx_.run.RequestEnd();
    if (!ctx_.run.runActive()) cmdClose_Click();
}

// ---- The end -------------------------------------------------------------------------------

bool ProgramLife::QueryUnload() {
    stage_ = Stage::Asking;
    // The question and the messages of the close run their own message loops; no pass of the run
    // and no list command may act under them.
    SetClosing(true);
    const bool close = ctx_.list.ConfirmClose(CodecPresent(), [this] { ctx_.run.PlayStopSound(true); });
    // The session ended under the question and took the program with it.
    if (stage_ == Stage::Ended) return false;
    if (!close) {
        stage_ = Stage::Running;
        SetClosing(false);
        return false;
    }
    stage_ = Stage::Closing;
    if (!WriteSettings()) {
        ctx_.window.SetStatus(kSettingsSaveError);
        // Long enough for a person or a polling program to read it.
        if (stage_ == Stage::Closing) ctx_.window.pause(kSettingsSaveErrorWaitMs);
    }
    return stage_ == Stage::Closing;
}

void ProgramLife::EndSession() {
    if (stage_ == Stage::Ended) return;
    // An answered question stays answered: what the user chose not to save is not saved now.
    const bool answered = stage_ == Stage::Closing;
    stage_ = Stage::Ended;
    SetClosing(true);
    // No question and no message box: the session is ending and would not wait for them.
    if (!answered) (void)ctx_.list.SaveForEndOfSession();
    (void)0;
    if (!WriteSettings()) ctx_.window.SetStatus(kSettingsSaveError);
    Unload();
}

// Thumbnails still being decoded are dropped; those in hand go into the cache, which the background
// worker writes whole before the program goes (the end of the session ends the process once this
// returns).
// Closing and the end of the session stay within a few seconds whatever a worker is doing: one
// stuck in the system (a decode of a file on a network folder that has gone) is left behind, and
// the process ends without waiting for it. Everything of the user's is on disk by then; a
// thumbnail cache being written is written beside its name, so the old one stays whole.
void ProgramLife::Unload() {
    stage_ = Stage::Ended;
    ctx_.list.FinishThumbnails();
    const bool decoded = ctx_.decoder == nullptr || ctx_.decoder->finish(kWorkerWaitMs);
    const bool written = ctx_.background.finish(kWorkerWaitMs);
    // The journal's writes are done: its locks go, and the folders nothing is left in. A worker left
    // behind may still be writing into it: the process's end lets the locks go, and the next start
    // takes over whatever it finds.
    if (written && ctx_.journal != nullptr) ctx_.journal->Close();
    ctx_.overlay.unload();
    (void)ctx_.status.CloseStatusRecord();
    ctx_.window.Unload();
    if (!decoded || !written) ctx_.shell.endProcess();
}

void ProgramLife::SetClosing(bool closing) {
    ctx_.list.SetClosing(closing);
    ctx_.run.SetClosing(closing);
}

bool ProgramLife::WriteSettings() {
    return !settingsRead_ || SaveSettings(ctx_.settings, ctx_.window.restoredPlacement(), ctx_.fs,
                                          ctx_.paths.programFolder, ctx_.codePage);
}

bool ProgramLife::CodecPresent() const {
    const auto isFile = [this](const std::string& path) {
        const auto info = ctx_.fs.stat(path);
        return info.has_value() && !info->folder;
    };
    return isFile(ctx_.fs.currentFolder() + kCodecFile) || isFile(ctx_.paths.programFolder + kCodecFile);
}

}  // namespace tessarin
