#include "win32/thumbnail_decoder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <new>
#include <utility>

#include "codecs/imgctl/wic_codec.h"
#include "core/files/thumbnail_box.h"
#include "core/imagelist/strip_thumbnail.h"
#include "win32/messages.h"
#include "win32/wide.h"

namespace tessarin {
namespace {

constexpr UINT kWakeMessage = WM_APP + 1;

// Rows copied at a time: a cancelled job or a closing decoder lets go of its file within a band.
constexpr UINT kBandRows = 16;
// Reduced sizes tried, one pixel taller each, for one of the whole picture's shape.
constexpr UINT kShapeTries = 64;

struct Size {
    UINT width = 0;
    UINT height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// The panel as MakeStripThumbnail measures it.
PanelMetrics PanelOf(const StripLayout& layout) {
    const int32_t tpp = layout.metrics.twipsPerPixel;
    return {kPanelWidthTwips, kPanelHeightTwips, kImageTopTwips, tpp, tpp};
}

// The thumbnail's size follows the picture's aspect, which a reduced size keeps only to a pixel;
// about one reduced size in forty would give a thumbnail a pixel wider or taller than the picture
// captured or loaded whole does.
bool SameThumbnail(Size full, Size reduced, const PanelMetrics& panel) {
    const auto whole = PlanStripThumbnail(static_cast<int32_t>(full.width), static_cast<int32_t>(full.height), panel);
    const auto part =
        PlanStripThumbnail(static_cast<int32_t>(reduced.width), static_cast<int32_t>(reduced.height), panel);
    return whole && part && whole->scaled == part->scaled && whole->pixelWidth == part->pixelWidth &&
           whole->pixelHeight == part->pixelHeight && std::cmp_greater_equal(reduced.width, part->pixelWidth) &&
           std::cmp_greater_equal(reduced.height, part->pixelHeight);
}

// The picture's shape scaled down until one side is as long as `least` asks and the other is at
// least that long; the whole size when it is no larger already.
Size Cover(Size full, Size least) {
    const double factor =
        std::max(static_cast<double>(least.width) / full.width, static_cast<double>(least.height) / full.height);
    if (factor >= 1.0) return full;
    const auto side = [factor](UINT length) {
        return std::clamp(static_cast<UINT>(std::ceil(length * factor)), UINT{1}, length);
    };
    return {side(full.width), side(full.height)};
}

// The smallest size of the whole picture's shape from `start` up to `limit` that gives its
// thumbnail; nothing when none of those tried does.
std::optional<Size> MatchingSize(Size full, Size start, Size limit, const PanelMetrics& panel) {
    const double aspect = static_cast<double>(full.width) / full.height;
    for (UINT height = start.height; height <= limit.height && height - start.height < kShapeTries; ++height) {
        const long long centre = std::llround(height * aspect);
        for (const long long width : {centre, centre - 1, centre + 1}) {
            if (width < 1 || width > static_cast<long long>(limit.width)) continue;
            const Size candidate{static_cast<UINT>(width), height};
            if (SameThumbnail(full, candidate, panel)) return candidate;
        }
    }
    return std::nullopt;
}

// The picture reduced by its decoder while decoding (JPEG decodes at 1/2, 1/4 or 1/8 for a
// fraction of the work), at least `least` each way where the picture is, held in memory. Nothing
// when the source cannot reduce, or not below the whole size: the caller then scales.
ComPtr<IWICBitmapSource> DecodeReduced(IWICImagingFactory* factory, IWICBitmapSource* source, Size full, Size least,
                                       Size& size) {
    ComPtr<WicSourceTransform> transform;
    BOOL upright = FALSE;
    if (FAILED(source->QueryInterface(kIidWicSourceTransform, transform.putVoid())) ||
        FAILED(transform->DoesSupportTransform(WICBitmapTransformRotate0, &upright)) || !upright) {
        return {};
    }
    const Size needed{std::min(least.width, full.width), std::min(least.height, full.height)};
    // "Closest" may lie on either side of the size asked for, so more is asked for until the
    // answer is large enough.
    Size ask = Cover(full, least);
    Size got;
    for (;;) {
        got = ask;
        if (FAILED(transform->GetClosestSize(&got.width, &got.height))) return {};
        if (got.width >= needed.width && got.height >= needed.height) break;
        if (ask == full) return {};
        ask = {std::min(full.width, ask.width * 2), std::min(full.height, ask.height * 2)};
    }
    if (got.width > full.width || got.height > full.height || got == full) {
        return {};
    }
    // The format the decoder delivers without converting (JPEG: 24-bit); the converter that
    // follows makes 32-bit pixels of it.
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    ComPtr<IWICBitmap> bitmap;
    if (FAILED(transform->GetClosestPixelFormat(&format)) ||
        FAILED(factory->CreateBitmap(got.width, got.height, format, WICBitmapCacheOnLoad, bitmap.put()))) {
        return {};
    }
    {
        // Released before the bitmap is read: a bitmap locked for writing refuses its readers.
        const WICRect all{0, 0, static_cast<INT>(got.width), static_cast<INT>(got.height)};
        ComPtr<IWICBitmapLock> lock;
        UINT stride = 0;
        UINT bytes = 0;
        BYTE* data = nullptr;
        if (FAILED(bitmap->Lock(&all, WICBitmapLockWrite, lock.put())) || FAILED(lock->GetStride(&stride)) ||
            FAILED(lock->GetDataPointer(&bytes, &data)) ||
            FAILED(transform->CopyPixels(nullptr, got.width, got.height, &format, WICBitmapTransformRotate0, stride,
                                         bytes, data))) {
            return {};
        }
    }
    size = got;
    return ComPtr<IWICBitmapSource>(bitmap.release());
}

// The loader's reasons for a missing or locked file, then the decoder's.
std::optional<LoadFailure> ReadThumbnailFile(IWICImagingFactory* factory, const std::wstring& path,
                                             const StripLayout& layout, const std::function<bool()>& keepGoing,
                                             Image& thumbnail) {
    if (factory == nullptr) return NoDecoder();
    UniqueHandle file;
    if (auto failure = OpenPictureFile(factory, path, file)) return failure;
    // Decoded from the handle just measured. The decoder reads through the handle for as long as
    // it lives: declared after it, it goes first.
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(factory->CreateDecoderFromFileHandle(reinterpret_cast<ULONG_PTR>(file.get()), nullptr,
                                                    WICDecodeMetadataCacheOnDemand, decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put()))) {
        return BadPicture();
    }
    return DecodeStripThumbnail(factory, frame.get(), layout, keepGoing, thumbnail);
}

void Fail(DecodedThumbnail& result, const LoadFailure& failure) {
    result.thumbnail.reset();
    result.errorNumber = failure.errorNumber;
    result.description = WideToUtf8(failure.description);
    result.tooLarge = failure.tooLarge;
}

DecodedThumbnail ReadStripThumbnail(IWICImagingFactory* factory, ThumbnailJob job, const StripLayout& layout,
                                    const std::function<bool()>& keepGoing) noexcept {
    DecodedThumbnail result;
    result.id = job.id;
    result.path = std::move(job.path);
    try {
        Image thumbnail;
        if (const auto failure = ReadThumbnailFile(factory, Utf8ToWide(result.path), layout, keepGoing, thumbnail)) {
            Fail(result, *failure);
        } else {
            result.thumbnail = std::move(thumbnail);
        }
    } catch (const std::bad_alloc&) {
        try {
            Fail(result, OutOfMemory());
        } catch (const std::bad_alloc&) {
            // No text either: the missing thumbnail alone says that the file failed.
            result.description.clear();
        }
    }
    return result;
}

}  // namespace

std::optional<LoadFailure> DecodeStripThumbnail(IWICImagingFactory* factory, IWICBitmapSource* source,
                                                const StripLayout& layout, const std::function<bool()>& keepGoing,
                                                Image& thumbnail) {
    if (factory == nullptr) return NoDecoder();
    Size full;
    if (source == nullptr || FAILED(source->GetSize(&full.width, &full.height)) || full.width == 0 ||
        full.height == 0) {
        return BadPicture();
    }
    if (IsTooLarge({full.width, full.height})) return TooLarge({full.width, full.height});
    const PanelMetrics panel = PanelOf(layout);
    const UINT boxWidth = static_cast<UINT>(std::max(1, layout.thumbWidth));
    const UINT boxHeight = static_cast<UINT>(std::max(1, layout.thumbHeight));

    // Twice the thumbnail each way is decoded where the decoder reduces by itself, four times
    // where a scaler has to: enough for the area average of the thumbnail to show thin lines,
    // little enough that a screen-sized JPEG is decoded at an eighth of its size.
    source->AddRef();
    ComPtr<IWICBitmapSource> input(source);
    Size inputSize = full;
    Size target = full;
    const Size twice{2 * boxWidth, 2 * boxHeight};
    Size reduced;
    if (ComPtr<IWICBitmapSource> small = DecodeReduced(factory, source, full, twice, reduced)) {
        if (SameThumbnail(full, reduced, panel)) {
            input = std::move(small);
            inputSize = target = reduced;
        } else if (const auto shape = MatchingSize(full, Cover(full, twice), reduced, panel)) {
            input = std::move(small);
            inputSize = reduced;
            target = *shape;
        }
    }
    if (inputSize == full) {
        const Size start = Cover(full, {4 * boxWidth, 4 * boxHeight});
        if (start != full) target = MatchingSize(full, start, full, panel).value_or(full);
    }

    // Converted before it is scaled: the scaler does not take every format a file may have
    // (palettes, 16-bit channels).
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(input.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return BadPicture();
    }
    ComPtr<IWICBitmapSource> output(converter.release());
    if (target != inputSize) {
        ComPtr<IWICBitmapScaler> scaler;
        if (FAILED(factory->CreateBitmapScaler(scaler.put())) ||
            FAILED(scaler->Initialize(output.get(), target.width, target.height, WICBitmapInterpolationModeFant))) {
            return BadPicture();
        }
        output.reset(scaler.release());
    }

    Image picture;
    picture.width = static_cast<int32_t>(target.width);
    picture.height = static_cast<int32_t>(target.height);
    picture.pixels.resize(size_t{target.width} * target.height);
    const UINT stride = target.width * 4;
    for (UINT top = 0; top < target.height; top += kBandRows) {
        if (!keepGoing()) return BadPicture();
        const UINT rows = std::min(kBandRows, target.height - top);
        const WICRect band{0, static_cast<INT>(top), static_cast<INT>(target.width), static_cast<INT>(rows)};
        auto* first = reinterpret_cast<BYTE*>(picture.pixels.data() + size_t{top} * target.width);
        if (FAILED(output->CopyPixels(&band, stride, stride * rows, first))) return BadPicture();
    }
    // The fourth byte of 32bppBGR carries nothing; the core's pixels keep it 0.
    for (uint32_t& pixel : picture.pixels) pixel &= 0x00FFFFFFU;
    std::optional<Image> made = MakeStripThumbnail(picture, layout);
    if (!made) return BadPicture();
    thumbnail = std::move(*made);
    return std::nullopt;
}

// The window belongs to this thread, so the sink runs here; the workers only post to it.
WinThumbnailDecoder::WinThumbnailDecoder(StripLayout layout, ThumbnailSink sink, unsigned workers)
    : layout_(layout), delivery_(std::make_shared<Delivery>(std::move(sink))) {
    window_ = CreateMessageWindow(kClassName, this);
    if (!window_) return;
    const unsigned count = workers != 0 ? workers : std::max(1U, std::thread::hardware_concurrency());
    try {
        for (unsigned i = 0; i < count; ++i) {
            if (!workers_.Start([this] { Work(); })) break;
        }
    } catch (const std::exception&) {
        // The workers that did start decode the whole queue.
    }
}

// A generation of its own first: nothing reaches the sink from here on, not even the rest of a
// delivery this runs inside. A worker finishes (or abandons at its next band) the file in hand;
// the queue is dropped. The window goes last: the workers post to it until they end.
bool WinThumbnailDecoder::finish(uint32_t waitMs) {
    {
        const std::lock_guard lock(mutex_);
        ++delivery_->generation;
        stopping_ = true;
        jobs_.clear();
    }
    work_.notify_all();
    const bool stopped = workers_.JoinWithin(waitMs);
    // A worker left behind posts into the void: PostMessage to a window that has gone fails.
    DestroyOwnedWindow(window_, hwnd_);
    return stopped;
}

void WinThumbnailDecoder::decode(std::vector<ThumbnailJob> jobs) {
    if (jobs.empty()) return;
    {
        const std::lock_guard lock(mutex_);
        if (stopping_) return;  // finished: no worker would take them
        for (ThumbnailJob& job : jobs) jobs_.push_back(std::move(job));
    }
    work_.notify_all();
}

// A new generation: results of jobs already started are recognised as stale when they are
// finished, and when they are delivered (a cancel from inside the sink).
void WinThumbnailDecoder::cancel() {
    std::deque<ThumbnailJob> queued;  // freed outside the lock
    std::list<Finished> finished;
    const std::lock_guard lock(mutex_);
    queued.swap(jobs_);
    finished.swap(results_);
    ++delivery_->generation;
}

LRESULT WinThumbnailDecoder::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kWakeMessage) return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    Deliver();  // may have destroyed this decoder
    return 0;
}

// Everything finished so far, in the order it finished. The sink may cancel, queue more, pump
// messages (a nested delivery takes what has arrived since) or destroy the decoder: the batch is
// local, and the sink and the generation are held by the delivery, so the loop reads nothing the
// decoder owned once it is gone.
void WinThumbnailDecoder::Deliver() {
    std::list<Finished> batch;
    {
        const std::lock_guard lock(mutex_);
        batch.swap(results_);
        wakePosted_ = false;
    }
    const std::shared_ptr<Delivery> delivery = delivery_;
    for (Finished& item : batch) {
        if (item.generation != delivery->generation) continue;
        // One failing call of the sink does not cost the results after it.
        try {
            delivery->sink(std::move(item.result));
        } catch (const std::exception& error) {
            ReportWindowError(error.what());
        } catch (...) {
            ReportWindowError("unknown error");
        }
    }
}

// One wake-up stands for every result queued until it is delivered, so a folder of thousands of
// files costs a few posted messages, not one per file. Should a post fail (a full message
// queue), the next result or an idle worker tries again; the results wait in the queue, owned
// by the decoder, and are freed with it.
void WinThumbnailDecoder::PostWake() { wakePosted_ = ::PostMessageW(window_.get(), kWakeMessage, 0, 0) != FALSE; }

void WinThumbnailDecoder::Work() noexcept {
    // Thumbnails fill in when there is time for them: the window's thread comes first, so it
    // answers at once while every core decodes.
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    try {
        // An apartment and a factory of its own: no imaging object is shared between threads.
        const codec::WicSession session(COINIT_MULTITHREADED);
        std::unique_lock lock(mutex_);
        for (;;) {
            if (stopping_) return;
            if (jobs_.empty()) {
                if (!results_.empty() && !wakePosted_) {
                    PostWake();
                    if (!wakePosted_) work_.wait_for(lock, std::chrono::milliseconds(100));
                } else {
                    work_.wait(lock);
                }
                continue;
            }
            ThumbnailJob job = std::move(jobs_.front());
            jobs_.pop_front();
            const uint64_t generation = delivery_->generation;
            lock.unlock();
            std::list<Finished> done = Decode(session.factory(), std::move(job), generation);
            lock.lock();
            if (done.empty() || generation != delivery_->generation) continue;
            results_.splice(results_.end(), done);
            if (!wakePosted_) PostWake();
        }
    } catch (...) {
        // Nothing may leave a thread; the other workers go on with the queue.
    }
}

std::list<WinThumbnailDecoder::Finished> WinThumbnailDecoder::Decode(IWICImagingFactory* factory, ThumbnailJob job,
                                                                     uint64_t generation) noexcept {
    std::list<Finished> done;
    try {
        // Asked between bands of rows: a cancelled job or a closing decoder stops early.
        const std::function<bool()> keepGoing = [this, generation] {
            return !stopping_ && delivery_->generation == generation;
        };
        done.push_back({generation, ReadStripThumbnail(factory, std::move(job), layout_, keepGoing)});
    } catch (const std::bad_alloc&) {
        // Not even a failed result could be made; the job is lost with the memory.
    }
    return done;
}

}  // namespace tessarin
