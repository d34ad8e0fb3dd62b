// Pictures dragged out as CF_BITMAP and dropped onto a window: the bitmap round trip, what the
// data object answers, what the drop target answers and delivers, and what the drag source
// answers. The drag loop itself is OLE's: the end-to-end tests drag between the program and a
// window of theirs, both ways.

#include "win32/drag_drop.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "gdi_meter.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

// Every pixel differs from its neighbours in every channel, so a shifted, flipped or swapped
// row shows; the top byte is set too, and must not come back.
Image Pattern(int32_t width, int32_t height) {
    Image image{width, height, {}};
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            image.pixels.push_back(0xA5000000U | ((x * 37U + y * 11U) & 0xFFU) << 16U |
                                   ((x * 5U + y * 73U + 1U) & 0xFFU) << 8U | ((x * 101U ^ y * 29U) & 0xFFU));
    return image;
}
std::vector<uint32_t> Visible(Image image) {
    for (uint32_t& pixel : image.pixels) pixel &= 0x00FFFFFFU;
    return image.pixels;
}
FORMATETC Format(CLIPFORMAT format, DWORD tymed, DWORD aspect = DVASPECT_CONTENT) {
    return FORMATETC{format, nullptr, aspect, -1, tymed};
}

// A data object of someone else's making that says what it is told to: whether it has a
// bitmap, and what GetData then hands out (a brush where a bitmap belongs, or a failure). It
// lives on the test's stack and counts no references.
class ScriptedData final : public IDataObject {
public:
    ScriptedData(HRESULT query, HRESULT get) : query_(query), get_(get) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject) ? this : nullptr;
        return *object != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* /*format*/, STGMEDIUM* medium) override {
        if (get_ != S_OK) return get_;
        handed = ::CreateSolidBrush(RGB(1, 2, 3));
        *medium = STGMEDIUM{TYMED_GDI, {static_cast<HBITMAP>(handed)}, nullptr};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* /*format*/) override { return query_; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    HGDIOBJ handed = nullptr;  // what GetData handed over last

private:
    HRESULT query_, get_;
};

TEST(DragDropBitmap, ImagesSurviveTheScreenBitmapAndBackAndNothingIsMadeOfNoPicture) {
    // Widths that are no multiple of 4 (rows of a 24-bit screen bitmap get padded), a single row
    // and a single column.
    for (const auto& [width, height] : {std::pair{1, 1}, {3, 2}, {5, 7}, {64, 33}, {1, 50}, {50, 1}, {257, 3}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        const Image image = Pattern(width, height);
        const GdiObject<HBITMAP> bitmap = BitmapFromImage(image);
        // In the screen's format: a device-dependent bitmap, not a DIB section.
        DIBSECTION section{};
        ASSERT_EQ(::GetObjectW(bitmap.get(), sizeof section, &section), static_cast<int>(sizeof(BITMAP)));
        EXPECT_EQ(section.dsBm.bmBitsPixel, ::GetDeviceCaps(WindowDc(nullptr).get(), BITSPIXEL));
        const std::optional<Image> back = ImageFromBitmap(bitmap.get());
        ASSERT_TRUE(back);
        EXPECT_EQ(std::tuple(back->width, back->height, back->pixels), std::tuple(width, height, Visible(image)));
    }
    for (const Image& empty : {Image{}, Image{3, 0, {}}, Image{0, 3, {}}, Image{2, 2, {1, 2, 3}}, Image{-1, -1, {}}}) {
        EXPECT_FALSE(BitmapFromImage(empty) || MakeBitmapDataObject(empty) || StartBitmapDrag(empty))
            << empty.width << " x " << empty.height;
    }
    const GdiObject<HBRUSH> brush(::CreateSolidBrush(RGB(1, 2, 3)));
    const HBITMAP deleted = GdiObject<HBITMAP>(::CreateBitmap(4, 4, 1, 32, nullptr)).get();
    for (const HBITMAP handle : {static_cast<HBITMAP>(nullptr), reinterpret_cast<HBITMAP>(brush.get()), deleted})
        EXPECT_FALSE(ImageFromBitmap(handle));
}

TEST(DragDropData, HandsOutABitmapOfItsOwnOnGdiForEachAskAndRefusesEverythingElse) {
    const OleInit ole;
    ASSERT_TRUE(ole.ok());
    Image image = Pattern(9, 6);
    const std::vector<uint32_t> want = Visible(image);
    const ComPtr<IDataObject> data = MakeBitmapDataObject(image);
    ASSERT_TRUE(data);
    // A change to the caller's image after the drag began must not reach the receiver.
    image.pixels.assign(image.pixels.size(), 0);

    const std::pair<FORMATETC, HRESULT> rows[] = {
        {Format(CF_BITMAP, TYMED_GDI), S_OK},           {Format(CF_BITMAP, TYMED_GDI | TYMED_HGLOBAL), S_OK},
        {Format(CF_BITMAP, TYMED_HGLOBAL), DV_E_TYMED}, {Format(CF_DIB, TYMED_HGLOBAL), DV_E_FORMATETC},
        {Format(CF_DIB, TYMED_GDI), DV_E_FORMATETC},    {Format(CF_BITMAP, TYMED_GDI, DVASPECT_ICON), DV_E_DVASPECT},
    };
    std::vector<StorageMedium> media;  // every receiver's, kept for now
    for (auto [format, result] : rows) {
        SCOPED_TRACE(testing::Message() << format.cfFormat << " " << format.tymed << " " << format.dwAspect);
        EXPECT_EQ(data->QueryGetData(&format), result);
        EXPECT_EQ(data->GetData(&format, media.emplace_back().put()), result);
        if (result != S_OK) continue;
        EXPECT_EQ(std::tuple(media.back().value().tymed, ::GetObjectType(media.back().value().hBitmap),
                             media.back().value().pUnkForRelease),
                  std::tuple(DWORD{TYMED_GDI}, DWORD{OBJ_BITMAP}, nullptr));
    }
    // Every receiver has a bitmap of its own: the first one releasing it leaves the second's intact,
    // and the data object still has the picture for a third.
    const HBITMAP first = media[0].value().hBitmap, second = media[1].value().hBitmap;
    ASSERT_NE(first, second);
    media[0].reset();
    EXPECT_EQ(::GetObjectType(first), 0U);
    EXPECT_EQ(ImageFromBitmap(second).value_or(Image{}).pixels, want);
    FORMATETC format = Format(CF_BITMAP, TYMED_GDI);
    StorageMedium third;
    ASSERT_EQ(data->GetData(&format, third.put()), S_OK);
    EXPECT_EQ(ImageFromBitmap(third.value().hBitmap).value_or(Image{}).pixels, want);

    // The list of formats holds the one format and nothing more; nothing can be set.
    ComPtr<IEnumFORMATETC> formats, settable;
    ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, formats.put()), S_OK);
    FORMATETC listed[2] = {};
    ULONG count = 0;
    EXPECT_EQ(formats->Next(2, listed, &count), S_FALSE);
    ASSERT_EQ(count, 1U);
    EXPECT_EQ(std::tuple(listed[0].cfFormat, listed[0].tymed, listed[0].dwAspect, listed[0].lindex, listed[0].ptd),
              std::tuple(CLIPFORMAT{CF_BITMAP}, DWORD{TYMED_GDI}, DWORD{DVASPECT_CONTENT}, LONG{-1}, nullptr));
    EXPECT_TRUE(FAILED(data->EnumFormatEtc(DATADIR_SET, settable.put())) && !settable);
}

// A hidden window at a known place whose left half takes drops.
class DragDropTarget : public ::testing::Test {
protected:
    static constexpr int kLeft = 200, kTop = 150, kWidth = 120, kHeight = 60;

    void SetUp() override {
        ASSERT_TRUE(ole_.ok()) << std::hex << ole_.result();
        ASSERT_TRUE(window_ && Register(target_, window_.get()) && target_.target());
    }
    [[nodiscard]] bool Register(BitmapDropTarget& target, HWND window) {
        return target.Register(
            window,
            [this](POINT client) {
                if (throwIn_ == 1) throw std::runtime_error("accepts");
                return client.x < kWidth / 2;
            },
            [this](POINT client, Image image) {
                if (throwIn_ == 2) throw std::runtime_error("dropped");
                drops_.emplace_back(client, std::move(image));
            });
    }
    // The effect DragEnter, DragOver or Drop answers at client (x, 20) for a source that allows the
    // given effects, from the registered target or from one kept elsewhere.
    DWORD Enter(IDataObject* data, LONG x, DWORD allowed = DROPEFFECT_COPY, IDropTarget* target = nullptr) {
        EXPECT_EQ((target ? target : target_.target())->DragEnter(data, MK_LBUTTON, {kLeft + x, kTop + 20}, &allowed),
                  S_OK);
        return allowed;
    }
    DWORD Over(LONG x, DWORD allowed) {
        EXPECT_EQ(target_.target()->DragOver(MK_LBUTTON, {kLeft + x, kTop + 20}, &allowed), S_OK);
        return allowed;
    }
    DWORD Drop(IDataObject* data, LONG x, DWORD allowed = DROPEFFECT_COPY, IDropTarget* target = nullptr) {
        EXPECT_EQ((target ? target : target_.target())->Drop(data, 0, {kLeft + x, kTop + 20}, &allowed), S_OK);
        return allowed;
    }

    const OleInit ole_;
    const UniqueWindow window_{::CreateWindowExW(WS_EX_TOOLWINDOW, L"Static", nullptr, WS_POPUP, kLeft, kTop, kWidth,
                                                 kHeight, nullptr, nullptr, nullptr, nullptr)};
    const UniqueWindow other_{::CreateWindowExW(WS_EX_TOOLWINDOW, L"Static", nullptr, WS_POPUP, 0, 0, 10, 10, nullptr,
                                                nullptr, nullptr, nullptr)};
    int throwIn_ = 0;  // 1: accepts throws, 2: dropped throws
    std::vector<std::pair<POINT, Image>> drops_;
    BitmapDropTarget target_;  // last, so it is revoked before the windows go
};

constexpr LONG kIn = 10, kOut = 100;  // client x in the accepting (left) and the refusing (right) half

// DragEnter at the first point of the path, DragOver at the others and Drop at the end, each
// with the effect wanted; the drop delivers the picture at its client point when it answers
// a copy. Drop asks again: the point may be another than the last DragOver's. A callback that
// throws refuses the drop instead of unwinding into OLE.
TEST_F(DragDropTarget, OffersACopyWhereTheWindowTakesItDeliversThePictureDroppedThereAndLeavesNoGdiObject) {
    const Image image = Pattern(7, 5);
    const ComPtr<IDataObject> bitmap = MakeBitmapDataObject(image);
    ScriptedData text(DV_E_FORMATETC, DV_E_FORMATETC), brush(S_OK, S_OK), failing(S_OK, E_OUTOFMEMORY);
    constexpr DWORD kCopy = DROPEFFECT_COPY, kNone = DROPEFFECT_NONE, kMove = DROPEFFECT_MOVE;
    const struct {
        const char* name;
        IDataObject* data;
        DWORD allowed;
        int throwIn;
        std::vector<std::pair<LONG, DWORD>> path;
        std::pair<LONG, DWORD> drop;
    } rows[] = {
        {"bitmap, out and in again", bitmap.get(), kCopy, 0, {{kIn, kCopy}, {kOut, kNone}, {kIn, kCopy}}, {kIn, kCopy}},
        {"bitmap entering where refused", bitmap.get(), kCopy, 0, {{kOut, kNone}, {kIn, kCopy}}, {kOut, kNone}},
        {"source allows copy or move", bitmap.get(), kCopy | kMove, 0, {{kIn, kCopy}}, {kIn, kCopy}},
        {"source allows only a move", bitmap.get(), kMove, 0, {{kIn, kNone}, {kIn, kNone}}, {kIn, kNone}},
        {"data without a bitmap", &text, kCopy, 0, {{kIn, kNone}, {kIn, kNone}}, {kIn, kNone}},
        {"a brush where the bitmap belongs", &brush, kCopy, 0, {{kIn, kCopy}}, {kIn, kNone}},
        {"GetData fails", &failing, kCopy, 0, {{kIn, kCopy}}, {kIn, kNone}},
        {"no data", nullptr, kCopy, 0, {{kIn, kNone}, {kIn, kNone}}, {kIn, kNone}},
        {"accepts throws", bitmap.get(), kCopy, 1, {{kIn, kNone}}, {kIn, kNone}},
        {"dropped throws", bitmap.get(), kCopy, 2, {{kIn, kCopy}}, {kIn, kNone}},
        {"bitmap after the throws", bitmap.get(), kCopy, 0, {{kIn, kCopy}}, {kIn, kCopy}},
    };
    // Twice, and no GDI object stays behind: the first round may fill caches of the window system.
    std::vector<long> freeSlots;
    for (int round = 0; round < 2; ++round) {
        for (const auto& row : rows) {
            SCOPED_TRACE(row.name);
            drops_.clear();
            throwIn_ = row.throwIn;
            EXPECT_EQ(Enter(row.data, row.path[0].first, row.allowed), row.path[0].second);
            for (size_t i = 1; i < row.path.size(); ++i)
                EXPECT_EQ(Over(row.path[i].first, row.allowed), row.path[i].second) << "step " << i;
            EXPECT_EQ(Drop(row.data, row.drop.first, row.allowed), row.drop.second);
            ASSERT_EQ(drops_.size(), row.drop.second == kCopy ? 1U : 0U);
            if (drops_.empty()) continue;
            EXPECT_EQ(std::pair(drops_[0].first.x, drops_[0].first.y), std::pair(row.drop.first, 20L));
            EXPECT_EQ(std::tuple(drops_[0].second.width, drops_[0].second.height, drops_[0].second.pixels),
                      std::tuple(7, 5, Visible(image)));
        }
        freeSlots.push_back(FreeGdiSlots());
    }
    EXPECT_EQ(freeSlots[1], freeSlots[0]);
    // What could not be read was still given back.
    EXPECT_TRUE(brush.handed != nullptr && ::GetObjectType(brush.handed) == 0U);
}

TEST_F(DragDropTarget, RevokingReleasesTheWindowAndSilencesReferencesStillHeld) {
    const ComPtr<IDataObject> bitmap = MakeBitmapDataObject(Pattern(2, 2));
    // A window takes one drop target: a second owner fails, and neither its going nor a move
    // of the first one's registration takes that registration away.
    {
        BitmapDropTarget second;
        EXPECT_FALSE(Register(second, window_.get()) || second.target());
    }
    BitmapDropTarget moved(std::move(target_));
    EXPECT_EQ(std::pair(moved.window(), target_.target()),
              std::pair(window_.get(), static_cast<IDropTarget*>(nullptr)));
    BitmapDropTarget again;
    EXPECT_FALSE(Register(again, window_.get()));

    // Revoked, the window takes a new target; a reference someone kept answers "none" and
    // reaches no callback.
    IDropTarget* raw = moved.target();
    raw->AddRef();
    const ComPtr<IDropTarget> kept(raw);
    moved.Revoke();
    EXPECT_EQ(moved.target(), nullptr);
    EXPECT_EQ(Enter(bitmap.get(), kIn, DROPEFFECT_COPY, kept.get()), DWORD{DROPEFFECT_NONE});
    EXPECT_EQ(Drop(bitmap.get(), kIn, DROPEFFECT_COPY, kept.get()), DWORD{DROPEFFECT_NONE});
    EXPECT_TRUE(drops_.empty());
    ASSERT_TRUE(Register(target_, window_.get()));

    // The destructor revokes as well; registering again replaces the owner's earlier window.
    {
        BitmapDropTarget scoped;
        ASSERT_TRUE(Register(scoped, other_.get()));
    }
    ASSERT_TRUE(Register(again, other_.get()));
    ASSERT_TRUE(Register(again, other_.get()));

    // Nothing is registered for no window or without callbacks.
    BitmapDropTarget refused;
    EXPECT_FALSE(Register(refused, nullptr));
    EXPECT_FALSE(refused.Register(other_.get(), nullptr, [](POINT, const Image&) {}));
    EXPECT_FALSE(refused.Register(
        other_.get(), [](POINT) { return true; }, nullptr));
}

TEST(DragDropSource, EscCancelsAndLettingGoOfTheLeftButtonDrops) {
    const ComPtr<IDropSource> source = MakeLeftButtonDropSource();
    ASSERT_TRUE(source);
    // Esc and the release in one go: nothing is dropped.
    const std::tuple<BOOL, DWORD, HRESULT> rows[] = {
        {FALSE, MK_LBUTTON, S_OK},    {FALSE, MK_LBUTTON | MK_SHIFT, S_OK}, {TRUE, MK_LBUTTON, DRAGDROP_S_CANCEL},
        {TRUE, 0, DRAGDROP_S_CANCEL}, {FALSE, 0, DRAGDROP_S_DROP},          {FALSE, MK_RBUTTON, DRAGDROP_S_DROP},
    };
    for (const auto& [escape, keys, want] : rows)
        EXPECT_EQ(source->QueryContinueDrag(escape, keys), want) << escape << " " << keys;
    EXPECT_EQ(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS) << "no cursor would show the drag";
}

}  // namespace
}  // namespace tessarin::test
