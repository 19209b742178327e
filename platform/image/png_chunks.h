// The chunk objects of an image: every chunk of a PNG stream is one object in the image's
// chunk list, kept in file order. The header chunk owns the image's pixel storage.
#pragma once
#include "platform/image/png_types.h"
#include "core/io/stream.h"
#include "platform/win/dib_section.h"
#include "platform/win/handles.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vell::image {

class TPngImage;
class TPngImageData;
class TChunkIHDR;
class TChunkIDAT;
class TChunktRNS;

class TChunk {
  public:
    explicit TChunk(TPngImage* owner);
    TChunk(const TChunk&) = delete;
    TChunk& operator=(const TChunk&) = delete;
    virtual ~TChunk() = default;

    // The class's own name; the generic chunk has none and takes the one it was read with.
    virtual TChunkName GetChunkName() const { return TChunkName{}; }
    virtual void Assign(const TChunk& source);
    virtual bool LoadFromStream(TStream& stream, const TChunkName& chunkName, uint32_t size);
    virtual bool SaveToStream(TStream& stream);

    // Takes the chunk's data bytes (already checked against their CRC) and interprets them.
    virtual void LoadData(const uint8_t* data, uint32_t size);

    void ResizeData(uint32_t newSize);
    // Length, name, data and CRC-32 of name and data.
    bool SaveData(TStream& stream);

    int Index() const;
    TChunkIHDR* Header() const;
    uint8_t* Data() { return fData.data(); }
    const uint8_t* Data() const { return fData.data(); }
    uint32_t DataSize() const { return fDataSize; }
    TPngImage* Owner() const { return fOwner; }
    const TChunkName& Name() const { return fName; }
    void SetName(const TChunkName& name) { fName = name; }

  protected:
    std::vector<uint8_t> fData = std::vector<uint8_t>(1); // always one byte longer than fDataSize
    uint32_t fDataSize = 0;
    TPngImage* fOwner;
    TChunkName fName;
};

// The PNG header values.
struct TIHDRData {
    uint32_t Width = 0, Height = 0;
    uint8_t BitDepth = 0, ColorType = 0, CompressionMethod = 0, FilterMethod = 0, InterlaceMethod = 0;
};

// Bitmap info with a full colour table: 40 + 1024 = 1064 bytes.
struct TMaxBitmapInfo {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[256];
};
static_assert(sizeof(TMaxBitmapInfo) == 1064);

class TChunkIHDR : public TChunk {
  public:
    explicit TChunkIHDR(TPngImage* owner);
    ~TChunkIHDR() override;
    TChunkName GetChunkName() const override { return TChunkName::of("IHDR"); }
    void Assign(const TChunk& source) override;
    void LoadData(const uint8_t* data, uint32_t size) override;
    bool SaveToStream(TStream& stream) override;

    // Pixel storage.
    HGDIOBJ ImageHandle_free = nullptr; // bitmap selected in ImageDC before ImageHandle
    win::DibSection ImageHandle;        // DIB section holding the pixels of a DC image
    win::UniqueMemoryDC ImageDC;        // memory DC with ImageHandle selected
    DWORD ImageDC_ThreadID = 0;
    win::UniquePalette ImagePalette;
    bool HasPalette = false;
    TMaxBitmapInfo BitmapInfo{};
    uint8_t* ExtraImageData = nullptr; // low bytes of 16-bit samples, same layout as ImageData
    bool MemImageData = true;          // ImageData is heap memory (else the DIB section's)
    uint8_t* ImageData = nullptr;
    int32_t ImageData_Size = -1;
    uint8_t* ImageData_Cache = nullptr; // spare heap block kept from the last switch to a DC
    int32_t ImageData_CacheSize = -1;
    uint8_t* ImageAlpha = nullptr;       // Width bytes per row
    uint8_t* AssignImageAlpha = nullptr; // handed over by an assignment, adopted by the next allocation
    TPngImageData* ShareImageData = nullptr;
    TIHDRData IHDRData;
    bool DCHashed = false;
    bool ContinueLoadStream32Bit = false;
    TChunkIDAT* ChunkIDAT = nullptr;
    TChunktRNS* ChunkTRNS = nullptr;

    int BitCount() const { return BitmapInfo.bmiHeader.biBitCount; }
    bool Is32Bit() const { return BitCount() == 32 && IHDRData.ColorType == 6; }
    uint32_t BytesPerRow() const;

    // Fills the bitmap info and colour table for IHDRData (32 bits for type 6 when asked).
    void PrepareBitmapInfo(bool rgb32);
    // The storage steps of MakeBlank, header assignment and decoding.
    void AllocatePixelStore(bool needDC, bool rgb32);
    // Releases pixels, DC, palette and any shared store; keepCache keeps ImageData_Cache.
    void FreeImageData(bool keepCache = false);
    // Heap image -> DIB-section image with a memory DC (unsharing first); false if no DIB.
    bool CreateImageDC();
    // DIB-section image -> heap image; the DC is deleted.
    void DetachImageDC();
    // Rebuilds the grey ramp or the palette colours of the colour table.
    void RebuildColorTable();

  private:
    friend class TPngImage;
    void registerDC();
    void unregisterDC();
    void createPalette();
    // Selects a new DIB section into its new memory DC and makes them the image's pixels.
    void installDib(win::UniqueMemoryDC dc, win::DibSection dib);
    uint8_t* allocHeap(size_t bytes, bool zero);
};

class TChunkPLTE : public TChunk {
  public:
    using TChunk::TChunk;
    TChunkName GetChunkName() const override { return TChunkName::of("PLTE"); }
    void Assign(const TChunk& source) override;
    void LoadData(const uint8_t* data, uint32_t size) override;
    bool SaveToStream(TStream& stream) override;
    RGBQUAD GetPaletteItem(int index) const;
    uint32_t Count() const { return fCount; }
    void SetCount(uint32_t count) { fCount = count; }

  private:
    uint32_t fCount = 0;
};

class TChunkIDAT : public TChunk {
  public:
    using TChunk::TChunk;
    TChunkName GetChunkName() const override { return TChunkName::of("IDAT"); }
    void Assign(const TChunk& source) override;
    // With an empty name: decode the stored data of a shared store (FirstIDATSize set).
    bool LoadFromStream(TStream& stream, const TChunkName& chunkName, uint32_t size) override;
    bool SaveToStream(TStream& stream) override;
    // Keeps the undecoded IDAT run (first IDAT's data onwards) in the shared store.
    void LoadRun(uint32_t firstIdatSize, const uint8_t* run, size_t runSize);
    uint32_t FirstIDATSize = 0;

  private:
    void decode(const uint8_t* run, size_t runSize, uint32_t firstIdatSize);
};

class TChunktRNS : public TChunk {
  public:
    explicit TChunktRNS(TPngImage* owner);
    ~TChunktRNS() override;
    TChunkName GetChunkName() const override { return TChunkName::of("tRNS"); }
    void Assign(const TChunk& source) override;
    void LoadData(const uint8_t* data, uint32_t size) override;
    bool SaveToStream(TStream& stream) override;
    bool BitTransparency() const { return fBitTransparency; }
    uint32_t TransparentColor() const;
    void SetTransparentColor(uint32_t color);
    uint8_t PaletteValues[256];

  private:
    bool fBitTransparency = false;
};

class TChunkgAMA : public TChunk {
  public:
    using TChunk::TChunk;
    TChunkName GetChunkName() const override { return TChunkName::of("gAMA"); }
    void Assign(const TChunk& source) override;
    void LoadData(const uint8_t* data, uint32_t size) override;
    uint32_t Gamma() const;
    void SetGamma(uint32_t value);
};

class TChunkpHYs : public TChunk {
  public:
    using TChunk::TChunk;
    TChunkName GetChunkName() const override { return TChunkName::of("pHYs"); }
    void Assign(const TChunk& source) override;
    void LoadData(const uint8_t* data, uint32_t size) override;
    bool SaveToStream(TStream& stream) override;
    uint32_t fPPUnitX = 0, fPPUnitY = 0;
    TUnitType fUnit = utUnknown;
};

class TChunktIME : public TChunk {
  public:
    using TChunk::TChunk;
    TChunkName GetChunkName() const override { return TChunkName::of("tIME"); }
    void Assign(const TChunk& source) override;
    void LoadData(const uint8_t* data, uint32_t size) override;
    bool SaveToStream(TStream& stream) override;
    uint16_t fYear = 0;
    uint8_t fMonth = 0, fDay = 0, fHour = 0, fMinute = 0, fSecond = 0;
};

class TChunktEXt : public TChunk {
  public:
    using TChunk::TChunk;
    TChunkName GetChunkName() const override { return TChunkName::of("tEXt"); }
    void Assign(const TChunk& source) override;
    void LoadData(const uint8_t* data, uint32_t size) override;
    bool SaveToStream(TStream& stream) override;
    const std::string& Keyword() const { return fKeyword; } // UTF-8
    const std::string& Text() const { return fText; }       // UTF-8
    void SetKeyword(const std::string& v) { fKeyword = v; }
    void SetText(const std::string& v) { fText = v; }

  protected:
    std::string fKeyword, fText;
};

class TChunkzTXt : public TChunktEXt {
  public:
    using TChunktEXt::TChunktEXt;
    TChunkName GetChunkName() const override { return TChunkName::of("zTXt"); }
    void LoadData(const uint8_t* data, uint32_t size) override;
    bool SaveToStream(TStream& stream) override;
};

class TChunkIEND : public TChunk {
  public:
    using TChunk::TChunk;
    TChunkName GetChunkName() const override { return TChunkName::of("IEND"); }
};

// Makes the chunk object for a name read from a stream: the class registered for it,
// else a generic chunk carrying the name.
std::unique_ptr<TChunk> CreateChunkForName(TPngImage* owner, const TChunkName& name);

// The image's chunks in file order; the list owns them.
class TPNGList {
  public:
    explicit TPNGList(TPngImage* owner) : fOwner(owner) {}
    ~TPNGList() { Clear(); }

    int Count() const { return static_cast<int>(items_.size()); }
    TChunk* GetItem(int index) const { return index >= 0 && index < Count() ? items_[index].get() : nullptr; }
    int IndexOf(const TChunk* chunk) const;
    TPngImage* Owner() const { return fOwner; }

    // First chunk of class C or a class derived from it.
    template <class C> C* ItemFromClass() const {
        for (const auto& c : items_)
            if (auto* p = dynamic_cast<C*>(c.get())) return p;
        return nullptr;
    }
    template <class C> C* FindChunk() const { return ItemFromClass<C>(); }

    // Adds a chunk of class C with the placement rules (see Add).
    template <class C> C* Add() { return static_cast<C*>(Add(std::unique_ptr<TChunk>(new C(fOwner)))); }
    // Places a new chunk: IHDR first, IEND last, gAMA / pHYs / PLTE right after IHDR, tRNS
    // after PLTE, else before the first IDAT, else after IHDR, others before IEND.
    TChunk* Add(std::unique_ptr<TChunk> chunk);
    // Appends without placement rules (loading in file order).
    TChunk* Append(std::unique_ptr<TChunk> chunk);
    void RemoveChunk(TChunk* chunk);
    // Frees the chunks from `index` on.
    void Trim(int index);
    void Clear();

  private:
    TPngImage* fOwner;
    std::vector<std::unique_ptr<TChunk>> items_;
};

} // namespace vell::image
