// An icon as 32-bit premultiplied pixels: the one way the engine turns an icon into alpha
// pixels, used by TPngImage::AssignIcon and by the icon drawing on alpha DCs.
#pragma once
#include "platform/win/handles.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace vell::image {

// An icon's bitmaps and size (a mask-only icon's mask holds the AND and XOR halves, so the
// icon is half as high as its mask).
struct IconParts {
    win::UniqueBitmap color, mask;
    int w = 0, h = 0;
    bool maskOnly = false;
};

// False for a null or unreadable icon or one without area.
bool ReadIcon(HICON icon, IconParts& parts);

// Draws the icon at its own size with the platform's own DrawIconEx into `dc`, whose
// selected bitmap is a 32-bit top-down DIB with rows at `pixels`, `stride` bytes apart and
// at least parts.w x parts.h. The area is cleared first. When the icon brings no alpha,
// alpha comes from its AND mask (bit 0: opaque); pixels the XOR part paints white stay
// opaque. The result is premultiplied.
bool RenderIcon(HICON icon, const IconParts& parts, HDC dc, uint8_t* pixels, ptrdiff_t stride);

} // namespace vell::image
