#pragma once
// picPanel: the preview. It shows the picture `Pic` at its own size from its top-left corner,
// scrolled by its own bars VS and HS (in twips, capped at 32767), which appear only when the
// picture is larger than the panel. The picture is the preview's own copy of the image the list
// hands it to show.

#include <windows.h>

#include <functional>

#include "core/imagelist/image.h"
#include "core/imagelist/strip_geometry.h"
#include "win32/handles.h"
#include "win32/messages.h"
#include "win32/picture.h"

namespace tessarin {

class frPreview {
public:
    static constexpr wchar_t kClassName[] = L"TessarinPreview";
    static constexpr wchar_t kTip[] = L"ドラッグコピー可";

    // A button press on the picture (MK_LBUTTON, MK_RBUTTON or MK_MBUTTON).
    explicit frPreview(std::function<void(int button)> press = {}) : press_(std::move(press)) {}
    frPreview(const frPreview&) = delete;
    frPreview& operator=(const frPreview&) = delete;
    ~frPreview();

    [[nodiscard]] bool Create(HWND parent, int id);
    [[nodiscard]] HWND hwnd() const { return hwnd_; }
    // The picture becomes the image (empty for null) and is laid out again.
    void Show(const SharedImage& image);
    // The size of what it shows, in pixels.
    [[nodiscard]] int32_t pictureWidth() const { return pic_.width(); }
    [[nodiscard]] int32_t pictureHeight() const { return pic_.height(); }
    // Lays the bars out for the picture as it is now and shows it from its top-left corner.
    void LayOut();
    void SetScale(int twipsPerPixelX, int twipsPerPixelY);

    [[nodiscard]] HWND VerticalBar() const { return vs_; }
    [[nodiscard]] HWND HorizontalBar() const { return hs_; }
    [[nodiscard]] POINT Offset() const { return offset_; }

private:
    template <typename T>
    friend LRESULT CALLBACK OwnedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    void OnScroll(HWND bar, WORD request);

    Picture pic_;
    std::function<void(int button)> press_;
    HWND hwnd_ = nullptr;
    HWND vs_ = nullptr;
    HWND hs_ = nullptr;
    UniqueWindow tips_;
    PreviewLayout layout_;
    POINT offset_{};  // pixels the picture is scrolled by
    int twipsX_ = 15;
    int twipsY_ = 15;
};

}  // namespace tessarin
