#include "win32/accessibility.h"

#include <windows.h>
// These build on windows.h.
#include <oleacc.h>

#include <memory>

#include "win32/deadline.h"
#include "win32/handles.h"
#include "win32/wide.h"

namespace tessarin {
namespace {

std::string ToUtf8(const UniqueBstr& text) {
    if (!text) return {};
    return WideToUtf8(std::wstring_view(text.get(), SysStringLen(text.get())));
}

// Every failure is an answer ("no object", "no name", zeros), never an error.
AccessibleObjectInfo QueryObjectAt(Point p) {
    AccessibleObjectInfo info;
    ComPtr<IAccessible> object;
    VariantGuard child;
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

}  // namespace

// The object may belong to a program that has stopped answering, and its calls would hang the
// main window with it: they run on a thread of their own, and after the time limit the answer
// is "no object". Meanwhile messages sent to this thread are answered, because the object may
// just as well be one of this program's own windows.
AccessibleObjectInfo WinAccessibility::objectAt(Point p) const {
    const auto answer = std::make_shared<AccessibleObjectInfo>();
    const bool answered = CallWithDeadline(
        [answer, p] {
            const CoInit com(COINIT_MULTITHREADED);
            *answer = QueryObjectAt(p);
        },
        Until(::GetTickCount64() + timeoutMs_), WhileWaiting::AnswerSent);
    return answered ? *answer : AccessibleObjectInfo{};
}

}  // namespace tessarin
