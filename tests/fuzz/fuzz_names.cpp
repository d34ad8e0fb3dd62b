// The names files get: any text made safe as a file name, split into name and extension, made
// unique in a folder, and the name of a picture downloaded from any address. Never a crash, and:
// a safe name holds no character Windows refuses in names and stays as it is when made safe
// again; a unique name keeps its extension and is taken by no file; a downloaded picture lies
// in the save folder under a safe name that no file had, never a device's.
//
// An input is lines: the first is the text (and the address of the picture), the others are
// the names of files already in the save folder.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/capture/browser_probe.h"
#include "core/capture/dispatcher.h"
#include "core/text/paths.h"
#include "core/text/text.h"
#include "fuzz/fuzz_seeds.h"
#include "support/fake_browser.h"
#include "support/fake_capture.h"
#include "support/fake_filesystem.h"

namespace {

using namespace tessarin;
using namespace tessarin::test;

const std::string kFolder = "C:\\prog\\data\\";

void Check(bool holds) {
    if (!holds) __builtin_trap();
}

bool Safe(std::string_view name) { return name.find_first_of("\\/:*?\"<>|\r\n\t") == std::string_view::npos; }

bool IsDevice(std::string_view name) {
    const std::string base = AsciiLower(name.substr(0, name.find('.')));
    return base == "con" || base == "prn" || base == "aux" || base == "nul" ||
           (base.size() == 4 && (base.starts_with("com") || base.starts_with("lpt")) && base[3] >= '1' &&
            base[3] <= '9');
}

// An IE document window under the pointer whose page is one IMG of that address; the server
// answers it with a PNG.
struct DownloadRig {
    FakeDesktop desktop;
    FakeAccessibility accessibility;
    FakeDevices devices;
    Settings settings;
    CommandLineFlags flags;
    FakeFileSystem& fs;
    PathContext paths{fs, "C:\\prog"};
    FakeDocuments documents;
    FakeWebImages images{devices.log};
    BrowserContext browser{documents, images, paths};
    CaptureContext context{desktop, accessibility, devices, devices, devices, settings, flags};

    DownloadRig(FakeFileSystem& files, const std::string& address) : fs(files) {
        desktop.windows = {{7, "Internet Explorer_Server", "page", {100, 100, 500, 400}}};
        desktop.underPointer = 7;
        settings.saveFolderPath = "data";
        settings.noMouse = 1;
        settings.imgDownload = 1;
        auto page = std::make_shared<FakeDocument>();
        auto image = Element("IMG", {0, 0, 400, 300});
        image->attributes["src"] = address;
        page->elements = {image};
        documents.pages[7] = page;
        images.served[address] = "PNG";
        context.browser = &browser;
    }
};

std::vector<std::string> Seeds() {
    return {"http://h/a.jpg?w=1\na.jpg\na_2.png",
            "http://h/img/\ntmp_20240105134501.gif",
            "http://h/Com1.jpg",
            "http://h/x.dat\nx.png",
            "http://h/" + std::string(300, 'n') + ".gif",
            "C:\\a.b\\c",
            "\"quoted name.png\" ",
            "写真：テスト<1>|*.png\nwindow title",
            "a/b:c*d?e\"f<g>h|i\\j\tk\r\nl.bmp"};
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    WriteSeeds(*argc, *argv, Seeds());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> lines = SplitAll(std::string(reinterpret_cast<const char*>(data), size), "\n");
    const std::string& text = lines.front();
    FakeFileSystem fs;
    fs.addFolder("C:\\prog");
    fs.addFolder("C:\\prog\\data");
    for (size_t i = 1; i < lines.size() && i <= 8; ++i) {
        if (!lines[i].empty() && Safe(lines[i]) && lines[i].find_first_not_of(". ") != std::string::npos)
            fs.addFile(kFolder + lines[i]);
    }

    std::string name = text;
    SanitizeFileName(name);
    Check(Safe(name));
    std::string again = name;
    Check(SanitizeFileName(again) == name);

    // A name without blanks or quotes around it is its stem and its extension.
    if (!name.empty() && name.front() != ' ' && name.back() != ' ' && name.front() != '"') {
        const std::string extension = GetExtension(name);
        Check(StripExtension(name) + (extension.empty() ? "" : "." + extension) == name);
        Check(FileNameOf(kFolder + name) == name && ParentFolder(kFolder + name) + "\\" == kFolder);
    }

    // At most eight files hold names: the first free one is found long before the last suffix.
    if (!name.empty() && name.find_first_not_of(". ") != std::string::npos) {
        const std::string unique = UniqueName(kFolder + name, fs);
        Check(GetExtension(unique) == GetExtension(kFolder + name));
        Check(unique.starts_with(StripExtension(kFolder + name)));
        Check(fs.list(StripExtension(unique) + ".*").empty());
    }

    const std::string fromAddress = FileNameOfUrl(text);
    Check(fromAddress.find_first_of("/?#") == std::string::npos);

    DownloadRig rig(fs, text);
    const std::string result = MyCapture(rig.context, "parts");
    if (result != kCaptureError && !result.empty()) {
        Check(Safe(result) && !IsDevice(result) && result.find_first_not_of(". ") != std::string::npos);
        Check(rig.images.files.size() == 1 && rig.images.files.contains(kFolder + result));
        Check(!fs.stat(kFolder + result));
    }
    return 0;
}
