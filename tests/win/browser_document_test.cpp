// The document adapter over a scripted page that answers through IDispatch as MSHTML does (Wine
// has no browser engine; see CONTRIBUTING.md). The end-to-end browser test reads the same page
// through a document window of another process.

#include "win32/browser_document.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "core/capture/browser_probe.h"
#include "scripted_page.h"
#include "win32/handles.h"
#include "win32/messages.h"

namespace tessarin::test {
namespace {

TEST(BrowserDocument, ThePageIsReadThroughItsDispatchInterface) {
    ScriptedPage page;
    const std::shared_ptr<HtmlDocument> document = DocumentOfDispatch(page.document);
    ASSERT_NE(document, nullptr);
    Point origin;
    EXPECT_EQ(DocumentAtPointer({100, 200}, document, {130, 250}, origin), document);
    EXPECT_EQ(origin, (Point{100, 200}));
    const std::shared_ptr<HtmlElement> element = ElementAtPointer({100, 200}, *document, {130, 250});
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(page.asked.back(), (std::pair<long, long>{30, 50}));
    EXPECT_EQ(element->tagName(), "IMG");
    EXPECT_EQ(FrameNameOf(*element), "photo");
    EXPECT_EQ(AttributeOf(*element, "src"), "http://h/写真.jpg");
    EXPECT_EQ(AttributeOf(*element, "alt"), "");
    // Fractions are rounded as the platform converts them, halves to even.
    EXPECT_EQ(element->boundingBox(), (Rect{10, 20, 30, 40}));
    EXPECT_EQ(PopupLinkUrl(*document, *element), "http://h/big.jpg");
    EXPECT_EQ(document->frameCount(), 0);
    EXPECT_EQ(document->frameDocument(0), nullptr);
    EXPECT_EQ(element->parentElement()->parentElement(), nullptr);
    EXPECT_EQ(DocumentOfDispatch(nullptr), nullptr);
}

TEST(BrowserDocument, ADocumentWindowThatAnswersNothingHasNoDocument) {
    const CoInit com;
    ASSERT_TRUE(RegisterWindowClass(L"Internet Explorer_Server", DefWindowProcW, nullptr));
    const UniqueWindow window(CreateWindowExW(0, L"Internet Explorer_Server", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                              nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(window);
    EXPECT_EQ(DocumentOfWindow(window.get()), nullptr);
}

}  // namespace
}  // namespace tessarin::test
