// The browser probe on a scripted page: frames followed, the pop-up link, the names of
// downloaded files; and MyCapture's page paths with their downloads.

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
             p.frame->area = *(p.frame->box = Rect{0, 0, 400, 300}), p.top->frames[1].second = p.top;
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

std::vector<FakeRule> Rules(int32_t count) { return std::vector<FakeRule>(static_cast<size_t>(count), {".x", "x"}); }

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
        // Markup beyond the limit holds no link for the probe, however it would match.
        {"<img src=\"" + std::string(129 * 1024, 'A') + "\">", "", "", {}, ""},
        // A page of tens of thousands of rules is searched only so far: the rule past the cap is never
        // reached (each rule costs calls into the page), and the image tag answers instead.
        {image,
         "<SPAN class=pop>x</SPAN>",
         "",
         {Rules(kMaxStyleRules - 1), {{".pop", "url(http://h/in.jpg)"}}},
         "http://h/in.jpg"},
        {image,
         "<SPAN class=pop>x</SPAN>",
         "",
         {Rules(kMaxStyleRules), {{".pop", "url(http://h/out.jpg)"}}},
         "http://h/a.png"},
    };
    for (const auto& [outer, parentInner, grandInner, rules, expected] : cases) {
        FakeDocument document;
        document.sheets = rules;
        const auto grandparent = Element("DIV", {}), parent = Element("DIV", {}), element = Element("SPAN", {});
        std::tie(grandparent->inner, parent->inner, parent->parent, element->outer, element->parent) =
            std::tuple(grandInner, parentInner, grandparent, outer, parent);
        EXPECT_EQ(PopupLinkUrl(document, *element), expected) << outer.substr(0, 40);
    }
    FakeElement unreadable;
    EXPECT_EQ(PopupLinkUrl(FakeDocument{}, unreadable) + AttributeOf(unreadable, "src") + FrameNameOf(unreadable), "");
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

    PageRig() {
        desktop.windows = {{7, "Internet Explorer_Server", "page", {100, 100, 500, 400}}};
        desktop.underPointer = 7;
        settings.saveFolderPath = "data";
        settings.noMouse = 1;
        for (const char* folder : {"C:\\prog", "C:\\prog\\data"}) fs.addFolder(folder);
        fs.addFile("C:\\prog\\data\\a.bmp");
        documents.pages[7] = page.top;
        context.browser = &browser;
    }
};

const std::string kData = "C:\\prog\\data\\";

const std::string kFailed = " / キャプチャー不可：MyCapture";
std::string Message(const std::string& text) { return "message " + text + kFailed; }

// The page's element under the pointer, an image there, what the server answers, and what
// MyCapture gives back and writes into the journal after "clear" ("$": the save folder).
struct PageCase {
    const char* label;
    std::string image;   // the address of the IMG under the pointer; "": the P stays
    const char* served;  // the body the server answers with; nullptr: the download fails
    std::string result, journal;
    std::function<void(PageRig&)> arrange = nullptr;
};

TEST(MyCaptureOnAPage, PartsTakesTheElementUnderThePointerAndItsImageFile) {
    const std::string error(kCaptureError), grabbed = "resize 50 20|windowdc 7 10 5 60 25 0 0 1";  // the P's box
    const std::string tmp = "tmp_20240105134501", lost = "message ダウンロードエラー\r\n\r\nhttp://h/";
    const std::string longName = std::string(116, 'n') + ".gif", longUrl = "http://h/" + std::string(300, 'n') + ".gif";
    const PageCase cases[] = {
        {"element", "", nullptr, "", grabbed},
        {"img download off", "http://h/a.jpg", "JPEG", "", grabbed, [](PageRig& r) { r.settings.imgDownload = 0; }},
        // The name is made unique in the save folder, where a.bmp already holds the base name.
        {"image", "http://h/a.jpg?w=1", "JPEG", "a_2.jpg", "download http://h/a.jpg?w=1 -> $a_2.jpg|load $a_2.jpg"},
        // No extension, or one that is no image: the content names the file.
        {"PNG named x.dat", "http://h/x.dat", "PNG", "x.png",
         "download http://h/x.dat -> $x.dat|rename $x.dat -> $x.png|load $x.png png"},
        {"address ending in /", "http://h/img/", "GIF", tmp + ".gif",
         "download http://h/img/ -> $" + tmp + "|rename $" + tmp + " -> $" + tmp + ".gif|load $" + tmp + ".gif"},
        // A device name and a name past the path limit are no names to write to.
        {"device name", "http://h/Com1.jpg", "JPEG", tmp + ".jpg",
         "download http://h/Com1.jpg -> $" + tmp + ".jpg|load $" + tmp + ".jpg"},
        {"long name", longUrl, "GIF", longName, "download " + longUrl + " -> $" + longName + "|load $" + longName},
        {"server error", "http://h/b.jpg", nullptr, error,
         "download http://h/b.jpg -> $b.jpg|" + lost + "b.jpg" + kFailed},
        // A body that is no image is removed again, whatever the format word says.
        {"not an image", "http://h/b.jpg", "<html>", error,
         "download http://h/b.jpg -> $b.jpg|load $b.jpg|remove $b.jpg|" + lost + "b.jpg" + kFailed},
        {"decoder error", "http://h/b", "", error, "download http://h/b -> $b|remove $b|" + lost + "b" + kFailed},
        {"unknown format", "http://h/b.php", "%PDF", error,
         "download http://h/b.php -> $b.php|remove $b.php|" + lost + "b.php" + kFailed},
        // Nothing under the pointer in a page that was found: the error marker, no crash.
        {"no element", "", nullptr, error, "", [](PageRig& r) { r.page.second->answers = 1; }},
        // A page that cannot be read is a window without a document: the accessible part, here none.
        {"no document", "", nullptr, error, "", [](PageRig& r) { r.documents.pages.clear(); }},
    };
    for (const PageCase& c : cases) {
        SCOPED_TRACE(c.label);
        PageRig rig;
        if (!c.image.empty()) {
            rig.page.paragraph->tag = "IMG";
            rig.page.paragraph->attributes["src"] = c.image;
            rig.settings.imgDownload = 1;
        }
        if (c.served) rig.images.served[c.image] = c.served;
        if (c.arrange) c.arrange(rig);
        EXPECT_EQ(MyCapture(rig.context, "parts"), c.result);
        EXPECT_EQ(rig.devices.log, Lines("clear|" + ReplaceAll(c.journal, "$", kData)));
        // Nothing to take is said on the status line; a failed download has its message.
        EXPECT_EQ(rig.context.failureStatus, c.result == error && c.journal.empty() ? kNothingCapturedStatus : "");
        // A downloaded image stays in the save folder under the name given back; nothing else does.
        const bool downloaded = !c.result.empty() && c.result != error;
        EXPECT_EQ(rig.context.downloadedImage, downloaded);
        EXPECT_EQ(rig.images.files.size(), downloaded ? 1U : 0U);
        EXPECT_TRUE(!downloaded || rig.images.files.contains(kData + c.result));
    }
}

TEST(MyCaptureOnAPage, PopupLinkShowsTheLinkedImageAndRemovesItsFile) {
    const std::string error(kCaptureError), url = "http://h/big.png?s=2", temp = kData + "tmp_20240105134501";
    const std::string noLink = Message("ポップアップリンクは在りません！");
    const std::string notAnImage = Message("「" + url + "」は有効な画像を指していません。");
    const std::string png =
        "download " + url + " -> " + temp + ".png|load " + temp + ".png png|remove " + temp + ".png";
    const PageCase cases[] = {
        {"link", url, "PNG", "", png},
        {"no extension", "http://h/big", "JPEG", "",
         "download http://h/big -> " + temp + ".jpg|load " + temp + ".jpg|remove " + temp + ".jpg"},
        {"no link", "", nullptr, error, noLink},
        {"no element", "", nullptr, error, noLink, [](PageRig& r) { r.page.second->answers = 1; }},
        {"server error", url, nullptr, error, "download " + url + " -> " + temp + ".png|" + notAnImage},
        {"not an image", url, "<html>", error, png + "|" + notAnImage},
    };
    for (const PageCase& c : cases) {
        SCOPED_TRACE(c.label);
        PageRig rig;
        rig.settings.noMouse = 0;  // a loaded image gets no cursor all the same
        if (!c.image.empty()) {
            rig.page.paragraph->outer = "<SPAN class=pop>x</SPAN>";
            rig.page.second->sheets = {{{".pop", "background: url(" + c.image + ")"}}};
        }
        if (c.served) rig.images.served[c.image] = c.served;
        if (c.arrange) c.arrange(rig);
        EXPECT_EQ(MyCapture(rig.context, "popuplink"), c.result);
        EXPECT_FALSE(rig.context.downloadedImage);
        EXPECT_EQ(rig.devices.log, Lines("clear|" + c.journal));
        EXPECT_TRUE(rig.images.files.empty());
    }
}

}  // namespace
}  // namespace tessarin::test
