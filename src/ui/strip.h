#pragma once
// frPicList: the strip of numbered thumbnail panels under the preview. It is one drawn child
// window, not a window per entry: a panel is a number and a few pixels of thumbnail, so many
// thousands of entries cost no window or GDI handles, and the scroll range is 32-bit. Only the
// panels in the update region are drawn, and a change invalidates only the panels it touches.
// The window's own horizontal scroll bar is HSList; its value is how far the strip is scrolled.
//
// The strip holds no entries of its own: it draws what the list's StripModel says now, is told
// which positions changed, and reports where the pointer is. Bitmaps dropped onto a panel are
// handed on with their position.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "core/imagelist/strip_geometry.h"
#include "core/ports/image_list.h"
#include "win32/drag_drop.h"
#include "win32/handles.h"
#include "win32/messages.h"
#include "win32/picture.h"

namespace tessarin {

class frPicList {
public:
    static constexpr wchar_t kClassName[] = L"TessarinPicList";
    static constexpr wchar_t kThumbTip[] = L"ドラッグコピー可　右クリックでショートカットメニュー";

    // What the pointer did over a panel. Each may be empty.
    struct Callbacks {
        // The pointer moved onto the panel of a position (once per change of position). Not
        // called again while a previous call is still running (it may pump messages).
        std::function<void(int32_t position)> hover;
        std::function<void(int32_t position)> leftPress;
        std::function<void(int32_t position, POINT screen)> rightPress;
        // A bitmap dropped onto a panel. With it, the strip registers as an OLE drop target.
        std::function<void(int32_t position, const Image& image)> drop;
        // Whether a drop onto a panel would be taken (empty: always).
        std::function<bool(int32_t position)> acceptsDrop;
    };

    explicit frPicList(const StripModel& model, Callbacks callbacks = {})
        : model_(model), callbacks_(std::move(callbacks)) {}
    frPicList(const frPicList&) = delete;
    frPicList& operator=(const frPicList&) = delete;
    ~frPicList();

    // Creates the strip as a visible child of parent, in parent client coordinates.
    [[nodiscard]] bool Create(HWND parent, const RECT& bounds, int id = 0);
    [[nodiscard]] HWND hwnd() const { return hwnd_; }

    // The window moved to a monitor of another scale: panels and captions follow it.
    void SetDpi(UINT dpi);
    // Positions from `position` on are new, gone or renumbered.
    void ChangedFrom(int32_t position);
    // One panel's picture or caption colour changed.
    void ChangedAt(int32_t position);
    // The model's selection moved: the panels around it are repainted.
    void SelectionChanged();
    [[nodiscard]] int32_t Count() const { return model_.Count(); }

    // The scroll value is how many pixels the strip is scrolled left.
    [[nodiscard]] int32_t ScrollValue() const { return scroll_; }
    [[nodiscard]] const ScrollBar& Bar() const { return bar_; }
    void ScrollTo(int32_t value);
    void ScrollToEnd() { ScrollTo(bar_.maximum); }
    // One small change towards a panel that sticks out of view; nothing when it is in view.
    void EnsureVisible(int32_t position);

    [[nodiscard]] const StripMetrics& Metrics() const { return layout_.metrics; }
    [[nodiscard]] const StripLayout& Layout() const { return layout_; }
    // The panel of a position in client coordinates (it may lie outside the client area).
    [[nodiscard]] RECT PanelRect(int32_t position) const;

private:
    template <typename T>
    friend LRESULT CALLBACK OwnedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void Paint();
    void DrawPanel(HDC dc, int32_t position) const;
    [[nodiscard]] int32_t ClientWidth() const;
    [[nodiscard]] int32_t PositionAt(POINT client) const;
    void InvalidatePanel(int32_t position);
    void InvalidateFrom(int32_t position);
    void UpdateScrollBar();
    void OnHScroll(WORD request);
    void OnMouseMove(POINT client);

    const StripModel& model_;
    Callbacks callbacks_;
    HWND hwnd_ = nullptr;
    BitmapDropTarget dropTarget_;
    UniqueWindow tips_;
    GdiObject<HFONT> font_;
    StripLayout layout_;
    int32_t scroll_ = 0;
    ScrollBar bar_;
    bool updatingBar_ = false;
    bool barShown_ = false;  // what the window's bar shows now
    int32_t hovered_ = 0;    // the position the pointer is over, 0 for none
    bool inHover_ = false;
    bool tracking_ = false;  // a WM_MOUSELEAVE is asked for
};

}  // namespace tessarin
