// The browser probe on a scripted page: frames followed, the pop-up link, the names of
// downloaded files; and MyCapture's page paths (A2, B4) with their downloads.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "core/capture/browser_probe.h"
#include "core/capture/dispatcher.h"
#include "support/fake_browser.h"
#include "support/fake_capture.h"
#include "support/fake_filesystem.h"

namespace tessarin::test {
namespace {

// A page whose window is at (100, 100): a DIV at the top, an IFRAME without id named "second"
// at (10, 5) in the page showing the second frame's document, where a P lies under the pointer.
struct Page {
    std::shared_ptr<FakeDocument> top = std::make_shared<FakeDocument>();
    std::shared_ptr<FakeDocument> first = std::make_shared<FakeDocument>();
    std::shared_ptr<FakeDocument> second = std::make_shared<FakeDocument>();
    std::shared_ptr<FakeElement> frame = Element("IFRAME", {10, 5, 200, 100}, "", "second");
    std::shared_ptr<FakeElement> paragraph = Element("P", {0, 0, 50, 20});

    Page() {
        top->elements = {Element("DIV", {0, 0, 400, 300}), frame};
        top->frames = {{"first", first}, {"second", second}};
        first->elements = {Element("SPAN", {0, 0, 400, 300})};
        second->elements = {paragraph};
    }
};

TEST(BrowserProbe, FramesAreFollowedByNameAndTheirBoxesMoveTheOrigin) {
    const Point pointer{120, 110};
    Page page;
    Point origin;
    // The IFRAME's id is "", so its Name picks the second frame; its box adds (10, 5).
    EXPECT_EQ(DocumentAtPointer({100, 100}, page.top, pointer, origin), page.second);
    EXPECT_EQ(origin, (Point{110, 105}));
    EXPECT_EQ(page.second->asked, (std::vector<Point>{{10, 5}}));
    EXPECT_EQ(ElementAtPointer({100, 100}, *page.top, pointer), page.paragraph);

    // An id wins over the Name for the document; a frame matching none continues with frame 0,
    // while the element search stops at the frame element itself.
    page.frame->elementId = "nowhere";
    EXPECT_EQ(DocumentAtPointer({100, 100}, page.top, pointer, origin), page.first);
    page.frame->elementName = "nowhere";
    page.frame->tag = "FRAME";
    EXPECT_EQ(ElementAtPointer({100, 100}, *page.top, pointer), page.frame);

    // Nothing under the pointer, a frames collection that cannot be read, a frame showing its
    // own page without end: no document and no element, never a crash.
    const std::tuple<const char*, std::function<void(Page&)>> faults[] = {
        {"no element", [](Page& p) { p.top->elements.clear(); }},
        {"no tag", [](Page& p) { p.frame->tag.reset(); }},
        {"frames fail", [](Page& p) { p.top->framesFail = true; }},
        {"no box", [](Page& p) { p.frame->box.reset(); }},
        {"endless",
         [](Page& p) {
             p.frame->area = *(p.frame->box = Rect{0, 0, 400, 300});
             p.top->frames[1].second = p.top;
         }},
    };
    for (const auto& [label, arrange] : faults) {
        Page faulty;
        arrange(faulty);
        EXPECT_EQ(DocumentAtPointer({100, 100}, faulty.top, pointer, origin), nullptr) << label;
        EXPECT_EQ(ElementAtPointer({100, 100}, *faulty.top, pointer), nullptr) << label;
        faulty.top->frames.clear();  // the endless page refers to itself
    }
    EXPECT_EQ(DocumentAtPointer({100, 100}, nullptr, pointer, origin), nullptr);
}

TEST(BrowserProbe, PopupLinkComesFromTheStyleRuleOfTheLinkClassElseFromTheImageTag) {
    const std::vector<std::vector<FakeRule>> sheets{
        {{"A:hover", "color: red"}},
        {{".other", "background: url(http://h/other.jpg)"}, {"SPAN.POP:hover", "background: url(http://h/big.jpg)"}}};
    const std::string image = "<img src=\"http://h/a.png\">";
    // element outer HTML, parent's inner HTML, grandparent's inner HTML, the style sheets, result
    const std::tuple<std::string, std::string, std::string, std::vector<std::vector<FakeRule>>, std::string> cases[] = {
        {"<SPAN class=pop>x</SPAN>", "", "", sheets, "http://h/big.jpg"},
        {"<B>x</B>", "<SPAN class=pop>x</SPAN>", "", sheets, "http://h/big.jpg"},
        {"<B>x</B>", "<B>x</B>", "<span class=pop>y</span>", sheets, "http://h/big.jpg"},
        // The rule names the class but holds no such address: "", without looking at images.
        {image, "<SPAN class=pop>x</SPAN>", "", {{{".pop", "background: url(/rel.jpg)"}}}, ""},
        // No rule names the class: the element's own image.
        {image, "<SPAN class=pop>x</SPAN>", "", {{{".other", "x"}}}, "http://h/a.png"},
        {image, "", "", {}, "http://h/a.png"},
        {image + "\r\n" + image, "", "", {}, ""},  // two img tags match twice: none
        {"<B>x</B>", "", "", sheets, ""},
    };
    for (const auto& [outer, parentInner, grandInner, rules, expected] : cases) {
        FakeDocument document;
        document.sheets = rules;
        const auto grandparent = Element("DIV", {});
        grandparent->inner = grandInner;
        const auto parent = Element("DIV", {});
        parent->inner = parentInner;
        parent->parent = grandparent;
        const auto element = Element("SPAN", {});
        element->outer = outer;
        element->parent = parent;
        EXPECT_EQ(PopupLinkUrl(document, *element), expected) << outer;
    }
    // Markup beyond the limit holds no link for the probe, however it would match.
    const auto huge = Element("IMG", {});
    huge->outer = "<img src=\"" + std::string(129 * 1024, 'A') + "\">";
    EXPECT_EQ(PopupLinkUrl(FakeDocument{}, *huge), "");
    FakeElement unreadable;
    EXPECT_EQ(PopupLinkUrl(FakeDocument{}, unreadable), "");
    EXPECT_EQ(AttributeOf(unreadable, "src"), "");
    EXPECT_EQ(FrameNameOf(unreadable), "");
}

TEST(BrowserProbe, FileNameOfUrlIsTheLastPartWithoutQuery) {
    const std::tuple<const char*, const char*> cases[] = {
        {"http://h/p/a.jpg", "a.jpg"}, {"http://h/p/", ""},  {"http://h/a.jpg?w=1/2", "a.jpg"},
        {"http://h/a#x/y", "a"},       {"no-slash.jpg", ""}, {"http://h/%E5.png", "%E5.png"},
    };
    for (const auto& [url, expected] : cases) EXPECT_EQ(FileNameOfUrl(url), expected) << url;
}

// The IE document window 7 at (100, 100), 400 x 300, with the page above; the save folder is
// C:\prog\data, where a.bmp exists.
struct PageRig {
    FakeDesktop desktop;
    FakeAccessibility accessibility;
    FakeDevices devices;
    Settings settings;
    CommandLineFlags flags;
    FakeFileSystem fs;
    PathContext paths{fs, "C:\\prog"};
    FakeDocuments documents;
    FakeWebImages images{devices.log};
    BrowserContext browser{documents, images, paths};
    CaptureContext context{desktop, accessibility, devices, devices, devices, settings, flags};
    Page page;
    Journal& log = devices.log;

    PageRig() {
        desktop.windows = {{7, "Internet Explorer_Server", "page", {100, 100, 500, 400}}};
        desktop.underPointer = 7;
        settings.saveFolderPath = "data";
        settings.noMouse = 1;
        fs.addFolder("C:\\prog");
        fs.addFolder("C:\\prog\\data");
        fs.addFile("C:\\prog\\data\\a.bmp");
        documents.pages[7] = page.top;
        context.browser = &browser;
    }
    void image(const std::string& src) {
        page.paragraph->tag = "IMG";
        page.paragraph->attributes["src"] = src;
        settings.imgDownload = 1;
    }
    void popup(const std::string& url) {
        page.paragraph->outer = "<SPAN class=pop>x</SPAN>";
        page.second->sheets = {{{".pop", "background: url(" + url + ")"}}};
    }
};

constexpr const char* kData = "C:\\prog\\data\\";

std::string Message(const std::string& text) { return "message " + text + " / キャプチャー不可：MyCapture"; }

TEST(MyCaptureOnAPage, PartsTakesTheElementUnderThePointerAndItsImageFile) {
    const std::string error(kCaptureError);
    const std::string grabbed = "windowdc 7 -10 -5 60 25 1";  // the P's box in the window: (10, 5, 60, 25)
    const std::string folder = kData;
    // arrange, result, downloaded, journal after "clear", files left in the save folder
    const std::tuple<const char*, std::function<void(PageRig&)>, std::string, bool, Journal, std::vector<std::string>>
        cases[] = {
            {"element", nullptr, "", false, {"resize 50 20", grabbed}, {}},
            {"img download off",
             [](PageRig& r) { r.image("http://h/a.jpg"), r.settings.imgDownload = 0; },
             "",
             false,
             {"resize 50 20", grabbed},
             {}},
            // The name is made unique in the save folder, where a.bmp already holds the base name.
            {"image",
             [](PageRig& r) { r.image("http://h/a.jpg?w=1"), r.images.served["http://h/a.jpg?w=1"] = "JPEG"; },
             "a_2.jpg",
             true,
             {"download http://h/a.jpg?w=1 -> " + folder + "a_2.jpg", "load " + folder + "a_2.jpg"},
             {folder + "a_2.jpg"}},
            // No extension, or one that is no image: the content names the file.
            {"PNG named x.dat",
             [](PageRig& r) { r.image("http://h/x.dat"), r.images.served["http://h/x.dat"] = "PNG"; },
             "x.png",
             true,
             {"download http://h/x.dat -> " + folder + "x.dat", "rename " + folder + "x.dat -> " + folder + "x.png",
              "load " + folder + "x.png png"},
             {folder + "x.png"}},
            {"address ending in /",
             [](PageRig& r) { r.image("http://h/img/"), r.images.served["http://h/img/"] = "GIF"; },
             "tmp_20240105134501.gif",
             true,
             {"download http://h/img/ -> " + folder + "tmp_20240105134501",
              "rename " + folder + "tmp_20240105134501 -> " + folder + "tmp_20240105134501.gif",
              "load " + folder + "tmp_20240105134501.gif"},
             {folder + "tmp_20240105134501.gif"}},
            // A device name and a name past the path limit are no names to write to.
            {"device name",
             [](PageRig& r) { r.image("http://h/Com1.jpg"), r.images.served["http://h/Com1.jpg"] = "JPEG"; },
             "tmp_20240105134501.jpg",
             true,
             {"download http://h/Com1.jpg -> " + folder + "tmp_20240105134501.jpg",
              "load " + folder + "tmp_20240105134501.jpg"},
             {folder + "tmp_20240105134501.jpg"}},
            {"long name",
             [](PageRig& r) {
                 const std::string url = "http://h/" + std::string(300, 'n') + ".gif";
                 r.image(url), r.images.served[url] = "GIF";
             },
             std::string(116, 'n') + ".gif",
             true,
             {"download http://h/" + std::string(300, 'n') + ".gif -> " + folder + std::string(116, 'n') + ".gif",
              "load " + folder + std::string(116, 'n') + ".gif"},
             {folder + std::string(116, 'n') + ".gif"}},
            {"server error",
             [](PageRig& r) { r.image("http://h/b.jpg"); },
             error,
             false,
             {"download http://h/b.jpg -> " + folder + "b.jpg", Message("ダウンロードエラー\r\n\r\nhttp://h/b.jpg")},
             {}},
            // A body that is no image is removed again, whatever the format word says.
            {"not an image",
             [](PageRig& r) { r.image("http://h/b.jpg"), r.images.served["http://h/b.jpg"] = "<html>"; },
             error,
             false,
             {"download http://h/b.jpg -> " + folder + "b.jpg", "load " + folder + "b.jpg",
              "remove " + folder + "b.jpg", Message("ダウンロードエラー\r\n\r\nhttp://h/b.jpg")},
             {}},
            {"decoder error",
             [](PageRig& r) { r.image("http://h/b"), r.images.served["http://h/b"] = ""; },
             error,
             false,
             {"download http://h/b -> " + folder + "b", "remove " + folder + "b",
              Message("ダウンロードエラー\r\n\r\nhttp://h/b")},
             {}},
            {"unknown format",
             [](PageRig& r) { r.image("http://h/b.php"), r.images.served["http://h/b.php"] = "%PDF"; },
             error,
             false,
             {"download http://h/b.php -> " + folder + "b.php", "remove " + folder + "b.php",
              Message("ダウンロードエラー\r\n\r\nhttp://h/b.php")},
             {}},
            // Nothing under the pointer in a page that was found: the error marker, no crash.
            {"no element", [](PageRig& r) { r.page.second->answers = 1; }, error, false, {}, {}},
            // A page that cannot be read is a window without a document: the accessible part.
            {"no document",
             [](PageRig& r) { r.documents.pages.clear(); },
             "",
             false,
             {"resize 0 0", "screen 0 0 0 0 1"},
             {}},
        };
    for (const auto& [label, arrange, result, downloaded, journal, files] : cases) {
        SCOPED_TRACE(label);
        PageRig rig;
        if (arrange) arrange(rig);
        EXPECT_EQ(MyCapture(rig.context, "parts"), result);
        EXPECT_EQ(rig.context.downloadedImage, downloaded);
        Journal expected{"clear"};
        expected.insert(expected.end(), journal.begin(), journal.end());
        EXPECT_EQ(rig.log, expected);
        std::vector<std::string> left;
        for (const auto& [path, content] : rig.images.files) left.push_back(path);
        EXPECT_EQ(left, files);
    }
}

TEST(MyCaptureOnAPage, PopupLinkShowsTheLinkedImageAndRemovesItsFile) {
    const std::string error(kCaptureError);
    const std::string temp = std::string(kData) + "tmp_20240105134501";
    const std::string notAnImage = Message("「http://h/big.png?s=2」は有効な画像を指していません。");
    // arrange, result, journal after "clear"
    const std::tuple<const char*, std::function<void(PageRig&)>, std::string, Journal> cases[] = {
        {"link",
         [](PageRig& r) { r.popup("http://h/big.png?s=2"), r.images.served["http://h/big.png?s=2"] = "PNG"; },
         "",
         {"download http://h/big.png?s=2 -> " + temp + ".png", "load " + temp + ".png png", "remove " + temp + ".png"}},
        {"no extension",
         [](PageRig& r) { r.popup("http://h/big"), r.images.served["http://h/big"] = "JPEG"; },
         "",
         {"download http://h/big -> " + temp + ".jpg", "load " + temp + ".jpg", "remove " + temp + ".jpg"}},
        {"no link", nullptr, error, {Message("ポップアップリンクは在りません！")}},
        {"no element",
         [](PageRig& r) { r.page.second->answers = 1; },
         error,
         {Message("ポップアップリンクは在りません！")}},
        {"server error",
         [](PageRig& r) { r.popup("http://h/big.png?s=2"); },
         error,
         {"download http://h/big.png?s=2 -> " + temp + ".png", notAnImage}},
        {"not an image",
         [](PageRig& r) { r.popup("http://h/big.png?s=2"), r.images.served["http://h/big.png?s=2"] = "<html>"; },
         error,
         {"download http://h/big.png?s=2 -> " + temp + ".png", "load " + temp + ".png png", "remove " + temp + ".png",
          notAnImage}},
    };
    for (const auto& [label, arrange, result, journal] : cases) {
        SCOPED_TRACE(label);
        PageRig rig;
        rig.settings.noMouse = 0;  // a loaded image gets no cursor all the same
        if (arrange) arrange(rig);
        EXPECT_EQ(MyCapture(rig.context, "popuplink"), result);
        EXPECT_FALSE(rig.context.downloadedImage);
        Journal expected{"clear"};
        expected.insert(expected.end(), journal.begin(), journal.end());
        EXPECT_EQ(rig.log, expected);
        EXPECT_TRUE(rig.images.files.empty());
    }
}

}  // namespace
}  // namespace tessarin::test
