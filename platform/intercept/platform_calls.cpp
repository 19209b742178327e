#include "platform/intercept/platform_calls.h"

#include <array>
#include <cstring>

namespace vell {

namespace {

constexpr int kCount = static_cast<int>(DrawCall::Count);

constexpr RedirectEntry kTable[kCount] = {
    {"user32.dll", "FillRect"},   {"user32.dll", "FrameRect"},
    {"user32.dll", "DrawEdge"},   {"user32.dll", "DrawFrameControl"},
    {"user32.dll", "DrawTextW"},  {"user32.dll", "DrawTextExW"},
    {"user32.dll", "DrawIconEx"}, {"gdi32.dll", "StretchBlt"},
    {"gdi32.dll", "SetPixel"},    {"gdi32.dll", "BitBlt"},
    {"gdi32.dll", "Rectangle"},   {"gdi32.dll", "LineTo"},
    {"gdi32.dll", "Polyline"},    {"gdi32.dll", "Ellipse"},
    {"gdi32.dll", "RoundRect"},   {"gdi32.dll", "TextOutW"},
    {"gdi32.dll", "ExtTextOutW"}, {"comctl32.dll", "ImageList_DrawEx"},
};

// Filled by the redirect installer; a non-empty slot marks an installed redirect.
std::array<void*, kCount> gSlots{};

// Only libraries the process has loaded: comctl32 is not loaded for the engine's sake (it
// costs a start-up time and memory the loader does not need); whoever draws an image list
// has loaded it.
void* ByName(const char* library, const char* name) {
    HMODULE module = ::GetModuleHandleA(library);
    return module ? reinterpret_cast<void*>(::GetProcAddress(module, name)) : nullptr;
}

struct ByNameTable {
    std::array<void*, kCount> addr{};
    ByNameTable() {
        for (int i = 0; i < kCount; ++i)
            addr[i] = ByName(kTable[i].Library, kTable[i].Name);
    }
};

const ByNameTable& Named() {
    static const ByNameTable table;
    return table;
}

} // namespace

const RedirectEntry& RedirectTableEntry(DrawCall call) {
    return kTable[static_cast<int>(call)];
}

void** RedirectSlot(DrawCall call) {
    return &gSlots[static_cast<int>(call)];
}

const PlatformCalls& Platform() {
    // Built on first use. The fields of PlatformCalls are the redirect table's entries in
    // order; a saved import address and the function found by name are the same function.
    static_assert(sizeof(PlatformCalls) == kCount * sizeof(void*));
    static const PlatformCalls calls = [] {
        std::array<void*, kCount> addr{};
        for (int i = 0; i < kCount; ++i)
            addr[i] = gSlots[i] ? gSlots[i] : Named().addr[i];
        PlatformCalls c{};
        std::memcpy(&c, addr.data(), sizeof c);
        return c;
    }();
    return calls;
}

template <typename F> F KeptApart(const char* library, const char* name) {
    return reinterpret_cast<F>(ByName(library, name));
}

decltype(&::StretchBlt) PlatformStretchBlt() {
    static const auto f = KeptApart<decltype(&::StretchBlt)>("gdi32.dll", "StretchBlt");
    return f;
}
decltype(&::BitBlt) PlatformBitBlt() {
    static const auto f = KeptApart<decltype(&::BitBlt)>("gdi32.dll", "BitBlt");
    return f;
}
decltype(&::FillRect) PlatformFillRect() {
    static const auto f = KeptApart<decltype(&::FillRect)>("user32.dll", "FillRect");
    return f;
}
decltype(&::DrawIconEx) PlatformDrawIconEx() {
    static const auto f = KeptApart<decltype(&::DrawIconEx)>("user32.dll", "DrawIconEx");
    return f;
}

} // namespace vell
