// Downloads over the real WinINet from an HTTP server this test runs on 127.0.0.1, and GDI+
// format detection of real files.

#include "loopback_server.h"
// The server's header brings winsock2.h before windows.h.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "win32/web_images.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

// Short timeouts, so the stalled server costs a second, not minutes.
constexpr DownloadLimits kQuick{2000, 1000, 4 * 1024 * 1024};

TEST(DownloadToFile, WritesExactlyTheBodyOfASuccessAnswerAndNothingElse) {
    LoopbackServer server;
    TempFolder folder, empty;
    ASSERT_TRUE(folder.ok() && empty.ok());
    // The chunk size's neighbours and a body of many chunks come through byte for byte.
    for (const std::size_t size : {0U, 1023U, 1024U, 1025U, 3U * 1024 * 1024 + 7}) {
        const std::string target = folder / ("body_" + std::to_string(size) + ".jpg");
        ASSERT_TRUE(DownloadToFile(server.Url("/size/" + std::to_string(size)), Utf8ToWide(target), kQuick)) << size;
        EXPECT_EQ(ReadBytes(target), LoopbackServer::Body(size)) << size;
    }
    EXPECT_EQ(server.Agents(), std::vector<std::string>(5, "VB6"));

    // Error pages, a closed port, a body over the limit, a connection that ends early and a server
    // that stops sending fail (the last after the receive timeout of 1 s), and leave no file
    // under either name.
    DownloadLimits small = kQuick;
    small.maxBytes = 5000;
    EXPECT_TRUE(DownloadToFile(server.Url("/size/5000"), Utf8ToWide(folder / "y.jpg"), small));
    const std::tuple<std::wstring, DownloadLimits> failures[] = {
        {server.Url("/missing"), kQuick},  {server.Url("/error"), kQuick}, {L"http://127.0.0.1:1/a.jpg", kQuick},
        {server.Url("/size/5001"), small}, {server.Url("/cut"), kQuick},   {server.Url("/stall"), kQuick}};
    for (const auto& [url, limits] : failures) {
        EXPECT_FALSE(DownloadToFile(url, Utf8ToWide(empty / "x.jpg"), limits)) << WideToUtf8(url);
        EXPECT_TRUE(WinFileSystem().list(empty / "*").empty()) << WideToUtf8(url);
    }
}

TEST(ImageFormatOfFile, NamesTheFormatByContentWhateverTheFileIsCalled) {
    TempFolder folder;
    const std::string gif(
        "GIF89a\x01\0\x01\0\x80\0\0\0\0\0\xff\xff\xff!\xf9\x04\x01\0\0\0\0,\0\0\0\0\x01\0\x01\0\0\x02\x02"
        "D\x01\0;",
        43);
    const std::string bmp =
        BitmapFileBytes({sizeof(BITMAPINFOHEADER), 1, 1, 1, 24, BI_RGB, 0, 0, 0, 0, 0}, "", std::string(4, '\0'));
    // Not an image, and no file at all: the decoder's status, never a format.
    const std::tuple<const char*, std::string, const char*> cases[] = {{"x.dat", kTinyPng, "PNG"},
                                                                       {"x.jpg", gif, "GIF"},
                                                                       {"x", bmp, "BMP"},
                                                                       {"page.png", "<html>404</html>", "Error:"}};
    for (const auto& [name, bytes, format] : cases) {
        ASSERT_TRUE(WriteBytes(folder / name, bytes));
        const std::string got = ImageFormatOfFile(Utf8ToWide(folder / name));
        EXPECT_TRUE(got == format || (got.starts_with(format) && got.starts_with("Error:"))) << name << ": " << got;
    }
    EXPECT_TRUE(ImageFormatOfFile(Utf8ToWide(folder / "none.png")).starts_with("Error:"));
}

}  // namespace
}  // namespace tessarin::test
