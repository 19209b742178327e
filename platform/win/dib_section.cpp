#include "platform/win/dib_section.h"

namespace vell::win {

BITMAPINFO topDownBitmapInfo(int width, int height, int bitCount) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitCount);
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

DibSection DibSection::create(int width, int height, int bitCount, HDC reference) {
    return create(topDownBitmapInfo(width, height, bitCount), reference);
}

DibSection DibSection::create(const BITMAPINFO& info, HDC reference) {
    DibSection dib;
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bmp && bits) {
        dib.bitmap_.reset(bmp);
        dib.bits_ = static_cast<uint8_t*>(bits);
    } else if (bmp) {
        ::DeleteObject(bmp);
    }
    return dib;
}

} // namespace vell::win
