// The image's side of the alpha-DC registries.
#include "platform/image/dc_registry.h"
#include "platform/image/png_image.h"

namespace vell::image {

namespace {

// A registered image DC draws into alpha pixels while its layout is 32-bit and its image
// keeps alpha.
bool headerKeepsAlpha(const void* header) {
    const auto* h = static_cast<const TChunkIHDR*>(header);
    return h->BitCount() == 32 && h->Owner()->AlphaMode != pamIgnore;
}

void installAlphaTest() {
    static const bool installed = (SetImageHeaderAlphaTest(&headerKeepsAlpha), true);
    (void)installed;
}

} // namespace

void TChunkIHDR::registerDC() {
    if (ImageDC && BitCount() == 32 && !DCHashed) {
        installAlphaTest();
        vell::RegisterImageDC(ImageDC.get(), this);
        DCHashed = true;
    }
}

void TChunkIHDR::unregisterDC() {
    if (DCHashed) {
        vell::UnregisterImageDC(ImageDC.get());
        DCHashed = false;
    }
}

void TPngImage::MakeDC32(HDC dc, const void* obj) {
    vell::MakeDC32(dc, obj);
}
void TPngImage::RemoveDC32(HDC dc, const void* obj) {
    vell::RemoveDC32(dc, obj);
}
bool TPngImage::IsAlphaDC(HDC dc) {
    installAlphaTest();
    return vell::IsAlphaDC(dc);
}

} // namespace vell::image
