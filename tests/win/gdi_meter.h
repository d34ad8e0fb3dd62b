#pragma once
// How many more GDI objects this process could make. Windows counts the objects in use
// (GetGuiResources); Wine does not implement that call, so there the free slots of its
// finite handle table are counted by making small bitmaps until it refuses, then deleting
// them. Either way a leak shows as fewer free slots.

#include <windows.h>

#include <vector>

#include "win32/handles.h"

namespace tessarin::test {

// The per-process quota of GDI objects on Windows (its default).
constexpr long kWindowsGdiQuota = 10000;

inline long FreeGdiSlots() {
    const DWORD inUse = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    if (inUse != 0) return kWindowsGdiQuota - static_cast<long>(inUse);
    // Bitmaps that need no DC (taking the screen DC here could grow the system's DC cache), and
    // not 1 x 1 monochrome ones, which Wine answers with one shared stock bitmap. Bounded, so a
    // system without a limit cannot run away with the memory.
    std::vector<GdiObject<HBITMAP>> probe;
    while (probe.size() < 1000000) {
        GdiObject<HBITMAP> bitmap(::CreateBitmap(2, 2, 1, 1, nullptr));
        if (!bitmap) break;
        probe.push_back(std::move(bitmap));
    }
    return static_cast<long>(probe.size());
}

}  // namespace tessarin::test
