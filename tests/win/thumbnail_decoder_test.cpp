// The thumbnail decoder with real files, real worker threads and this thread's message loop:
// every format the right way up and of the size the whole picture gives, failures with their
// reasons, every job delivered once, cancelling, and destroying the decoder with work queued.

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
#include "support/black_png.h"
#include "win/win_test_support.h"
#include "win32/filesystem.h"
#include "win32/image_store.h"

namespace tessarin::test {
namespace {

const StripLayout kLayout = StripLayoutFor(15);
// Four quarters: red, green / blue, yellow.
const std::vector<uint32_t> kQuarters{0xE02020, 0x20C040, 0x2040D0, 0xF0E030};

uint32_t At(const Image& image, int32_t x, int32_t y) {
    return image.pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)];
}
bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}
Image Quadrants(int32_t width, int32_t height) {
    Image image{width, height, {}};
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) image.pixels.push_back(kQuarters[(y >= height / 2) * 2 + (x >= width / 2)]);
    return image;
}
// "" when the picture has the size of the whole picture's thumbnail and its four quarters (at
// the corners, or at their centres) show the colours of the quarters within the tolerance.
std::string Mismatch(const Image& thumb, const Image& picture, bool corners, int tolerance) {
    const std::optional<Image> whole = MakeStripThumbnail(picture, kLayout);
    if (!whole || std::pair(thumb.width, thumb.height) != std::pair(whole->width, whole->height) ||
        thumb.pixels.size() != static_cast<size_t>(thumb.width) * static_cast<size_t>(thumb.height))
        return "size " + std::to_string(thumb.width) + " x " + std::to_string(thumb.height);
    for (size_t i = 0; i < 4; ++i) {
        const int32_t x = corners ? (i % 2) * (thumb.width - 1) : thumb.width * (1 + 2 * int32_t(i % 2)) / 4;
        const int32_t y = corners ? (i / 2) * (thumb.height - 1) : thumb.height * (1 + 2 * int32_t(i / 2)) / 4;
        if (!Near(At(thumb, x, y), kQuarters[i], tolerance)) return "quarter " + std::to_string(i);
    }
    for (const uint32_t pixel : thumb.pixels)
        if (pixel >> 24 != 0) return "a top byte set";
    return "";
}

// Test pictures written by the program's own image store, as a save folder holds them.
class Pictures {
public:
    Pictures() : paths_{fs_, ProgramBinFolder()}, store_(paths_) {}
    [[nodiscard]] bool ok() const { return folder_.ok() && store_.canSave(); }
    [[nodiscard]] std::string path(const std::string& name) const { return folder_ / name; }
    std::string write(const std::string& name, const Image& image) {
        const std::string target = folder_ / name;
        // A picture of the same name is written again: the test replaces its own file.
        const SavePlan plan{target, GetExtension(target) == "bmp" ? target : folder_ / "x.bmp", true};
        if (plan.bitmap == target) ::DeleteFileW(Utf8ToWide(target).c_str());
        EXPECT_EQ(store_.write(image, plan), ImageStore::WriteOutcome::Written) << name;
        return target;
    }

private:
    TempFolder folder_;
    WinFileSystem fs_;
    PathContext paths_;
    WinImageStore store_;
};

// Every result the sink was given, in the order it was given.
struct Received {
    std::vector<DecodedThumbnail> results;
    ThumbnailSink sink() {
        return [this](DecodedThumbnail result) { results.push_back(std::move(result)); };
    }
    [[nodiscard]] bool awaitCount(size_t count) {
        return Await([&] { return results.size() >= count; }, 60000);
    }
};

// The threads of this process, counted by the system.
long ThreadCount() {
    const UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    long count = 0;
    for (BOOL more = snapshot && ::Thread32First(snapshot.get(), &entry); more;
         more = ::Thread32Next(snapshot.get(), &entry))
        count += entry.th32OwnerProcessID == ::GetCurrentProcessId() ? 1 : 0;
    return snapshot ? count : -1;
}

// Waits, without letting messages run, until the decoder's window has a wake-up waiting: the
// results finished meanwhile gather for one delivery.
bool AwaitHeldResults() {
    const HWND window = ::FindWindowExW(HWND_MESSAGE, nullptr, WinThumbnailDecoder::kClassName, nullptr);
    MSG msg;
    return window != nullptr && WaitUntil([&] { return ::PeekMessageW(&msg, window, 0, 0, PM_NOREMOVE); }, 10000);
}

TEST(ThumbnailDecoder, EveryFormatGivesTheThumbnailOfTheWholePictureTheRightWayUp) {
    Pictures pictures;
    ASSERT_TRUE(pictures.ok());
    // exact: lossless and small enough to be decoded whole, so pixel for pixel the core's.
    const std::tuple<const char*, int32_t, int32_t, bool> cases[] = {
        {"fits.bmp", 30, 21, true},      {"fits.png", 30, 21, true},      {"fits.gif", 30, 21, true},
        {"fits.jpg", 30, 21, false},     {"画像.png", 120, 90, true},     {"wide.bmp", 458, 311, false},
        {"wide.png", 458, 311, false},   {"wide.gif", 458, 311, false},   {"wide.jpg", 458, 311, false},
        {"tall.png", 202, 459, false},   {"square.png", 255, 237, false}, {"flat.png", 508, 385, false},
        {"skewed.png", 306, 237, false}, {"long.png", 2000, 150, false},  {"screen.jpg", 1280, 1024, false},
    };
    std::vector<ThumbnailJob> jobs;
    std::vector<Image> images;
    for (const auto& [name, width, height, exact] : cases) {
        images.push_back(Quadrants(width, height));
        jobs.push_back({jobs.size() + 1, pictures.write(name, images.back())});
    }
    Received received;
    WinThumbnailDecoder decoder(kLayout, received.sink(), 2);
    ASSERT_TRUE(decoder.ok());
    decoder.decode(jobs);
    ASSERT_TRUE(received.awaitCount(jobs.size()));
    for (const DecodedThumbnail& result : received.results) {
        ASSERT_TRUE(result.id >= 1 && result.id <= std::size(cases));
        const size_t i = result.id - 1;
        SCOPED_TRACE(std::get<0>(cases[i]));
        EXPECT_EQ(result.path, jobs[i].path);
        ASSERT_TRUE(result.thumbnail.has_value()) << result.errorNumber << " " << result.description;
        EXPECT_EQ(Mismatch(*result.thumbnail, images[i], true, 56), "");
        if (std::get<3>(cases[i])) {
            EXPECT_EQ(result.thumbnail->pixels, MakeStripThumbnail(images[i], kLayout)->pixels);
        }
    }
}

// A decoded JPEG frame as the platform decoder presents it on Windows: 24-bit pixels, and
// decoding reduced at the scales it is given, each side rounded up as JPEG's are, each pixel the
// whole picture's at the centre of its cell. Wine's decoders cannot reduce, so only this takes the
// reduced path here. It lives on the stack: every reference taken must be given back.
class FakeJpegFrame final : public IWICBitmapSource, public WicSourceTransform {
public:
    FakeJpegFrame(IWICImagingFactory* factory, const Image& picture, const std::vector<UINT>& scales)
        : reduces_(!scales.empty()) {
        for (const UINT scale : reduces_ ? scales : std::vector<UINT>{1}) {
            Scaled s{scale, (UINT(picture.width) + scale - 1) / scale, (UINT(picture.height) + scale - 1) / scale, {}};
            std::vector<BYTE> bytes;
            for (UINT y = 0; y < s.height; ++y)
                for (UINT x = 0; x < s.width; ++x) {
                    const uint32_t pixel = At(picture, std::min(int32_t(x * scale + scale / 2), picture.width - 1),
                                              std::min(int32_t(y * scale + scale / 2), picture.height - 1));
                    bytes.insert(bytes.end(), {BYTE(pixel), BYTE(pixel >> 8), BYTE(pixel >> 16)});
                }
            EXPECT_EQ(factory->CreateBitmapFromMemory(s.width, s.height, GUID_WICPixelFormat24bppBGR, s.width * 3,
                                                      UINT(bytes.size()), bytes.data(), s.bitmap.put()),
                      S_OK);
            scaled_.push_back(std::move(s));
        }
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = iid == IID_IUnknown || iid == IID_IWICBitmapSource
                      ? static_cast<void*>(static_cast<IWICBitmapSource*>(this))
                  : iid == kIidWicSourceTransform && reduces_
                      ? static_cast<void*>(static_cast<WicSourceTransform*>(this))
                      : nullptr;
        if (*object == nullptr) return E_NOINTERFACE;
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
            transform != WICBitmapTransformRotate0)
            return E_INVALIDARG;
        for (const Scaled& s : scaled_) {
            if (std::pair(s.width, s.height) != std::pair(width, height)) continue;
            // Windows' own scaler may ask for the whole picture this way too.
            s.scale == 1 ? void(++wholeCopies) : void(reducedCopies.emplace_back(width, height));
            return s.bitmap->CopyPixels(nullptr, stride, bufferSize, buffer);
        }
        return E_INVALIDARG;
    }
    // The size whose width is nearest, the larger on a tie: it may be smaller than asked for.
    HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) override {
        const auto rank = [&](const Scaled& s) { return std::pair(std::abs(int(s.width - *width)), s.scale); };
        const Scaled& best = *std::ranges::min_element(scaled_, {}, rank);
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

    ULONG references_ = 1;
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
};

TEST(ThumbnailDecoder, ADecoderThatReducesWhileDecodingIsAskedForTwiceTheThumbnailAtLeast) {
    const codec::WicSession session;
    ASSERT_NE(session.factory(), nullptr);
    // The scales the decoder offers (none: no reduced decoding) and the reduced sizes asked for.
    const std::tuple<int32_t, int32_t, std::vector<UINT>, std::vector<std::pair<UINT, UINT>>> cases[] = {
        // The nearest size, 80 x 64, is too small: the next one up is asked for.
        {1280, 1024, {1, 2, 4, 8, 16}, {{160, 128}}},
        // An eighth has another aspect than the whole picture, enough to change the thumbnail by a
        // pixel: scaled on from there to a size that gives the whole picture's.
        {1301, 764, {1, 2, 4, 8}, {{163, 96}}},
        {1280, 1024, {1}, {}},
        {1280, 1024, {}, {}},
    };
    for (const auto& [width, height, scales, reduced] : cases) {
        SCOPED_TRACE(testing::Message() << width << " x " << height << ", " << scales.size() << " scales");
        const Image image = Quadrants(width, height);
        FakeJpegFrame frame(session.factory(), image, scales);
        Image thumb;
        const std::optional<LoadFailure> failure = DecodeStripThumbnail(
            session.factory(), &frame, kLayout, [] { return true; }, thumb);
        ASSERT_FALSE(failure.has_value()) << failure->errorNumber;
        EXPECT_EQ(Mismatch(thumb, image, false, 8), "");
        EXPECT_EQ(frame.reducedCopies, reduced);
        EXPECT_EQ(frame.wholeCopies > 0, reduced.empty());
        EXPECT_EQ(frame.references_, 1U);
    }
}

TEST(ThumbnailDecoder, EveryJobArrivesOnceWithItsThumbnailOrTheLoadersReasonAndOneWorkerKeepsTheOrder) {
    Pictures pictures;
    ASSERT_TRUE(pictures.ok());
    const std::string good = pictures.write("good.png", Quadrants(120, 90));
    // 1-bit bitmap files, all black, as wide and as tall as allowed and one pixel more.
    const auto blackBmp = [](int32_t width, int32_t height) {
        const DWORD size = (DWORD(width) + 31) / 32 * 4 * DWORD(height);
        return BitmapFileBytes({sizeof(BITMAPINFOHEADER), width, height, 1, 1, BI_RGB, size, 2835, 2835, 2, 2},
                               std::string("\0\0\0\0\xFF\xFF\xFF\0", 8), std::string(size, '\0'));
    };
    const std::pair<const char*, std::string> files[] = {{"garbage.jpg", std::string(3000, '\x5A')},
                                                         {"empty.png", ""},
                                                         {"locked.png", ""},
                                                         {"widest.bmp", blackBmp(32767, 1)},
                                                         {"too wide.bmp", blackBmp(32768, 1)},
                                                         {"too tall.bmp", blackBmp(1, 32768)},
                                                         {"huge.png", BlackPng(40000, 40000)}};
    for (const auto& [name, bytes] : files) ASSERT_TRUE(WriteBytes(pictures.path(name), bytes));
    ASSERT_TRUE(::CreateDirectoryW(Utf8ToWide(pictures.path("folder.png")).c_str(), nullptr));
    // Held open with no sharing for the whole test: nobody else can open it.
    const UniqueHandle lock(::CreateFileW(Utf8ToWide(pictures.path("locked.png")).c_str(), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock);
    const std::pair<std::string, std::optional<LoadFailure>> cases[] = {
        // nothing: a thumbnail
        {good, std::nullopt},
        {pictures.path("missing.png"), FileNotFound()},
        {pictures.path("garbage.jpg"), BadPicture()},
        {pictures.path("empty.png"), BadPicture()},
        {pictures.path("folder.png"), FileNotFound()},
        {pictures.path("locked.png"), NoAccess()},
        {pictures.path("widest.bmp"), std::nullopt},
        {pictures.path("too wide.bmp"), TooLarge({32768, 1})},
        {pictures.path("too tall.bmp"), TooLarge({1, 32768})},
        {pictures.path("huge.png"), TooLarge({40000, 40000})},
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
        std::vector<ThumbnailJob> first, second;
        std::vector<EntryId> order;
        for (EntryId id = 3; order.size() < count; id += 3) {
            (order.size() < 25 ? first : second).push_back({id, caseOf(id).first});
            order.push_back(id);
        }
        decoder.decode(first);
        decoder.decode(second);
        ASSERT_TRUE(received.awaitCount(count));
        std::vector<EntryId> arrived;
        for (const DecodedThumbnail& result : received.results) {
            arrived.push_back(result.id);
            ASSERT_TRUE(result.id % 3 == 0 && result.id >= 3 && result.id <= 3 * count) << result.id;
            const auto& [path, failure] = caseOf(result.id);
            SCOPED_TRACE(path);
            EXPECT_EQ(result.path, path);
            EXPECT_EQ(result.thumbnail.has_value(), !failure) << result.errorNumber << " " << result.description;
            EXPECT_EQ(std::tuple(result.errorNumber, result.description, result.tooLarge),
                      std::tuple(failure.value_or(LoadFailure{}).errorNumber,
                                 WideToUtf8(failure.value_or(LoadFailure{}).description),
                                 failure.value_or(LoadFailure{}).tooLarge));
        }
        // Each once; one worker in the order given, several in any.
        if (workers > 1) std::ranges::sort(arrived);
        EXPECT_EQ(arrived, order);
    }
}

TEST(ThumbnailDecoder, NothingOfACancelledBatchArrivesAndTheNextBatchDoes) {
    Pictures pictures;
    ASSERT_TRUE(pictures.ok());
    const std::string old = pictures.write("old.jpg", Quadrants(1280, 1024));
    const std::string next = pictures.path("next.jpg");
    ASSERT_TRUE(::CopyFileW(Utf8ToWide(old).c_str(), Utf8ToWide(next).c_str(), FALSE));
    const std::string missing = pictures.path("missing.png");
    // Workers; cancelled inside the sink's call for the first result; results gathered before the
    // messages run, so that the first delivery holds several.
    const struct {
        unsigned workers;
        bool fromSink, held;
    } cases[] = {{1, false, false}, {1, true, false}, {3, false, false}, {3, true, false}, {1, true, true}};
    for (const auto& [workers, fromSink, held] : cases) {
        SCOPED_TRACE(testing::Message() << workers << " workers, from the sink " << fromSink << ", held " << held);
        const bool cancelInSink = fromSink;
        std::vector<EntryId> arrived, afterCancel;
        bool cancelled = false;
        std::unique_ptr<WinThumbnailDecoder> decoder;
        decoder = std::make_unique<WinThumbnailDecoder>(
            kLayout,
            [&](const DecodedThumbnail& result) {
                arrived.push_back(result.id);
                if (cancelled) afterCancel.push_back(result.id);
                if (cancelInSink && !cancelled) {
                    decoder->cancel();
                    cancelled = true;
                }
            },
            workers);
        std::vector<ThumbnailJob> batch;
        for (EntryId id = 1; id <= 300; ++id) batch.push_back({id, held ? missing : old});
        decoder->decode(batch);
        if (held) {
            ASSERT_TRUE(AwaitHeldResults());
        }
        ASSERT_TRUE(Await([&] { return !arrived.empty(); }, 60000));
        if (!fromSink) {
            decoder->cancel();
            cancelled = true;
        }
        const size_t before = arrived.size();
        // Once no worker holds the cancelled batch's file, each has finished or abandoned its job
        // and the result is dropped before that worker takes a job of the next batch.
        UniqueHandle letGo;
        ASSERT_TRUE(held || Await([&] {
                        letGo.reset(::CreateFileW(Utf8ToWide(old).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr));
                        return static_cast<bool>(letGo);
                    }));
        batch.clear();
        for (EntryId id = 1001; id <= 1005; ++id) batch.push_back({id, next});
        decoder->decode(batch);
        ASSERT_TRUE(Await([&] { return afterCancel.size() >= batch.size(); }, 60000));
        ProcessPendingMessages();
        std::ranges::sort(afterCancel);  // several workers finish in any order
        EXPECT_EQ(afterCancel, (std::vector<EntryId>{1001, 1002, 1003, 1004, 1005}))
            << "results of the cancelled batch arrived, or results of the new one are missing";
        EXPECT_TRUE(fromSink ? before == 1 : before < 300) << before << ": the rest of the delivery that cancelled";
    }
}

TEST(ThumbnailDecoder, DestroyedWithALongQueueItJoinsItsWorkersAndDeliversNothingMore) {
    Pictures pictures;
    ASSERT_TRUE(pictures.ok());
    const std::string path = pictures.write("screen.jpg", Quadrants(1280, 1024));
    std::vector<ThumbnailJob> jobs;
    for (EntryId id = 1; id <= 500; ++id) jobs.push_back({id, path});
    {
        // What the system starts once for COM or the imaging component must not count below.
        Received warm;
        WinThumbnailDecoder decoder(kLayout, warm.sink(), 3);
        decoder.decode({jobs[0]});
        ASSERT_TRUE(warm.awaitCount(1));
    }
    const long before = ThreadCount();
    ASSERT_GT(before, 0);

    // From outside: nothing reaches the sink once the destructor has begun; from inside the sink,
    // with more results in the delivery it runs in: those are dropped.
    for (const bool fromSink : {false, true}) {
        SCOPED_TRACE(fromSink ? "from the sink" : "from outside");
        int delivered = 0, late = 0;
        bool destroying = false;
        std::unique_ptr<WinThumbnailDecoder> decoder;
        decoder = std::make_unique<WinThumbnailDecoder>(
            kLayout,
            [&](const DecodedThumbnail&) {
                ++delivered;
                late += destroying ? 1 : 0;
                if (fromSink) {
                    destroying = true;
                    decoder.reset();
                }
            },
            3);
        ASSERT_EQ(ThreadCount(), before + 3) << "the probe must see the workers";
        if (fromSink) {
            std::vector<ThumbnailJob> missing;
            for (EntryId id = 1; id <= 200; ++id) missing.push_back({id, pictures.path("missing.png")});
            decoder->decode(missing);
            ASSERT_TRUE(AwaitHeldResults());
            ASSERT_TRUE(Await([&] { return decoder == nullptr; }, 60000));
        } else {
            decoder->decode(jobs);
            ASSERT_TRUE(Await([&] { return delivered > 0; }, 60000));
            ASSERT_LT(delivered, 500) << "the queue must still be long when the decoder goes";
            destroying = true;
            decoder.reset();
            EXPECT_EQ(ThreadCount(), before) << "workers still ran when the destructor returned";
        }
        EXPECT_TRUE(WaitUntil([&] { return ThreadCount() == before; }, 10000)) << ThreadCount() << " " << before;
        ProcessPendingMessages();  // the workers are gone: whatever they posted is here already
        EXPECT_EQ(late, 0);
    }
}

}  // namespace
}  // namespace tessarin::test
