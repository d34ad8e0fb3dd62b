#pragma once
// frPicList: the strip of numbered thumbnail panels under the preview. It is one drawn child
// window, not a window per entry: a panel is a number and a few pixels of thumbnail, so many
// thousands of entries cost no window or GDI handles, and the scroll range is 32-bit. Only the
// panels in the update region are drawn, and a change invalidates only the panels it touches.
// The window's own horizontal scroll bar is HSList; its value is how far the strip is scrolled.
//
// Positions are 1..Count(), contiguous; removing an entry renumbers the ones after it. The
// strip knows nothing of files or slots: it shows what its owner tells it and reports where
// the pointer is.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "core/imagelist/strip_geometry.h"
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
    };

    explicit frPicList(Callbacks callbacks = {}) : callbacks_(std::move(callbacks)) {}
    frPicList(const frPicList&) = delete;
    frPicList& operator=(const frPicList&) = delete;
    ~frPicList();

    // Creates the strip as a visible child of parent, in parent client coordinates.
    [[nodiscard]] bool Create(HWND parent, const RECT& bounds, int id = 0);
    [[nodiscard]] HWND hwnd() const { return hwnd_; }

    // Appends an entry with a thumbnail made from picture (scaled down when it does not fit a
    // panel) and returns its position; 0 when the picture is empty or no thumbnail could be
    // made, and then nothing is added.
    [[nodiscard]] int32_t Add(const Picture& picture, bool saved);
    // Removes an entry; later ones move left and are renumbered. When it was the selected one,
    // the selection moves as after a deletion (the next entry, else the new last one, else
    // none). False for a position outside 1..Count().
    bool Remove(int32_t position);
    // A saved entry's caption is blue.
    void SetSaved(int32_t position, bool saved);
    [[nodiscard]] bool Saved(int32_t position) const;
    // Highlights a position; 0 (or any position outside 1..Count()) selects nothing.
    void Select(int32_t position);
    [[nodiscard]] int32_t Selected() const { return selected_; }
    [[nodiscard]] int32_t Count() const { return static_cast<int32_t>(entries_.size()); }

    // The scroll value is how many pixels the strip is scrolled left.
    [[nodiscard]] int32_t ScrollValue() const { return scroll_; }
    [[nodiscard]] const ScrollBar& Bar() const { return bar_; }
    void ScrollTo(int32_t value);
    void ScrollToEnd() { ScrollTo(bar_.maximum); }
    // One small change towards a panel that sticks out of view; nothing when it is in view.
    void EnsureVisible(int32_t position);

    [[nodiscard]] const StripMetrics& Metrics() const { return metrics_; }
    // The panel of a position in client coordinates (it may lie outside the client area).
    [[nodiscard]] RECT PanelRect(int32_t position) const;

private:
    struct Entry {
        std::vector<uint32_t> pixels;  // top-down rows, already cropped to the panel
        int32_t width = 0;
        int32_t height = 0;
        bool saved = false;
    };

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

    Callbacks callbacks_;
    HWND hwnd_ = nullptr;
    UniqueWindow tips_;
    GdiObject<HFONT> font_;
    StripMetrics metrics_;
    int32_t panelHeight_ = 45;  // pixels
    int32_t imageLeft_ = 2;     // the thumbnail inside its panel, pixels
    int32_t imageTop_ = 10;
    int32_t twipsPerPixel_ = 15;
    std::vector<Entry> entries_;  // position p at index p - 1
    int32_t selected_ = 0;
    int32_t scroll_ = 0;
    ScrollBar bar_;
    bool updatingBar_ = false;
    bool barShown_ = false;  // what the window's bar shows now
    int32_t hovered_ = 0;    // the position the pointer is over, 0 for none
    bool inHover_ = false;
    bool tracking_ = false;  // a WM_MOUSELEAVE is asked for
};

}  // namespace tessarin
