#pragma once
// Strip thumbnails of image files decoded by worker threads (each with its own COM apartment and
// imaging factory) and handed to the sink through a message-only window of the thread that made
// the decoder.

#include <windows.h>
// These build on windows.h.
#include <wincodec.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "core/imagelist/strip_geometry.h"
#include "core/ports/thumbnail_decoder.h"
#include "win32/handles.h"
#include "win32/image_files.h"
#include "win32/worker_group.h"

namespace tessarin {

class WinThumbnailDecoder final : public ThumbnailDecoder {
public:
    static constexpr wchar_t kClassName[] = L"TessarinThumbnailDecoder";

    // On the thread whose message loop delivers the results. workers 0: one per processor.
    WinThumbnailDecoder(StripLayout layout, ThumbnailSink sink, unsigned workers = 0);
    WinThumbnailDecoder(const WinThumbnailDecoder&) = delete;
    WinThumbnailDecoder& operator=(const WinThumbnailDecoder&) = delete;
    // The sink is not called again, even when this runs inside a call of the sink.
    ~WinThumbnailDecoder() override { (void)finish(UINT32_MAX); }

    // False when the window or every worker could not be made: nothing would be delivered.
    [[nodiscard]] bool ok() const { return window_ && workers_.size() != 0; }
    [[nodiscard]] size_t workerCount() const { return workers_.size(); }

    void decode(std::vector<ThumbnailJob> jobs) override;
    void cancel() override;
    [[nodiscard]] bool finish(uint32_t waitMs) override;

private:
    struct Finished {
        uint64_t generation = 0;
        DecodedThumbnail result;
    };
    // Shared with a delivery in progress, which outlives the decoder when the sink destroys it. A
    // result reaches the sink only while its generation is current.
    struct Delivery {
        explicit Delivery(ThumbnailSink s) : sink(std::move(s)) {}
        ThumbnailSink sink;
        std::atomic<uint64_t> generation{0};  // written with mutex_ held; read without it to stop early
    };

    template <typename T>
    friend LRESULT CALLBACK OwnedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Deliver();
    void Work() noexcept;
    [[nodiscard]] std::list<Finished> Decode(IWICImagingFactory* factory, ThumbnailJob job,
                                             uint64_t generation) noexcept;
    void PostWake();  // with mutex_ held

    const StripLayout layout_;
    const std::shared_ptr<Delivery> delivery_;
    std::mutex mutex_;
    std::condition_variable work_;
    std::deque<ThumbnailJob> jobs_;
    std::list<Finished> results_;
    bool wakePosted_ = false;
    std::atomic<bool> stopping_{false};
    HWND hwnd_ = nullptr;  // kept by the window procedure
    UniqueWindow window_;
    WorkerGroup workers_;  // last: they stop before anything they use goes
};

// The strip thumbnail of a picture source (a decoded frame): decoded at a reduced size where the
// source or a scaler allows it, and always of the size the whole picture would give. Between
// bands of rows keepGoing() is asked; false ends the decode with a failure. On failure the
// thumbnail is left as it was.
[[nodiscard]] std::optional<LoadFailure> DecodeStripThumbnail(IWICImagingFactory* factory, IWICBitmapSource* source,
                                                              const StripLayout& layout,
                                                              const std::function<bool()>& keepGoing, Image& thumbnail);

// IWICBitmapSourceTransform, which mingw-w64's wincodec.h lacks; named apart from the SDK's
// declaration so that both can be seen.
struct WicSourceTransform : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
                                                 WICPixelFormatGUID* format, WICBitmapTransformOptions transform,
                                                 UINT stride, UINT bufferSize, BYTE* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform, BOOL* supported) = 0;
};
inline constexpr GUID kIidWicSourceTransform = {
    0x3B16811B, 0x6A43, 0x4EC9, {0xB7, 0x13, 0x3D, 0x5A, 0x0C, 0x13, 0xB9, 0x40}};

}  // namespace tessarin
