#include "core/capture/browser_probe.h"

#include <cstdint>
#include <optional>
#include <utility>

#include "core/capture/grabber_rules.h"
#include "core/text/paths.h"
#include "core/text/text.h"

namespace tessarin {

namespace {

constexpr std::string_view kSpanPattern = "< *span +class *= *(.*) *>.*< */span *>";
constexpr std::string_view kStyleUrlPattern = "url\\((http://.+)\\)";
constexpr std::string_view kImagePattern = "<img *src=*(.*) *>";

// Markup longer than this is taken as holding no link: the patterns cost time in proportion
// to the text (about 15 ms for this much, bench/bench_regex.cpp), one pop-up link search runs
// up to four of them, and a pop-up link lies in the few elements around the pointer, not in a
// page's worth of markup.
constexpr std::size_t kMarkupLimit = std::size_t{128} * 1024;

std::string Match(std::string_view markup, std::string_view pattern) {
    return markup.size() > kMarkupLimit ? std::string() : RegexFirstSubmatch(markup, pattern);
}

bool IsFrame(const std::string& tag) { return tag == "FRAME" || tag == "IFRAME"; }

Point Offset(Point origin, const Rect& box) {
    return Point{ClampToInt32(int64_t{origin.x} + box.left), ClampToInt32(int64_t{origin.y} + box.top)};
}

std::shared_ptr<HtmlElement> ElementAt(const HtmlDocument& document, Point origin, Point pointer) {
    return document.elementFromPoint(ClampToInt32(int64_t{pointer.x} - origin.x),
                                     ClampToInt32(int64_t{pointer.y} - origin.y));
}

// The first frame whose Name is the given one; nothing when none is, or when the collection
// cannot be read (an error, told apart by `failed`).
std::optional<int32_t> FrameNamed(const HtmlDocument& document, const std::string& name, bool& failed) {
    failed = false;
    const std::optional<int32_t> count = document.frameCount();
    if (!count) {
        failed = true;
        return std::nullopt;
    }
    for (int32_t i = 0; i < *count; ++i) {
        const std::optional<std::string> frameName = document.frameName(i);
        if (!frameName) {
            failed = true;
            return std::nullopt;
        }
        if (*frameName == name) return i;
    }
    return std::nullopt;
}

std::shared_ptr<HtmlDocument> DocumentAt(Point origin, const std::shared_ptr<HtmlDocument>& document, Point pointer,
                                         Point& documentOrigin, int depth) {
    // A page that nests frames without end (a frame showing its own page) stops here.
    if (!document || depth > kFrameDepthLimit) return nullptr;
    const std::shared_ptr<HtmlElement> element = ElementAt(*document, origin, pointer);
    if (!element) return nullptr;
    const std::optional<std::string> tag = element->tagName();
    if (!tag) return nullptr;
    if (!IsFrame(*tag)) {
        documentOrigin = origin;
        return document;
    }
    bool failed = false;
    const int32_t index = FrameNamed(*document, FrameNameOf(*element), failed).value_or(0);
    if (failed) return nullptr;
    std::shared_ptr<HtmlDocument> inner = document->frameDocument(index);
    const std::optional<Rect> box = element->boundingBox();
    if (!inner || !box) return nullptr;
    return DocumentAt(Offset(origin, *box), inner, pointer, documentOrigin, depth + 1);
}

std::shared_ptr<HtmlElement> ElementAtDepth(Point origin, const HtmlDocument& document, Point pointer, int depth) {
    if (depth > kFrameDepthLimit) return nullptr;
    std::shared_ptr<HtmlElement> element = ElementAt(document, origin, pointer);
    if (!element) return nullptr;
    const std::optional<std::string> tag = element->tagName();
    if (!tag) return nullptr;
    if (!IsFrame(*tag)) return element;
    const std::optional<std::string> name = element->name();
    if (!name) return nullptr;
    bool failed = false;
    const std::optional<int32_t> index = FrameNamed(document, *name, failed);
    if (failed) return nullptr;
    if (!index) return element;
    const std::optional<Rect> box = element->boundingBox();
    const std::shared_ptr<HtmlDocument> inner = document.frameDocument(*index);
    if (!box || !inner) return nullptr;
    return ElementAtDepth(Offset(origin, *box), *inner, pointer, depth + 1);
}

std::string SpanClassOf(const std::optional<std::string>& markup) {
    return markup ? Match(*markup, kSpanPattern) : std::string();
}

}  // namespace

std::shared_ptr<HtmlDocument> DocumentAtPointer(Point origin, const std::shared_ptr<HtmlDocument>& document,
                                                Point pointer, Point& documentOrigin) {
    return DocumentAt(origin, document, pointer, documentOrigin, 0);
}

std::shared_ptr<HtmlElement> ElementAtPointer(Point origin, const HtmlDocument& document, Point pointer) {
    return ElementAtDepth(origin, document, pointer, 0);
}

std::string FrameNameOf(const HtmlElement& frame) {
    std::string id = frame.id().value_or("");
    if (!id.empty()) return id;
    return frame.name().value_or("");
}

std::string AttributeOf(const HtmlElement& element, const std::string& name) {
    return element.attribute(name).value_or("");
}

// The link's class is looked for in the element, then in its parent's and its grandparent's
// content; a style rule naming that class carries the image address. Without one, the
// element's own img tag does. Each rule costs calls into the page's process: a page with tens of
// thousands of rules (a framework's style sheets) is searched no further than kMaxStyleRules, and
// the element's own img tag answers after that.
std::string PopupLinkUrl(const HtmlDocument& document, const HtmlElement& element) {
    const std::optional<std::string> outer = element.outerHtml();
    if (!outer) return "";
    std::string linkClass = SpanClassOf(outer);
    if (linkClass.empty()) {
        const std::shared_ptr<HtmlElement> parent = element.parentElement();
        if (parent) {
            linkClass = SpanClassOf(parent->innerHtml());
            if (linkClass.empty()) {
                const std::shared_ptr<HtmlElement> grandparent = parent->parentElement();
                if (grandparent) linkClass = SpanClassOf(grandparent->innerHtml());
            }
        }
    }
    if (!linkClass.empty()) {
        const std::string wanted = AsciiLower(linkClass);
        const std::optional<int32_t> sheets = document.styleSheetCount();
        if (!sheets) return "";
        int32_t walked = 0;
        for (int32_t sheet = 0; sheet < *sheets && walked < kMaxStyleRules; ++sheet) {
            const std::optional<int32_t> rules = document.ruleCount(sheet);
            if (!rules) return "";
            for (int32_t rule = 0; rule < *rules && walked < kMaxStyleRules; ++rule, ++walked) {
                const std::optional<std::string> selector = document.ruleSelector(sheet, rule);
                if (!selector) return "";
                if (AsciiLower(*selector).find(wanted) == std::string::npos) continue;
                const std::optional<std::string> style = document.ruleStyle(sheet, rule);
                return style ? Match(*style, kStyleUrlPattern) : std::string();
            }
        }
    }
    return Unquote(Match(*outer, kImagePattern));
}

// The query and the fragment are no part of the name: "a.jpg?w=1" names the file a.jpg.
std::string FileNameOfUrl(std::string_view url) {
    const std::size_t end = url.find_first_of("?#");
    if (end != std::string_view::npos) url = url.substr(0, end);
    const std::size_t slash = url.rfind('/');
    if (slash == std::string_view::npos) return "";
    return std::string(url.substr(slash + 1));
}

}  // namespace tessarin
