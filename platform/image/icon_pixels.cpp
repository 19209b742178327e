#include "platform/image/icon_pixels.h"

#include "platform/intercept/platform_calls.h"

#include <algorithm>
#include <vector>

namespace vell::image {

bool ReadIcon(HICON icon, IconParts& parts) {
    ICONINFO ii{};
    if (!icon || !::GetIconInfo(icon, &ii)) return false;
    parts.color.reset(ii.hbmColor);
    parts.mask.reset(ii.hbmMask);
    parts.maskOnly = !parts.color;
    BITMAP bm{};
    if (!::GetObjectW(parts.maskOnly ? parts.mask.get() : parts.color.get(), sizeof bm, &bm)) return false;
    parts.w = bm.bmWidth;
    parts.h = parts.maskOnly ? bm.bmHeight / 2 : bm.bmHeight;
    return parts.w > 0 && parts.h > 0;
}

bool RenderIcon(HICON icon, const IconParts& parts, HDC dc, uint8_t* pixels, ptrdiff_t stride) {
    const int w = parts.w, h = parts.h;
    auto row = [&](int y) { return pixels + y * stride; };
    ::GdiFlush();
    for (int y = 0; y < h; ++y)
        std::fill_n(row(y), w * 4, uint8_t{0});
    if (!PlatformDrawIconEx()(dc, 0, 0, icon, w, h, 0, nullptr, DI_NORMAL)) return false;
    ::GdiFlush();
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = row(y);
        for (int x = 0; x < w; ++x)
            if (p[x * 4 + 3]) return true;
    }

    // The AND mask as 32-bit top-down rows: white means "keep the background".
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> bits(static_cast<size_t>(w) * h);
    HDC screen = ::GetDC(nullptr);
    const int rows =
        ::GetDIBits(screen, parts.mask.get(), parts.maskOnly ? h : 0, h, bits.data(), &info, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    for (int y = 0; y < h; ++y) {
        uint8_t* p = row(y);
        for (int x = 0; x < w; ++x, p += 4) {
            const bool transparent = rows > 0 && (bits[static_cast<size_t>(y) * w + x] & 0xFFFFFF) != 0;
            const bool white = p[0] == 255 && p[1] == 255 && p[2] == 255;
            if (transparent && !white)
                p[0] = p[1] = p[2] = p[3] = 0;
            else
                p[3] = 255;
        }
    }
    return true;
}

} // namespace vell::image
