// TPngImage: construction, reference counting, geometry, pixel access and alpha.
#include "platform/image/png_image.h"

#include "core/image/errors.h"
#include "core/image/layout.h"
#include "core/image/pixel_rows.h"
#include "platform/image/png_canvas.h"
#include "platform/image/png_image_data.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <typeinfo>

namespace vell::image {

namespace {

uint8_t* heapCopy(const uint8_t* src, size_t bytes) {
    if (!src) return nullptr;
    auto* p = static_cast<uint8_t*>(std::malloc(bytes ? bytes : 1));
    if (!p) raiseError<EPNGOutMemory>("Out of memory, Size=" + std::to_string(bytes));
    std::memcpy(p, src, bytes);
    return p;
}

uint8_t* heapZero(uint64_t bytes) {
    if (bytes > (1ull << 30)) raiseError<EPNGOutMemory>("Out of memory, Size=" + std::to_string(bytes));
    auto* p = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(bytes ? bytes : 1), 1));
    if (!p) raiseError<EPNGOutMemory>("Out of memory, Size=" + std::to_string(bytes));
    return p;
}

// Pixel (x, y) of a packed 1-, 4- or 8-bit row.
int packedIndex(const uint8_t* row, int bitCount, int x) {
    switch (bitCount) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
    default:
        return row[x];
    }
}

void setPackedIndex(uint8_t* row, int bitCount, int x, int v) {
    switch (bitCount) {
    case 1: {
        const int shift = 7 - (x & 7);
        row[x >> 3] = static_cast<uint8_t>((row[x >> 3] & ~(1 << shift)) | ((v & 1) << shift));
        break;
    }
    case 4: {
        const int shift = (x & 1) ? 0 : 4;
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & ~(0x0F << shift)) | ((v & 0x0F) << shift));
        break;
    }
    default:
        row[x] = static_cast<uint8_t>(v);
    }
}

// Copies the span of a resize between two buffers of the same bit count.
void copySpan(uint8_t* dst, uint32_t dstStride, const uint8_t* src, uint32_t srcStride, int bitCount,
              const CopySpan& s) {
    if (s.empty()) return;
    if (bitCount >= 8) {
        const int bpp = bitCount / 8;
        copyRows(dst + size_t(s.dstY) * dstStride + size_t(s.dstX) * bpp, dstStride,
                 src + size_t(s.srcY) * srcStride + size_t(s.srcX) * bpp, srcStride, size_t(s.width) * bpp,
                 size_t(s.height));
        return;
    }
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* sr = src + size_t(s.srcY + y) * srcStride;
        uint8_t* dr = dst + size_t(s.dstY + y) * dstStride;
        for (int x = 0; x < s.width; ++x)
            setPackedIndex(dr, bitCount, s.dstX + x, packedIndex(sr, bitCount, s.srcX + x));
    }
}

// Resolves a colour value (system colours and skin colour names included) into 0x00BBGGRR
// plus its opacity byte.
uint32_t resolveColor(TColor value) {
    return SkinColorToRGB(value);
}

} // namespace

// ---- construction ------------------------------------------------------------------------

TPngImage::TPngImage() {
    for (int i = 0; i < 256; ++i)
        InverseGamma[i] = GammaTable[i] = static_cast<uint8_t>(i);
    fChunkList = std::make_unique<TPNGList>(this);
}

TPngImage::~TPngImage() {
    UnlinkAll();
    restoreSavedDC();
    clearChunks();
}

void TPngImage::clearChunks() {
    fChunkList->Clear();
    FHeader = nullptr;
    FBytesPerRow = 0;
    ViewLeft = ViewTop = ViewWidth = ViewHeight = 0;
}

TChunkIHDR* TPngImage::Header() const {
    if (!FHeader) RaiseError<EPNGHeaderNotPresent>(msg::kHeaderNotPresent);
    return FHeader;
}

void TPngImage::MakeBlank(int colorType, int bitDepth, int cx, int cy, bool needDC, bool needRGB32If32Bit) {
    clearChunks();
    const int depth = storedBitDepth(colorType, bitDepth);
    if (depth == 0) RaiseError<EPNGInvalidSpec>(msg::kInvalidSpec);
    if (cx < 0 || cy < 0) RaiseError<EPNGInvalidNewSize>(msg::kInvalidNewSize);
    if (colorType == COLOR_DEVICE) needDC = true;
    if (colorType == COLOR_RGBALPHA && needDC) needRGB32If32Bit = true;
    BeingCreated = true;
    try {
        fChunkList->Add<TChunkIEND>();
        TChunkIHDR* ihdr = fChunkList->Add<TChunkIHDR>();
        ihdr->IHDRData = TIHDRData{uint32_t(cx), uint32_t(cy), uint8_t(depth), uint8_t(colorType), 0, 0, 0};
        fInterlaceMethod = imNone;
        ihdr->AllocatePixelStore(needDC, needRGB32If32Bit);
        if (colorType == COLOR_PALETTE) {
            auto* plte = fChunkList->Add<TChunkPLTE>();
            plte->SetCount(uint32_t(1) << depth);
        }
        fChunkList->Add<TChunkIDAT>();
    } catch (...) {
        BeingCreated = false;
        clearChunks();
        throw;
    }
    BeingCreated = false;
}

TPngImage* TPngImage::CreateARGB32(int cx, int cy, bool needDCHandle) {
    return CreateBlank(COLOR_RGBALPHA, 8, cx, cy, needDCHandle, false, true, false);
}

TPngImage* TPngImage::CreateCacheDC32(int cx, int cy, bool cacheNoErase) {
    return CreateBlank(COLOR_RGBALPHA, 8, cx, cy, true, true, true, cacheNoErase);
}

// ---- reference counting --------------------------------------------------------------------

int TPngImage::AddRef(bool saveDCByFirst) {
    const int n = FRefCount.fetch_add(1) + 1;
    if (saveDCByFirst && RefSaveDC == 0 && HasCanvasHandle()) {
        HDC dc = FHeader->ImageDC.get();
        const int saved = ::SaveDC(dc);
        if (saved == 0) {
            const DWORD type = ::GetObjectType(dc);
            if (type != OBJ_MEMDC) {
                const DWORD err = ::GetLastError();
                char text[512] = {};
                ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, err, 0,
                                 text, sizeof text, nullptr);
                RaiseError<EPngError>("Invalid DC(" + std::to_string(type) + "): " + text);
            }
        } else {
            RefSaveDC = saved;
            RefSaveDC_Index = n - 1;
        }
    }
    return n;
}

void TPngImage::restoreSavedDC() {
    if (RefSaveDC == 0) return;
    if (HasCanvasHandle()) ::RestoreDC(FHeader->ImageDC.get(), RefSaveDC);
    RefSaveDC = 0;
    RefSaveDC_Index = 0;
}

int TPngImage::ReleaseRef() {
    const int n = FRefCount.fetch_sub(1) - 1;
    if (RefSaveDC != 0 && n == RefSaveDC_Index) restoreSavedDC();
    if (n == 0) delete this;
    return n;
}

int TPngImage::AddRefOf(TGraphic* image, bool saveDCByFirst) {
    if (!image || typeid(*image) != typeid(TPngImage)) RaiseError<EPngError>(msg::kOnlyPngImage);
    return static_cast<TPngImage*>(image)->AddRef(saveDCByFirst);
}

int TPngImage::ReleaseRefOf(TGraphic* image) {
    if (!image || typeid(*image) != typeid(TPngImage)) RaiseError<EPngError>(msg::kOnlyPngImage);
    return static_cast<TPngImage*>(image)->ReleaseRef();
}

// ---- TGraphic ------------------------------------------------------------------------------

int TPngImage::GetWidth() const {
    return FHeader ? static_cast<int>(FHeader->IHDRData.Width) : 0;
}
int TPngImage::GetHeight() const {
    return FHeader ? static_cast<int>(FHeader->IHDRData.Height) : 0;
}

bool TPngImage::GetEmpty() const {
    return !FHeader || GetWidth() < 1 || GetHeight() < 1;
}

bool TPngImage::GetTransparent() const {
    return GetEmpty() || TransparencyMode() != ptmNone || FAlphaBlendValue < 255;
}

void TPngImage::SetSize(int width, int height) {
    if (width == GetWidth() && height == GetHeight() && FHeader) return;
    Resize(width, height);
}

// Most images never draw through a canvas (pictures, scratch images): it is made on first use.
TPngImageCanvas& TPngImage::Canvas() {
    if (!fCanvas) fCanvas = std::make_unique<TPngImageCanvas>(this);
    return *fCanvas;
}

bool TPngImage::HasCanvasHandle() const {
    return FHeader && FHeader->ImageDC;
}

HDC TPngImage::CanvasHandle() {
    if (!FHeader) return nullptr;
    if (!FHeader->ImageDC) FHeader->CreateImageDC();
    return FHeader->ImageDC.get();
}

HPALETTE TPngImage::GetPalette() const {
    if (!FHeader || !FHeader->HasPalette) return nullptr;
    if (!FHeader->ImagePalette) FHeader->createPalette();
    return FHeader->ImagePalette.get();
}

void TPngImage::SetPalette(HPALETTE palette) {
    if (!FHeader || !FHeader->HasPalette || !palette) return;
    PALETTEENTRY pe[256] = {};
    const UINT n = std::min<UINT>(::GetPaletteEntries(palette, 0, 256, pe), 256);
    for (UINT i = 0; i < n; ++i)
        FHeader->BitmapInfo.bmiColors[i] = RGBQUAD{pe[i].peBlue, pe[i].peGreen, pe[i].peRed, 0};
    FHeader->BitmapInfo.bmiHeader.biClrUsed = n;
    if (FHeader->ImageDC) {
        ::SelectPalette(FHeader->ImageDC.get(), palette, FALSE);
        ::RealizePalette(FHeader->ImageDC.get());
        ::SetDIBColorTable(FHeader->ImageDC.get(), 0, n, FHeader->BitmapInfo.bmiColors);
    }
    FHeader->ImagePalette.reset(palette); // the previous palette object is deleted
    Changed(this);
}

// ---- shared data ---------------------------------------------------------------------------

const void* TPngImage::SharedData() const {
    return FHeader ? FHeader->ShareImageData : nullptr;
}

void TPngImage::EnsureExpanded() {
    TChunkIHDR* h = FHeader;
    if (!h || !h->ShareImageData || h->ImageData || !h->ChunkIDAT) return;
    TPngImageData* store = h->ShareImageData;
    bool decodeHere = false;
    TMemoryStream* stream = store->WaitExpand(decodeHere);
    if (!decodeHere) {
        // Decoded by someone else (or by this thread further up): use the shared buffers.
        if (!h->ImageData) h->AllocatePixelStore(false, h->ContinueLoadStream32Bit);
        return;
    }
    std::unique_ptr<TMemoryStream> owned(stream);
    try {
        if (h->ContinueLoadStream32Bit) store->BitPixel.store(0);
        h->AllocatePixelStore(false, h->ContinueLoadStream32Bit);
        owned->SetPosition(0);
        h->ChunkIDAT->LoadFromStream(*owned, TChunkName{}, h->ChunkIDAT->FirstIDATSize);
    } catch (...) {
        store->EndExpand();
        throw;
    }
    store->EndExpand();
}

void TPngImage::unshareForWrite() {
    TChunkIHDR* h = FHeader;
    if (!h || !h->ShareImageData) return;
    EnsureExpanded();
    if (TPngImageDataList::Instance().TryUnLink(h)) return;
    // Others use the store too: take private copies.
    const size_t rows = size_t(h->BytesPerRow()) * h->IHDRData.Height;
    const size_t block = h->ImageData_Size > 0 ? size_t(h->ImageData_Size) : rows;
    uint8_t* data = heapCopy(h->ImageData, block);
    uint8_t* alpha = heapCopy(h->ImageAlpha, size_t(h->IHDRData.Width) * h->IHDRData.Height);
    const size_t extraBytes = h->BitCount() == 24 ? size_t(h->IHDRData.Width) * 4 * h->IHDRData.Height : rows;
    uint8_t* extra = heapCopy(h->ExtraImageData, extraBytes);
    TPngImageDataList::Instance().Release(h->ShareImageData);
    h->ImageData = data;
    h->ImageData_Size = static_cast<int32_t>(block);
    h->ImageAlpha = alpha;
    h->ExtraImageData = extra;
    h->MemImageData = true;
}

void TPngImage::UniquePng() {
    unshareForWrite();
}

// ---- geometry ------------------------------------------------------------------------------

void TPngImage::Resize(int cx, int cy, uint8_t newAlpha, bool forceMemImage, int offX, int offY) {
    if (cx < 0 || cy < 0) RaiseError<EPNGInvalidNewSize>(msg::kInvalidNewSize);
    if (cx == 0 || cy == 0) cx = cy = 0;
    if (!FHeader) {
        MakeBlank(COLOR_RGBALPHA, 8, cx, cy, false, true);
        Changed(this);
        return;
    }
    resizeStore(cx, cy, newAlpha, forceMemImage, offX, offY);
    Changed(this);
}

void TPngImage::resizeStore(int cx, int cy, uint8_t newAlpha, bool forceMemImage, int offX, int offY) {
    TChunkIHDR* h = FHeader;
    EnsureExpanded();
    if (h->ShareImageData) TPngImageDataList::Instance().TryUnLink(h);
    const bool shared = h->ShareImageData != nullptr;
    ::GdiFlush();

    const int oldW = static_cast<int>(h->IHDRData.Width), oldH = static_cast<int>(h->IHDRData.Height);
    const int bitCount = h->BitCount();
    const uint32_t oldStride = h->BytesPerRow();
    const uint32_t newStride = dibStride(bitCount, uint32_t(cx));
    const CopySpan span = resizeSpan(oldW, oldH, cx, cy, offX, offY);
    const bool noOffset = offX == 0 && offY == 0;
    const bool shrinkInPlace = cx <= oldW && cy <= oldH && noOffset && !shared;
    const uint64_t rowBytes = uint64_t(newStride) * uint32_t(cy);
    const uint64_t heapBytes =
        bitCount == 24 ? std::max<uint64_t>(rowBytes, uint64_t(cx) * 4 * uint32_t(cy)) : rowBytes;

    // Pixel rows.
    uint8_t* oldData = h->ImageData;
    bool dcImage = h->ImageDC && !forceMemImage && h->IHDRData.ColorType != COLOR_DEVICE;
    win::UniqueMemoryDC newDC;
    win::DibSection newDib;
    if (dcImage) {
        TMaxBitmapInfo info = h->BitmapInfo;
        info.bmiHeader.biWidth = cx;
        info.bmiHeader.biHeight = -cy;
        newDC.reset(::CreateCompatibleDC(nullptr));
        if (newDC && cx > 0 && cy > 0)
            newDib = win::DibSection::create(*reinterpret_cast<const BITMAPINFO*>(&info), newDC.get());
        if (!newDib) dcImage = false; // redo as a heap image
    }
    uint8_t* newData = nullptr;
    int32_t newSize = -1;
    if (dcImage) {
        newData = newDib.bits();
        copySpan(newData, newStride, oldData, oldStride, bitCount, span);
    } else if (h->ImageData_Cache && h->ImageData_CacheSize >= 0 &&
               uint64_t(h->ImageData_CacheSize) >= heapBytes && h->ImageData_Cache != oldData) {
        newData = std::exchange(h->ImageData_Cache, nullptr);
        newSize = std::exchange(h->ImageData_CacheSize, -1);
        std::memset(newData, 0, static_cast<size_t>(newSize));
        copySpan(newData, newStride, oldData, oldStride, bitCount, span);
    } else if (shrinkInPlace && h->MemImageData && !h->ImageDC && h->ImageData_Size >= 0 && oldData) {
        newData = oldData;
        newSize = h->ImageData_Size;
        if (newStride != oldStride)
            for (int y = 0; y < cy; ++y)
                std::memmove(newData + size_t(y) * newStride, oldData + size_t(y) * oldStride, newStride);
    } else {
        newData = heapZero(heapBytes);
        newSize = static_cast<int32_t>(heapBytes);
        copySpan(newData, newStride, oldData, oldStride, bitCount, span);
    }

    // The low-byte plane follows the pixel rows.
    uint8_t* newExtra = nullptr;
    if (h->ExtraImageData) {
        const uint64_t extraBytes = bitCount == 24 ? uint64_t(cx) * 4 * uint32_t(cy) : rowBytes;
        if (shrinkInPlace) {
            newExtra = h->ExtraImageData;
            if (newStride != oldStride)
                for (int y = 0; y < cy; ++y)
                    std::memmove(newExtra + size_t(y) * newStride, newExtra + size_t(y) * oldStride,
                                 newStride);
        } else {
            newExtra = heapZero(extraBytes);
            copySpan(newExtra, newStride, h->ExtraImageData, oldStride, bitCount, span);
        }
    }

    // The alpha plane: new pixels get newAlpha.
    uint8_t* newAlphaPlane = nullptr;
    if (h->ImageAlpha) {
        if (cx == oldW && cy == oldH && noOffset && !shared) {
            newAlphaPlane = h->ImageAlpha;
        } else if (shrinkInPlace) {
            newAlphaPlane = h->ImageAlpha;
            for (int y = 0; y < cy; ++y)
                std::memmove(newAlphaPlane + size_t(y) * cx, newAlphaPlane + size_t(y) * oldW, size_t(cx));
        } else {
            newAlphaPlane = heapZero(uint64_t(cx) * uint32_t(cy));
            std::memset(newAlphaPlane, newAlpha, size_t(cx) * size_t(cy));
            copySpan(newAlphaPlane, uint32_t(cx), h->ImageAlpha, uint32_t(oldW), 8, span);
        }
    }

    // Release the old store.
    if (shared) {
        TPngImageDataList::Instance().Release(h->ShareImageData);
    } else {
        if (h->MemImageData && oldData != newData) std::free(oldData);
        if (h->ExtraImageData != newExtra) std::free(h->ExtraImageData);
        if (h->ImageAlpha != newAlphaPlane) std::free(h->ImageAlpha);
    }
    const bool hadDC = static_cast<bool>(h->ImageDC);
    if (hadDC) {
        h->unregisterDC();
        if (h->ImageHandle_free) ::SelectObject(h->ImageDC.get(), h->ImageHandle_free);
        h->ImageHandle_free = nullptr;
        h->ImageDC.reset();
        if (!dcImage) h->ImagePalette.reset();
        h->ImageHandle = win::DibSection();
        // The saved drawing state belonged to the old DC.
        RefSaveDC = 0;
        RefSaveDC_Index = 0;
    }

    // Install the new one.
    h->IHDRData.Width = uint32_t(cx);
    h->IHDRData.Height = uint32_t(cy);
    h->BitmapInfo.bmiHeader.biWidth = cx;
    h->BitmapInfo.bmiHeader.biHeight = -cy;
    h->ImageData = newData;
    h->ExtraImageData = newExtra;
    h->ImageAlpha = newAlphaPlane;
    FBytesPerRow = newStride;
    ViewWidth = std::min(ViewWidth, cx);
    ViewHeight = std::min(ViewHeight, cy);
    if (dcImage) {
        h->ImageDC = std::move(newDC);
        h->ImageDC_ThreadID = ::GetCurrentThreadId();
        if (h->ImagePalette) {
            ::SelectPalette(h->ImageDC.get(), h->ImagePalette.get(), FALSE);
            ::RealizePalette(h->ImageDC.get());
        }
        h->ImageHandle_free = ::SelectObject(h->ImageDC.get(), newDib.handle());
        h->ImageHandle = std::move(newDib);
        h->MemImageData = false;
        h->ImageData_Size = -1;
        h->registerDC();
    } else {
        h->MemImageData = true;
        h->ImageData_Size = newSize;
    }
    if ((hadDC || dcImage) && fCanvas) fCanvas->HandleChanged();
}

void TPngImage::FillRect(const RECT& rct, uint32_t dat) {
    if (GetEmpty()) return;
    TChunkIHDR* h = FHeader;
    const int bitCount = h->BitCount();
    if (bitCount != 8 && bitCount != 24 && bitCount != 32) return;
    const int left = std::max<int>(rct.left, 0), top = std::max<int>(rct.top, 0);
    const int right = std::min<int>(rct.right, GetWidth()), bottom = std::min<int>(rct.bottom, GetHeight());
    if (right <= left || bottom <= top) return;
    unshareForWrite();
    if (h->ImageDC) ::GdiFlush();
    const int bpp = bitCount / 8;
    const size_t offset = size_t(left) * bpp, bytes = size_t(right - left) * bpp;
    auto fillPlane = [&](uint8_t* plane) {
        uint8_t* first = plane + size_t(top) * FBytesPerRow + offset;
        fillRow(first, bitCount, size_t(right - left), dat);
        for (int y = top + 1; y < bottom; ++y)
            std::memcpy(plane + size_t(y) * FBytesPerRow + offset, first, bytes);
    };
    fillPlane(h->ImageData);
    if (h->ExtraImageData) fillPlane(h->ExtraImageData);
    if (h->ImageAlpha) {
        const uint32_t w = h->IHDRData.Width;
        for (int y = top; y < bottom; ++y)
            std::memset(h->ImageAlpha + size_t(y) * w + left, static_cast<int>(dat >> 24),
                        size_t(right - left));
    }
    Changed(this);
}

// ---- pixels --------------------------------------------------------------------------------

void* TPngImage::GetScanline(int lineIndex) {
    if (!FHeader || lineIndex < 0 || lineIndex >= GetHeight()) return nullptr;
    EnsureExpanded();
    if (!FHeader->ImageData) return nullptr;
    return FHeader->ImageData + size_t(lineIndex) * FBytesPerRow;
}

uint8_t* TPngImage::GetAlphaScanline(int lineIndex) {
    if (!FHeader || lineIndex < 0 || lineIndex >= GetHeight()) return nullptr;
    if (!hasAlphaChannel(FHeader->IHDRData.ColorType)) return nullptr;
    EnsureExpanded();
    if (!FHeader->ImageAlpha) return nullptr;
    return FHeader->ImageAlpha + size_t(lineIndex) * FHeader->IHDRData.Width;
}

uint8_t* TPngImage::GetExtraScanline(int lineIndex) {
    if (!FHeader || lineIndex < 0 || lineIndex >= GetHeight()) return nullptr;
    EnsureExpanded();
    if (!FHeader->ExtraImageData) return nullptr;
    return FHeader->ExtraImageData + size_t(lineIndex) * FBytesPerRow;
}

TColor TPngImage::GetPixels(int x, int y) {
    if (GetEmpty() || x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight()) return 0;
    TChunkIHDR* h = FHeader;
    if (h->IHDRData.ColorType == COLOR_DEVICE) return ::GetPixel(h->ImageDC.get(), x, y);
    EnsureExpanded();
    if (!h->ImageData) return 0;
    if (h->ImageDC) ::GdiFlush();
    const uint8_t* row = h->ImageData + size_t(y) * FBytesPerRow;
    const int bitCount = h->BitCount();
    if (bitCount == 24) {
        const uint8_t* p = row + size_t(x) * 3;
        return TColor(p[2]) | TColor(p[1]) << 8 | TColor(p[0]) << 16;
    }
    if (bitCount == 32) {
        const uint8_t* p = row + size_t(x) * 4;
        return TColor(p[2]) | TColor(p[1]) << 8 | TColor(p[0]) << 16 | TColor(p[3]) << 24;
    }
    const int index = packedIndex(row, bitCount, x);
    const int ct = h->IHDRData.ColorType;
    if ((ct == COLOR_GRAYSCALE || ct == COLOR_GRAYSCALEALPHA) && bitCount == 8)
        return TColor(index) * 0x010101u;
    // Lower-depth grey and indexed pixels: the colour-table entry (gamma already applied).
    const RGBQUAD& q = h->BitmapInfo.bmiColors[index];
    return TColor(q.rgbRed) | TColor(q.rgbGreen) << 8 | TColor(q.rgbBlue) << 16;
}

void TPngImage::SetPixels(int x, int y, TColor value) {
    if (GetEmpty() || x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight()) return;
    TChunkIHDR* h = FHeader;
    const uint32_t c = resolveColor(value);
    if (h->IHDRData.ColorType == COLOR_DEVICE) {
        ::SetPixelV(h->ImageDC.get(), x, y, c & 0xFFFFFF);
        return;
    }
    unshareForWrite();
    if (!h->ImageData) return;
    if (h->ImageDC) ::GdiFlush();
    uint8_t* row = h->ImageData + size_t(y) * FBytesPerRow;
    const uint8_t r = uint8_t(c), g = uint8_t(c >> 8), b = uint8_t(c >> 16);
    const int bitCount = h->BitCount();
    if (bitCount == 24 || bitCount == 32) {
        uint8_t* p = row + size_t(x) * (bitCount / 8);
        p[0] = b;
        p[1] = g;
        p[2] = r;
        if (bitCount == 32) p[3] = c < 0x01000000u ? 255 : uint8_t(c >> 24);
        return;
    }
    const int ct = h->IHDRData.ColorType;
    if ((ct == COLOR_GRAYSCALE || ct == COLOR_GRAYSCALEALPHA) && bitCount == 8) {
        row[x] = r;
        return;
    }
    // The nearest colour-table entry.
    const int entries = static_cast<int>(h->BitmapInfo.bmiHeader.biClrUsed);
    int best = 0, bestDist = INT32_MAX;
    for (int i = 0; i < entries; ++i) {
        const RGBQUAD& q = h->BitmapInfo.bmiColors[i];
        const int dr = q.rgbRed - r, dg = q.rgbGreen - g, db = q.rgbBlue - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDist) bestDist = d, best = i;
    }
    setPackedIndex(row, bitCount, x, best);
}

// ---- alpha ---------------------------------------------------------------------------------

void TPngImage::forEachAlphaRow(const std::function<void(uint8_t*, uint8_t*, uint8_t*, int, int)>& row) {
    TChunkIHDR* h = FHeader;
    const bool is32 = h->BitCount() == 32;
    const int w = GetWidth();
    for (int y = 0; y < GetHeight(); ++y) {
        uint8_t* colour = h->ImageData + size_t(y) * FBytesPerRow;
        uint8_t* extra = h->ExtraImageData ? h->ExtraImageData + size_t(y) * FBytesPerRow : nullptr;
        uint8_t* alpha = is32 ? colour + 3 : h->ImageAlpha + size_t(y) * w;
        row(colour, extra, alpha, is32 ? 4 : 1, is32 ? 4 : 3);
    }
}

bool TPngImage::prepareAlphaPass() {
    EnsureExpanded();
    TChunkIHDR* h = FHeader;
    // A 24-bit image without an alpha plane has nothing to work with.
    if (!h->ImageData || (h->BitCount() != 32 && !h->ImageAlpha)) return false;
    unshareForWrite();
    if (h->ImageDC) ::GdiFlush();
    return true;
}

void TPngImage::PreMultiplyAlpha() {
    if (GetEmpty() || FHeader->IHDRData.ColorType != COLOR_RGBALPHA || AlphaMode == pamPremultiplied) return;
    if (!prepareAlphaPass()) return;
    const size_t w = size_t(GetWidth());
    forEachAlphaRow([w](uint8_t* colour, uint8_t* extra, uint8_t* alpha, int step, int bpp) {
        if (extra) premultiplyRow(extra, bpp, alpha, step, w);
        premultiplyRow(colour, bpp, alpha, step, w);
    });
    AlphaMode = pamPremultiplied;
    Changed(this);
}

void TPngImage::UnPreMultiplyAlpha(bool invert0To255) {
    if (GetEmpty() || FHeader->IHDRData.ColorType != COLOR_RGBALPHA || AlphaMode != pamPremultiplied) return;
    if (!prepareAlphaPass()) return;
    const size_t w = size_t(GetWidth());
    forEachAlphaRow([w, invert0To255](uint8_t* colour, uint8_t* extra, uint8_t* alpha, int step, int bpp) {
        // The low-byte plane first: the main pass may turn alpha 0 into 255.
        if (extra) unpremultiplyRow(extra, bpp, alpha, step, w, false);
        unpremultiplyRow(colour, bpp, alpha, step, w, invert0To255);
    });
    AlphaMode = pamDefined;
    Changed(this);
}

bool TPngImage::ConvertTo32Bit() {
    if (!FHeader) return false;
    TChunkIHDR* h = FHeader;
    if (h->ShareImageData && !h->ImageData && h->IHDRData.ColorType == COLOR_RGBALPHA)
        h->ContinueLoadStream32Bit = true;
    EnsureExpanded();
    if (!h->ImageData) return false;
    if (h->BitCount() == 32) return true;
    if (h->BitCount() < 24) {
        convertLowDepthTo32();
        return true;
    }
    // 24-bit colour, with or without an alpha plane.
    h->DetachImageDC();
    unshareForWrite();
    const uint32_t w = h->IHDRData.Width, ht = h->IHDRData.Height;
    const uint32_t oldStride = h->BytesPerRow();
    const uint64_t need = uint64_t(w) * 4 * ht;
    const bool inPlace = h->ImageData_Size >= 0 && uint64_t(h->ImageData_Size) >= need;
    uint8_t* dst = inPlace ? h->ImageData : heapZero(need);
    for (uint32_t y = ht; y-- > 0;)
        widenRow24To32(h->ImageData + size_t(y) * oldStride, dst + size_t(y) * w * 4,
                       h->ImageAlpha ? h->ImageAlpha + size_t(y) * w : nullptr, w);
    if (!inPlace) {
        std::free(h->ImageData);
        h->ImageData = dst;
        h->ImageData_Size = static_cast<int32_t>(need);
    }
    if (h->ExtraImageData) {
        // Allocated with room for 32 bits; low alpha bytes are 0.
        for (uint32_t y = ht; y-- > 0;)
            widenRow24To32(h->ExtraImageData + size_t(y) * oldStride, h->ExtraImageData + size_t(y) * w * 4,
                           nullptr, w);
        for (size_t i = 0; i < size_t(w) * ht; ++i)
            h->ExtraImageData[i * 4 + 3] = 0;
    }
    if (!h->ImageAlpha) AlphaMode = pamPremultiplied;
    std::free(h->ImageAlpha);
    h->ImageAlpha = nullptr;
    h->IHDRData.ColorType = COLOR_RGBALPHA;
    h->BitmapInfo.bmiHeader.biBitCount = 32;
    FBytesPerRow = h->BytesPerRow();
    Changed(this);
    return true;
}

void TPngImage::convertLowDepthTo32() {
    // Grey and indexed layouts: each pixel's table colour with its alpha (alpha plane, or the
    // palette transparency), premultiplied.
    TChunkIHDR* h = FHeader;
    h->DetachImageDC();
    unshareForWrite();
    const uint32_t w = h->IHDRData.Width, ht = h->IHDRData.Height;
    const int bitCount = h->BitCount();
    const int ct = h->IHDRData.ColorType;
    uint8_t indexAlpha[256];
    std::memset(indexAlpha, 255, sizeof indexAlpha);
    if (h->ChunkTRNS && (ct == COLOR_PALETTE || ct == COLOR_GRAYSCALE)) {
        if (ct == COLOR_PALETTE)
            std::memcpy(indexAlpha, h->ChunkTRNS->PaletteValues, 256);
        else if (h->ChunkTRNS->DataSize() >= 2) {
            // The transparent grey sample, scaled to the table index.
            const int sample = h->ChunkTRNS->Data()[1];
            const int entries = static_cast<int>(h->BitmapInfo.bmiHeader.biClrUsed);
            if (sample < entries) indexAlpha[sample] = 0;
        }
    }
    uint8_t* dst = heapZero(uint64_t(w) * 4 * ht);
    for (uint32_t y = 0; y < ht; ++y) {
        const uint8_t* row = h->ImageData + size_t(y) * FBytesPerRow;
        uint8_t* out = dst + size_t(y) * w * 4;
        for (uint32_t x = 0; x < w; ++x) {
            const int i = packedIndex(row, bitCount, int(x));
            const RGBQUAD& q = h->BitmapInfo.bmiColors[i];
            out[x * 4] = q.rgbBlue;
            out[x * 4 + 1] = q.rgbGreen;
            out[x * 4 + 2] = q.rgbRed;
            out[x * 4 + 3] = h->ImageAlpha ? h->ImageAlpha[size_t(y) * w + x] : indexAlpha[i];
        }
        premultiplyRow(out, 4, out + 3, 4, w);
    }
    std::free(h->ImageData);
    std::free(h->ImageAlpha);
    std::free(h->ExtraImageData);
    h->ImageAlpha = nullptr;
    h->ExtraImageData = nullptr;
    h->ImageData = dst;
    h->ImageData_Size = static_cast<int32_t>(uint64_t(w) * 4 * ht);
    h->IHDRData.ColorType = COLOR_RGBALPHA;
    h->IHDRData.BitDepth = 8;
    h->BitmapInfo.bmiHeader.biBitCount = 32;
    h->BitmapInfo.bmiHeader.biClrUsed = 0;
    h->HasPalette = false;
    h->ImagePalette.reset();
    FBytesPerRow = h->BytesPerRow();
    if (auto* plte = fChunkList->ItemFromClass<TChunkPLTE>()) fChunkList->RemoveChunk(plte);
    if (h->ChunkTRNS) fChunkList->RemoveChunk(h->ChunkTRNS);
    AlphaMode = pamPremultiplied;
    Changed(this);
}

void TPngImage::ReloadAlphaScanline() {
    if (GetEmpty() || FHeader->BitCount() != 32 || !FHeader->ImageAlpha) return;
    TChunkIHDR* h = FHeader;
    const int w = GetWidth();
    for (int y = 0; y < GetHeight(); ++y) {
        uint8_t* row = h->ImageData + size_t(y) * FBytesPerRow;
        const uint8_t* a = h->ImageAlpha + size_t(y) * w;
        for (int x = 0; x < w; ++x)
            row[x * 4 + 3] = a[x];
    }
}

void TPngImage::CreateAlpha(uint8_t newAlpha) {
    if (!FHeader) return;
    TChunkIHDR* h = FHeader;
    EnsureExpanded();
    unshareForWrite();
    const int ct = h->IHDRData.ColorType;
    const size_t plane = size_t(h->IHDRData.Width) * h->IHDRData.Height;
    if (ct == COLOR_GRAYSCALE || ct == COLOR_RGB) {
        h->ImageAlpha = heapZero(plane);
        std::memset(h->ImageAlpha, newAlpha, plane);
        h->IHDRData.ColorType = ct == COLOR_GRAYSCALE ? COLOR_GRAYSCALEALPHA : COLOR_RGBALPHA;
        if (h->ChunkTRNS) fChunkList->RemoveChunk(h->ChunkTRNS);
    } else if (ct == COLOR_PALETTE) {
        TChunktRNS* trns = h->ChunkTRNS ? h->ChunkTRNS : fChunkList->Add<TChunktRNS>();
        auto* plte = fChunkList->ItemFromClass<TChunkPLTE>();
        // A tRNS chunk may not hold more entries than the palette.
        const uint32_t entries = plte && plte->Count() ? plte->Count() : h->BitmapInfo.bmiHeader.biClrUsed;
        std::memset(trns->PaletteValues, newAlpha, 256);
        trns->ResizeData(entries);
        std::memset(trns->Data(), newAlpha, entries);
    } else if (ct == COLOR_GRAYSCALEALPHA || ct == COLOR_RGBALPHA) {
        if (h->ImageAlpha) std::memset(h->ImageAlpha, newAlpha, plane);
        if (h->BitCount() == 32) {
            if (h->ImageDC) ::GdiFlush();
            for (int y = 0; y < GetHeight(); ++y) {
                uint8_t* row = h->ImageData + size_t(y) * FBytesPerRow;
                for (int x = 0; x < GetWidth(); ++x)
                    row[x * 4 + 3] = newAlpha;
            }
        }
    }
    Changed(this);
}

void TPngImage::RemoveTransparency() {
    if (!FHeader) return;
    TChunkIHDR* h = FHeader;
    const int ct = h->IHDRData.ColorType;
    if (ct == COLOR_GRAYSCALE || ct == COLOR_RGB || ct == COLOR_PALETTE) {
        if (h->ChunkTRNS) fChunkList->RemoveChunk(h->ChunkTRNS);
        Changed(this);
        return;
    }
    if (ct != COLOR_GRAYSCALEALPHA && ct != COLOR_RGBALPHA) return;
    EnsureExpanded();
    h->DetachImageDC();
    unshareForWrite();
    if (h->BitCount() == 32) {
        const uint32_t w = h->IHDRData.Width;
        for (int y = 0; y < GetHeight(); ++y)
            narrowRow32To24(h->ImageData + size_t(y) * w * 4, h->ImageData + size_t(y) * dibStride(24, w),
                            nullptr, w);
        if (h->ExtraImageData)
            for (int y = 0; y < GetHeight(); ++y)
                narrowRow32To24(h->ExtraImageData + size_t(y) * w * 4,
                                h->ExtraImageData + size_t(y) * dibStride(24, w), nullptr, w);
        h->BitmapInfo.bmiHeader.biBitCount = 24;
        FBytesPerRow = h->BytesPerRow();
    }
    std::free(h->ImageAlpha);
    h->ImageAlpha = nullptr;
    h->IHDRData.ColorType = ct == COLOR_GRAYSCALEALPHA ? COLOR_GRAYSCALE : COLOR_RGB;
    if (ct == COLOR_RGBALPHA) AlphaMode = pamUnknown;
    Changed(this);
}

void TPngImage::CreateTransparency() {
    if (!FHeader) return;
    const int ct = FHeader->IHDRData.ColorType;
    if (ct == COLOR_GRAYSCALEALPHA || ct == COLOR_RGBALPHA) RemoveTransparency();
    const int now = FHeader->IHDRData.ColorType;
    if (now != COLOR_GRAYSCALE && now != COLOR_RGB && now != COLOR_PALETTE) return;
    TChunktRNS* trns = FHeader->ChunkTRNS ? FHeader->ChunkTRNS : fChunkList->Add<TChunktRNS>();
    trns->SetTransparentColor(0);
    Changed(this);
}

TPNGTransparencyMode TPngImage::TransparencyMode() const {
    if (!FHeader) return ptmNone;
    const TChunkIHDR* h = FHeader;
    switch (h->IHDRData.ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_RGB:
        return h->ChunkTRNS ? ptmBit : ptmNone;
    case COLOR_PALETTE:
        if (!h->ChunkTRNS) return ptmNone;
        return h->ChunkTRNS->BitTransparency() ? ptmBit : ptmPartial;
    case COLOR_GRAYSCALEALPHA:
    case COLOR_RGBALPHA:
        return ptmPartial;
    case COLOR_DEVICE:
        return AlphaMode == pamPremultiplied ? ptmPartial : ptmNone;
    default:
        return ptmNone;
    }
}

TColor TPngImage::TransparentColor() const {
    if (!FHeader || !FHeader->ChunkTRNS) return 0xFF000000u;
    return FHeader->ChunkTRNS->TransparentColor();
}

void TPngImage::SetTransparentColor(TColor value) {
    if (!FHeader) return;
    const int ct = FHeader->IHDRData.ColorType;
    if (ct == COLOR_GRAYSCALEALPHA || ct == COLOR_RGBALPHA)
        RaiseError<EPNGCannotChangeTransparent>(msg::kCannotChangeTransparent);
    if (ct != COLOR_GRAYSCALE && ct != COLOR_RGB && ct != COLOR_PALETTE) return;
    TChunktRNS* trns = FHeader->ChunkTRNS ? FHeader->ChunkTRNS : fChunkList->Add<TChunktRNS>();
    trns->SetTransparentColor(resolveColor(value) & 0xFFFFFF);
    Changed(this);
}

// ---- drawing properties ---------------------------------------------------------------------

void TPngImage::ensureDevurChunk() {
    if (!FHeader) return;
    for (int i = 0; i < fChunkList->Count(); ++i) {
        auto* t = dynamic_cast<TChunktEXt*>(fChunkList->GetItem(i));
        if (t && !dynamic_cast<TChunkzTXt*>(t) && _stricmp(t->Keyword().c_str(), "DEVUR") == 0) return;
    }
    if (!fChunkList->ItemFromClass<TChunkIEND>()) return;
    fChunkList->Add<TChunktEXt>()->SetKeyword("DEVUR");
}

void TPngImage::SetAlphaBlendValue(uint8_t value) {
    if (value == FAlphaBlendValue) return;
    FAlphaBlendValue = value;
    ensureDevurChunk();
    Changed(this);
}

void TPngImage::SetGrayMode(bool value) {
    if (value == FGrayMode) return;
    FGrayMode = value;
    ensureDevurChunk();
    Changed(this);
}

void TPngImage::SetSmoothFilter(TPngSmoothFilter value) {
    if (value == FSmoothFilter) return;
    FSmoothFilter = value;
    ensureDevurChunk();
    Changed(this);
}

TChunkpHYs* TPngImage::PixelInformation() {
    if (auto* p = fChunkList->ItemFromClass<TChunkpHYs>()) return p;
    if (!FHeader || !fChunkList->ItemFromClass<TChunkIEND>()) return nullptr;
    return fChunkList->Add<TChunkpHYs>();
}

} // namespace vell::image
