// The thumbnail decoder with real files, real worker threads and this thread's message loop:
// every format the right way up, large pictures decoded reduced to the thumbnail the whole
// picture gives, failures with their reasons, every job delivered once, cancelling, and
// destroying the decoder with work queued.

#include "win32/thumbnail_decoder.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "codecs/imgctl/wic_codec.h"
#include "core/files/save_naming.h"
#include "core/imagelist/strip_thumbnail.h"
#include "core/text/paths.h"
#include "win/win_test_support.h"
#include "win32/filesystem.h"
#include "win32/image_store.h"

namespace tessarin::test {
namespace {

const StripLayout kLayout = StripLayoutFor(15);

constexpr uint32_t kRed = 0xE02020;
constexpr uint32_t kGreen = 0x20C040;
constexpr uint32_t kBlue = 0x2040D0;
constexpr uint32_t kYellow = 0xF0E030;

uint32_t At(const Image& image, int32_t x, int32_t y) {
    return image.pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)];
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance) {
            return false;
        }
    }
    return true;
}

// One colour with a block of another in the top-left third: turned, mirrored or upside down, the
// block is found in another corner.
Image Blocked(int32_t width, int32_t height) {
    Image image{width, height, {}};
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) image.pixels.push_back(x < width / 3 && y < height / 3 ? kRed : kBlue);
    return image;
}

// Four quarters: red, green / blue, yellow.
Image Quadrants(int32_t width, int32_t height) {
    Image image{width, height, {}};
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            image.pixels.push_back(y < height / 2 ? (x < width / 2 ? kRed : kGreen)
                                                  : (x < width / 2 ? kBlue : kYellow));
    return image;
}

// The colours at the centres of the four quarters of a picture.
std::vector<uint32_t> QuarterCentres(const Image& image) {
    std::vector<uint32_t> colours;
    for (const int32_t y : {image.height / 4, image.height * 3 / 4})
        for (const int32_t x : {image.width / 4, image.width * 3 / 4}) colours.push_back(At(image, x, y));
    return colours;
}

// Test pictures written by the program's own image store, as a save folder holds them.
class Pictures {
public:
    Pictures() : paths_{fs_, ProgramBinFolder()}, store_(paths_) {}

    [[nodiscard]] bool ok() const { return folder_.ok() && store_.canSave(); }
    [[nodiscard]] std::string path(const std::string& name) const { return folder_ / name; }
    std::string write(const std::string& name, const Image& image) {
        const std::string target = folder_ / name;
        const SavePlan plan{target, GetExtension(target) == "bmp" ? target : folder_ / "scratch.bmp"};
        EXPECT_TRUE(store_.write(image, plan)) << name;
        return target;
    }

private:
    TempFolder folder_;
    WinFileSystem fs_;
    PathContext paths_;
    WinImageStore store_;
};

// A 1-bit BMP of that size, all black, written byte by byte.
std::string BlackBmp(int32_t width, int32_t height) {
    const uint32_t stride = (static_cast<uint32_t>(width) + 31) / 32 * 4;
    const uint32_t offset = 14 + 40 + 8;
    std::string bytes;
    const auto put = [&bytes](uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    bytes += "BM";
    put(offset + stride * static_cast<uint32_t>(height), 4);
    put(0, 4);
    put(offset, 4);
    put(40, 4);
    put(static_cast<uint32_t>(width), 4);
    put(static_cast<uint32_t>(height), 4);
    put(1, 2);  // planes
    put(1, 2);  // bits per pixel
    put(0, 4);  // BI_RGB
    put(stride * static_cast<uint32_t>(height), 4);
    put(2835, 4);
    put(2835, 4);
    put(2, 4);
    put(2, 4);
    put(0x000000, 4);  // the two palette entries
    put(0xFFFFFF, 4);
    bytes.append(static_cast<size_t>(stride) * static_cast<size_t>(height), '\0');
    return bytes;
}

// Every result the sink was given, in the order it was given.
struct Received {
    std::vector<DecodedThumbnail> results;
    ThumbnailSink sink() {
        return [this](DecodedThumbnail result) { results.push_back(std::move(result)); };
    }
    [[nodiscard]] bool awaitCount(size_t count, DWORD deadlineMs = 60000) {
        return Await([&] { return results.size() >= count; }, deadlineMs);
    }
    [[nodiscard]] std::map<EntryId, int> countsById() const {
        std::map<EntryId, int> counts;
        for (const DecodedThumbnail& result : results) ++counts[result.id];
        return counts;
    }
};

// The threads of this process, counted by the system.
long ThreadCount() {
    const UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    long count = 0;
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ++count;
    }
    return count;
}

// Waits, without letting messages run, until the decoder's window has a wake-up waiting: the
// results finished meanwhile gather for one delivery.
bool AwaitHeldResults() {
    const HWND window = ::FindWindowExW(HWND_MESSAGE, nullptr, WinThumbnailDecoder::kClassName, nullptr);
    return window != nullptr && WaitUntil(
                                    [&] {
                                        MSG msg;
                                        return ::PeekMessageW(&msg, window, 0, 0, PM_NOREMOVE) != FALSE;
                                    },
                                    10000, false);
}

TEST(ThumbnailDecoder, EveryFormatGivesTheThumbnailOfTheWholePictureTheRightWayUp) {
    Pictures pictures;
    ASSERT_TRUE(pictures.ok());
    const struct {
        const char* name;
        int32_t width;
        int32_t height;
        bool exact;  // lossless and small enough to be decoded whole: pixel for pixel the core's
    } cases[] = {
        {"fits.bmp", 30, 21, true},    {"fits.png", 30, 21, true},      {"fits.gif", 30, 21, true},
        {"fits.jpg", 30, 21, false},   {"small.bmp", 120, 90, true},    {"small.png", 120, 90, true},
        {"small.gif", 120, 90, true},  {"small.jpg", 120, 90, false},   {"画像.png", 120, 90, true},
        {"wide.bmp", 458, 311, false}, {"wide.png", 458, 311, false},   {"wide.gif", 458, 311, false},
        {"wide.jpg", 458, 311, false}, {"tall.png", 202, 459, false},   {"square.png", 255, 237, false},
        {"flat.png", 508, 385, false}, {"skewed.png", 306, 237, false}, {"long.png", 2000, 150, false},
    };
    std::vector<ThumbnailJob> jobs;
    std::vector<Image> images;
    for (const auto& c : cases) {
        images.push_back(Blocked(c.width, c.height));
        jobs.push_back({jobs.size() + 1, pictures.write(c.name, images.back())});
    }
    Received received;
    WinThumbnailDecoder decoder(kLayout, received.sink(), 2);
    ASSERT_TRUE(decoder.ok());
    decoder.decode(jobs);
    ASSERT_TRUE(received.awaitCount(jobs.size()));
    for (const DecodedThumbnail& result : received.results) {
        ASSERT_GE(result.id, 1U);
        ASSERT_LE(result.id, std::size(cases));
        const auto& c = cases[result.id - 1];
        SCOPED_TRACE(c.name);
        EXPECT_EQ(result.path, jobs[result.id - 1].path);
        ASSERT_TRUE(result.thumbnail.has_value()) << result.errorNumber << " " << result.description;
        const Image& thumb = *result.thumbnail;
        const std::optional<Image> whole = MakeStripThumbnail(images[result.id - 1], kLayout);
        ASSERT_TRUE(whole.has_value());
        ASSERT_EQ(std::pair(thumb.width, thumb.height), std::pair(whole->width, whole->height));
        ASSERT_EQ(thumb.pixels.size(), static_cast<size_t>(thumb.width) * static_cast<size_t>(thumb.height));
        if (c.exact) {
            EXPECT_EQ(thumb.pixels, whole->pixels);
        }
        EXPECT_TRUE(Near(At(thumb, 0, 0), kRed, 56)) << std::hex << At(thumb, 0, 0);
        EXPECT_TRUE(Near(At(thumb, thumb.width - 1, 0), kBlue, 56)) << std::hex << At(thumb, thumb.width - 1, 0);
        EXPECT_TRUE(Near(At(thumb, 0, thumb.height - 1), kBlue, 56)) << std::hex << At(thumb, 0, thumb.height - 1);
        EXPECT_TRUE(Near(At(thumb, thumb.width - 1, thumb.height - 1), kBlue, 56));
        for (const uint32_t pixel : thumb.pixels) ASSERT_EQ(pixel >> 24, 0U);
    }
}

TEST(ThumbnailDecoder, AScreenSizedJpegGivesTheThumbnailOfTheWholePicture) {
    Pictures pictures;
    ASSERT_TRUE(pictures.ok());
    const Image image = Quadrants(1280, 1024);
    const std::string path = pictures.write("screen.jpg", image);
    const std::optional<Image> whole = MakeStripThumbnail(image, kLayout);
    ASSERT_TRUE(whole.has_value());
    Received received;
    WinThumbnailDecoder decoder(kLayout, received.sink(), 1);
    decoder.decode({{7, path}});
    ASSERT_TRUE(received.awaitCount(1));
    const DecodedThumbnail& result = received.results[0];
    EXPECT_EQ(result.id, 7U);
    ASSERT_TRUE(result.thumbnail.has_value()) << result.errorNumber << " " << result.description;
    const Image& thumb = *result.thumbnail;
    ASSERT_EQ(std::pair(thumb.width, thumb.height), std::pair(whole->width, whole->height));
    const std::vector<uint32_t> expected{kRed, kGreen, kBlue, kYellow};
    const std::vector<uint32_t> got = QuarterCentres(thumb);
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(Near(got[i], expected[i], 40)) << i << ": " << std::hex << got[i];
    }
}

// A decoded JPEG frame as the platform decoder presents it on Windows: 24-bit pixels, and
// decoding reduced at the scales it is given, each side rounded up as JPEG's are. Wine's decoders
// cannot reduce, so only this takes the reduced path here. It lives on the stack: references are
// counted, never freed, and every one taken must be given back.
class FakeJpegFrame final : public IWICBitmapSource, public WicSourceTransform {
public:
    FakeJpegFrame(Image picture, std::vector<UINT> scales) : picture_(std::move(picture)), scales_(std::move(scales)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || iid == IID_IWICBitmapSource) {
            *object = static_cast<IWICBitmapSource*>(this);
        } else if (iid == kIidWicSourceTransform && !scales_.empty()) {
            *object = static_cast<WicSourceTransform*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }

    HRESULT STDMETHODCALLTYPE GetSize(UINT* width, UINT* height) override {
        *width = static_cast<UINT>(picture_.width);
        *height = static_cast<UINT>(picture_.height);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* format) override {
        *format = GUID_WICPixelFormat24bppBGR;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetResolution(double* x, double* y) override {
        *x = *y = 96.0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* /*palette*/) override { return WINCODEC_ERR_PALETTEUNAVAILABLE; }
    HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) override {
        ++wholeCopies;
        return Copy(1, rect, stride, bufferSize, buffer);
    }

    HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height, WICPixelFormatGUID* format,
                                         WICBitmapTransformOptions transform, UINT stride, UINT bufferSize,
                                         BYTE* buffer) override {
        if (rect != nullptr || format == nullptr || *format != GUID_WICPixelFormat24bppBGR ||
            transform != WICBitmapTransformRotate0) {
            return E_INVALIDARG;
        }
        for (const UINT scale : scales_) {
            if (ScaledSize(scale) == std::pair(width, height)) {
                // Windows' own scaler may ask for the whole picture this way too.
                if (scale == 1) {
                    ++wholeCopies;
                } else {
                    reducedCopies.emplace_back(width, height);
                }
                return Copy(scale, nullptr, stride, bufferSize, buffer);
            }
        }
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) override {
        // The scale whose width is nearest, the larger on a tie: it may be smaller than asked for.
        UINT best = scales_.front();
        for (const UINT scale : scales_) {
            const auto distance = [&](UINT s) { return std::abs(static_cast<int>(ScaledSize(s).first - *width)); };
            if (distance(scale) < distance(best) || (distance(scale) == distance(best) && scale < best)) best = scale;
        }
        std::tie(*width, *height) = ScaledSize(best);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) override {
        *format = GUID_WICPixelFormat24bppBGR;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform, BOOL* supported) override {
        *supported = transform == WICBitmapTransformRotate0;
        return S_OK;
    }

    [[nodiscard]] ULONG references() const { return references_; }
    int wholeCopies = 0;
    std::vector<std::pair<UINT, UINT>> reducedCopies;

private:
    [[nodiscard]] std::pair<UINT, UINT> ScaledSize(UINT scale) const {
        return {(static_cast<UINT>(picture_.width) + scale - 1) / scale,
                (static_cast<UINT>(picture_.height) + scale - 1) / scale};
    }
    // Each pixel of a reduced picture is the whole picture's pixel at the centre of its cell.
    HRESULT Copy(UINT scale, const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) const {
        const auto [width, height] = ScaledSize(scale);
        const WICRect all{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
        const WICRect r = rect != nullptr ? *rect : all;
        if (r.X < 0 || r.Y < 0 || r.Width < 0 || r.Height < 0 || static_cast<UINT>(r.X + r.Width) > width ||
            static_cast<UINT>(r.Y + r.Height) > height || stride < static_cast<UINT>(r.Width) * 3 ||
            (r.Height > 0 && bufferSize < stride * static_cast<UINT>(r.Height - 1) + static_cast<UINT>(r.Width) * 3)) {
            return E_INVALIDARG;
        }
        for (INT y = 0; y < r.Height; ++y) {
            BYTE* row = buffer + static_cast<size_t>(y) * stride;
            for (INT x = 0; x < r.Width; ++x) {
                const auto source = [&](INT i, int32_t limit) {
                    return std::min(static_cast<int32_t>(static_cast<UINT>(i) * scale + scale / 2), limit - 1);
                };
                const uint32_t pixel = At(picture_, source(r.X + x, picture_.width), source(r.Y + y, picture_.height));
                row[x * 3] = static_cast<BYTE>(pixel);
                row[x * 3 + 1] = static_cast<BYTE>(pixel >> 8);
                row[x * 3 + 2] = static_cast<BYTE>(pixel >> 16);
            }
        }
        return S_OK;
    }

    Image picture_;
    std::vector<UINT> scales_;
    ULONG references_ = 1;
};

TEST(ThumbnailDecoder, ADecoderThatReducesWhileDecodingIsAskedForTwiceTheThumbnailAtLeast) {
    const codec::WicSession session;
    ASSERT_NE(session.factory(), nullptr);
    const struct {
        const char* name;
        int32_t width;
        int32_t height;
        std::vector<UINT> scales;  // none: no reduced decoding at all
        std::vector<std::pair<UINT, UINT>> reducedCopies;
    } cases[] = {
        // The nearest size, 80 x 64, is too small: the next one up is asked for.
        {"an eighth", 1280, 1024, {1, 2, 4, 8, 16}, {{160, 128}}},
        // An eighth has another aspect than the whole picture, enough to change the thumbnail
        // by a pixel: scaled on from there to a size that gives the whole picture's.
        {"an eighth of another shape", 1301, 764, {1, 2, 4, 8}, {{163, 96}}},
        {"whole size only", 1280, 1024, {1}, {}},
        {"no reduced decoding", 1280, 1024, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Image image = Quadrants(c.width, c.height);
        FakeJpegFrame frame(image, c.scales);
        Image thumb;
        const std::optional<LoadFailure> failure = DecodeStripThumbnail(
            session.factory(), &frame, kLayout, [] { return true; }, thumb);
        ASSERT_FALSE(failure.has_value()) << failure->errorNumber;
        const std::optional<Image> whole = MakeStripThumbnail(image, kLayout);
        ASSERT_TRUE(whole.has_value());
        EXPECT_EQ(std::pair(thumb.width, thumb.height), std::pair(whole->width, whole->height));
        const std::vector<uint32_t> got = QuarterCentres(thumb);
        const std::vector<uint32_t> expected{kRed, kGreen, kBlue, kYellow};
        for (size_t i = 0; i < expected.size(); ++i) EXPECT_TRUE(Near(got[i], expected[i], 8)) << i;
        EXPECT_EQ(frame.reducedCopies, c.reducedCopies);
        EXPECT_EQ(frame.wholeCopies > 0, c.reducedCopies.empty());
        EXPECT_EQ(frame.references(), 1U);
    }
}

TEST(ThumbnailDecoder, FailuresArriveWithTheLoadersReasonsAmongTheBatchesOtherResults) {
    Pictures pictures;
    ASSERT_TRUE(pictures.ok());
    const std::string good = pictures.write("good.png", Blocked(120, 90));
    ASSERT_TRUE(WriteBytes(pictures.path("garbage.jpg"), std::string(3000, '\x5A')));
    ASSERT_TRUE(WriteBytes(pictures.path("empty.png"), ""));
    ASSERT_TRUE(WriteBytes(pictures.path("widest.bmp"), BlackBmp(32767, 1)));
    ASSERT_TRUE(WriteBytes(pictures.path("too wide.bmp"), BlackBmp(32768, 1)));
    ASSERT_TRUE(WriteBytes(pictures.path("too tall.bmp"), BlackBmp(1, 32768)));
    ASSERT_TRUE(WriteBytes(pictures.path("locked.png"), ""));
    ASSERT_TRUE(::CreateDirectoryW(Utf8ToWide(pictures.path("folder.png")).c_str(), nullptr));
    // Held open with no sharing for the whole test: nobody else can open it.
    const UniqueHandle lock(::CreateFileW(Utf8ToWide(pictures.path("locked.png")).c_str(), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock);
    const struct {
        std::string path;
        std::optional<LoadFailure> failure;  // nothing: a thumbnail
    } cases[] = {
        {good, std::nullopt},
        {pictures.path("missing.png"), FileNotFound()},
        {good, std::nullopt},
        {pictures.path("garbage.jpg"), BadPicture()},
        {pictures.path("empty.png"), BadPicture()},
        {pictures.path("folder.png"), FileNotFound()},
        {pictures.path("locked.png"), NoAccess()},
        {pictures.path("widest.bmp"), std::nullopt},
        {pictures.path("too wide.bmp"), OutOfMemory()},
        {pictures.path("too tall.bmp"), OutOfMemory()},
        {good, std::nullopt},
    };
    std::vector<ThumbnailJob> jobs;
    for (const auto& c : cases) jobs.push_back({jobs.size() + 1, c.path});
    Received received;
    WinThumbnailDecoder decoder(kLayout, received.sink(), 2);
    decoder.decode(jobs);
    ASSERT_TRUE(received.awaitCount(jobs.size()));
    for (const DecodedThumbnail& result : received.results) {
        ASSERT_GE(result.id, 1U);
        ASSERT_LE(result.id, std::size(cases));
        const auto& c = cases[result.id - 1];
        SCOPED_TRACE(c.path);
        EXPECT_EQ(result.path, c.path);
        if (c.failure) {
            EXPECT_FALSE(result.thumbnail.has_value());
            EXPECT_EQ(result.errorNumber, c.failure->errorNumber);
            EXPECT_EQ(result.description, WideToUtf8(c.failure->description));
        } else {
            EXPECT_TRUE(result.thumbnail.has_value()) << result.errorNumber << " " << result.description;
            EXPECT_EQ(result.errorNumber, 0);
            EXPECT_EQ(result.description, "");
        }
    }
    EXPECT_EQ(received.results.size(), jobs.size());
}

TEST(ThumbnailDecoder, EveryJobArrivesOnceAndOneWorkerDeliversThemInTheirOrder) {
    Pictures pictures;
    ASSERT_TRUE(pictures.ok());
    const std::vector<std::string> files{pictures.write("a.png", Blocked(120, 90)),
                                         pictures.write("b.jpg", Blocked(400, 300)),
                                         pictures.write("c.gif", Blocked(60, 40)), pictures.path("missing.bmp")};
    for (const unsigned workers : {1U, 3U}) {
        SCOPED_TRACE(workers);
        Received received;
        WinThumbnailDecoder decoder(kLayout, received.sink(), workers);
        ASSERT_EQ(decoder.workerCount(), workers);
        // Two batches, the second queued behind the first.
        std::vector<ThumbnailJob> first;
        std::vector<ThumbnailJob> second;
        std::vector<EntryId> order;
        for (EntryId id = 1; id <= 40; ++id) {
            (id <= 25 ? first : second).push_back({id * 3, files[id % files.size()]});
            order.push_back(id * 3);
        }
        decoder.decode(first);
        decoder.decode(second);
        ASSERT_TRUE(received.awaitCount(order.size()));
        std::map<EntryId, int> expected;
        for (const EntryId id : order) expected[id] = 1;
        EXPECT_EQ(received.countsById(), expected);
        if (workers == 1) {
            std::vector<EntryId> arrived;
            for (const DecodedThumbnail& result : received.results) arrived.push_back(result.id);
            EXPECT_EQ(arrived, order);
        }
    }
}

TEST(ThumbnailDecoder, NothingOfACancelledBatchArrivesAndTheNextBatchDoes) {
    Pictures pictures;
    ASSERT_TRUE(pictures.ok());
    const std::string slow = pictures.write("screen.jpg", Quadrants(1280, 1024));
    const std::string fast = pictures.path("missing.png");
    const struct {
        unsigned workers;
        bool fromSink;  // cancelled inside the sink's call for the first result
        bool held;      // results gather before the messages run: the first delivery holds several
    } cases[] = {{1, false, false}, {1, true, false}, {3, false, false}, {3, true, false}, {1, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.workers << " workers, from the sink " << c.fromSink << ", held "
                                        << c.held);
        std::vector<EntryId> arrived;
        bool cancelled = false;
        std::vector<EntryId> afterCancel;
        std::unique_ptr<WinThumbnailDecoder> decoder;
        decoder = std::make_unique<WinThumbnailDecoder>(
            kLayout,
            [&](DecodedThumbnail result) {
                arrived.push_back(result.id);
                if (cancelled) afterCancel.push_back(result.id);
                if (c.fromSink && !cancelled) {
                    decoder->cancel();
                    cancelled = true;
                }
            },
            c.workers);
        std::vector<ThumbnailJob> old;
        for (EntryId id = 1; id <= 300; ++id) old.push_back({id, c.held ? fast : slow});
        decoder->decode(old);
        if (c.held) {
            ASSERT_TRUE(AwaitHeldResults());
        }
        ASSERT_TRUE(Await([&] { return !arrived.empty(); }, 60000));
        if (!c.fromSink) {
            decoder->cancel();
            cancelled = true;
        }
        const size_t before = arrived.size();
        std::vector<ThumbnailJob> next;
        for (EntryId id = 1001; id <= 1005; ++id) next.push_back({id, slow});
        decoder->decode(next);
        ASSERT_TRUE(Await([&] { return afterCancel.size() >= next.size(); }, 60000));
        // One worker has finished the file it held before it takes the new batch; of several,
        // one might still be at it, so the messages keep running a while longer.
        if (c.workers > 1) Pause(300);
        std::sort(afterCancel.begin(), afterCancel.end());  // several workers finish in any order
        EXPECT_EQ(afterCancel, (std::vector<EntryId>{1001, 1002, 1003, 1004, 1005}))
            << "results of the cancelled batch arrived, or results of the new one are missing";
        if (c.fromSink) {
            EXPECT_EQ(before, 1U) << "the rest of the delivery that cancelled went on";
        }
        EXPECT_LT(before, 300U);
    }
}

TEST(ThumbnailDecoder, DestroyedWithALongQueueItJoinsItsWorkersAndDeliversNothingMore) {
    Pictures pictures;
    ASSERT_TRUE(pictures.ok());
    const std::string path = pictures.write("screen.jpg", Quadrants(1280, 1024));
    std::vector<ThumbnailJob> jobs;
    for (EntryId id = 1; id <= 500; ++id) jobs.push_back({id, path});
    {
        // Whatever the system starts once, for COM or the imaging component, is started here,
        // so that it does not count against the decoders below.
        Received warm;
        WinThumbnailDecoder decoder(kLayout, warm.sink(), 3);
        decoder.decode({jobs[0]});
        ASSERT_TRUE(warm.awaitCount(1));
    }
    const long before = ThreadCount();
    ASSERT_GT(before, 0);

    // From outside: nothing reaches the sink once the destructor has begun.
    {
        int late = 0;
        int delivered = 0;
        bool destroying = false;
        auto decoder = std::make_unique<WinThumbnailDecoder>(
            kLayout,
            [&](DecodedThumbnail) {
                ++delivered;
                if (destroying) ++late;
            },
            3);
        ASSERT_EQ(decoder->workerCount(), 3U);
        EXPECT_EQ(ThreadCount(), before + 3) << "the probe must see the workers";
        decoder->decode(jobs);
        ASSERT_TRUE(Await([&] { return delivered > 0; }, 60000));
        ASSERT_LT(delivered, 500) << "the queue must still be long when the decoder goes";
        destroying = true;
        const ULONGLONG start = ::GetTickCount64();
        decoder.reset();
        ::testing::Test::RecordProperty("destructor_ms", std::to_string(::GetTickCount64() - start));
        const long after = ThreadCount();
        EXPECT_TRUE(Await([&] { return ThreadCount() == before; }, 10000)) << ThreadCount() << " " << before;
        EXPECT_EQ(after, before) << "workers still ran when the destructor returned";
        ProcessPendingMessages();  // the workers are gone: whatever they posted is here already
        EXPECT_EQ(late, 0);
    }

    // From inside the sink, with more results in the delivery it runs in: those are dropped.
    {
        int delivered = 0;
        std::unique_ptr<WinThumbnailDecoder> decoder;
        decoder = std::make_unique<WinThumbnailDecoder>(
            kLayout,
            [&](DecodedThumbnail) {
                ++delivered;
                decoder.reset();
            },
            3);
        std::vector<ThumbnailJob> missing;
        for (EntryId id = 1; id <= 200; ++id) missing.push_back({id, pictures.path("missing.png")});
        decoder->decode(missing);
        ASSERT_TRUE(AwaitHeldResults());
        ASSERT_TRUE(Await([&] { return decoder == nullptr; }, 60000));
        EXPECT_TRUE(Await([&] { return ThreadCount() == before; }, 10000)) << ThreadCount() << " " << before;
        ProcessPendingMessages();
        EXPECT_EQ(delivered, 1);
    }
}

}  // namespace
}  // namespace tessarin::test
