#include "win32/accessibility.h"

#include <windows.h>
// These build on windows.h.
#include <oleacc.h>

#include <memory>
#include <system_error>
#include <thread>

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

// What the asking thread and the thread that asks the object share; whichever is left last
// frees it, so a thread still hung in another program holds nothing of the caller's.
struct Question {
    Point point;
    AccessibleObjectInfo answer;
    UniqueHandle answered{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

}  // namespace

// The object may belong to a program that has stopped answering, and its calls would hang the
// main window with it: they run on a thread of their own, and after the time limit the answer
// is "no object". Meanwhile messages sent to this thread are answered, because the object may
// just as well be one of this program's own windows.
AccessibleObjectInfo WinAccessibility::objectAt(Point p) const {
    const auto question = std::make_shared<Question>();
    question->point = p;
    if (!question->answered) return {};
    try {
        std::thread([question] {
            const CoInit com(COINIT_MULTITHREADED);
            try {
                question->answer = QueryObjectAt(question->point);
            } catch (...) {
                question->answer = {};  // out of memory: no object
            }
            ::SetEvent(question->answered.get());
        }).detach();
    } catch (const std::system_error&) {
        return {};
    }
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs_;
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) return {};
        const HANDLE event = question->answered.get();
        const DWORD woke =
            ::MsgWaitForMultipleObjectsEx(1, &event, static_cast<DWORD>(deadline - now), QS_SENDMESSAGE, 0);
        if (woke == WAIT_OBJECT_0) return question->answer;
        if (woke != WAIT_OBJECT_0 + 1) return {};
        // Only messages sent from other threads are answered here, not input or timers.
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace tessarin
