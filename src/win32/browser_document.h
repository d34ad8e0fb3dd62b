#pragma once

#include <windows.h>
// These build on windows.h.
#include <oaidl.h>

#include <memory>

#include "core/ports/browser.h"

namespace tessarin {

// The page of an IE document window through the document's dispatch interface, as a script
// reaches it: elementFromPoint, frames, styleSheets, and each element's properties.
[[nodiscard]] std::shared_ptr<HtmlDocument> DocumentOfDispatch(IDispatch* document);

// WM_HTML_GETOBJECT (2 s, given up when the window hangs) and ObjectFromLresult for the
// document's IHTMLDocument; null when the window answers none. COM must be initialised on
// the calling thread.
[[nodiscard]] std::shared_ptr<HtmlDocument> DocumentOfWindow(HWND window);

class WinBrowserDocuments final : public BrowserDocuments {
public:
    [[nodiscard]] std::shared_ptr<HtmlDocument> documentOfWindow(WindowId window) override;
};

}  // namespace tessarin
