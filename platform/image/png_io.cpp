// TPngImage: PNG streams, assignment between images and from Windows bitmaps and icons,
// text chunks, and plain drawing into a device context.
#include "core/image/errors.h"
#include "core/image/layout.h"
#include "core/png/reader.h"
#include "platform/image/png_canvas.h"
#include "platform/image/png_image.h"
#include "platform/image/png_image_data.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vell::image {

// ---- streams -------------------------------------------------------------------------------

void TPngImage::LoadFromStream(TStream& stream) {
    const int64_t start = stream.Position();
    const std::string file = stream.ReadRest();
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(file.data()), file.size());
    png::ChunkReader reader(bytes);
    // Whatever follows the image in the stream belongs to the caller: leave the position
    // right after the IEND chunk (or where the chunks run out).
    size_t end = 8;
    while (end + 12 <= bytes.size()) {
        const uint64_t next = end + 12 + uint64_t(png::readBE32(&bytes[end]));
        if (next > bytes.size()) break;
        const bool iend = png::readBE32(&bytes[end + 4]) == png::kIEND;
        end = static_cast<size_t>(next);
        if (iend) break;
    }
    stream.SetPosition(start + static_cast<int64_t>(std::min(end, bytes.size())));
    clearChunks();
    AlphaMode = pamDefined;
    png::Chunk c;
    try {
        while (reader.next(c)) {
            const TChunkName name{{c.name[0], c.name[1], c.name[2], c.name[3]}};
            TChunk* chunk = fChunkList->Append(CreateChunkForName(this, name));
            if (auto* idat = dynamic_cast<TChunkIDAT*>(chunk))
                idat->LoadRun(c.firstIdatSize, c.idatRun.data(), c.idatRun.size());
            else
                chunk->LoadData(c.data.data(), static_cast<uint32_t>(c.data.size()));
        }
    } catch (...) {
        // Keep the chunks read before the failing one.
        if (fChunkList->Count() > 0) fChunkList->Trim(fChunkList->Count() - 1);
        throw;
    }
    // A header without image data gets blank (zero) pixels.
    if (FHeader && !FHeader->ChunkIDAT && !FHeader->ImageData) FHeader->AllocatePixelStore(false, false);
    ChangedEx(1, nullptr);
}

void TPngImage::SaveToStream(TStream& stream) {
    stream.WriteBuffer(png::kSignature, sizeof png::kSignature);
    for (int i = 0; i < fChunkList->Count(); ++i)
        fChunkList->GetItem(i)->SaveToStream(stream);
}

// ---- text chunks ---------------------------------------------------------------------------

namespace {
template <class C>
void addText(TPngImage& img, const std::string& keyword, const std::string& text, bool jumpExists) {
    C* chunk = nullptr;
    for (int i = 0; i < img.Chunks().Count() && !chunk; ++i) {
        TChunk* c = img.Chunks().GetItem(i);
        if (typeid(*c) == typeid(C)) chunk = static_cast<C*>(c);
    }
    if (chunk && jumpExists && (keyword.empty() || keyword == chunk->Keyword()) &&
        (text.empty() || text == chunk->Text()))
        return;
    if (!chunk) chunk = img.Chunks().template Add<C>();
    chunk->SetKeyword(keyword);
    chunk->SetText(text);
}
} // namespace

void TPngImage::AddtEXt(const std::string& keyword, const std::string& text, bool jumpExists) {
    addText<TChunktEXt>(*this, keyword, text, jumpExists);
}

void TPngImage::AddzTXt(const std::string& keyword, const std::string& text, bool jumpExists) {
    addText<TChunkzTXt>(*this, keyword, text, jumpExists);
}

// ---- assignment ----------------------------------------------------------------------------

void TPngImage::Assign(TGraphic* source) {
    if (!source) {
        clearChunks();
        Changed(this);
        return;
    }
    if (auto* png = dynamic_cast<TPngImage*>(source)) {
        AssignPng(*png);
        return;
    }
    // Any other picture: drawn into a 32-bit image of its size.
    MakeBlank(COLOR_RGBALPHA, 8, source->Width(), source->Height(), true, true);
    if (HDC dc = CanvasHandle()) {
        const RECT r{0, 0, source->Width(), source->Height()};
        source->Draw(dc, r);
        ::GdiFlush();
    }
    AlphaMode = pamPremultiplied;
    Changed(this);
}

void TPngImage::AssignPng(const TPngImage& source) {
    if (&source == this) return;
    clearChunks();
    fFilters = source.fFilters;
    fCompressionLevel = source.fCompressionLevel;
    fMaxIdatSize = source.fMaxIdatSize;
    fInterlaceMethod = source.fInterlaceMethod;
    std::memcpy(GammaTable, source.GammaTable, 256);
    std::memcpy(InverseGamma, source.InverseGamma, 256);
    FAlphaBlendValue = source.FAlphaBlendValue;
    FGrayMode = source.FGrayMode;
    FSmoothFilter = source.FSmoothFilter;
    AlphaMode = source.AlphaMode;
    FDataInt = source.FDataInt;
    FDataStr = source.FDataStr;
    FDataPtr = source.FDataPtr;
    for (int i = 0; i < source.Chunks().Count(); ++i) {
        const TChunk* from = source.Chunks().GetItem(i);
        TChunk* to = fChunkList->Append(CreateChunkForName(this, from->Name()));
        to->Assign(*from);
    }
    Changed(this);
}

void TPngImage::ClonePng(const TPngImage* source) {
    if (!source) {
        clearChunks();
        Changed(this);
        return;
    }
    const bool allow = AllowShareSelf;
    AllowShareSelf = false;
    try {
        AssignPng(*source);
    } catch (...) {
        AllowShareSelf = allow;
        throw;
    }
    AllowShareSelf = allow;
}

HBITMAP TPngImage::AssignTo() const {
    if (GetEmpty()) return nullptr;
    // Work on a private copy so that this image keeps its layout.
    TPngImage copy;
    copy.ClonePng(this);
    const bool partial = TransparencyMode() == ptmPartial;
    if (copy.FHeader->BitCount() != 32 || partial) copy.ConvertTo32Bit();
    const int w = GetWidth(), h = GetHeight();
    const int bitCount = partial ? 32 : 24;
    win::DibSection dib = win::DibSection::create(w, h, bitCount);
    if (!dib) return nullptr;
    const uint32_t dstStride = dibStride(bitCount, uint32_t(w));
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = static_cast<const uint8_t*>(copy.GetScanline(y));
        uint8_t* dst = dib.bits() + size_t(y) * dstStride;
        if (partial)
            std::memcpy(dst, src, size_t(w) * 4);
        else
            for (int x = 0; x < w; ++x)
                std::memcpy(dst + x * 3, src + x * 4, 3);
    }
    return dib.release();
}

bool TPngImage::AssignHandle(HBITMAP handle, bool transparent, TColor transparentColor, HPALETTE palette,
                             bool alpha, int forceBit) {
    BITMAP bm{};
    if (!handle || !::GetObject(handle, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight == 0) return false;
    const int w = bm.bmWidth, h = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
    const bool keepAlpha = alpha && (forceBit == 0 ? bm.bmBitsPixel == 32 : forceBit == 32);
    MakeBlank(keepAlpha ? COLOR_RGBALPHA : COLOR_RGB, 8, w, h, false, keepAlpha);
    BITMAPINFO bi = win::topDownBitmapInfo(w, h, keepAlpha ? 32 : 24);
    HDC screen = ::GetDC(nullptr);
    HPALETTE oldPal = palette ? ::SelectPalette(screen, palette, FALSE) : nullptr;
    const int rows = ::GetDIBits(screen, handle, 0, UINT(h), FHeader->ImageData, &bi, DIB_RGB_COLORS);
    if (oldPal) ::SelectPalette(screen, oldPal, FALSE);
    ::ReleaseDC(nullptr, screen);
    if (rows == 0) {
        clearChunks();
        return false;
    }
    AlphaMode = keepAlpha ? pamPremultiplied : pamUnknown;
    if (transparent && !keepAlpha) SetTransparentColor(transparentColor);
    Changed(this);
    return true;
}

} // namespace vell::image
