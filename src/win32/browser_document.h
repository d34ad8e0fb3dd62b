#pragma once

#include <windows.h>
// These build on windows.h.
#include <oaidl.h>

#include <cstdint>
#include <memory>

#include "core/ports/browser.h"

namespace tessarin {

// How long one call into a page may take before the page is given up.
inline constexpr uint32_t kPageCallLimitMs = 3000;

// The page of an IE document window through the document's dispatch interface, as a script
// reaches it: elementFromPoint, frames, styleSheets, and each element's properties. Every call
// runs on a thread of the page's own in the multithreaded apartment, so the document must be
// callable from there (another program's document, or a free-threaded object of this one).
[[nodiscard]] std::shared_ptr<HtmlDocument> DocumentOfDispatch(IDispatch* document,
                                                               uint32_t limitMs = kPageCallLimitMs);

// WM_HTML_GETOBJECT (2 s, given up when the window hangs) and ObjectFromLresult for the
// document's IHTMLDocument, on the page's thread; null when the window answers none.
[[nodiscard]] std::shared_ptr<HtmlDocument> DocumentOfWindow(HWND window, uint32_t limitMs = kPageCallLimitMs);

class WinBrowserDocuments final : public BrowserDocuments {
public:
    [[nodiscard]] std::shared_ptr<HtmlDocument> documentOfWindow(WindowId window) override;
};

}  // namespace tessarin
