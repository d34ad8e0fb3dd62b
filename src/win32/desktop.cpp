#include "win32/desktop.h"

#include <dwmapi.h>
#include <shellscalingapi.h>

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "win32/handles.h"
#include "win32/window_queries.h"

namespace tessarin {
namespace {

struct VersionInfo {
    DWORD platformId = 0;
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
};

// RtlGetVersion tells the true version; GetVersionExW answers an unmanifested program with
// 6.2 on later systems, which would still pass every version rule here, so it is the
// fallback.
VersionInfo ReadVersion() {
    RTL_OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    using RtlGetVersionFn = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
        // Through void(*)(): a direct cast between unrelated function types is warned about.
        const auto rtlGetVersion =
            reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "RtlGetVersion")));
        if (rtlGetVersion != nullptr && rtlGetVersion(&info) == 0) {
            return {info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
        }
    }
    OSVERSIONINFOW legacy{};
    legacy.dwOSVersionInfoSize = sizeof legacy;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExW(&legacy) == FALSE) return {};
#pragma GCC diagnostic pop
    return {legacy.dwPlatformId, legacy.dwMajorVersion, legacy.dwMinorVersion, legacy.dwBuildNumber};
}

const VersionInfo& Version() {
    static const VersionInfo version = ReadVersion();
    return version;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    // No exception may leave the callback: an allocation failure just ends the list.
    try {
        reinterpret_cast<std::vector<WindowId>*>(context)->push_back(ToWindowId(window));
        return TRUE;
    } catch (const std::exception&) {
        return FALSE;
    }
}

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM context) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info) == FALSE) return TRUE;
    const RECT& r = info.rcMonitor;
    auto& monitors = *reinterpret_cast<std::vector<Rect>*>(context);
    try {
        const Rect rect{r.left, r.top, r.right, r.bottom};
        if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0) {
            monitors.insert(monitors.begin(), rect);
        } else {
            monitors.push_back(rect);
        }
        return TRUE;
    } catch (const std::exception&) {
        return FALSE;
    }
}

// The mandatory integrity level of a process's token (0x2000 medium, 0x3000 high ...); nothing
// when the token cannot be read.
std::optional<DWORD> IntegrityLevel(HANDLE process) {
    HANDLE raw = nullptr;
    if (OpenProcessToken(process, TOKEN_QUERY, &raw) == FALSE) return std::nullopt;
    const UniqueHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenIntegrityLevel, nullptr, 0, &size);
    if (size == 0) return std::nullopt;
    std::vector<unsigned char> buffer(size);
    if (GetTokenInformation(token.get(), TokenIntegrityLevel, buffer.data(), size, &size) == FALSE) return std::nullopt;
    const auto* label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data());
    const DWORD count = *GetSidSubAuthorityCount(label->Label.Sid);
    if (count == 0) return std::nullopt;
    return *GetSidSubAuthority(label->Label.Sid, count - 1);
}

// The device names (\\.\DISPLAY1 ...) of the displays in advanced colour.
std::vector<std::wstring> AdvancedColourDisplays() {
    UINT32 pathCount = 0;
    UINT32 modeCount = 0;
    if (GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &pathCount, &modeCount) != ERROR_SUCCESS) return {};
    std::vector<DISPLAYCONFIG_PATH_INFO> paths(pathCount);
    std::vector<DISPLAYCONFIG_MODE_INFO> modes(modeCount);
    if (QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &pathCount, paths.data(), &modeCount, modes.data(), nullptr) !=
        ERROR_SUCCESS)
        return {};
    std::vector<std::wstring> names;
    for (UINT32 i = 0; i < pathCount; ++i) {
        DISPLAYCONFIG_GET_ADVANCED_COLOR_INFO colour{};
        colour.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_ADVANCED_COLOR_INFO;
        colour.header.size = sizeof colour;
        colour.header.adapterId = paths[i].targetInfo.adapterId;
        colour.header.id = paths[i].targetInfo.id;
        if (DisplayConfigGetDeviceInfo(&colour.header) != ERROR_SUCCESS || colour.advancedColorEnabled == 0) continue;
        DISPLAYCONFIG_SOURCE_DEVICE_NAME source{};
        source.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME;
        source.header.size = sizeof source;
        source.header.adapterId = paths[i].sourceInfo.adapterId;
        source.header.id = paths[i].sourceInfo.id;
        if (DisplayConfigGetDeviceInfo(&source.header) == ERROR_SUCCESS) names.emplace_back(source.viewGdiDeviceName);
    }
    return names;
}

}  // namespace

Point WinDesktop::cursorPos() const {
    POINT p{};
    if (GetCursorPos(&p) == FALSE) return {};
    return {p.x, p.y};
}

WindowId WinDesktop::windowFromPoint(Point p) const { return ToWindowId(WindowFromPoint(POINT{p.x, p.y})); }

WindowId WinDesktop::foregroundWindow() const { return ToWindowId(GetForegroundWindow()); }

std::string WinDesktop::className(WindowId w) const { return WindowClassName(w); }

std::string WinDesktop::windowText(WindowId w) const { return WindowText(w); }

std::string WinDesktop::controlText(WindowId w) const { return ControlText(w); }

WindowId WinDesktop::parent(WindowId w) const { return ToWindowId(GetParent(ToHwnd(w))); }

Rect WinDesktop::windowRect(WindowId w) const {
    RECT r{};
    if (GetWindowRect(ToHwnd(w), &r) == FALSE) return {};
    return {r.left, r.top, r.right, r.bottom};
}

bool WinDesktop::isVisible(WindowId w) const { return IsWindowVisible(ToHwnd(w)) != FALSE; }

std::vector<WindowId> WinDesktop::topLevelWindows() const {
    std::vector<WindowId> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

int WinDesktop::osPlatformId() const { return static_cast<int>(Version().platformId); }

float WinDesktop::osVersionNumber() const {
    return static_cast<float>(Version().major) + static_cast<float>(Version().minor) / 10.0f;
}

// Without any monitor the system could name (a session without a display), the primary's size
// stands for the screen.
std::vector<Rect> WinDesktop::monitors() const {
    std::vector<Rect> monitors;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    if (monitors.empty()) monitors.push_back(Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
    return monitors;
}

WindowScale WinDesktop::windowScale(WindowId w) const {
    const HWND window = ToHwnd(w);
    if (window == nullptr || IsWindow(window) == FALSE) return {};
    UINT dpiX = 0;
    UINT dpiY = 0;
    const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    if (monitor == nullptr || FAILED(GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpiX, &dpiY))) dpiX = 0;
    return WindowScale{static_cast<int32_t>(GetDpiForWindow(window)), static_cast<int32_t>(dpiX)};
}

Rect WinDesktop::frameBounds(WindowId w) const {
    RECT r{};
    if (FAILED(DwmGetWindowAttribute(ToHwnd(w), DWMWA_EXTENDED_FRAME_BOUNDS, &r, sizeof r))) return {};
    return {r.left, r.top, r.right, r.bottom};
}

// Cloaking belongs to the top-level window; its children show or hide with it.
bool WinDesktop::isCloaked(WindowId w) const {
    const HWND root = GetAncestor(ToHwnd(w), GA_ROOT);
    DWORD cloaked = 0;
    return root != nullptr && SUCCEEDED(DwmGetWindowAttribute(root, DWMWA_CLOAKED, &cloaked, sizeof cloaked)) &&
           cloaked != 0;
}

bool WinDesktop::excludesCapture(WindowId w) const {
    DWORD affinity = WDA_NONE;
    return GetWindowDisplayAffinity(ToHwnd(w), &affinity) != FALSE && affinity != WDA_NONE;
}

// The system keeps a more privileged program's input from us (user interface privilege
// isolation). A program we may not even ask is one of them when we are not elevated ourselves.
bool WinDesktop::morePrivileged(WindowId w) const {
    DWORD processId = 0;
    if (GetWindowThreadProcessId(ToHwnd(w), &processId) == 0 || processId == GetCurrentProcessId()) return false;
    const std::optional<DWORD> ours = IntegrityLevel(GetCurrentProcess());
    if (!ours) return false;
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    const std::optional<DWORD> theirs = process ? IntegrityLevel(process.get()) : std::nullopt;
    if (theirs) return *theirs > *ours;
    return GetLastError() == ERROR_ACCESS_DENIED && *ours < SECURITY_MANDATORY_HIGH_RID;
}

bool WinDesktop::advancedColour(const Rect& area) const {
    const std::vector<std::wstring> displays = AdvancedColourDisplays();
    if (displays.empty()) return false;
    struct Search {
        const std::vector<std::wstring>* displays;
        bool found;
    } search{&displays, false};
    const RECT r{area.left, area.top, area.right, area.bottom};
    EnumDisplayMonitors(
        nullptr, &r,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM context) {
            auto& s = *reinterpret_cast<Search*>(context);
            MONITORINFOEXW info{};
            info.cbSize = sizeof info;
            if (GetMonitorInfoW(monitor, &info) == FALSE) return TRUE;
            for (const std::wstring& name : *s.displays) s.found = s.found || name == info.szDevice;
            return s.found ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

uint32_t OsBuildNumber() { return Version().build; }

HCURSOR ForegroundCursor() {
    const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    const DWORD ownThread = GetCurrentThreadId();
    // Attaching fails for our own thread (and for no foreground window); GetCursor then
    // answers for our own input state, which is the right one in that case.
    if (foregroundThread != 0 && foregroundThread != ownThread &&
        AttachThreadInput(ownThread, foregroundThread, TRUE) != FALSE) {
        HCURSOR cursor = GetCursor();
        AttachThreadInput(ownThread, foregroundThread, FALSE);
        return cursor;
    }
    return GetCursor();
}

}  // namespace tessarin
