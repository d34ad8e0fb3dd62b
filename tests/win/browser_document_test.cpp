// The document adapter over a scripted page that answers through IDispatch as MSHTML does:
// directly, and through a window of class "Internet Explorer_Server" answering
// WM_HTML_GETOBJECT with LresultFromObject, in this process and in another (Wine has no browser
// engine; see CONTRIBUTING.md).

#include <windows.h>
// These build on windows.h.
#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/capture/browser_probe.h"
#include "scripted_page.h"
#include "win32/browser_document.h"
#include "win32/handles.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

// `page` is the page itself when it lives in this process, for the points it was asked about.
void ExpectThePage(const std::shared_ptr<HtmlDocument>& document, const ScriptedPage* page) {
    ASSERT_NE(document, nullptr);
    Point origin;
    EXPECT_EQ(DocumentAtPointer({100, 200}, document, {130, 250}, origin), document);
    EXPECT_EQ(origin, (Point{100, 200}));
    const std::shared_ptr<HtmlElement> element = ElementAtPointer({100, 200}, *document, {130, 250});
    ASSERT_NE(element, nullptr);
    if (page != nullptr) {
        EXPECT_EQ(page->asked.back(), (std::pair<long, long>{30, 50}));
    }
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
}

TEST(BrowserDocument, ThePageIsReadThroughItsDispatchInterface) {
    ScriptedPage page;
    ExpectThePage(DocumentOfDispatch(page.document), &page);
    EXPECT_EQ(DocumentOfDispatch(nullptr), nullptr);
}

// The document window of the test answers WM_HTML_GETOBJECT as MSHTML's does.
Scripted* gAnswered = nullptr;
LRESULT CALLBACK DocumentWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static const UINT getObject = RegisterWindowMessageW(L"WM_HTML_GETOBJECT");
    if (message == getObject && gAnswered != nullptr) return LresultFromObject(kIidHtmlDocument, wParam, gAnswered);
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(BrowserDocument, ADocumentWindowHandsOutItsDocument) {
    const CoInit com;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DocumentWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"Internet Explorer_Server";
    RegisterClassW(&windowClass);
    const UniqueWindow window(CreateWindowExW(0, L"Internet Explorer_Server", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                              nullptr, windowClass.hInstance, nullptr));
    ASSERT_TRUE(window);
    // A window that answers nothing has no document.
    EXPECT_EQ(DocumentOfWindow(window.get()), nullptr);
    ScriptedPage page;
    gAnswered = page.document;
    ExpectThePage(DocumentOfWindow(window.get()), &page);
    gAnswered = nullptr;
}

// As a browser shows it: the window and the page belong to another process, and every call
// crosses over through the marshalled dispatch interface.
TEST(BrowserDocument, ADocumentWindowOfAnotherProgramHandsOutItsDocument) {
    const CoInit com;
    const std::wstring event = L"TessarinPagePeer." + std::to_wstring(GetCurrentProcessId());
    const UniqueHandle quit(CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
    const std::wstring command = L"\"" + Utf8ToWide(ProgramFolder()) + L"\\page_peer.exe\" " + event;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring line = command;
    ASSERT_TRUE(quit &&
                CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    const UniqueHandle peer(info.hProcess);
    const UniqueHandle thread(info.hThread);
    HWND window = nullptr;
    ASSERT_TRUE(Await([&] { return (window = FindWindowW(L"Internet Explorer_Server", L"page_peer")) != nullptr; }));
    ExpectThePage(DocumentOfWindow(window), nullptr);
    SetEvent(quit.get());
    EXPECT_EQ(ExitCodeOf(peer), 0);
}

}  // namespace
}  // namespace tessarin::test
