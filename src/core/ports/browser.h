#pragma once
// What the browser probe asks of a page and of the network: the document model of the
// browser window under the pointer, downloading an address into a file, and the image files
// that a download leaves. Texts are UTF-8; element boxes are in the document's client pixels.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/ports/capture.h"
#include "core/text/paths.h"

namespace tessarin {

// An element of a page. A property that cannot be read answers nothing.
class HtmlElement {
public:
    virtual ~HtmlElement() = default;
    // Upper case, as the document model gives it ("IMG", "IFRAME").
    [[nodiscard]] virtual std::optional<std::string> tagName() const = 0;
    [[nodiscard]] virtual std::optional<std::string> id() const = 0;
    [[nodiscard]] virtual std::optional<std::string> name() const = 0;
    [[nodiscard]] virtual std::optional<std::string> outerHtml() const = 0;
    [[nodiscard]] virtual std::optional<std::string> innerHtml() const = 0;
    // Null for the root element and on any error.
    [[nodiscard]] virtual std::shared_ptr<HtmlElement> parentElement() const = 0;
    [[nodiscard]] virtual std::optional<std::string> attribute(const std::string& name) const = 0;
    // getBoundingClientRect, in the client coordinates of the element's document.
    [[nodiscard]] virtual std::optional<Rect> boundingBox() const = 0;
};

// A page's document: the element at a client point, its frames and its style sheets.
class HtmlDocument {
public:
    virtual ~HtmlDocument() = default;
    // Null when no element is there or on any error.
    [[nodiscard]] virtual std::shared_ptr<HtmlElement> elementFromPoint(int32_t x, int32_t y) const = 0;
    // The frames collection: its length, each frame's Name and document (null when it cannot
    // be reached, as for a page of another site).
    [[nodiscard]] virtual std::optional<int32_t> frameCount() const = 0;
    [[nodiscard]] virtual std::optional<std::string> frameName(int32_t index) const = 0;
    [[nodiscard]] virtual std::shared_ptr<HtmlDocument> frameDocument(int32_t index) const = 0;
    // The style sheets and the rules of each: selectorText and the style's cssText.
    [[nodiscard]] virtual std::optional<int32_t> styleSheetCount() const = 0;
    [[nodiscard]] virtual std::optional<int32_t> ruleCount(int32_t sheet) const = 0;
    [[nodiscard]] virtual std::optional<std::string> ruleSelector(int32_t sheet, int32_t rule) const = 0;
    [[nodiscard]] virtual std::optional<std::string> ruleStyle(int32_t sheet, int32_t rule) const = 0;
};

// The document shown by a browser document window ("Internet Explorer_Server").
class BrowserDocuments {
public:
    virtual ~BrowserDocuments() = default;
    [[nodiscard]] virtual std::shared_ptr<HtmlDocument> documentOfWindow(WindowId window) = 0;
};

// Downloads and the image files they leave, and the preview picture loaded from a file.
class WebImages {
public:
    virtual ~WebImages() = default;
    // Retrieves the address into the file. True only when the server answered with success
    // and the whole body was written; otherwise no file is left at the path.
    [[nodiscard]] virtual bool DownloadToFile(const std::string& url, const std::string& path) = 0;
    // "BMP", "EMF", "WMF", "JPEG", "PNG", "GIF", "TIFF", "ICO", "Unknown", or "Error:" and
    // the decoder's status number.
    [[nodiscard]] virtual std::string ImageFormatOfFile(const std::string& path) = 0;
    // Loads the file into the preview picture, as a PNG (LoadPngPicture) or as a picture file;
    // false, with the picture empty, when it does not decode.
    [[nodiscard]] virtual bool loadPicture(const std::string& path, bool png) = 0;
    [[nodiscard]] virtual bool fileExists(const std::string& path) const = 0;
    virtual void removeFile(const std::string& path) = 0;
    // Fails when the new name is taken.
    [[nodiscard]] virtual bool renameFile(const std::string& from, const std::string& to) = 0;
    [[nodiscard]] virtual LocalTime localTime() const = 0;
};

// What the browser paths of MyCapture need besides the capture ports.
struct BrowserContext {
    BrowserDocuments& documents;
    WebImages& images;
    const PathContext& paths;
};

}  // namespace tessarin
