#include "win32/drag_drop.h"

#include "win32/picture.h"

// shlobj.h builds on windows.h (included by drag_drop.h).
#include <shlobj.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <new>

namespace tessarin {
namespace {

// GDI computes the size of a bitmap's bits in 32-bit arithmetic in places; larger pictures are
// refused rather than risk a wrapped size.
constexpr uint64_t kMaxBitmapBytes = 0x7FFFFFFF;

bool FitsGdi(int32_t width, int32_t height) noexcept {
    return width > 0 && height > 0 &&
           static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * sizeof(uint32_t) <= kMaxBitmapBytes;
}

FORMATETC BitmapFormat() noexcept { return FORMATETC{CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI}; }

// Whether a request can be answered. lindex is not looked at: it means nothing for the content
// aspect, and receivers differ in what they put there.
HRESULT CheckBitmapFormat(const FORMATETC* format) noexcept {
    if (format == nullptr) return E_INVALIDARG;
    if (format->cfFormat != CF_BITMAP) return DV_E_FORMATETC;
    if (format->dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if ((format->tymed & TYMED_GDI) == 0) return DV_E_TYMED;
    return S_OK;
}

// IUnknown for an object with one interface that lives as long as references to it do.
template <typename Interface>
class ComObject : public Interface {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
        if (object == nullptr) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface))) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

protected:
    ComObject() noexcept = default;
    virtual ~ComObject() = default;

private:
    std::atomic<ULONG> references_{1};  // the creator's
};

class BitmapDataObject final : public ComObject<IDataObject> {
public:
    explicit BitmapDataObject(Image image) noexcept : image_(std::move(image)) {}

    // A new bitmap each time: the receiver releases what it gets, and that must not take the
    // picture away from the next receiver.
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) noexcept override {
        if (medium == nullptr) return E_INVALIDARG;
        if (const HRESULT checked = CheckBitmapFormat(format); checked != S_OK) return checked;
        GdiObject<HBITMAP> bitmap = BitmapFromImage(image_);
        if (!bitmap) return E_OUTOFMEMORY;
        *medium = STGMEDIUM{};
        medium->tymed = TYMED_GDI;
        medium->hBitmap = bitmap.release();  // the receiver's now
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    // A GDI object cannot be written into storage the caller provides.
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* /*format*/, STGMEDIUM* /*medium*/) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) noexcept override { return CheckBitmapFormat(format); }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* format, FORMATETC* canonical) noexcept override {
        if (canonical == nullptr) return E_INVALIDARG;
        if (format != nullptr) *canonical = *format;
        canonical->ptd = nullptr;
        return DATA_S_SAMEFORMATETC;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* /*format*/, STGMEDIUM* /*medium*/,
                                      BOOL /*release*/) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) noexcept override {
        if (formats == nullptr) return E_INVALIDARG;
        *formats = nullptr;
        if (direction != DATADIR_GET) return E_NOTIMPL;
        const FORMATETC offered = BitmapFormat();
        return ::SHCreateStdEnumFmtEtc(1, &offered, formats);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* /*format*/, DWORD /*flags*/, IAdviseSink* /*sink*/,
                                      DWORD* /*connection*/) noexcept override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD /*connection*/) noexcept override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** advises) noexcept override {
        if (advises != nullptr) *advises = nullptr;
        return OLE_E_ADVISENOTSUPPORTED;
    }

private:
    const Image image_;
};

class LeftButtonDropSource final : public ComObject<IDropSource> {
public:
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keys) noexcept override {
        if (escapePressed) return DRAGDROP_S_CANCEL;
        if ((keys & MK_LBUTTON) == 0) return DRAGDROP_S_DROP;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD /*effect*/) noexcept override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

// What a drop target calls; shared so that a call in progress keeps it alive when the owner
// revokes from inside one of the callbacks.
struct DropCallbacks {
    HWND window;
    BitmapDropTarget::Accepts accepts;
    BitmapDropTarget::Dropped dropped;
};

// The bitmap a data object hands over, read before the medium goes back.
std::optional<Image> ReadDroppedBitmap(IDataObject& data) noexcept {
    FORMATETC format = BitmapFormat();
    StorageMedium medium;
    if (data.GetData(&format, medium.put()) != S_OK) {
        // A failed call hands over nothing, whatever it left in the structure.
        (void)medium.release();
        return std::nullopt;
    }
    if (medium.value().tymed != TYMED_GDI) return std::nullopt;
    return ImageFromBitmap(medium.value().hBitmap);
}

class DropTargetObject final : public ComObject<IDropTarget> {
public:
    explicit DropTargetObject(std::shared_ptr<const DropCallbacks> callbacks) noexcept
        : callbacks_(std::move(callbacks)) {}

    // From now on every drag is answered "none" and no callback runs.
    void Detach() noexcept {
        callbacks_.reset();
        offered_ = false;
    }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD /*keys*/, POINTL point,
                                        DWORD* effect) noexcept override {
        if (effect == nullptr) return E_INVALIDARG;
        FORMATETC format = BitmapFormat();
        offered_ = data != nullptr && data->QueryGetData(&format) == S_OK;
        *effect = Answer(point, *effect);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD /*keys*/, POINTL point, DWORD* effect) noexcept override {
        if (effect == nullptr) return E_INVALIDARG;
        *effect = Answer(point, *effect);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() noexcept override {
        offered_ = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD /*keys*/, POINTL point, DWORD* effect) noexcept override {
        if (effect == nullptr) return E_INVALIDARG;
        const DWORD allowed = *effect;
        *effect = DROPEFFECT_NONE;
        offered_ = false;  // the drag is over, whatever happens now
        const std::shared_ptr<const DropCallbacks> callbacks = callbacks_;
        POINT client{};
        if (callbacks == nullptr || data == nullptr || (allowed & DROPEFFECT_COPY) == 0 ||
            !ToClient(*callbacks, point, client)) {
            return S_OK;
        }
        // Asked again: a caller may drop without a DragOver at this point.
        try {
            if (!callbacks->accepts(client)) return S_OK;
        } catch (...) {
            return S_OK;
        }
        std::optional<Image> image = ReadDroppedBitmap(*data);
        if (!image) return S_OK;
        try {
            callbacks->dropped(client, std::move(*image));
        } catch (...) {
            return S_OK;  // not taken, so the source must not count it as copied
        }
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }

private:
    static bool ToClient(const DropCallbacks& callbacks, POINTL screen, POINT& client) noexcept {
        client = POINT{screen.x, screen.y};
        return ::ScreenToClient(callbacks.window, &client) != FALSE;
    }

    DWORD Answer(POINTL point, DWORD allowed) const noexcept {
        const std::shared_ptr<const DropCallbacks> callbacks = callbacks_;
        POINT client{};
        if (!offered_ || callbacks == nullptr || (allowed & DROPEFFECT_COPY) == 0 ||
            !ToClient(*callbacks, point, client)) {
            return DROPEFFECT_NONE;
        }
        try {
            return callbacks->accepts(client) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        } catch (...) {
            return DROPEFFECT_NONE;
        }
    }

    std::shared_ptr<const DropCallbacks> callbacks_;
    bool offered_ = false;  // the data of the drag in progress has a bitmap
};

}  // namespace

std::optional<Image> ImageFromBitmap(HBITMAP bitmap) noexcept {
    if (bitmap == nullptr || ::GetObjectType(bitmap) != OBJ_BITMAP) return std::nullopt;
    BITMAP shape{};
    if (::GetObjectW(bitmap, sizeof shape, &shape) != sizeof shape) return std::nullopt;
    if (!FitsGdi(shape.bmWidth, shape.bmHeight)) return std::nullopt;
    try {
        Image image;
        image.width = shape.bmWidth;
        image.height = shape.bmHeight;
        image.pixels.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
        const WindowDc screen(nullptr);
        if (!screen) return std::nullopt;
        BITMAPINFO info = TopDownInfo(image.width, image.height);
        if (::GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(image.height), image.pixels.data(), &info,
                        DIB_RGB_COLORS) != image.height) {
            return std::nullopt;
        }
        // A 32-bit screen bitmap may carry anything in the byte an Image leaves empty.
        for (uint32_t& pixel : image.pixels) pixel &= 0x00FFFFFFU;
        return image;
    } catch (...) {
        return std::nullopt;  // no memory for the pixels
    }
}

GdiObject<HBITMAP> BitmapFromImage(const Image& image) noexcept {
    if (image.Empty() || !FitsGdi(image.width, image.height)) return {};
    const WindowDc screen(nullptr);
    if (!screen) return {};
    const BITMAPINFO info = TopDownInfo(image.width, image.height);
    return GdiObject<HBITMAP>(
        ::CreateDIBitmap(screen.get(), &info.bmiHeader, CBM_INIT, image.pixels.data(), &info, DIB_RGB_COLORS));
}

ComPtr<IDataObject> MakeBitmapDataObject(const Image& image) noexcept {
    if (image.Empty()) return {};
    try {
        return ComPtr<IDataObject>(new BitmapDataObject(image));
    } catch (...) {
        return {};  // no memory for the object or its copy of the pixels
    }
}

ComPtr<IDropSource> MakeLeftButtonDropSource() noexcept {
    return ComPtr<IDropSource>(new (std::nothrow) LeftButtonDropSource());
}

bool StartBitmapDrag(const Image& image) noexcept {
    const ComPtr<IDataObject> data = MakeBitmapDataObject(image);
    const ComPtr<IDropSource> source = MakeLeftButtonDropSource();
    if (!data || !source) return false;
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result = ::DoDragDrop(data.get(), source.get(), DROPEFFECT_COPY, &effect);
    return result == DRAGDROP_S_DROP && (effect & DROPEFFECT_COPY) != 0;
}

BitmapDropTarget::BitmapDropTarget(BitmapDropTarget&& other) noexcept
    : window_(std::exchange(other.window_, nullptr)), target_(std::move(other.target_)) {}

BitmapDropTarget& BitmapDropTarget::operator=(BitmapDropTarget&& other) noexcept {
    if (this != &other) {
        Revoke();
        window_ = std::exchange(other.window_, nullptr);
        target_ = std::move(other.target_);
    }
    return *this;
}

BitmapDropTarget::~BitmapDropTarget() { Revoke(); }

bool BitmapDropTarget::Register(HWND window, Accepts accepts, Dropped dropped) noexcept {
    Revoke();
    if (window == nullptr || !accepts || !dropped) return false;
    ComPtr<DropTargetObject> object;
    try {
        object.reset(new DropTargetObject(
            std::make_shared<const DropCallbacks>(DropCallbacks{window, std::move(accepts), std::move(dropped)})));
    } catch (...) {
        return false;
    }
    if (FAILED(::RegisterDragDrop(window, object.get()))) {
        // OLE may still hold a reference somewhere; it must not reach the callbacks.
        object->Detach();
        return false;
    }
    window_ = window;
    target_.reset(object.release());
    return true;
}

void BitmapDropTarget::Revoke() noexcept {
    if (!target_) return;
    // OLE may keep a reference past the revocation (a drag in progress, a marshalled copy).
    static_cast<DropTargetObject*>(target_.get())->Detach();
    // Fails only when the window is gone already; there is nothing else to undo then.
    (void)::RevokeDragDrop(window_);
    target_.reset();
    window_ = nullptr;
}

}  // namespace tessarin
