// Image files: how long Tessarin.exe takes to load a save folder full of screenshots at start-up
// and what each loaded entry costs in memory, and how long one full-HD capture takes to save in
// each format. Prints figures; passes or fails nothing.
//
//   bench_files [N ...]   start-up with N screenshots of 1280 x 1024 in the save folder, for each
//                         N given (default: 1000); a start with an empty folder is the baseline.

#include <windows.h>
// These build on windows.h.
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench_support.h"
#include "core/app/status_record.h"
#include "core/files/load_order.h"
#include "win32/codepage.h"
#include "win32/filesystem.h"
#include "win32/handles.h"
#include "win32/imgctl_client.h"
#include "win32/messages.h"
#include "win32/picture.h"
#include "win32/shell.h"
#include "win32/status_record.h"
#include "win32/wide.h"

namespace {

using namespace tessarin;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::wstring BinFolder() { return Utf8ToWide(ProgramFolder() + "\\..\\bin"); }

// A new folder under the temporary folder, removed with everything in it.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& name) {
        wchar_t base[MAX_PATH + 1] = {};
        const std::wstring root(base, GetTempPathW(MAX_PATH + 1, base));
        path_ = root + L"tessarin_bench_" + name + L"_" + std::to_wstring(GetCurrentProcessId());
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
        if (!CreateDirectoryW(path_.c_str(), nullptr)) path_.clear();
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    [[nodiscard]] bool ok() const { return !path_.empty(); }
    [[nodiscard]] std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// ---- A screenshot-like picture -------------------------------------------------------------

// Deterministic, so every run compresses the same picture.
class Lcg {
public:
    uint32_t Next() { return state_ = state_ * 1664525u + 1013904223u; }
    int Below(int n) { return static_cast<int>((Next() >> 8) % static_cast<uint32_t>(n)); }

private:
    uint32_t state_ = 12345;
};

COLORREF Mix(COLORREF a, COLORREF b, int i, int n) {
    const auto channel = [&](int ca, int cb) { return static_cast<BYTE>(ca + (cb - ca) * i / std::max(n, 1)); };
    return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
               channel(GetBValue(a), GetBValue(b)));
}

void Fill(HDC dc, RECT r, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// One line of pen per row (vertical) or column (horizontal): no GDI object per step.
void Gradient(HDC dc, RECT r, COLORREF from, COLORREF to, bool vertical) {
    const SelectGuard pen(dc, GetStockObject(DC_PEN));
    const int steps = vertical ? r.bottom - r.top : r.right - r.left;
    for (int i = 0; i < steps; ++i) {
        SetDCPenColor(dc, Mix(from, to, i, steps));
        if (vertical) {
            MoveToEx(dc, r.left, r.top + i, nullptr);
            LineTo(dc, r.right, r.top + i);
        } else {
            MoveToEx(dc, r.left + i, r.top, nullptr);
            LineTo(dc, r.left + i, r.bottom);
        }
    }
}

void Frame(HDC dc, RECT r, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void Text(HDC dc, int x, int y, COLORREF colour, const std::wstring& text) {
    SetTextColor(dc, colour);
    TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

std::wstring Words(Lcg& random, int count) {
    static const wchar_t* const kWords[] = {
        L"capture",  L"window",   L"report",  L"quarter", L"revenue", L"update", L"screen", L"folder",  L"image",
        L"settings", L"export",   L"invoice", L"meeting", L"status",  L"review", L"server", L"version", L"draft",
        L"total",    L"customer", L"project", L"summary", L"change",  L"open",   L"saved",  L"list",    L"the",
        L"and",      L"of",       L"to",      L"with",    L"for",     L"in",     L"on"};
    std::wstring text;
    for (int i = 0; i < count; ++i) {
        if (i > 0) text += L' ';
        text += kWords[random.Below(static_cast<int>(std::size(kWords)))];
    }
    return text;
}

// A desktop with an editor window (title bar, menu, toolbar, tree, text, table, chart), a dialog
// and a task bar: text, gradients and flat areas as a real screenshot has them.
bool DrawScreenshot(Picture& picture, int width, int height) {
    if (!picture.resize(width, height)) return false;
    HDC dc = picture.dc();
    Lcg random;
    const GdiObject<HFONT> font(CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH,
                                            L"Tahoma"));
    const GdiObject<HFONT> bold(CreateFontW(-18, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH,
                                            L"Tahoma"));
    const SelectGuard selectFont(dc, font.get());
    SetBkMode(dc, TRANSPARENT);

    const int taskbar = 40;
    Gradient(dc, {0, 0, width, height - taskbar}, RGB(24, 92, 128), RGB(10, 30, 60), true);
    Fill(dc, {0, height - taskbar, width, height}, RGB(32, 32, 36));
    for (int i = 0; i < 6; ++i) {
        const RECT button{60 + i * 170, height - taskbar + 4, 60 + i * 170 + 160, height - 4};
        Fill(dc, button, i == 0 ? RGB(70, 70, 78) : RGB(48, 48, 54));
        Text(dc, button.left + 10, button.top + 9, RGB(230, 230, 230), Words(random, 2));
    }
    Text(dc, width - 70, height - taskbar + 13, RGB(230, 230, 230), L"10:42");

    // The editor.
    const RECT editor{20, 16, width - 240, height - taskbar - 20};
    Fill(dc, editor, RGB(255, 255, 255));
    Frame(dc, editor, RGB(90, 90, 90));
    Gradient(dc, {editor.left + 1, editor.top + 1, editor.right - 1, editor.top + 30}, RGB(0, 70, 160),
             RGB(120, 170, 230), false);
    Text(dc, editor.left + 10, editor.top + 8, RGB(255, 255, 255), L"Quarterly report.doc - Editor");
    const int menuTop = editor.top + 30;
    Fill(dc, {editor.left + 1, menuTop, editor.right - 1, menuTop + 22}, RGB(240, 240, 240));
    int x = editor.left + 10;
    for (const wchar_t* item : {L"File", L"Edit", L"View", L"Insert", L"Format", L"Tools", L"Window", L"Help"}) {
        Text(dc, x, menuTop + 4, RGB(0, 0, 0), item);
        x += 60;
    }
    const int toolTop = menuTop + 22;
    Fill(dc, {editor.left + 1, toolTop, editor.right - 1, toolTop + 34}, RGB(228, 230, 236));
    for (int i = 0; i < 24; ++i) {
        const RECT tool{editor.left + 8 + i * 30, toolTop + 5, editor.left + 8 + i * 30 + 24, toolTop + 29};
        Frame(dc, tool, RGB(170, 170, 180));
        const RECT icon{tool.left + 5, tool.top + 5, tool.right - 5, tool.bottom - 5};
        Fill(dc, icon, RGB(40 + random.Below(200), 40 + random.Below(200), 40 + random.Below(200)));
    }
    const int bodyTop = toolTop + 34;
    const int statusTop = editor.bottom - 24;
    Fill(dc, {editor.left + 1, statusTop, editor.right - 1, editor.bottom - 1}, RGB(240, 240, 240));
    Text(dc, editor.left + 10, statusTop + 5, RGB(60, 60, 60), L"Page 3 of 12    Words: 4,816    English (US)");

    // Its folder tree.
    const RECT tree{editor.left + 1, bodyTop, editor.left + 221, statusTop};
    Fill(dc, tree, RGB(232, 238, 246));
    for (int y = tree.top + 8, i = 0; y + 16 < tree.bottom; y += 20, ++i) {
        const int indent = (i % 7 == 0) ? 0 : (i % 3 == 0 ? 2 : 1);
        if (i == 5) Fill(dc, {tree.left, y - 2, tree.right, y + 18}, RGB(0, 120, 215));
        Text(dc, tree.left + 12 + indent * 16, y, i == 5 ? RGB(255, 255, 255) : RGB(20, 20, 20), Words(random, 2));
    }

    // The document: a heading, paragraphs, a table and a bar chart.
    const int left = tree.right + 24;
    const int right = editor.right - 24;
    int y = bodyTop + 16;
    {
        const SelectGuard heading(dc, bold.get());
        Text(dc, left, y, RGB(0, 50, 120), L"Quarterly report: screen capture usage");
    }
    y += 34;
    for (int paragraph = 0; paragraph < 2 && y < statusTop - 300; ++paragraph) {
        for (int line = 0; line < 6; ++line, y += 18) Text(dc, left, y, RGB(30, 30, 30), Words(random, 14));
        y += 12;
    }
    const int columns = 5;
    const int cell = (right - left) / columns;
    for (int row = 0; row < 7 && y + 22 < statusTop - 200; ++row, y += 22) {
        if (row == 0) Fill(dc, {left, y, right, y + 22}, RGB(210, 222, 240));
        for (int c = 0; c < columns; ++c) {
            Frame(dc, {left + c * cell, y, left + (c + 1) * cell + 1, y + 23}, RGB(160, 170, 190));
            const std::wstring value = row == 0 ? Words(random, 1) : std::to_wstring(random.Below(100000));
            Text(dc, left + c * cell + 6, y + 4, RGB(0, 0, 0), value);
        }
    }
    y += 20;
    const int chartBottom = statusTop - 20;
    if (chartBottom - y > 60) {
        Fill(dc, {left, y, right, chartBottom}, RGB(248, 248, 250));
        Frame(dc, {left, y, right, chartBottom}, RGB(200, 200, 205));
        const int bars = 12;
        const int pitch = (right - left - 20) / bars;
        for (int b = 0; b < bars; ++b) {
            const int top = y + 10 + random.Below(std::max(1, chartBottom - y - 40));
            Gradient(dc, {left + 14 + b * pitch, top, left + 14 + b * pitch + pitch * 2 / 3, chartBottom - 10},
                     RGB(80, 160, 255), RGB(0, 60, 150), true);
        }
    }

    // A dialog beside it.
    const RECT dialog{width - 230, 120, width - 14, 420};
    Fill(dc, dialog, RGB(240, 240, 240));
    Frame(dc, dialog, RGB(90, 90, 90));
    Gradient(dc, {dialog.left + 1, dialog.top + 1, dialog.right - 1, dialog.top + 26}, RGB(0, 70, 160),
             RGB(120, 170, 230), false);
    Text(dc, dialog.left + 8, dialog.top + 6, RGB(255, 255, 255), L"Export settings");
    for (int i = 0; i < 8; ++i) Text(dc, dialog.left + 12, dialog.top + 40 + i * 22, RGB(0, 0, 0), Words(random, 3));
    for (int i = 0; i < 2; ++i) {
        const RECT button{dialog.right - 170 + i * 80, dialog.bottom - 36, dialog.right - 100 + i * 80,
                          dialog.bottom - 12};
        Fill(dc, button, RGB(225, 225, 225));
        Frame(dc, button, RGB(120, 120, 120));
        Text(dc, button.left + 16, button.top + 5, RGB(0, 0, 0), i == 0 ? L"OK" : L"Cancel");
    }
    GdiFlush();
    return true;
}

// ---- The program under measurement ---------------------------------------------------------

struct Memory {
    SIZE_T privateBytes = 0;
    SIZE_T workingSet = 0;
};

// Wine leaves PrivateUsage at 0 for every process but fills PagefileUsage from the kernel's
// count of the process's anonymous memory (RssAnon + VmSwap), which is what Windows reports as
// private bytes too.
Memory ProcessMemory(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    Memory memory;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
        memory.privateBytes = counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
        memory.workingSet = counters.WorkingSetSize;
    }
    return memory;
}

double MiB(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

struct StartFigures {
    bool ok = false;
    double toLoaded = 0;  // seconds from process start to "ロード完了！", the list complete (0 for an empty folder)
    double toFilled = 0;      // seconds from process start to the last thumbnail (0 when none was decoded)
    double toIdle = 0;        // seconds from process start to the finished start-up
    double toClosed = 0;      // seconds from WM_CLOSE to the end of the process
    double longestPause = 0;  // milliseconds the shown window took at most to answer
    double pauseAt = 0;       // seconds from process start to the start of that pause
    Memory memory;
};

// How long the window takes to answer, asked every 10 ms from a thread of its own while the
// program starts and fills in its thumbnails: the longest wait is the longest time a user's click
// would have had no answer.
class PauseProbe {
public:
    PauseProbe(DWORD processId, Clock::time_point start)
        : thread_([this, processId, start] { Probe(processId, start); }) {}
    PauseProbe(const PauseProbe&) = delete;
    PauseProbe& operator=(const PauseProbe&) = delete;
    ~PauseProbe() { Stop(); }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    [[nodiscard]] double longest() const { return longest_; }
    [[nodiscard]] double at() const { return at_; }

private:
    void Probe(DWORD processId, Clock::time_point start) {
        HWND main = nullptr;
        while (!stop_) {
            if (main == nullptr || !IsWindow(main)) {
                main = FindProcessWindow(processId, L"frmTessarin");
                if (main == nullptr || !IsWindowVisible(main)) {
                    main = nullptr;
                    Sleep(1);
                    continue;
                }
            }
            const auto asked = Clock::now();
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result)) break;
            const auto answered = Clock::now();
            if (const double waited = Milliseconds(answered - asked); waited > longest_) {
                longest_ = waited;
                at_ = Seconds(asked - start);
            }
            Sleep(10);
        }
    }

    std::atomic<bool> stop_{false};
    double longest_ = 0;
    double at_ = 0;
    std::thread thread_;  // last: it starts once the rest is ready
};

// A copy of the program folder whose save folder holds `count` hard links to one screenshot.
class ProgramCopy {
public:
    ProgramCopy(int count, const std::wstring& jpeg) : folder_(L"files_" + std::to_wstring(count)) {
        if (!folder_.ok()) return;
        for (const wchar_t* file : {L"Tessarin.exe", L"imgctl.dll", L"mpng.dll"}) {
            if (!CopyFileW((BinFolder() + L"\\" + file).c_str(), (folder_ / file).c_str(), FALSE)) return;
        }
        if (!CreateDirectoryW((folder_ / L"data").c_str(), nullptr)) return;
        // The notice window stays shut, and the save folder is said outright.
        if (!WinFileSystem().replaceFile(WideToUtf8(folder_ / L"conf.txt"),
                                         "no confirm = 1\r\nsave folder path = data\r\n"))
            return;
        for (int i = 1; i <= count; ++i) {
            wchar_t name[32];
            swprintf(name, 32, L"data\\shot_%05d.jpg", i);
            if (!CreateHardLinkW((folder_ / name).c_str(), jpeg.c_str(), nullptr)) {
                std::printf("bench_files: hard link %d of %d failed (error %lu)\n", i, count, GetLastError());
                return;
            }
        }
        ok_ = true;
    }
    [[nodiscard]] bool ok() const { return ok_; }
    [[nodiscard]] std::wstring path(const std::wstring& name) const { return folder_ / name; }

private:
    ScratchFolder folder_;
    bool ok_ = false;
};

// A message box of the program, if one is open: what stopped the loading.
std::string OpenDialogText(DWORD processId) {
    HWND box = FindProcessWindow(processId, L"#32770");
    if (box == nullptr) return {};
    wchar_t text[1024] = {};
    GetWindowTextW(GetDlgItem(box, 0xFFFF), text, 1024);
    return WideToUtf8(text);
}

// Whether the strip shows thumbnails of the screenshots: its empty panels and their numbers
// are a few dozen colours at most, a screenshot made small is hundreds.
bool StripShowsThumbnails(HWND main) {
    HWND strip = FindWindowExW(main, nullptr, L"TessarinPicList", nullptr);
    RECT box{};
    if (strip == nullptr || !GetWindowRect(strip, &box)) return false;
    Picture shown;
    const WindowDc screen(nullptr);
    if (!shown.resize(box.right - box.left, box.bottom - box.top) ||
        !BitBlt(shown.dc(), 0, 0, box.right - box.left, box.bottom - box.top, screen.get(), box.left, box.top,
                SRCCOPY)) {
        return false;
    }
    GdiFlush();
    const uint32_t* bits = shown.bits();
    if (bits == nullptr) return false;
    std::vector<uint32_t> colours(bits, bits + static_cast<size_t>(box.right - box.left) * (box.bottom - box.top));
    for (uint32_t& colour : colours) colour &= 0xFFFFFFU;
    std::sort(colours.begin(), colours.end());
    return std::unique(colours.begin(), colours.end()) - colours.begin() > 200;
}

// One start of the program in its folder. With `decodes` the thumbnails are expected to be
// decoded after the list is complete (a folder never seen), and their end is awaited too.
StartFigures StartWithFiles(const ProgramCopy& program, int count, bool decodes) {
    StartFigures figures;
    StatusRecordReader status(kStatusRecordName);
    // A program still closing lets go of the record in a moment; one that stays (waiting for an
    // answer, say) shares it with ours, which then only has to publish a status of its own first.
    const auto waitedFrom = Clock::now();
    while (status.Field() && Clock::now() - waitedFrom < std::chrono::seconds(30)) {
        status.Close();
        Sleep(100);
    }
    if (status.Field()) std::printf("  (%d files: another program holds the status record too)\n", count);
    const std::string loaded = StatusRecordReader::Expected("ロード完了！");
    std::wstring line = L"\"" + program.path(L"Tessarin.exe") + L"\"";
    const std::wstring folder = program.path(L"");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const auto start = Clock::now();
    // No words after the program's name: the start that loads the save folder.
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
        std::puts("bench_files: Tessarin.exe did not start");
        return figures;
    }
    const UniqueHandle process(pi.hProcess);
    const UniqueHandle thread(pi.hThread);
    PauseProbe probe(pi.dwProcessId, start);
    const auto fail = [&](const char* what) {
        const std::optional<std::string> field = status.Field();
        std::printf("bench_files: %d files: %s (status \"%s\"", count, what,
                    field ? StatusRecordReader::Readable(*field).c_str() : "<no record>");
        const std::string dialog = OpenDialogText(pi.dwProcessId);
        if (!dialog.empty()) std::printf(", message \"%s\"", dialog.c_str());
        std::puts(")");
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 10000);
        return figures;
    };

    // Decoding a 1280 x 1024 JPEG takes some milliseconds; allow ten times as long.
    const auto deadline = start + std::chrono::seconds(60) + std::chrono::milliseconds(100) * count;
    auto nextReport = start + std::chrono::seconds(60);
    HWND main = nullptr;
    bool published = false;  // the status has been something other than the awaited one
    while (true) {
        const std::optional<std::string> field = status.Field();
        if (count > 0 && published && field == loaded) {
            figures.toLoaded = Seconds(Clock::now() - start);
            break;
        }
        published = published || (field && field != loaded);
        if (count == 0 && bench::StartedUp(FindProcessWindow(pi.dwProcessId, L"frmTessarin"))) break;
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) return fail("the program ended during start-up");
        const auto now = Clock::now();
        if (now > deadline) return fail("start-up did not finish in time");
        if (now > nextReport) {
            std::printf("  ... %.0f s: %s\n", Seconds(now - start),
                        field ? StatusRecordReader::Readable(*field).c_str() : "<no record>");
            std::fflush(stdout);
            nextReport += std::chrono::seconds(60);
        }
        Sleep(1);
    }
    while (!bench::StartedUp(main = FindProcessWindow(pi.dwProcessId, L"frmTessarin"))) {
        if (Clock::now() > deadline) return fail("the main window did not finish its start-up");
        Sleep(1);
    }
    figures.toIdle = Seconds(Clock::now() - start);
    if (decodes && count > 0) {
        // The last thumbnail: the count of thumbnails shows, then the list is complete again.
        bool counted = false;
        while (true) {
            const std::optional<std::string> field = status.Field();
            counted = counted || (field && field != loaded);
            if (counted && field == loaded) break;
            if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) return fail("the program ended while decoding");
            if (Clock::now() > deadline) return fail("the thumbnails did not come in time");
            Sleep(1);
        }
        figures.toFilled = Seconds(Clock::now() - start);
    }
    // Once the window answers, start-up's work and its pending messages are behind it. The
    // thumbnail cache is read on a thread of its own after "ロード完了！": the memory is taken
    // once the strip shows thumbnails.
    DWORD_PTR result = 0;
    SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 30000, &result);
    while (count > 0 && !StripShowsThumbnails(main)) {
        if (Clock::now() > deadline) return fail("the strip showed no thumbnails");
        Sleep(1);
    }
    SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 30000, &result);
    figures.memory = ProcessMemory(pi.hProcess);
    probe.Stop();
    figures.longestPause = probe.longest();
    figures.pauseAt = probe.at();

    // Every entry came from a file, so nothing is unsaved and no question is asked.
    const auto closing = Clock::now();
    PostMessageW(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 120000) != WAIT_OBJECT_0) return fail("the program did not close");
    figures.toClosed = Seconds(Clock::now() - closing);
    figures.ok = true;
    return figures;
}

void StartUpFigures(const std::vector<int>& counts, const ScratchFolder& scratch) {
    Picture screenshot;
    const std::wstring bitmap = scratch / L"screenshot.bmp";
    const std::wstring jpeg = scratch / L"screenshot.jpg";
    const ImgctlLibrary codec(BinFolder() + L"\\imgctl.dll");
    if (!DrawScreenshot(screenshot, 1280, 1024) || !screenshot.WriteBitmapFile(bitmap) ||
        !codec.SaveByExtension(WideToUtf8(jpeg), WideToUtf8(bitmap))) {
        std::puts("bench_files: the 1280 x 1024 screenshot could not be written as JPEG");
        return;
    }
    DeleteFileW(bitmap.c_str());
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    GetFileAttributesExW(jpeg.c_str(), GetFileExInfoStandard, &attributes);
    std::printf("start-up with the save folder full of 1280 x 1024 screenshots (one JPEG of %lu bytes, hard-linked)\n",
                attributes.nFileSizeLow);

    const ProgramCopy emptyProgram(0, jpeg);
    const StartFigures empty = StartWithFiles(emptyProgram, 0, false);
    if (!empty.ok) return;
    const bool memoryReported = empty.memory.privateBytes > 0;
    std::printf("  empty save folder: started in %.2f s, closed in %.2f s, longest pause of the shown window %.0f ms",
                empty.toIdle, empty.toClosed, empty.longestPause);
    if (memoryReported) {
        std::printf(", private memory %.1f MiB (working set %.1f MiB)\n", MiB(empty.memory.privateBytes),
                    MiB(empty.memory.workingSet));
    } else {
        std::puts(", private memory not reported by this system");
    }
    std::fflush(stdout);
    const auto perEntryKiB = [](SIZE_T bytes, SIZE_T baseline, int entries) {
        return (static_cast<double>(bytes) - static_cast<double>(baseline)) / entries / 1024.0;
    };
    for (const int count : counts) {
        const ProgramCopy program(count, jpeg);
        if (!program.ok()) {
            std::printf("bench_files: the program folder with %d files could not be made\n", count);
            continue;
        }
        // The first start has never seen the files; the second finds their thumbnails cached.
        for (const bool first : {true, false}) {
            const StartFigures f = StartWithFiles(program, count, first);
            if (!f.ok) break;
            std::printf("  %d files, %s start: listed (\"ロード完了！\") after %.2f s (%.1fx the empty start)", count,
                        first ? "first" : "second", f.toLoaded, f.toLoaded / empty.toIdle);
            if (first)
                std::printf(", every thumbnail in after %.2f s (%.2f ms a file)", f.toFilled,
                            1000.0 * f.toFilled / count);
            std::printf(", closed in %.2f s\n", f.toClosed);
            std::printf("    longest time the shown window took to answer: %.0f ms (from %.2f s)\n", f.longestPause,
                        f.pauseAt);
            if (memoryReported) {
                std::printf("    private memory %.1f MiB (working set %.1f MiB), %.1f KiB a loaded entry\n",
                            MiB(f.memory.privateBytes), MiB(f.memory.workingSet),
                            perEntryKiB(f.memory.privateBytes, empty.memory.privateBytes, count));
            }
            std::fflush(stdout);
        }
    }
}

// ---- Saving one capture in each format -----------------------------------------------------

// The program's own road: a bitmap file first, then the codec library converts it and the
// bitmap goes again (a bmp target is the bitmap file itself).
void SaveFigures(const ScratchFolder& scratch) {
    constexpr int kRuns = 10;
    Picture capture;
    const ImgctlLibrary codec(BinFolder() + L"\\imgctl.dll");
    if (!DrawScreenshot(capture, 1920, 1080) || !codec.ok()) {
        std::puts("bench_files: no 1920 x 1080 picture or no imgctl.dll");
        return;
    }
    std::printf("saving one 1920 x 1080 capture (bitmap file, then imgctl.dll), median of %d:\n", kRuns);
    for (const char* extension : {"bmp", "jpg", "png", "gif"}) {
        const std::wstring target = scratch / (L"capture." + Utf8ToWide(extension));
        const std::wstring bitmap = scratch / L"capture.bmp";
        const bool convert = std::string(extension) != "bmp";
        std::vector<double> times;
        bool ok = true;
        for (int run = 0; run < kRuns && ok; ++run) {
            DeleteFileW(target.c_str());
            const auto start = Clock::now();
            ok = capture.WriteBitmapFile(bitmap);
            if (ok && convert) {
                ok = codec.SaveByExtension(WideToUtf8(target), WideToUtf8(bitmap));
                DeleteFileW(bitmap.c_str());
            }
            times.push_back(Milliseconds(Clock::now() - start));
        }
        WIN32_FILE_ATTRIBUTE_DATA attributes{};
        if (!ok || !GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &attributes)) {
            std::printf("  %s: the save failed\n", extension);
            continue;
        }
        std::sort(times.begin(), times.end());
        std::printf("  %s: %.1f ms (min %.1f, max %.1f), %lu bytes\n", extension,
                    (times[kRuns / 2 - 1] + times[kRuns / 2]) / 2, times.front(), times.back(),
                    attributes.nFileSizeLow);
        DeleteFileW(target.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) {
        const int count = std::atoi(argv[i]);
        if (count < 1 || count > 99999) {
            std::printf("usage: bench_files [N ...]   (1 <= N <= 99999; default 1000)\n");
            return 2;
        }
        counts.push_back(count);
    }
    if (counts.empty()) counts.push_back(1000);
    const ScratchFolder scratch(L"files");
    if (!scratch.ok()) {
        std::puts("bench_files: no temporary folder");
        return 1;
    }
    SaveFigures(scratch);
    std::fflush(stdout);
    StartUpFigures(counts, scratch);
    return 0;
}
