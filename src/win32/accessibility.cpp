#include "win32/accessibility.h"

#include <windows.h>
// These build on windows.h.
#include <oleacc.h>

#include "win32/handles.h"
#include "win32/wide.h"

namespace tessarin {
namespace {

std::string ToUtf8(const UniqueBstr& text) {
    if (!text) return {};
    return WideToUtf8(std::wstring_view(text.get(), SysStringLen(text.get())));
}

}  // namespace

AccessibleObjectInfo WinAccessibility::objectAt(Point p) const {
    AccessibleObjectInfo info;
    ComPtr<IAccessible> object;
    VariantGuard child;
    // Every failure below is an answer ("no object", "no name", zeros), never an error.
    if (FAILED(AccessibleObjectFromPoint(POINT{p.x, p.y}, object.put(), child.get())) || !object) return info;
    info.found = true;

    BSTR name = nullptr;
    const HRESULT nameResult = object->get_accName(child.value(), &name);
    const UniqueBstr ownedName(name);
    if (SUCCEEDED(nameResult)) info.name = ToUtf8(ownedName);
    BSTR value = nullptr;
    const HRESULT valueResult = object->get_accValue(child.value(), &value);
    const UniqueBstr ownedValue(value);
    if (SUCCEEDED(valueResult)) info.value = ToUtf8(ownedValue);

    long left = 0;
    long top = 0;
    long width = 0;
    long height = 0;
    if (SUCCEEDED(object->accLocation(&left, &top, &width, &height, child.value()))) {
        info.left = left;
        info.top = top;
        info.width = width;
        info.height = height;
    }
    return info;
}

}  // namespace tessarin
