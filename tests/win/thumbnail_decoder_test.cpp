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
#include <memory>
#include <optional>
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

// A 1-bit bitmap file of that size, all black.
std::string BlackBmp(int32_t width, int32_t height) {
    const DWORD size = (static_cast<DWORD>(width) + 31) / 32 * 4 * static_cast<DWORD>(height);
    return BitmapFileBytes({sizeof(BITMAPINFOHEADER), width, height, 1, 1, BI_RGB, size, 2835, 2835, 2, 2},
                           std::string("\0\0\0\0\xFF\xFF\xFF\0", 8), std::string(size, '\0'));
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

// The four corners show whether a thumbnail is turned, mirrored, upside down or cut.
TEST(ThumbnailDecoder, EveryFormatGivesTheThumbnailOfTheWholePictureTheRightWayUp) {
    Pictures pictures;
    ASSERT_TRUE(pictures.ok());
    const struct {
        const char* name;
        int32_t width;
        int32_t height;
        bool exact;  // lossless and small enough to be decoded whole: pixel for pixel the core's
    } cases[] = {
        {"fits.bmp", 30, 21, true},        {"fits.png", 30, 21, true},      {"fits.gif", 30, 21, true},
        {"fits.jpg", 30, 21, false},       {"small.bmp", 120, 90, true},    {"small.png", 120, 90, true},
        {"small.gif", 120, 90, true},      {"small.jpg", 120, 90, false},   {"画像.png", 120, 90, true},
        {"wide.bmp", 458, 311, false},     {"wide.png", 458, 311, false},   {"wide.gif", 458, 311, false},
        {"wide.jpg", 458, 311, false},     {"tall.png", 202, 459, false},   {"square.png", 255, 237, false},
        {"flat.png", 508, 385, false},     {"skewed.png", 306, 237, false}, {"long.png", 2000, 150, false},
        {"screen.jpg", 1280, 1024, false},
    };
    std::vector<ThumbnailJob> jobs;
    std::vector<Image> images;
    for (const auto& c : cases) {
        images.push_back(Quadrants(c.width, c.height));
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
        const uint32_t corners[] = {At(thumb, 0, 0), At(thumb, thumb.width - 1, 0), At(thumb, 0, thumb.height - 1),
                                    At(thumb, thumb.width - 1, thumb.height - 1)};
        const uint32_t expected[] = {kRed, kGreen, kBlue, kYellow};
        for (size_t i = 0; i < 4; ++i)
            EXPECT_TRUE(Near(corners[i], expected[i], 56)) << i << ": " << std::hex << corners[i];
        for (const uint32_t pixel : thumb.pixels) ASSERT_EQ(pixel >> 24, 0U);
    }
}

// A decoded JPEG frame as the platform decoder presents it on Windows: 24-bit pixels, and
// decoding reduced at the scales it is given, each side rounded up as JPEG's are, each pixel the
// whole picture's at the centre of its cell. Wine's decoders cannot reduce, so only this takes the
// reduced path here. The pixels at each scale are the imaging component's own bitmaps. It lives on
// the stack: references are counted, never freed, and every one taken must be given back.
class FakeJpegFrame final : public IWICBitmapSource, public WicSourceTransform {
public:
    FakeJpegFrame(IWICImagingFactory* factory, const Image& picture, std::vector<UINT> scales)
        : reduces_(!scales.empty()) {
        for (const UINT scale : reduces_ ? scales : std::vector<UINT>{1}) {
            const auto cells = [&](int32_t side) { return (static_cast<UINT>(side) + scale - 1) / scale; };
            const auto centre = [&](UINT i, int32_t side) {
                return std::min(static_cast<int32_t>(i * scale + scale / 2), side - 1);
            };
            Scaled scaled{scale, cells(picture.width), cells(picture.height), {}};
            std::vector<BYTE> bytes;
            for (UINT y = 0; y < scaled.height; ++y)
                for (UINT x = 0; x < scaled.width; ++x) {
                    const uint32_t pixel = At(picture, centre(x, picture.width), centre(y, picture.height));
                    bytes.insert(bytes.end(), {BYTE(pixel), BYTE(pixel >> 8), BYTE(pixel >> 16)});
                }
            EXPECT_EQ(factory->CreateBitmapFromMemory(scaled.width, scaled.height, GUID_WICPixelFormat24bppBGR,
                                                      scaled.width * 3, static_cast<UINT>(bytes.size()), bytes.data(),
                                                      scaled.bitmap.put()),
                      S_OK);
            scaled_.push_back(std::move(scaled));
        }
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || iid == IID_IWICBitmapSource) {
            *object = static_cast<IWICBitmapSource*>(this);
        } else if (iid == kIidWicSourceTransform && reduces_) {
            *object = static_cast<WicSourceTransform*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }

    HRESULT STDMETHODCALLTYPE GetSize(UINT* width, UINT* height) override { return Whole()->GetSize(width, height); }
    HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* format) override {
        return Whole()->GetPixelFormat(format);
    }
    HRESULT STDMETHODCALLTYPE GetResolution(double* x, double* y) override { return Whole()->GetResolution(x, y); }
    HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* palette) override { return Whole()->CopyPalette(palette); }
    HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) override {
        ++wholeCopies;
        return Whole()->CopyPixels(rect, stride, bufferSize, buffer);
    }

    HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height, WICPixelFormatGUID* format,
                                         WICBitmapTransformOptions transform, UINT stride, UINT bufferSize,
                                         BYTE* buffer) override {
        if (rect != nullptr || format == nullptr || *format != GUID_WICPixelFormat24bppBGR ||
            transform != WICBitmapTransformRotate0) {
            return E_INVALIDARG;
        }
        for (const Scaled& scaled : scaled_) {
            if (std::pair(scaled.width, scaled.height) != std::pair(width, height)) continue;
            // Windows' own scaler may ask for the whole picture this way too.
            scaled.scale == 1 ? void(++wholeCopies) : void(reducedCopies.emplace_back(width, height));
            return scaled.bitmap->CopyPixels(nullptr, stride, bufferSize, buffer);
        }
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) override {
        // The size whose width is nearest, the larger on a tie: it may be smaller than asked for.
        const auto rank = [&](const Scaled& s) {
            return std::pair(std::abs(static_cast<int>(s.width - *width)), s.scale);
        };
        const Scaled& best = *std::min_element(scaled_.begin(), scaled_.end(),
                                               [&](const Scaled& a, const Scaled& b) { return rank(a) < rank(b); });
        std::tie(*width, *height) = std::pair(best.width, best.height);
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
    struct Scaled {
        UINT scale, width, height;
        ComPtr<IWICBitmap> bitmap;
    };
    [[nodiscard]] IWICBitmap* Whole() const { return scaled_.front().bitmap.get(); }

    const bool reduces_;
    std::vector<Scaled> scaled_;  // the whole picture first
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
        FakeJpegFrame frame(session.factory(), image, c.scales);
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

TEST(ThumbnailDecoder, EveryJobArrivesOnceWithItsThumbnailOrTheLoadersReasonAndOneWorkerKeepsTheOrder) {
    Pictures pictures;
    ASSERT_TRUE(pictures.ok());
    const std::string good = pictures.write("good.png", Quadrants(120, 90));
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
    // Four rounds of the files in two batches, the second queued behind the first; ids that are
    // no positions, so a result cannot pass for another job's.
    const size_t count = 4 * std::size(cases);
    const auto caseOf = [&](EntryId id) -> const auto& { return cases[(id / 3 - 1) % std::size(cases)]; };
    for (const unsigned workers : {1U, 3U}) {
        SCOPED_TRACE(workers);
        Received received;
        WinThumbnailDecoder decoder(kLayout, received.sink(), workers);
        ASSERT_EQ(decoder.workerCount(), workers);
        std::vector<ThumbnailJob> first;
        std::vector<ThumbnailJob> second;
        std::vector<EntryId> order;
        for (EntryId id = 3; order.size() < count; id += 3) {
            (order.size() < 25 ? first : second).push_back({id, caseOf(id).path});
            order.push_back(id);
        }
        decoder.decode(first);
        decoder.decode(second);
        ASSERT_TRUE(received.awaitCount(count));
        std::vector<EntryId> arrived;
        for (const DecodedThumbnail& result : received.results) {
            arrived.push_back(result.id);
            ASSERT_TRUE(result.id % 3 == 0 && result.id >= 3 && result.id <= 3 * count) << result.id;
            const auto& c = caseOf(result.id);
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
        // Each once; one worker in the order given, several in any.
        if (workers > 1) std::sort(arrived.begin(), arrived.end());
        EXPECT_EQ(arrived, order);
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
