// The cache of scratch images: up to eight blank images kept by the start-up thread and
// handed out again when a caller asks for one of the same kind that fits.
#include "core/image/blank_cache.h"
#include "core/image/errors.h"
#include "core/image/layout.h"
#include "platform/image/png_canvas.h"
#include "platform/image/png_image.h"

namespace vell::image {

namespace {

// The thread that ran start-up: only it uses the cache.
const DWORD startupThread = ::GetCurrentThreadId();

struct BlankImageCache {
    TPngImage* slots[kBlankCacheSlots] = {};
    int hits = 0;
};

BlankImageCache& cache() {
    static BlankImageCache* const c = new BlankImageCache;
    return *c;
}

} // namespace

void TPngImage::resetForCacheUse(int cx, int cy, bool cacheNoErase) {
    AlphaMode = pamUnknown;
    AllowShareSelf = false;
    FGrayMode = false;
    FDataInt = 0;
    FDataStr.clear();
    FDataPtr = nullptr;
    FAlphaBlendValue = 255;
    FSmoothFilter = psfDefault;
    fFilters = filterBit(pfSub);
    fCompressionLevel = 1;
    fInterlaceMethod = imNone;
    ViewLeft = ViewTop = 0;
    ViewWidth = cx;
    ViewHeight = cy;
    if (fCanvas)
        fCanvas->ResetDrawingState();
    else if (HasCanvasHandle())
        ResetDrawingState(FHeader->ImageDC.get());
    if (!cacheNoErase) FillRect(RECT{0, 0, cx, cy}, 0);
    if (HasCanvasHandle() && RefSaveDC != 0) ::IntersectClipRect(FHeader->ImageDC.get(), 0, 0, cx, cy);
}

TPngImage* TPngImage::CreateBlank(int colorType, int bitDepth, int cx, int cy, bool needDC, bool useCache,
                                  bool needRGB32If32Bit, bool cacheNoErase) {
    if (!useCache || ::GetCurrentThreadId() != startupThread) {
        auto* img = new TPngImage;
        try {
            img->MakeBlank(colorType, bitDepth, cx, cy, needDC, needRGB32If32Bit);
        } catch (...) {
            delete img;
            throw;
        }
        return img;
    }
    if (cx < 0 || cy < 0) RaiseError<EPNGInvalidNewSize>(msg::kInvalidNewSize);
    const int depth = storedBitDepth(colorType, bitDepth);
    if (depth == 0) RaiseError<EPNGInvalidSpec>(msg::kInvalidSpec);
    const bool want32 = colorType == COLOR_RGBALPHA && (needRGB32If32Bit || needDC);

    BlankImageCache& c = cache();
    for (TPngImage* img : c.slots) {
        if (!img || img->RefCount() != 1) continue;
        const TChunkIHDR* h = img->HeaderOrNull();
        if (!h || h->IHDRData.ColorType != colorType || h->IHDRData.BitDepth != depth) continue;
        if (img->GetWidth() < cx || img->GetHeight() < cy) continue;
        if (want32 && h->BitCount() != 32) continue;
        if (img->AddRef(true) != 2) {
            img->ReleaseRef();
            continue;
        }
        if (needDC) img->CanvasHandle();
        ++c.hits;
        img->resetForCacheUse(cx, cy, cacheNoErase);
        return img;
    }

    auto* img = new TPngImage;
    try {
        img->MakeBlank(colorType, bitDepth, cacheAllocSize(cx), cacheAllocSize(cy), needDC, needRGB32If32Bit);
    } catch (...) {
        delete img;
        throw;
    }
    img->AllowShareSelf = false;
    img->ViewWidth = cx;
    img->ViewHeight = cy;
    img->AddRef(true); // one reference for the cache, one for the caller

    for (TPngImage*& slot : c.slots)
        if (!slot) {
            slot = img;
            return img;
        }
    CacheSlotState states[kBlankCacheSlots];
    for (int i = 0; i < kBlankCacheSlots; ++i) {
        states[i].area = int64_t(c.slots[i]->GetWidth()) * c.slots[i]->GetHeight();
        states[i].inUse = c.slots[i]->RefCount() > 1;
    }
    const int victim = chooseCacheVictim(states);
    TPngImage* old = c.slots[victim];
    c.slots[victim] = img;
    // An image still in use lives on for its user, whose release restores the saved DC.
    if (old->RefCount() > 1 && old->RefSaveDC != 0) --old->RefSaveDC_Index;
    old->ReleaseRef();
    return img;
}

void TPngImage::ClearBlankImageCache() {
    BlankImageCache& c = cache();
    for (TPngImage*& slot : c.slots) {
        TPngImage* img = slot;
        slot = nullptr;
        if (!img) continue;
        if (img->RefCount() > 1 && img->RefSaveDC != 0) --img->RefSaveDC_Index;
        img->ReleaseRef();
    }
}

} // namespace vell::image
