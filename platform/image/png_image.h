// TPngImage: the engine's one image type. Pixels are kept in the layout of a top-down DIB
// (32-bit premultiplied BGRA in normal work) either on the heap or in a DIB section with
// a memory DC; the header chunk owns them. Images are reference counted, may share
// identical decoded pixel data, and decode PNG data only when the pixels are first used.
#pragma once
#include "platform/image/graphic.h"
#include "platform/image/png_chunks.h"
#include "platform/image/png_types.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vell::image {

class TPngImageCanvas;

class TPngImage : public TRdGraphic {
  public:
    TPngImage();
    ~TPngImage() override;

    // ---- construction -------------------------------------------------------------------
    // A blank image; with useCache on the start-up thread it may be a cached scratch image
    // larger than asked for (ViewWidth / ViewHeight give the asked size). The caller frees
    // it with ReleaseRef (or Free).
    static TPngImage* CreateBlank(int colorType, int bitDepth, int cx, int cy, bool needDC, bool useCache,
                                  bool needRGB32If32Bit, bool cacheNoErase);
    static TPngImage* CreateARGB32(int cx, int cy, bool needDCHandle);
    static TPngImage* CreateCacheDC32(int cx, int cy, bool cacheNoErase);
    void MakeBlank(int colorType, int bitDepth, int cx, int cy, bool needDC, bool needRGB32If32Bit);
    // Drops the cache's images that nobody else uses (all of them at shut-down).
    static void ClearBlankImageCache();

    // ---- reference counting ---------------------------------------------------------------
    int AddRef(bool saveDCByFirst = false);
    // Drops one reference; the last one destroys the image. Returns the new count.
    int ReleaseRef();
    // The framework's way of freeing: a release.
    void Free() { ReleaseRef(); }
    // AddRef / ReleaseRef on an object that must be exactly a TPngImage.
    static int AddRefOf(TGraphic* image, bool saveDCByFirst = false);
    static int ReleaseRefOf(TGraphic* image);
    int RefCount() const { return FRefCount.load(); }

    // ---- copying ------------------------------------------------------------------------
    void Assign(TGraphic* source) override;
    void AssignPng(const TPngImage& source);
    // Deep copy, never shared; null empties the image.
    void ClonePng(const TPngImage* source);
    // Gives the image private pixels if they are shared.
    void UniquePng();
    // Fills a bitmap handle from this image (32-bit with alpha for partial transparency).
    HBITMAP AssignTo() const;
    bool AssignHandle(HBITMAP handle, bool transparent, TColor transparentColor, HPALETTE palette, bool alpha,
                      int forceBit = 0);
    // The icon at its own size (reported in iconSize when given); without assignNew the
    // image keeps its size and the icon is copied into its top-left corner.
    bool AssignIcon(HICON handle, bool assignNew = true, SIZE* iconSize = nullptr);

    // ---- TGraphic ------------------------------------------------------------------------
    int GetWidth() const override;
    int GetHeight() const override;
    void SetSize(int width, int height) override;
    bool GetEmpty() const override;
    bool GetTransparent() const override;
    HPALETTE GetPalette() const override;
    void SetPalette(HPALETTE palette) override;
    void Draw(HDC dc, const RECT& rect) override;
    // As Draw with opacity MulTable[opacity][AlphaBlendValue].
    void DrawTransparent(HDC dc, const RECT& rect, uint8_t opacity) override;
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;

    // ---- geometry and pixels ---------------------------------------------------------------
    // The new (0, 0) is the old (offX, offY); uncovered pixels are 0, alpha planes newAlpha.
    void Resize(int cx, int cy, uint8_t newAlpha = 0, bool forceMemImage = false, int offX = 0, int offY = 0);
    void FillRect(const RECT& rct, uint32_t dat);
    void* GetScanline(int lineIndex) override;
    uint8_t* GetAlphaScanline(int lineIndex) override;
    uint8_t* GetExtraScanline(int lineIndex);
    TColor GetPixels(int x, int y) override;
    void SetPixels(int x, int y, TColor value) override;
    // The compositor's DrawRect (draw_image.h) with this image as the source.
    void DrawRect(HDC DstDC, int DstX, int DstY, int DstW, int DstH, int SrcX, int SrcY, int SrcW, int SrcH,
                  int Alpha, bool Gray, TPngSmoothFilter Smooth, TPngImage* DstPng) override;

    // ---- alpha -----------------------------------------------------------------------------
    void PreMultiplyAlpha();
    void UnPreMultiplyAlpha(bool invert0To255 = false);
    bool ConvertTo32Bit();
    void ReloadAlphaScanline();
    void CreateAlpha(uint8_t newAlpha = 255);
    void RemoveTransparency();
    void CreateTransparency();
    TPNGTransparencyMode TransparencyMode() const;
    TColor TransparentColor() const;
    void SetTransparentColor(TColor value);
    bool AlphaPreMultiplied() const { return AlphaMode == pamPremultiplied; }
    void SetAlphaPreMultiplied(bool value) { AlphaMode = value ? pamPremultiplied : pamDefined; }

    // ---- text chunks -----------------------------------------------------------------------
    void AddtEXt(const std::string& keyword, const std::string& text, bool jumpExists = false);
    void AddzTXt(const std::string& keyword, const std::string& text, bool jumpExists = false);
    // Gives the image the "DEVUR" text chunk that carries its drawing properties.
    void EnsureDevurChunk() { ensureDevurChunk(); }

    // ---- shared data -----------------------------------------------------------------------
    // Decodes deferred image data before pixels are read or written.
    void EnsureExpanded();
    // The shared store of this image, or null.
    const void* SharedData() const;

    // ---- properties ------------------------------------------------------------------------
    TChunkIHDR* Header() const; // raises EPNGHeaderNotPresent without one
    TChunkIHDR* HeaderOrNull() const { return FHeader; }
    TPNGList& Chunks() { return *fChunkList; }
    const TPNGList& Chunks() const { return *fChunkList; }
    TPngImageCanvas& Canvas();
    bool HasCanvasHandle() const;
    HDC CanvasHandle(); // converts a heap image into a DC image
    uint32_t BytesPerRow() const { return FBytesPerRow; }
    TChunkpHYs* PixelInformation();
    static const char* Version() { return "2.701"; }

    uint8_t AlphaBlendValue() const { return FAlphaBlendValue; }
    void SetAlphaBlendValue(uint8_t value);
    bool GrayMode() const { return FGrayMode; }
    void SetGrayMode(bool value);
    TPngSmoothFilter SmoothFilter() const { return FSmoothFilter; }
    void SetSmoothFilter(TPngSmoothFilter value);
    TInterlaceMethod InterlaceMethod() const { return fInterlaceMethod; }
    void SetInterlaceMethod(TInterlaceMethod v) { fInterlaceMethod = v; }
    TFilters Filters() const { return fFilters; }
    void SetFilters(TFilters v) { fFilters = v; }
    uint32_t MaxIdatSize() const { return fMaxIdatSize; }
    void SetMaxIdatSize(uint32_t v) { fMaxIdatSize = v < 65535 ? 65535 : v; }
    int CompressionLevel() const { return fCompressionLevel; }
    void SetCompressionLevel(int v) { fCompressionLevel = v < 0 ? 0 : (v > 9 ? 9 : v); }

    // Registries of DCs that draw into 32-bit alpha pixels.
    static void MakeDC32(HDC dc, const void* obj);
    static void RemoveDC32(HDC dc, const void* obj);
    static bool IsAlphaDC(HDC dc);

    // Raises E with the message Version + " " + text.
    template <class E> [[noreturn]] static void RaiseError(const std::string& text);

    // ---- fields ---------------------------------------------------------------------------
    uint8_t InverseGamma[256];
    TFilters fFilters = filterBit(pfSub);
    int fCompressionLevel = 1;
    uint32_t fMaxIdatSize = 65535;
    TInterlaceMethod fInterlaceMethod = imNone;
    uint8_t FAlphaBlendValue = 255;
    TPngSmoothFilter FSmoothFilter = psfDefault;
    int64_t FDataInt = 0;
    std::string FDataStr;
    void* FDataPtr = nullptr;
    bool FGrayMode = false;
    uint32_t FBytesPerRow = 0;
    bool BeingCreated = false;
    int RefSaveDC = 0;
    int RefSaveDC_Index = 0;
    TChunkIHDR* FHeader = nullptr;
    int ViewLeft = 0, ViewTop = 0, ViewWidth = 0, ViewHeight = 0;
    TPngAlphaMode AlphaMode = pamUnknown;
    bool AllowShareSelf = true;
    uint8_t GammaTable[256];

  private:
    friend class TChunkIHDR;
    friend class TChunkIDAT;
    friend class TPngImageCanvas;
    void clearChunks();
    void ensureDevurChunk();
    void restoreSavedDC();
    void resetForCacheUse(int cx, int cy, bool cacheNoErase);
    void resizeStore(int cx, int cy, uint8_t newAlpha, bool forceMemImage, int offX, int offY);
    void convertLowDepthTo32();
    void unshareForWrite();
    // The premultiply passes: pixels decoded, private and flushed; false when there is no alpha.
    bool prepareAlphaPass();
    // Calls row(colour, extra or null, alpha, alpha step, bytes per pixel) for every row.
    void forEachAlphaRow(const std::function<void(uint8_t*, uint8_t*, uint8_t*, int, int)>& row);

    std::unique_ptr<TPngImageCanvas> fCanvas;
    std::unique_ptr<TPNGList> fChunkList;
    std::atomic<int32_t> FRefCount{1};
};

template <class E> void TPngImage::RaiseError(const std::string& text) {
    raiseError<E>(text);
}

// Holds one reference to an image and releases it at the end of the scope.
struct PngReleaser {
    void operator()(TPngImage* p) const {
        if (p) p->ReleaseRef();
    }
};
using PngRef = std::unique_ptr<TPngImage, PngReleaser>;

} // namespace vell::image
