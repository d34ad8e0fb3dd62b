// Downloads over the real WinINet from an HTTP server this test runs on 127.0.0.1, and GDI+
// format detection of real files.

#include <winsock2.h>
// These build on winsock2.h.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "loopback_server.h"
#include "win32/web_images.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

std::string ReadAll(const std::wstring& path) {
    std::string bytes;
    const UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return "<none>";
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    return names;
}

// Short timeouts, so the stalled server costs a second, not minutes.
constexpr DownloadLimits kQuick{2000, 1000, 4 * 1024 * 1024};

TEST(DownloadToFile, WritesExactlyTheBodyOfASuccessAnswerAndNothingElse) {
    LoopbackServer server;
    TempFolder folder;
    ASSERT_TRUE(folder.ok());
    // The chunk size's neighbours and a body of many chunks come through byte for byte.
    for (const std::size_t size : {0U, 1023U, 1024U, 1025U, 3U * 1024 * 1024 + 7}) {
        const std::wstring target = folder.wide() + L"\\body_" + std::to_wstring(size) + L".jpg";
        ASSERT_TRUE(DownloadToFile(server.Url("/size/" + std::to_string(size)), target, kQuick)) << size;
        EXPECT_EQ(ReadAll(target), LoopbackServer::Body(size)) << size;
    }
    EXPECT_EQ(server.Agents(), std::vector<std::string>(5, "VB6"));

    // Error pages, a closed port, a body over the limit, a connection that ends early and a server
    // that stops sending fail (the last after the receive timeout of 1 s), and leave no file
    // under either name.
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(probe);
    const std::wstring closed = L"http://127.0.0.1:" + std::to_wstring(ntohs(address.sin_port)) + L"/a.jpg";
    DownloadLimits small = kQuick;
    small.maxBytes = 5000;
    const std::tuple<std::wstring, DownloadLimits> failures[] = {
        {server.Url("/missing"), kQuick},  {server.Url("/error"), kQuick}, {closed, kQuick},
        {server.Url("/size/5001"), small}, {server.Url("/cut"), kQuick},   {server.Url("/stall"), kQuick}};
    EXPECT_TRUE(DownloadToFile(server.Url("/size/5000"), folder.wide() + L"\\y.jpg", small));
    TempFolder empty;
    for (const auto& [url, limits] : failures) {
        EXPECT_FALSE(DownloadToFile(url, empty.wide() + L"\\x.jpg", limits)) << WideToUtf8(url);
        EXPECT_TRUE(FilesIn(empty.wide()).empty()) << WideToUtf8(url);
    }
}

// A 1 x 1 PNG, GIF and bitmap.
const std::string kPng(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x01\x00\x00\x00\x01\x08\x02\x00\x00"
    "\x00\x90\x77\x53\xde\x00\x00\x00\x0c\x49\x44\x41\x54\x78\x9c\x63\xf8\xcf\xc0\x00\x00\x03\x01\x01\x00\xc9\xfe\x92"
    "\xef\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
    69);
const std::string kGif(
    "GIF89a\x01\0\x01\0\x80\0\0\0\0\0\xff\xff\xff!\xf9\x04\x01\0\0\0\0,\0\0\0\0\x01\0\x01\0\0\x02\x02"
    "D\x01\0;",
    43);

std::string Bitmap() {
    std::string bytes(58, '\0');
    const auto put = [&](std::size_t at, uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
    };
    bytes[0] = 'B', bytes[1] = 'M';
    put(2, 58, 4), put(10, 54, 4), put(14, 40, 4), put(18, 1, 4), put(22, 1, 4), put(26, 1, 2), put(28, 24, 2);
    return bytes;
}

TEST(ImageFormatOfFile, NamesTheFormatByContentWhateverTheFileIsCalled) {
    TempFolder folder;
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"x.dat", kPng, "PNG"}, {"x.jpg", kGif, "GIF"}, {"x", Bitmap(), "BMP"}};
    for (const auto& [name, bytes, format] : cases) {
        ASSERT_TRUE(WriteBytes(folder / name, bytes));
        EXPECT_EQ(ImageFormatOfFile(Utf8ToWide(folder / name)), format) << name;
    }
    // Not an image, and no file at all: the decoder's status, never a format.
    ASSERT_TRUE(WriteBytes(folder / "page.png", "<html>404</html>"));
    EXPECT_TRUE(ImageFormatOfFile(Utf8ToWide(folder / "page.png")).starts_with("Error:"));
    EXPECT_TRUE(ImageFormatOfFile(Utf8ToWide(folder / "none.png")).starts_with("Error:"));
}

}  // namespace
}  // namespace tessarin::test
