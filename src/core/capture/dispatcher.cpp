#include "core/capture/dispatcher.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <vector>

#include "core/capture/browser_probe.h"
#include "core/capture/clipboard_ops.h"
#include "core/capture/grabber_rules.h"
#include "core/capture/window_queries.h"
#include "core/text/paths.h"
#include "core/text/text.h"

namespace tessarin {

namespace {

constexpr std::string_view kFailureTitle = "キャプチャー不可：MyCapture";
constexpr std::string_view kProgramError = "プログラムエラー";
constexpr std::string_view kProgramErrorTail = " & Opt";
constexpr std::string_view kNoPopupLink = "ポップアップリンクは在りません。";
constexpr std::string_view kNoPopupLinkOnPage = "ポップアップリンクは在りません！";
constexpr std::string_view kNotAnImageOpen = "「";
constexpr std::string_view kNotAnImageClose = "」は有効な画像を指していません。";
constexpr std::string_view kDownloadError = "ダウンロードエラー\r\n\r\n";
constexpr std::string_view kNoTooltip = "ツールチップは表示されていません。";
constexpr std::string_view kClipboardClearError = "クリップクリアエラー";
// The error number and text of running out of memory, as every run-time error is shown.
constexpr std::string_view kOutOfMemory = "7 メモリが不足しています。";
constexpr std::string_view kClipboardSetError = "クリップボードへのデータセットエラー";
constexpr std::string_view kNoClassName = "クラス名が指定されていません！";
constexpr std::string_view kNoClassNameTitle = "指定エラー";
constexpr std::string_view kClassPrefix = "指定のクラス名：「 ";
constexpr std::string_view kClassNotShown = " 」を含むウィンドウは表示されていません。";
constexpr std::string_view kNoClassTitle = "クラス無し";
constexpr std::string_view kClassAmbiguous = " 」を含むウィンドウは、";
constexpr std::string_view kClassAmbiguousCount = " 個存在し、一意に特定できません。";
constexpr std::string_view kClassAmbiguousTitle = "特定不可";
constexpr std::string_view kClassOffScreen = " 」は、画面範囲外（または最小化状態）にあります。";

// Parents and owners are followed no further: a chain that loops ends somewhere.
constexpr int kMaxAncestors = 64;
// Smaller ranges are taken as a slip of the mouse, not as a capture.
constexpr int32_t kMinimumRangeExtent = 4;
constexpr std::size_t kRangeNameCharacters = 30;
constexpr std::size_t kRangeClassCharacters = 20;
// Leaves room for the save folder within the 260 characters of a Windows path.
constexpr std::size_t kDownloadNameCharacters = 120;

struct BrowserKind {
    std::string_view className;
    std::string_view kind;
};

constexpr std::array<BrowserKind, 6> kBrowserKinds{{
    {"Internet Explorer_Server", "IE"},
    {"MozillaWindowClass", "FIREFOX"},
    {"Chrome_RenderWidgetHostHWND", "GHROME"},
    {"WebViewWindowClass", "SAFARI"},
    {"OperaWindowClass", "OPERA"},
    {"QWidget", "LUNASPACE"},
}};

constexpr std::array<std::string_view, 5> kPointerTargets{"window", "parts", "tooltips", "popuplink", "class"};

// What a successful path leaves for the common end: the name to suggest and the screen
// position of the picture's origin, for the cursor overlay.
struct Captured {
    std::string name;
    Point origin;
    bool cursor = true;   // a picture loaded from a file gets no cursor
    Rect area{};          // what of the screen the picture shows; empty for a file
    WindowId window = 0;  // the window taken, or the one under the part
};

// The extensions the list loads from the save folder again at the next start.
constexpr std::array<std::string_view, 5> kImageExtensions{"bmp", "jpg", "jpeg", "gif", "png"};

std::string Concat(std::initializer_list<std::string_view> pieces) {
    std::string text;
    for (const std::string_view piece : pieces) text += piece;
    return text;
}

// Cuts by characters so a name never ends in half a character.
std::string FirstCharacters(std::string_view text, std::size_t count) {
    std::u32string characters = DecodeUtf8(text);
    if (characters.size() <= count) return std::string(text);
    characters.resize(count);
    return EncodeUtf8(characters);
}

int32_t Midpoint(int32_t a, int32_t b) { return RoundHalfEven((static_cast<double>(a) + b) / 2.0); }

bool NoMouse(const CaptureContext& context) { return context.settings.noMouse == 1 || context.flags.nomouse != 0; }

bool CopiesToClipboard(const CaptureContext& context) {
    return context.settings.copyToClipboard == 1 || context.flags.clipboard != 0;
}

void ShowFailure(CaptureContext& context, std::string_view message) {
    context.ui.messageBox(std::string(message), std::string(kFailureTitle));
}

std::optional<Captured> Fail(CaptureContext& context, std::string_view message) {
    ShowFailure(context, message);
    return std::nullopt;
}

// A capture that took nothing says so on the status line rather than passing an empty or
// black picture off as a capture.
std::optional<Captured> TookNothing(CaptureContext& context, std::string_view status) {
    context.failureStatus = std::string(status);
    return std::nullopt;
}

bool ResizePicture(Grabber& grabber, const Rect& rect) {
    return grabber.resizePicture(std::max(rect.width(), 0), std::max(rect.height(), 0));
}

std::optional<Captured> CopyScreenArea(CaptureContext& context, const Rect& rect, int correctionSwitch,
                                       const OwnWindowRule& rule) {
    if (IsEmpty(rect)) return TookNothing(context, kNothingCapturedStatus);
    if (!ResizePicture(context.grabber, rect)) return Fail(context, kOutOfMemory);
    if (!BlitToPicture(context.grabber, context.desktop, context.settings, rect, correctionSwitch, rule))
        return TookNothing(context, kOffScreenStatus);
    return Captured{"", Point{rect.left, rect.top}, true, rect, rule.target};
}

std::optional<Captured> CopyWindow(CaptureContext& context, WindowId window, const Rect& rect) {
    if (IsEmpty(rect)) return TookNothing(context, kNothingCapturedStatus);
    if (!ResizePicture(context.grabber, rect)) return Fail(context, kOutOfMemory);
    if (!GrabWindow(context.grabber, context.desktop, context.settings, window,
                    Rect{0, 0, rect.width(), rect.height()}))
        return TookNothing(context, kOffScreenStatus);
    return Captured{"", Point{rect.left, rect.top}, true, rect, window};
}

// The range is named after what lies at its centre and the window under the pointer, so
// that captures of the same place get recognisable names.
std::optional<Captured> CopyRange(CaptureContext& context, const Rect& range, std::string_view pointerClass) {
    std::optional<Captured> captured = CopyScreenArea(context, range, kCorrectionOff, OwnWindowRule{});
    if (!captured) return captured;
    const Point centre{Midpoint(range.left, range.right), Midpoint(range.top, range.bottom)};
    captured->name = FirstCharacters(AccessibleNameAt(context.accessibility, centre), kRangeNameCharacters) + "_" +
                     FirstCharacters(pointerClass, kRangeClassCharacters);
    return captured;
}

// After a failed class search the user picks the window from the list; the pick is kept
// for the next capture, this one fails.
std::optional<Captured> PickClassInstead(CaptureContext& context) {
    std::string picked = context.ui.pickClassFromWindowList();
    if (!picked.empty()) context.settings.className = std::move(picked);
    return std::nullopt;
}

std::optional<Captured> CopyWindowOfClass(CaptureContext& context) {
    const std::string wanted = context.settings.className;
    if (wanted.empty()) {
        context.ui.messageBox(std::string(kNoClassName), std::string(kNoClassNameTitle));
        return PickClassInstead(context);
    }
    const std::vector<WindowId> found = FindVisibleWindows(context.desktop, wanted, "");
    const std::size_t count = found.size() - 1;
    if (count == 0) {
        context.ui.messageBox(Concat({kClassPrefix, wanted, kClassNotShown}), std::string(kNoClassTitle));
        return PickClassInstead(context);
    }
    if (count > 1) {
        context.ui.messageBox(
            Concat({kClassPrefix, wanted, kClassAmbiguous, std::to_string(count), kClassAmbiguousCount}),
            std::string(kClassAmbiguousTitle));
        return PickClassInstead(context);
    }
    const Rect rect = WindowBounds(context.desktop, found[1]);
    // Where the system parks minimised windows; a window only partly off the screen is still
    // captured (it draws itself), and so is one on a monitor left of and above the primary.
    if (rect.right < 0 && rect.bottom < 0 && !OnAnyMonitor(rect, context.desktop.monitors()))
        return Fail(context, Concat({kClassPrefix, wanted, kClassOffScreen}));
    return CopyWindow(context, found[1], rect);
}

bool IsImageExtension(std::string_view extension) {
    const std::string lower = AsciiLower(extension);
    return std::find(kImageExtensions.begin(), kImageExtensions.end(), lower) != kImageExtensions.end();
}

// The extension of a decoder's format word, for the formats the list can read again; "" for
// any other word, "Unknown" and "Error:n" included.
std::string ExtensionOfFormat(std::string_view format) {
    if (format == "BMP" || format == "JPEG" || format == "PNG" || format == "GIF") return AsciiLower(format);
    return "";
}

bool IsPng(std::string_view path) { return AsciiLower(GetExtension(path)) == "png"; }

// Names Windows keeps for devices whatever their extension ("con.jpg" is the console).
bool IsDeviceName(std::string_view name) {
    const std::string base = AsciiLower(name.substr(0, name.find('.')));
    if (base == "con" || base == "prn" || base == "aux" || base == "nul") return true;
    return base.size() == 4 && (base.starts_with("com") || base.starts_with("lpt")) && base[3] >= '1' && base[3] <= '9';
}

// The name of a downloaded file: the last part of the address, made safe. An address that
// names no file ("…/", ".jpg"), only dots and blanks, or a device is given the temporary name
// of the moment; a name so long that the path would pass the system's limit keeps its first
// characters and its extension.
std::string DownloadName(std::string_view url, const WebImages& images) {
    std::string name = FileNameOfUrl(url);
    CreatableFileName(SanitizeFileName(name));
    const std::string extension = GetExtension(name);
    if (StripExtension(name).find_first_not_of(". ") == std::string::npos || IsDeviceName(name)) {
        name = TempName(images.localTime()) + (extension.empty() ? "" : "." + extension);
    }
    if (DecodeUtf8(name).size() > kDownloadNameCharacters && extension.size() < kDownloadNameCharacters / 2) {
        name = FirstCharacters(name, kDownloadNameCharacters - extension.size() - 1) + "." + extension;
    }
    return name;
}

// The file is made unique where it really goes: in the save folder, after the folder has been
// made absolute.
std::string SaveFolderFile(const CaptureContext& context, std::string_view name) {
    return UniqueName(FullPath(name, context.settings, context.browser->paths), context.browser->paths.fs);
}

bool LoadIntoPicture(CaptureContext& context, const std::string& path) {
    return context.browser->images.loadPicture(path, IsPng(path));
}

// "popuplink" on a page: the image behind the link is downloaded into a temporary file of the
// save folder, shown, and the file removed again.
std::optional<Captured> CapturePopupImage(CaptureContext& context, const HtmlDocument& document,
                                          const std::shared_ptr<HtmlElement>& element) {
    WebImages& images = context.browser->images;
    const std::string url = element ? PopupLinkUrl(document, *element) : std::string();
    if (url.empty()) return Fail(context, kNoPopupLinkOnPage);
    std::string extension = GetExtension(FileNameOfUrl(url));
    SanitizeFileName(extension);
    if (extension.empty()) extension = "jpg";
    const std::string file = SaveFolderFile(context, TempName(images.localTime()) + "." + extension);
    const std::string notAnImage = Concat({kNotAnImageOpen, url, kNotAnImageClose});
    if (!images.DownloadToFile(url, file)) return Fail(context, notAnImage);
    const bool loaded = LoadIntoPicture(context, file);
    if (images.fileExists(file)) images.removeFile(file);
    if (!loaded) return Fail(context, notAnImage);
    return Captured{"", Point{}, false};
}

// "parts" over an IMG element with "img download" on: the image file itself goes into the
// save folder and stays there; its name is the result. A file that is no image the list can
// read is removed again.
std::optional<Captured> DownloadImage(CaptureContext& context, const std::string& url) {
    WebImages& images = context.browser->images;
    const std::string failure = Concat({kDownloadError, url});
    const std::string name = DownloadName(url, images);
    const std::string extension = GetExtension(name);
    std::string file = SaveFolderFile(context, name);
    if (!images.DownloadToFile(url, file)) return Fail(context, failure);
    const auto discard = [&]() {
        images.removeFile(file);
        return Fail(context, failure);
    };
    if (!IsImageExtension(extension)) {
        // Whatever the address ends in ("a.php", "image"), the file is named by its content.
        const std::string detected = ExtensionOfFormat(images.ImageFormatOfFile(file));
        if (detected.empty()) return discard();
        const std::string renamed = StripExtension(file) + "." + detected;
        if (!images.renameFile(file, renamed)) return discard();
        file = renamed;
    }
    if (!LoadIntoPicture(context, file)) return discard();
    context.downloadedImage = true;
    return Captured{FileNameOf(file), Point{}, false};
}

// Path A2: the page in a browser document window. Nothing when the page cannot be read: the
// caller goes on as if no browser were there.
std::optional<std::optional<Captured>> CaptureInPage(CaptureContext& context, std::string_view target, Point pointer,
                                                     WindowId window) {
    if (context.browser == nullptr) return std::nullopt;
    const Rect windowRect = WindowBounds(context.desktop, window);
    const Point origin{windowRect.left, windowRect.top};
    Point documentOrigin;
    const std::shared_ptr<HtmlDocument> document =
        DocumentAtPointer(origin, context.browser->documents.documentOfWindow(window), pointer, documentOrigin);
    if (!document) return std::nullopt;
    const std::shared_ptr<HtmlElement> element = ElementAtPointer(documentOrigin, *document, pointer);
    if (target == "popuplink") return CapturePopupImage(context, *document, element);
    // A page with nothing under the pointer has nothing to show.
    if (!element) return TookNothing(context, kNothingCapturedStatus);
    if (element->tagName() == "IMG" && context.settings.imgDownload == 1) {
        const std::string source = AttributeOf(*element, "src");
        if (!source.empty()) return DownloadImage(context, source);
    }
    const std::optional<Rect> box = element->boundingBox();
    if (!box) return TookNothing(context, kNothingCapturedStatus);
    const auto relative = [](int32_t documentEdge, int32_t boxEdge, int32_t windowEdge) {
        return ClampToInt32(int64_t{documentEdge} + boxEdge - windowEdge);
    };
    const Rect part{relative(documentOrigin.x, box->left, windowRect.left),
                    relative(documentOrigin.y, box->top, windowRect.top),
                    relative(documentOrigin.x, box->right, windowRect.left),
                    relative(documentOrigin.y, box->bottom, windowRect.top)};
    if (IsEmpty(part)) return TookNothing(context, kNothingCapturedStatus);
    if (!ResizePicture(context.grabber, part)) return Fail(context, kOutOfMemory);
    if (!GrabWindow(context.grabber, context.desktop, context.settings, window, part))
        return TookNothing(context, kOffScreenStatus);
    const Point corner{ClampToInt32(int64_t{part.left} + windowRect.left),
                       ClampToInt32(int64_t{part.top} + windowRect.top)};
    return Captured{"", corner, true, Rect{corner.x, corner.y, part.width() + corner.x, part.height() + corner.y},
                    window};
}

std::optional<Captured> CaptureAtPointer(CaptureContext& context, std::string_view target, Point pointer,
                                         WindowId pointerWindow, std::string_view pointerClass) {
    const std::string browser = BrowserKindOfClass(pointerClass);
    const bool pagePart = target == "parts" || target == "popuplink";
    if (pagePart && !browser.empty() && browser != "IE") {
        // Browsers other than IE show their page parts to accessibility only; the part is
        // taken as it is, without the "size" box.
        const Rect part = AccessibleRectangle(context.accessibility.objectAt(pointer));
        return CopyScreenArea(context, part, kCorrectionOn, OwnWindowRule{true, pointerWindow});
    }
    if (pagePart && browser == "IE") {
        std::optional<std::optional<Captured>> inPage = CaptureInPage(context, target, pointer, pointerWindow);
        if (inPage) return std::move(*inPage);
    }
    if (target == "parts") {
        Rect part = AccessibleRectangle(context.accessibility.objectAt(pointer));
        if (context.settings.size == 1) {
            part = FixedSizeBox(part, context.settings.sizeWidth, context.settings.sizeHeight);
        }
        return CopyScreenArea(context, part, kCorrectionOn, OwnWindowRule{true, pointerWindow});
    }
    if (target == "class") return CopyWindowOfClass(context);
    if (target == "popuplink") return Fail(context, kNoPopupLink);
    WindowId window = pointerWindow;
    if (target == "tooltips") {
        window = FindTooltipWindow(context.desktop);
        if (window == 0) return Fail(context, kNoTooltip);
    }
    return CopyWindow(context, window, WindowBounds(context.desktop, window));
}

// What the picture cannot show as the screen does: a window (or one holding it) that keeps
// itself out of screen copies comes out black; on a monitor in advanced colour (HDR) screen
// copies come out pale.
std::string WarningFor(const CaptureContext& context, const Captured& captured) {
    WindowId window = captured.window;
    for (int depth = 0; window != 0 && depth < kMaxAncestors; ++depth, window = context.desktop.parent(window)) {
        if (context.desktop.excludesCapture(window)) return std::string(kProtectedWarning);
    }
    if (!IsEmpty(captured.area) && context.desktop.advancedColour(captured.area))
        return std::string(kAdvancedColourWarning);
    return "";
}

bool IsPointerTarget(std::string_view target) {
    for (const std::string_view word : kPointerTargets) {
        if (word == target) return true;
    }
    return false;
}

}  // namespace

std::string BrowserKindOfClass(std::string_view className) {
    for (const BrowserKind& browser : kBrowserKinds) {
        if (browser.className == className) return std::string(browser.kind);
    }
    return "";
}

std::string AccessibleNameAt(const Accessibility& accessibility, Point point) {
    const AccessibleObjectInfo object = accessibility.objectAt(point);
    if (!object.found) return "";
    return object.name.empty() ? object.value : object.name;
}

Rect AccessibleRectangle(const AccessibleObjectInfo& object) {
    if (!object.found) return Rect{};
    return Rect{object.left, object.top, ClampToInt32(int64_t{object.left} + object.width),
                ClampToInt32(int64_t{object.top} + object.height)};
}

// Rounded once over the whole sum, so a half pixel of slack goes to the even side.
Rect FixedSizeBox(const Rect& part, int32_t width, int32_t height) {
    const int32_t left = RoundHalfEven(part.left + (static_cast<double>(part.width()) - width) / 2.0);
    const int32_t top = RoundHalfEven(part.top + (static_cast<double>(part.height()) - height) / 2.0);
    return Rect{left, top, ClampToInt32(int64_t{left} + width), ClampToInt32(int64_t{top} + height)};
}

std::string MyCapture(CaptureContext& context, std::string_view target) {
    context.grabber.clearPicture();
    context.downloadedImage = false;
    context.failureStatus.clear();
    context.warning.clear();
    context.image.reset();
    const Point pointer = context.desktop.cursorPos();
    const WindowId pointerWindow = context.desktop.windowFromPoint(pointer);
    const std::string pointerClass = context.desktop.className(pointerWindow);

    std::optional<Captured> captured;
    if (target == "snapshot") {
        // Every monitor, as the system's own key takes them; the desktop is taken as it is.
        const Rect screen = BoundingBox(context.desktop.monitors());
        captured = CopyScreenArea(context, screen, kCorrectionOff, OwnWindowRule{false, 0});
    } else if (target == "snapshot_alt") {
        const WindowId foreground = context.desktop.foregroundWindow();
        captured = CopyWindow(context, foreground, WindowBounds(context.desktop, foreground));
    } else if (target == "rect") {
        const Rect range = context.ui.rangeRectangle();
        context.ui.hideRangeOverlay();  // so that the overlay is not in the image
        if (range.width() < kMinimumRangeExtent || range.height() < kMinimumRangeExtent) {
            return std::string(kCaptureCancel);
        }
        captured = CopyRange(context, range, pointerClass);
    } else if (!IsPointerTarget(target)) {
        captured = Fail(context, Concat({kProgramError, kProgramErrorTail}));
    } else {
        captured = CaptureAtPointer(context, target, pointer, pointerWindow, pointerClass);
    }
    if (!captured) return std::string(kCaptureError);
    context.warning = WarningFor(context, *captured);

    if (captured->cursor && !NoMouse(context))
        DrawCursorOverlay(context.grabber, captured->origin.x, captured->origin.y);
    // The pixels are the core's from here on: the preview, the list and the clipboard read them.
    context.image = context.grabber.takeImage();
    if (!context.image) {
        ShowFailure(context, kOutOfMemory);
        return std::string(kCaptureError);
    }
    if (CopiesToClipboard(context)) {
        if (ClearClipboard(context.clipboard, context.ui) == kCaptureError) {
            ShowFailure(context, kClipboardClearError);
            return std::string(kCaptureError);
        }
        if (CopyPictureToClipboard(context.clipboard, context.ui, *context.image) == kCaptureError) {
            ShowFailure(context, kClipboardSetError);
            return std::string(kCaptureError);
        }
    }
    return captured->name;
}

}  // namespace tessarin
