// The image list with the real strip and preview: deleting half and then all of 10,000 entries
// (the delete commands with "no confirm" = 1), how long it takes and how often the preview and
// the files are touched. Prints figures; passes or fails nothing.

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/imagelist/list_controller.h"
#include "core/settings/settings.h"
#include "ui/preview.h"
#include "ui/strip.h"
#include "win32/filesystem.h"
#include "win32/handles.h"
#include "win32/messages.h"

namespace {

using namespace tessarin;

SharedImage Solid(int32_t width, int32_t height, uint32_t colour) {
    auto image = std::make_shared<Image>();
    image->width = width;
    image->height = height;
    image->pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), colour);
    return image;
}

// Files that exist only as counters: every entry is a loaded file of 200 x 150.
struct CountingStore : ImageStore {
    mutable int reads = 0;
    int removes = 0;
    ReadResult read(const std::string&) const override { return ++reads, ReadResult{Solid(200, 150, 0x3060C0), 0, ""}; }
    WriteOutcome write(const Image&, const SavePlan&) override { return WriteOutcome::Written; }
    bool isFile(const std::string&) const override { return true; }
    void remove(const std::string&) override { ++removes; }
    bool createFolder(const std::string&) override { return true; }
    ThumbnailOutcome writeThumbnail(const Image&, const std::string&, int32_t&, int32_t&, bool) override {
        return ThumbnailOutcome::Scaled;
    }
    void openFolder(const std::string&) override {}
    bool canSave() const override { return true; }
};

// The main window's part: the real strip and preview, a status line that lets messages run.
struct BenchView : ListView, ListPrompts, ImageClipboard, DragSource {
    frPicList* strip = nullptr;
    frPreview* preview = nullptr;
    int previews = 0;
    int statuses = 0;

    void stripChangedFrom(int32_t p) override { strip->ChangedFrom(p); }
    void stripChanged(int32_t p) override { strip->ChangedAt(p); }
    void stripScrollToEnd() override { strip->ScrollToEnd(); }
    void stripEnsureVisible(int32_t p) override { strip->EnsureVisible(p); }
    void selectionChanged(int32_t, int32_t) override { strip->SelectionChanged(); }
    void showPreview(const SharedImage& image) override { ++previews, preview->Show(image); }
    void setTexts(const std::string&, const std::string&) override {}
    void setFileName(const std::string&) override {}
    std::string fileName() const override { return {}; }
    void setStatus(const std::string&) override { ++statuses, ProcessPendingMessages(); }
    void showStatus(const std::string&) override {}
    void parkPointer() override {}
    void processPendingMessages() override { ProcessPendingMessages(); }
    void pause(int) override {}
    void sleep(int) override {}
    void showEditMenu() override {}
    void message(const std::string&, const std::string&) override {}
    bool confirm(const std::string&, const std::string&) override { return true; }
    Answer yesNoCancel(const std::string&, const std::string&) override { return Answer::No; }
    std::string saveDialog(const std::string&, int32_t, const std::string&) override { return {}; }
    std::string desktopFolder() const override { return {}; }
    void notice(const std::string&) override {}
    bool empty() override { return true; }
    bool setImage(const Image&) override { return true; }
    void dragImage(const Image&) override {}
};

}  // namespace

int wmain() {
    constexpr int32_t kCount = 10000;
    WinFileSystem fs;
    const PathContext paths{fs, "C:\\bench"};
    Settings settings;
    ResetSettings(settings);
    settings.noConfirm = 1;
    CountingStore store;
    BenchView view;
    ImageListController list(ListContext{view, view, store, view, view, settings, paths, StripLayoutFor(15)});

    const UniqueWindow host(CreateWindowExW(0, L"Static", L"bench", WS_POPUP | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 900,
                                            600, nullptr, nullptr, nullptr, nullptr));
    frPreview preview;
    frPicList strip(list);
    if (!host || !preview.Create(host.get(), 1) || !strip.Create(host.get(), RECT{0, 500, 900, 600}, 2)) {
        std::printf("bench_list: the windows could not be made\n");
        return 1;
    }
    SetWindowPos(preview.hwnd(), nullptr, 0, 0, 900, 500, SWP_NOZORDER);
    view.strip = &strip;
    view.preview = &preview;

    std::vector<std::string> files;
    for (int32_t i = 1; i <= kCount; ++i) files.push_back("C:\\bench\\data\\shot" + std::to_string(i) + ".png");
    const auto loadStart = std::chrono::steady_clock::now();
    list.LoadFiles(files);
    ProcessPendingMessages();
    const double loadMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - loadStart).count();
    list.Hover(kCount / 2);
    ProcessPendingMessages();

    std::printf("image list, %d entries listed from files in %.0f ms\n", kCount, loadMs);

    // Each command on a fresh count of what it touched.
    const auto measure = [&](const char* name, void (ImageListController::*command)()) {
        view.previews = 0;
        view.statuses = 0;
        store.reads = 0;
        store.removes = 0;
        const int32_t before = list.Count();
        const auto start = std::chrono::steady_clock::now();
        (list.*command)();
        UpdateWindow(strip.hwnd());
        UpdateWindow(preview.hwnd());
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf(
            "image list, %s of %d entries: %.1f ms, %d files removed, preview loaded %d time(s), "
            "%d file read(s), %d status text(s), %d entries left\n",
            name, before, ms, store.removes, view.previews, store.reads, view.statuses, list.Count());
    };
    measure("delete all", &ImageListController::mnuAllDel_Click);
    list.LoadFiles(files);
    list.Hover(kCount / 2);
    ProcessPendingMessages();
    measure("delete left of the middle", &ImageListController::mnuLeftDel_Click);
    return 0;
}
