#include "crash/engine/screenshot.h"

#include "core/png/codec.h"
#include "platform/win/dib_section.h"
#include "platform/win/handles.h"

#include <cstring>

namespace vell::crash {

bool Screenshot::Capture() {
    pixels_.clear();
    width_ = height_ = 0;
    const int x = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int y = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int w = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int h = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (w <= 0 || h <= 0 || w > 32768 || h > 32768) return false;

    win::WindowDC screen(nullptr);
    if (!screen) return false;
    win::UniqueMemoryDC memory(::CreateCompatibleDC(screen.get()));
    win::DibSection dib = win::DibSection::create(w, h, 32, screen.get());
    if (!memory || !dib) return false;
    {
        win::SelectObjectGuard select(memory.get(), dib.handle());
        if (!::BitBlt(memory.get(), 0, 0, w, h, screen.get(), x, y, SRCCOPY | CAPTUREBLT)) return false;
        ::GdiFlush();
    }
    const size_t bytes = size_t(w) * size_t(h) * 4;
    pixels_.assign(dib.bits(), dib.bits() + bytes);
    // The screen has no alpha: every pixel is opaque.
    for (size_t i = 3; i < bytes; i += 4)
        pixels_[i] = 255;
    width_ = w;
    height_ = h;
    return true;
}

bool Screenshot::SaveToPngFile(const std::wstring& path) const {
    if (pixels_.empty()) return false;
    std::vector<uint8_t> png;
    try {
        png = png::encodeBgra(pixels_.data(), uint32_t(width_), uint32_t(height_), size_t(width_) * 4, false);
    } catch (...) {
        return false;
    }
    win::UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.get(), png.data(), DWORD(png.size()), &written, nullptr) && written == png.size();
}

} // namespace vell::crash
