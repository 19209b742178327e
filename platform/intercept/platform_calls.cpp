#include "platform/intercept/platform_calls.h"

#include <array>

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

void* ByName(const char* library, const char* name) {
    HMODULE module = ::GetModuleHandleA(library);
    if (!module) module = ::LoadLibraryA(library); // comctl32 may not be loaded yet; kept loaded
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

template <typename F> void Pick(F& out, DrawCall call) {
    int i = static_cast<int>(call);
    void* p = gSlots[i] ? gSlots[i] : Named().addr[i];
    out = reinterpret_cast<F>(p);
}

} // namespace

const RedirectEntry& RedirectTableEntry(DrawCall call) {
    return kTable[static_cast<int>(call)];
}

void** RedirectSlot(DrawCall call) {
    return &gSlots[static_cast<int>(call)];
}

const PlatformCalls& Platform() {
    // Built on first use. The slots are filled before any redirect replaces an import,
    // and a saved address is the same function as the one found by name.
    static const PlatformCalls calls = [] {
        PlatformCalls c{};
        Pick(c.FillRect, DrawCall::FillRect);
        Pick(c.FrameRect, DrawCall::FrameRect);
        Pick(c.DrawEdge, DrawCall::DrawEdge);
        Pick(c.DrawFrameControl, DrawCall::DrawFrameControl);
        Pick(c.DrawTextW, DrawCall::DrawTextW);
        Pick(c.DrawTextExW, DrawCall::DrawTextExW);
        Pick(c.DrawIconEx, DrawCall::DrawIconEx);
        Pick(c.StretchBlt, DrawCall::StretchBlt);
        Pick(c.SetPixel, DrawCall::SetPixel);
        Pick(c.BitBlt, DrawCall::BitBlt);
        Pick(c.Rectangle, DrawCall::Rectangle);
        Pick(c.LineTo, DrawCall::LineTo);
        Pick(c.Polyline, DrawCall::Polyline);
        Pick(c.Ellipse, DrawCall::Ellipse);
        Pick(c.RoundRect, DrawCall::RoundRect);
        Pick(c.TextOutW, DrawCall::TextOutW);
        Pick(c.ExtTextOutW, DrawCall::ExtTextOutW);
        Pick(c.ImageList_DrawEx, DrawCall::ImageList_DrawEx);
        return c;
    }();
    return calls;
}

decltype(&::StretchBlt) PlatformStretchBlt() {
    static auto f = reinterpret_cast<decltype(&::StretchBlt)>(ByName("gdi32.dll", "StretchBlt"));
    return f;
}
decltype(&::BitBlt) PlatformBitBlt() {
    static auto f = reinterpret_cast<decltype(&::BitBlt)>(ByName("gdi32.dll", "BitBlt"));
    return f;
}
decltype(&::FillRect) PlatformFillRect() {
    static auto f = reinterpret_cast<decltype(&::FillRect)>(ByName("user32.dll", "FillRect"));
    return f;
}
decltype(&::DrawIconEx) PlatformDrawIconEx() {
    static auto f = reinterpret_cast<decltype(&::DrawIconEx)>(ByName("user32.dll", "DrawIconEx"));
    return f;
}

} // namespace vell
