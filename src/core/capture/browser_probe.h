#pragma once
// MyInternetExplorer: the element under the pointer in a browser page (frames followed), the
// image behind a pop-up link, and the names of downloaded files.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/ports/browser.h"
#include "core/ports/capture.h"

namespace tessarin {

// Frames nested deeper than this are taken as a page that cannot be read.
inline constexpr int kFrameDepthLimit = 16;
// A pop-up link's style rule is looked for among this many rules at most.
inline constexpr int32_t kMaxStyleRules = 2000;

// The innermost document under the pointer, following FRAME and IFRAME elements from the
// document whose client origin is at `origin`; `documentOrigin` receives that document's
// origin. Null on any error and past kFrameDepthLimit.
[[nodiscard]] std::shared_ptr<HtmlDocument> DocumentAtPointer(Point origin,
                                                              const std::shared_ptr<HtmlDocument>& document,
                                                              Point pointer, Point& documentOrigin);
// The innermost element under the pointer; a frame whose Name matches no frame is itself
// the result. Null on any error.
[[nodiscard]] std::shared_ptr<HtmlElement> ElementAtPointer(Point origin, const HtmlDocument& document, Point pointer);
// Its id, or its Name when the id is "".
[[nodiscard]] std::string FrameNameOf(const HtmlElement& frame);
// "" on any error.
[[nodiscard]] std::string AttributeOf(const HtmlElement& element, const std::string& name);
// The image address behind a pop-up link, or "".
[[nodiscard]] std::string PopupLinkUrl(const HtmlDocument& document, const HtmlElement& element);
// The text after the last "/" of the address without its query and fragment; "" when there
// is none.
[[nodiscard]] std::string FileNameOfUrl(std::string_view url);

}  // namespace tessarin
