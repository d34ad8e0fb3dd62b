// The document adapter over a scripted page that answers through IDispatch as MSHTML does (Wine
// has no browser engine; see CONTRIBUTING.md). The end-to-end browser test reads the same page
// through a document window of another process.

#include "win32/browser_document.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/capture/browser_probe.h"
#include "scripted_page.h"
#include "win32/handles.h"
#include "win32/messages.h"
#include "win_test_support.h"

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

// A page whose script loops after its first answers cannot hold the caller: the call that runs out
// of time gives the page up, and every later call answers nothing at once.
TEST(BrowserDocument, APageThatStopsAnsweringIsGivenUpAtItsFirstLateCall) {
    ScriptedPage page;
    const UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    Scripted* document = page.Make();
    document->Add(L"frames", [&](const std::vector<VARIANT>& arguments, VARIANT* result) {
        // Ten seconds at the most, so that a caller without a limit fails instead of hanging.
        WaitForSingleObject(release.get(), 10000);
        return Object(nullptr)(arguments, result);
    });
    Scripted* sheets = page.Make();
    sheets->Add(L"length", Number(2));
    document->Add(L"styleSheets", Object(sheets));
    {
        const std::shared_ptr<HtmlDocument> hanging = DocumentOfDispatch(document, 300);
        ASSERT_NE(hanging, nullptr);
        EXPECT_EQ(hanging->styleSheetCount(), 2);
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(hanging->frameCount(), std::nullopt);
        const ULONGLONG late = GetTickCount64();
        EXPECT_EQ(hanging->styleSheetCount(), std::nullopt);
        EXPECT_LT(late - start, 5000U) << "the caller waited for the page";
        EXPECT_LT(GetTickCount64() - late, 100U) << "a page given up is not asked again";
    }
    // The page's thread lets go of the page once its call returns.
    SetEvent(release.get());
    EXPECT_TRUE(WaitUntil([&] { return document->References() == 1 && sheets->References() == 1; }, 10000));
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
