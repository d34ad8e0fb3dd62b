#pragma once
// A scripted page for the browser probe: elements with boxes, frames with their documents,
// style sheets; and the network and files of the downloads, with a journal of their calls.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/ports/browser.h"

namespace tessarin::test {

// An unset property answers nothing, as a failing property of the document model.
struct FakeElement : HtmlElement {
    std::optional<std::string> tag, elementId, elementName, outer, inner;
    std::shared_ptr<FakeElement> parent;
    std::map<std::string, std::string> attributes;
    Rect area;                // where elementFromPoint finds it
    std::optional<Rect> box;  // what getBoundingClientRect answers

    std::optional<std::string> tagName() const override { return tag; }
    std::optional<std::string> id() const override { return elementId; }
    std::optional<std::string> name() const override { return elementName; }
    std::optional<std::string> outerHtml() const override { return outer; }
    std::optional<std::string> innerHtml() const override { return inner; }
    std::shared_ptr<HtmlElement> parentElement() const override { return parent; }
    std::optional<std::string> attribute(const std::string& key) const override {
        return attributes.contains(key) ? std::optional(attributes.at(key)) : std::nullopt;
    }
    std::optional<Rect> boundingBox() const override { return box; }
};

inline std::shared_ptr<FakeElement> Element(std::string tag, Rect box, std::string id = "", std::string name = "") {
    auto element = std::make_shared<FakeElement>();
    element->outer = "<" + tag + ">";
    element->tag = std::move(tag);
    element->area = box;
    element->box = box;
    element->elementId = std::move(id);
    element->elementName = std::move(name);
    return element;
}

struct FakeRule {
    std::string selector, style;
};

// elementFromPoint answers the last element whose area holds the point (or nothing once
// `answers` are used up), and notes the point.
struct FakeDocument : HtmlDocument {
    std::vector<std::shared_ptr<FakeElement>> elements;
    std::vector<std::pair<std::string, std::shared_ptr<FakeDocument>>> frames;
    std::vector<std::vector<FakeRule>> sheets;
    bool framesFail = false;
    mutable int answers = 1000;
    mutable std::vector<Point> asked;

    std::shared_ptr<HtmlElement> elementFromPoint(int32_t x, int32_t y) const override {
        asked.push_back({x, y});
        if (answers-- <= 0) return nullptr;
        for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
            const Rect& r = (*it)->area;
            if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return *it;
        }
        return nullptr;
    }
    std::optional<int32_t> frameCount() const override {
        return framesFail ? std::nullopt : std::optional(static_cast<int32_t>(frames.size()));
    }
    std::optional<std::string> frameName(int32_t i) const override { return frames.at(i).first; }
    std::shared_ptr<HtmlDocument> frameDocument(int32_t i) const override {
        return i < static_cast<int32_t>(frames.size()) ? frames[i].second : nullptr;
    }
    std::optional<int32_t> styleSheetCount() const override { return static_cast<int32_t>(sheets.size()); }
    std::optional<int32_t> ruleCount(int32_t s) const override { return static_cast<int32_t>(sheets.at(s).size()); }
    std::optional<std::string> ruleSelector(int32_t s, int32_t r) const override { return sheets.at(s).at(r).selector; }
    std::optional<std::string> ruleStyle(int32_t s, int32_t r) const override { return sheets.at(s).at(r).style; }
};

struct FakeDocuments : BrowserDocuments {
    std::map<WindowId, std::shared_ptr<FakeDocument>> pages;
    std::shared_ptr<HtmlDocument> documentOfWindow(WindowId window) override {
        return pages.contains(window) ? pages[window] : nullptr;
    }
};

// Files hold their content; a body starting with "PNG", "GIF", "JPEG" or "BMP" is an image of
// that format, any other is none. The server knows the bodies of `served`; any other address
// fails. Calls go into the journal as "download URL -> PATH", "load PATH png", "remove PATH",
// "rename FROM -> TO".
struct FakeWebImages : WebImages {
    explicit FakeWebImages(std::vector<std::string>& journal) : log(journal) {}
    std::vector<std::string>& log;
    std::map<std::string, std::string> served, files;
    LocalTime now{2024, 1, 5, 13, 45, 1};

    bool DownloadToFile(const std::string& url, const std::string& path) override {
        log.push_back("download " + url + " -> " + path);
        return served.contains(url) && (files[path] = served[url], true);
    }
    std::string ImageFormatOfFile(const std::string& path) override {
        if (!files.contains(path)) return "Error:10";
        for (const char* format : {"PNG", "GIF", "JPEG", "BMP"})
            if (files[path].starts_with(format)) return format;
        return files[path].empty() ? "Error:2" : "Unknown";
    }
    bool loadPicture(const std::string& path, bool png) override {
        log.push_back("load " + path + (png ? " png" : ""));
        const std::string format = ImageFormatOfFile(path);
        return format != "Unknown" && !format.starts_with("Error");
    }
    bool fileExists(const std::string& path) const override { return files.contains(path); }
    void removeFile(const std::string& path) override { log.push_back("remove " + path), files.erase(path); }
    bool renameFile(const std::string& from, const std::string& to) override {
        log.push_back("rename " + from + " -> " + to);
        if (!files.contains(from) || files.contains(to)) return false;
        return files[to] = files[from], files.erase(from), true;
    }
    LocalTime localTime() const override { return now; }
};

}  // namespace tessarin::test
