// The header chunk's pixel storage: bitmap info and colour table, heap and DIB-section
// pixel blocks, the memory DC, and the switch between them.
#include "core/image/errors.h"
#include "core/image/layout.h"
#include "core/image/pixel_rows.h"
#include "platform/image/png_canvas.h"
#include "platform/image/png_image.h"
#include "platform/image/png_image_data.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vell::image {

namespace {

// The largest block one image may hold; beyond it allocation fails as out of memory.
constexpr uint64_t kMaxBlock = 1ull << 30;

[[noreturn]] void raiseOutOfMemory(uint64_t size, uint32_t w, uint32_t h) {
    raiseError<EPNGOutMemory>("Out of memory, Size=" + std::to_string(size) + ", W=" + std::to_string(w) +
                              ", H=" + std::to_string(h));
}

uint8_t* heapBlock(uint64_t bytes, bool zero, uint32_t w, uint32_t h) {
    if (bytes > kMaxBlock) raiseOutOfMemory(bytes, w, h);
    const size_t n = static_cast<size_t>(bytes ? bytes : 1);
    void* p = zero ? std::calloc(n, 1) : std::malloc(n);
    if (!p) raiseOutOfMemory(bytes, w, h);
    return static_cast<uint8_t*>(p);
}

void freeBlock(uint8_t*& p) {
    std::free(p);
    p = nullptr;
}

} // namespace

uint32_t TChunkIHDR::BytesPerRow() const {
    return dibStride(BitCount(), IHDRData.Width);
}

uint8_t* TChunkIHDR::allocHeap(size_t bytes, bool zero) {
    return heapBlock(bytes, zero, IHDRData.Width, IHDRData.Height);
}

void TChunkIHDR::PrepareBitmapInfo(bool rgb32) {
    const int ct = IHDRData.ColorType;
    const int bitCount = layoutBitCount(ct, IHDRData.BitDepth, rgb32);
    const int entries = colorTableSize(ct, IHDRData.BitDepth);
    BITMAPINFOHEADER& bh = BitmapInfo.bmiHeader;
    std::memset(&BitmapInfo, 0, sizeof BitmapInfo);
    bh.biSize = sizeof(BITMAPINFOHEADER);
    bh.biWidth = static_cast<LONG>(IHDRData.Width);
    bh.biHeight = -static_cast<LONG>(IHDRData.Height);
    bh.biPlanes = 1;
    bh.biBitCount = static_cast<WORD>(bitCount);
    bh.biCompression = BI_RGB;
    bh.biClrUsed = static_cast<DWORD>(entries);
    HasPalette = entries > 0;
    fOwner->FBytesPerRow = BytesPerRow();
    fOwner->ViewLeft = fOwner->ViewTop = 0;
    fOwner->ViewWidth = static_cast<int>(IHDRData.Width);
    fOwner->ViewHeight = static_cast<int>(IHDRData.Height);
    RebuildColorTable();
}

void TChunkIHDR::RebuildColorTable() {
    const int entries = static_cast<int>(BitmapInfo.bmiHeader.biClrUsed);
    if (entries == 0) return;
    const int ct = IHDRData.ColorType;
    if (ct == COLOR_GRAYSCALE || ct == COLOR_GRAYSCALEALPHA) {
        greyRamp(reinterpret_cast<uint8_t*>(BitmapInfo.bmiColors), entries, fOwner->GammaTable);
    } else if (auto* plte = fOwner->Chunks().ItemFromClass<TChunkPLTE>(); plte && plte->Count() > 0) {
        for (int i = 0; i < entries; ++i)
            BitmapInfo.bmiColors[i] = plte->GetPaletteItem(i);
    } else {
        // No palette yet: the system halftone colours.
        HDC screen = ::GetDC(nullptr);
        HPALETTE halftone = ::CreateHalftonePalette(screen);
        ::ReleaseDC(nullptr, screen);
        PALETTEENTRY pe[256] = {};
        const UINT got = halftone ? ::GetPaletteEntries(halftone, 0, 256, pe) : 0;
        if (halftone) ::DeleteObject(halftone);
        for (int i = 0; i < entries; ++i) {
            const PALETTEENTRY& e = pe[static_cast<UINT>(i) < got ? i : 0];
            BitmapInfo.bmiColors[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
        }
    }
    if (ImagePalette) createPalette();
}

void TChunkIHDR::createPalette() {
    const int entries = static_cast<int>(BitmapInfo.bmiHeader.biClrUsed);
    if (entries == 0) {
        ImagePalette.reset();
        return;
    }
    struct {
        WORD version, count;
        PALETTEENTRY e[256];
    } lp{0x300, static_cast<WORD>(entries), {}};
    for (int i = 0; i < entries; ++i) {
        const RGBQUAD& q = BitmapInfo.bmiColors[i];
        lp.e[i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
    }
    ImagePalette.reset(::CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp)));
    if (ImageDC && ImagePalette) {
        ::SelectPalette(ImageDC.get(), ImagePalette.get(), FALSE);
        ::RealizePalette(ImageDC.get());
    }
}

void TChunkIHDR::AllocatePixelStore(bool needDC, bool rgb32) {
    const int ct = IHDRData.ColorType;
    const uint32_t w = IHDRData.Width, h = IHDRData.Height;
    if (ct == COLOR_DEVICE) needDC = true;
    if (ct == COLOR_RGBALPHA && needDC) rgb32 = true;
    TPngImageData* store = ShareImageData;
    // A shared image takes the layout its store already has.
    if (store && ct == COLOR_RGBALPHA && store->BitPixel.load() != 0) rgb32 = store->BitPixel.load() == 32;
    // Pixels of a shared store live on the heap; a DC is made from them afterwards.
    const bool dcAfterwards = needDC && store;
    if (dcAfterwards) needDC = false;

    PrepareBitmapInfo(rgb32);
    const uint32_t stride = BytesPerRow();
    const uint64_t rowBytes = uint64_t(stride) * h;
    const uint64_t planeBytes = uint64_t(w) * h;
    if (rowBytes > kMaxBlock) raiseOutOfMemory(rowBytes, w, h);
    const bool is32 = BitCount() == 32;
    if (store) store->BitPixel.store(BitCount());

    // Alpha plane.
    if (ct == COLOR_GRAYSCALEALPHA || ct == COLOR_RGBALPHA) {
        if (AssignImageAlpha) {
            ImageAlpha = std::exchange(AssignImageAlpha, nullptr);
        } else if (store && !is32) {
            ImageAlpha = store->Claim(store->AlphaData, [&] { return allocHeap(planeBytes, true); });
        } else if (!is32) {
            ImageAlpha = allocHeap(planeBytes, true);
        }
    } else if (AssignImageAlpha) {
        freeBlock(AssignImageAlpha);
    }

    // Low bytes of 16-bit samples.
    if (IHDRData.BitDepth == 16) {
        const uint64_t extra = BitCount() == 24 ? uint64_t(w) * 4 * h : rowBytes;
        ExtraImageData = store ? store->Claim(store->RGBDataEx, [&] { return allocHeap(extra, true); })
                               : allocHeap(extra, true);
    }

    if (needDC) {
        win::UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
        win::DibSection dib;
        if (dc) {
            if (ct == COLOR_DEVICE) {
                // A device bitmap: no addressable pixels.
                HDC screen = ::GetDC(nullptr);
                HBITMAP bmp = ::CreateCompatibleBitmap(screen, static_cast<int>(w), static_cast<int>(h));
                ::ReleaseDC(nullptr, screen);
                if (bmp) {
                    ImageDC_ThreadID = ::GetCurrentThreadId();
                    ImageHandle_free = ::SelectObject(dc.get(), bmp);
                    ImageDC = std::move(dc);
                    ImageHandle = win::DibSection::adopt(bmp, nullptr);
                    MemImageData = false;
                    return;
                }
            } else {
                dib = win::DibSection::create(*reinterpret_cast<const BITMAPINFO*>(&BitmapInfo), dc.get());
            }
        }
        if (dib) {
            // A 32-bit DC image keeps its alpha in the pixels.
            if (is32 && ImageAlpha) freeBlock(ImageAlpha);
            installDib(std::move(dc), std::move(dib));
            return;
        }
        // No DIB section: the image stays a heap image.
    }

    // Heap pixels. 24-bit blocks get room for 32 bits so they can widen in place.
    const uint64_t heapBytes =
        BitCount() == 24 ? std::max<uint64_t>(rowBytes, uint64_t(w) * 4 * h) : rowBytes;
    if (store) {
        ImageData = store->Claim(store->RGBData, [&] {
            store->RGBData_Size = static_cast<int32_t>(heapBytes);
            return allocHeap(heapBytes, true);
        });
        ImageData_Size = store->RGBData_Size;
    } else {
        ImageData = allocHeap(heapBytes, true);
        ImageData_Size = static_cast<int32_t>(heapBytes);
    }
    MemImageData = true;
    if (dcAfterwards) CreateImageDC();
}

void TChunkIHDR::FreeImageData(bool keepCache) {
    unregisterDC();
    if (ImageDC) {
        if (ImageHandle_free) ::SelectObject(ImageDC.get(), ImageHandle_free);
        ImageHandle_free = nullptr;
        ImageDC.reset();
        if (fOwner->fCanvas) fOwner->fCanvas->HandleChanged();
    }
    const bool dibPixels = !MemImageData;
    ImageHandle = win::DibSection();
    if (ShareImageData) {
        TPngImageDataList::Instance().Release(ShareImageData);
        ImageData = nullptr;
        ImageAlpha = nullptr;
        ExtraImageData = nullptr;
    } else {
        if (dibPixels)
            ImageData = nullptr;
        else
            freeBlock(ImageData);
        freeBlock(ImageAlpha);
        freeBlock(ExtraImageData);
    }
    freeBlock(AssignImageAlpha);
    ImagePalette.reset();
    if (!keepCache) {
        freeBlock(ImageData_Cache);
        ImageData_CacheSize = -1;
    }
    MemImageData = true;
    ImageData_Size = -1;
}

bool TChunkIHDR::CreateImageDC() {
    if (ImageDC) return true;
    if (IHDRData.Width == 0 || IHDRData.Height == 0) return false;
    fOwner->EnsureExpanded();
    fOwner->unshareForWrite();
    if (!ImageData) return false;

    const uint32_t w = IHDRData.Width, h = IHDRData.Height;
    const bool widen = IHDRData.ColorType == COLOR_RGBALPHA && BitCount() == 24;
    TMaxBitmapInfo info = BitmapInfo;
    if (widen) info.bmiHeader.biBitCount = 32;
    win::UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
    if (!dc) return false;
    win::DibSection dib = win::DibSection::create(*reinterpret_cast<const BITMAPINFO*>(&info), dc.get());
    if (!dib) return false;

    const uint32_t oldStride = BytesPerRow();
    if (widen) {
        for (uint32_t y = 0; y < h; ++y)
            widenRow24To32(ImageData + size_t(y) * oldStride, dib.bits() + size_t(y) * w * 4,
                           ImageAlpha ? ImageAlpha + size_t(y) * w : nullptr, w);
        BitmapInfo.bmiHeader.biBitCount = 32;
        freeBlock(ImageAlpha);
        fOwner->FBytesPerRow = BytesPerRow();
        if (ExtraImageData) {
            // The low-byte plane follows the pixel layout; it was allocated with room for 32 bits.
            for (uint32_t y = h; y-- > 0;)
                widenRow24To32(ExtraImageData + size_t(y) * oldStride, ExtraImageData + size_t(y) * w * 4,
                               nullptr, w);
            for (size_t i = 0; i < size_t(w) * h; ++i)
                ExtraImageData[i * 4 + 3] = 0;
        }
    } else {
        std::memcpy(dib.bits(), ImageData, size_t(oldStride) * h);
    }
    // The heap block stays as the spare for the next resize.
    freeBlock(ImageData_Cache);
    ImageData_Cache = ImageData;
    ImageData_CacheSize = ImageData_Size;
    installDib(std::move(dc), std::move(dib));
    return true;
}

void TChunkIHDR::installDib(win::UniqueMemoryDC dc, win::DibSection dib) {
    ImageDC_ThreadID = ::GetCurrentThreadId();
    if (HasPalette) {
        createPalette();
        if (ImagePalette) {
            ::SelectPalette(dc.get(), ImagePalette.get(), FALSE);
            ::RealizePalette(dc.get());
        }
    }
    ImageHandle_free = ::SelectObject(dc.get(), dib.handle());
    ImageData = dib.bits();
    ImageData_Size = -1;
    MemImageData = false;
    ImageHandle = std::move(dib);
    ImageDC = std::move(dc);
    registerDC();
    if (fOwner->fCanvas) fOwner->fCanvas->HandleChanged();
}

void TChunkIHDR::DetachImageDC() {
    if (!ImageDC || IHDRData.ColorType == COLOR_DEVICE) return;
    ::GdiFlush();
    const uint64_t bytes = uint64_t(BytesPerRow()) * IHDRData.Height;
    uint8_t* heap;
    int32_t heapSize;
    if (ImageData_Cache && ImageData_CacheSize >= 0 && uint64_t(ImageData_CacheSize) >= bytes) {
        heap = std::exchange(ImageData_Cache, nullptr);
        heapSize = ImageData_CacheSize;
        ImageData_CacheSize = -1;
    } else {
        heap = allocHeap(bytes, false);
        heapSize = static_cast<int32_t>(bytes);
    }
    std::memcpy(heap, ImageData, bytes);
    unregisterDC();
    if (ImageHandle_free) ::SelectObject(ImageDC.get(), ImageHandle_free);
    ImageHandle_free = nullptr;
    ImageDC.reset();
    ImageHandle = win::DibSection();
    ImageData = heap;
    ImageData_Size = heapSize;
    MemImageData = true;
    if (fOwner->fCanvas) fOwner->fCanvas->HandleChanged();
}

} // namespace vell::image
