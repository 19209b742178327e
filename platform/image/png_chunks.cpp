// The chunk objects: reading their data, writing them back, assignment, and the chunk
// list's placement rules. The byte layouts themselves are core/png's.
#include "platform/image/png_chunks.h"

#include "core/checksum/crc32.h"
#include "core/image/errors.h"
#include "core/image/layout.h"
#include "core/png/chunks.h"
#include "core/png/decoder.h"
#include "core/png/encoder.h"
#include "platform/image/png_image.h"
#include "platform/image/png_image_data.h"

#include <algorithm>
#include <cstring>
#include <typeinfo>

namespace vell::image {

namespace {

// core/png's writers put their bytes into a TStream through this.
class StreamSink final : public png::ByteSink {
  public:
    explicit StreamSink(TStream& s) : s_(s) {}
    void write(const void* data, size_t size) override { s_.WriteBuffer(data, static_cast<int64_t>(size)); }

  private:
    TStream& s_;
};

std::span<const uint8_t> bytes(const uint8_t* p, size_t n) {
    return {p, n};
}

void requireSameClass(const TChunk& self, const TChunk& source) {
    if (typeid(self) != typeid(source)) raiseError<EPngError>(msg::kChunksNotCompatible);
}

png::Ihdr toIhdr(const TIHDRData& d) {
    png::Ihdr h;
    h.width = d.Width;
    h.height = d.Height;
    h.bitDepth = d.BitDepth;
    h.colorType = d.ColorType;
    h.compressionMethod = d.CompressionMethod;
    h.filterMethod = d.FilterMethod;
    h.interlaceMethod = d.InterlaceMethod;
    return h;
}

} // namespace

// ---- TChunk --------------------------------------------------------------------------------

TChunk::TChunk(TPngImage* owner) : fOwner(owner) {}

void TChunk::Assign(const TChunk& source) {
    fName = source.fName;
    fData = source.fData;
    fDataSize = source.fDataSize;
}

void TChunk::ResizeData(uint32_t newSize) {
    fData.assign(size_t(newSize) + 1, 0);
    fDataSize = newSize;
}

void TChunk::LoadData(const uint8_t* data, uint32_t size) {
    ResizeData(size);
    if (size) std::memcpy(fData.data(), data, size);
}

bool TChunk::LoadFromStream(TStream& stream, const TChunkName& chunkName, uint32_t size) {
    if (GetChunkName().value() == 0) fName = chunkName;
    std::vector<uint8_t> data(size_t(size) + 4);
    stream.ReadBuffer(data.data(), data.size());
    uint32_t crc = checksum::crc32Update(0, chunkName.c, 4);
    crc = checksum::crc32Update(crc, data.data(), size);
    const uint32_t stored = png::readBE32(data.data() + size);
    if (crc != stored) return false;
    LoadData(data.data(), size);
    return true;
}

bool TChunk::SaveData(TStream& stream) {
    StreamSink sink(stream);
    png::writeChunk(sink, fName.value(), bytes(fData.data(), fDataSize));
    return true;
}

bool TChunk::SaveToStream(TStream& stream) {
    return SaveData(stream);
}

int TChunk::Index() const {
    return fOwner->Chunks().IndexOf(this);
}

TChunkIHDR* TChunk::Header() const {
    return fOwner->HeaderOrNull();
}

// ---- IHDR ----------------------------------------------------------------------------------

TChunkIHDR::TChunkIHDR(TPngImage* owner) : TChunk(owner) {}

TChunkIHDR::~TChunkIHDR() {
    FreeImageData();
}

void TChunkIHDR::LoadData(const uint8_t* data, uint32_t size) {
    TChunk::LoadData(data, size);
    const png::Ihdr h = png::parseIhdr(bytes(data, size));
    FreeImageData();
    IHDRData = TIHDRData{h.width,        h.height,         h.bitDepth, h.colorType, h.compressionMethod,
                         h.filterMethod, h.interlaceMethod};
    fOwner->fInterlaceMethod = h.interlaceMethod ? imAdam7 : imNone;
    PrepareBitmapInfo(false);
}

bool TChunkIHDR::SaveToStream(TStream& stream) {
    png::Ihdr h = toIhdr(IHDRData);
    // 2-bit samples are written as 4-bit ones, without interlacing.
    if (h.bitDepth == 2) fOwner->fInterlaceMethod = imNone;
    h.interlaceMethod = fOwner->fInterlaceMethod == imAdam7 ? 1 : 0;
    const auto data = png::serializeIhdr(h);
    ResizeData(uint32_t(data.size()));
    std::memcpy(fData.data(), data.data(), data.size());
    return SaveData(stream);
}

void TChunkIHDR::Assign(const TChunk& source) {
    requireSameClass(*this, source);
    const auto& s = static_cast<const TChunkIHDR&>(source);
    TChunk::Assign(source);
    FreeImageData();
    IHDRData = s.IHDRData;
    BitmapInfo = s.BitmapInfo;
    HasPalette = s.HasPalette;
    ContinueLoadStream32Bit = s.ContinueLoadStream32Bit;
    TPngImage* so = s.fOwner;
    fOwner->FBytesPerRow = s.BytesPerRow();
    fOwner->ViewLeft = so->ViewLeft;
    fOwner->ViewTop = so->ViewTop;
    fOwner->ViewWidth = so->ViewWidth;
    fOwner->ViewHeight = so->ViewHeight;
    auto& src = const_cast<TChunkIHDR&>(s);
    if (fOwner->AllowShareSelf && so->AllowShareSelf) {
        TPngImageData* store = nullptr;
        if (src.ShareImageData)
            store = TPngImageDataList::Use(src.ShareImageData);
        else if (src.ImageData && src.MemImageData && !src.ImageDC)
            store = TPngImageDataList::Instance().Use(&src) ? src.ShareImageData : nullptr;
        if (store) {
            // Use(header) counted this copy already; Use(item) counted one use.
            ShareImageData = store;
            ImageData = src.ImageData;
            ImageData_Size = src.ImageData_Size;
            ImageAlpha = src.ImageAlpha;
            ExtraImageData = src.ExtraImageData;
            MemImageData = true;
            return;
        }
    }
    so->EnsureExpanded();
    if (!src.ImageData) return;
    if (src.ImageDC) ::GdiFlush();
    const size_t rows = size_t(s.BytesPerRow()) * IHDRData.Height;
    const size_t block = src.MemImageData && src.ImageData_Size > 0 ? size_t(src.ImageData_Size) : rows;
    ImageData = allocHeap(block, true);
    std::memcpy(ImageData, src.ImageData, rows);
    ImageData_Size = static_cast<int32_t>(block);
    MemImageData = true;
    const size_t plane = size_t(IHDRData.Width) * IHDRData.Height;
    if (src.ImageAlpha) {
        ImageAlpha = allocHeap(plane, false);
        std::memcpy(ImageAlpha, src.ImageAlpha, plane);
    }
    if (src.ExtraImageData) {
        const size_t extra = BitCount() == 24 ? plane * 4 : rows;
        ExtraImageData = allocHeap(extra, false);
        std::memcpy(ExtraImageData, src.ExtraImageData, extra);
    }
}

// ---- PLTE ----------------------------------------------------------------------------------

void TChunkPLTE::LoadData(const uint8_t* data, uint32_t size) {
    TChunk::LoadData(data, size);
    fCount = png::parsePlte(bytes(data, size)).count;
    if (TChunkIHDR* h = Header()) h->RebuildColorTable();
}

RGBQUAD TChunkPLTE::GetPaletteItem(int index) const {
    if (index < 0 || uint32_t(index) >= fCount || size_t(index) * 3 + 3 > fDataSize)
        return RGBQUAD{0, 0, 0, 0};
    const uint8_t* p = fData.data() + size_t(index) * 3;
    const uint8_t* g = fOwner->GammaTable;
    return RGBQUAD{g[p[2]], g[p[1]], g[p[0]], 0};
}

bool TChunkPLTE::SaveToStream(TStream& stream) {
    TChunkIHDR* h = Header();
    if (!h) return TChunk::SaveToStream(stream);
    const uint32_t entries = fCount ? std::min<uint32_t>(fCount, 256) : h->BitmapInfo.bmiHeader.biClrUsed;
    png::Rgbq table[256];
    for (uint32_t i = 0; i < entries; ++i) {
        const RGBQUAD& q = h->BitmapInfo.bmiColors[i];
        table[i] = png::Rgbq{q.rgbBlue, q.rgbGreen, q.rgbRed, 0};
    }
    const auto data = png::serializePlte(std::span<const png::Rgbq>(table, entries), fOwner->InverseGamma);
    ResizeData(uint32_t(data.size()));
    if (!data.empty()) std::memcpy(fData.data(), data.data(), data.size());
    return SaveData(stream);
}

void TChunkPLTE::Assign(const TChunk& source) {
    requireSameClass(*this, source);
    TChunk::Assign(source);
    fCount = static_cast<const TChunkPLTE&>(source).fCount;
}

// ---- IDAT ----------------------------------------------------------------------------------

void TChunkIDAT::Assign(const TChunk& source) {
    requireSameClass(*this, source);
    TChunk::Assign(source);
    FirstIDATSize = static_cast<const TChunkIDAT&>(source).FirstIDATSize;
}

void TChunkIDAT::LoadRun(uint32_t firstIdatSize, const uint8_t* run, size_t runSize) {
    TChunkIHDR* h = Header();
    if (!h) return;
    FirstIDATSize = firstIdatSize;
    h->ChunkIDAT = this;
    auto stream = std::make_unique<TMemoryStream>(std::string(reinterpret_cast<const char*>(run), runSize));
    h->FreeImageData();
    h->ShareImageData = TPngImageDataList::Instance().Add(std::move(stream));
}

bool TChunkIDAT::LoadFromStream(TStream& stream, const TChunkName& chunkName, uint32_t size) {
    if (chunkName.value() != 0) {
        // A plain IDAT chunk read on its own: its data is the whole run.
        fName = chunkName;
        std::vector<uint8_t> run(size_t(size) + 4);
        stream.ReadBuffer(run.data(), run.size());
        LoadRun(size, run.data(), run.size());
        return true;
    }
    // Deferred decoding: the stream holds the stored run.
    const std::string run = stream.ReadRest();
    decode(reinterpret_cast<const uint8_t*>(run.data()), run.size(), size);
    return true;
}

void TChunkIDAT::decode(const uint8_t* run, size_t runSize, uint32_t firstIdatSize) {
    TChunkIHDR* h = Header();
    if (!h || !h->ImageData) return;
    const png::Ihdr ihdr = toIhdr(h->IHDRData);
    png::DecodeTarget target;
    target.layout =
        png::layoutFor(ihdr, h->BitCount() == 32 ? png::PixelFormat::Stored32 : png::PixelFormat::Stored);
    target.pixels = h->ImageData;
    target.alpha = target.layout.alphaPlane ? h->ImageAlpha : nullptr;
    target.extra = target.layout.extraPlane ? h->ExtraImageData : nullptr;
    if ((target.layout.alphaPlane && !target.alpha) || (target.layout.extraPlane && !target.extra)) return;
    png::DecodeOptions options;
    options.gamma = fOwner->GammaTable;
    png::decodeImageData(ihdr, bytes(run, runSize), firstIdatSize, target, options);
}

bool TChunkIDAT::SaveToStream(TStream& stream) {
    TChunkIHDR* h = Header();
    if (!h) return false;
    StreamSink sink(stream);
    if (TPngImageData* store = h->ShareImageData) {
        TMemoryStream* pending = store->PngStream.load();
        // The stored bytes only fit a header written with the values they were read with:
        // 2-bit samples are written as 4-bit ones, and the interlace method may have changed.
        const bool headerAsRead =
            h->IHDRData.BitDepth != 2 &&
            h->IHDRData.InterlaceMethod == (fOwner->fInterlaceMethod == imAdam7 ? 1 : 0);
        if (pending && pending != reinterpret_cast<TMemoryStream*>(1) && !h->ImageData && headerAsRead) {
            png::writeIdatRun(sink, pending->Span(), FirstIDATSize);
            return true;
        }
    }
    fOwner->EnsureExpanded();
    if (!h->ImageData || h->IHDRData.ColorType == COLOR_DEVICE) return false;
    if (h->ImageDC) ::GdiFlush();
    png::Ihdr ihdr = toIhdr(h->IHDRData);
    ihdr.interlaceMethod = fOwner->fInterlaceMethod == imAdam7 && ihdr.bitDepth != 2 ? 1 : 0;
    png::EncodeSource src;
    src.layout =
        png::layoutFor(ihdr, h->BitCount() == 32 ? png::PixelFormat::Stored32 : png::PixelFormat::Stored);
    src.pixels = h->ImageData;
    src.alpha = h->ImageAlpha;
    src.extra = h->ExtraImageData;
    png::EncodeOptions options;
    options.filters = fOwner->fFilters;
    options.compressionLevel = fOwner->fCompressionLevel;
    options.maxIdatSize = fOwner->fMaxIdatSize;
    options.inverseGamma = fOwner->InverseGamma;
    png::encodeImageData(ihdr, src, options, sink);
    return true;
}

// ---- tRNS ----------------------------------------------------------------------------------

TChunktRNS::TChunktRNS(TPngImage* owner) : TChunk(owner) {
    std::memset(PaletteValues, 255, sizeof PaletteValues);
}

TChunktRNS::~TChunktRNS() {
    if (TChunkIHDR* h = Header(); h && h->ChunkTRNS == this) h->ChunkTRNS = nullptr;
}

void TChunktRNS::LoadData(const uint8_t* data, uint32_t size) {
    const TChunkIHDR* h = Header();
    const png::Transparency t = png::parseTrns(bytes(data, size), h ? h->IHDRData.ColorType : 0);
    TChunk::LoadData(t.values, t.size);
    std::memcpy(PaletteValues, t.values, 256);
    fBitTransparency = t.bitTransparency;
    if (TChunkIHDR* hh = Header()) hh->ChunkTRNS = this;
}

bool TChunktRNS::SaveToStream(TStream& stream) {
    if (fDataSize > 256) ResizeData(256);
    const TChunkIHDR* h = Header();
    if (!h || h->IHDRData.ColorType != 0 || h->IHDRData.BitDepth != 2) return SaveData(stream);
    // A 2-bit grey image is written on the 4-bit scale; its transparent grey key goes with it.
    png::Transparency t;
    std::memcpy(t.values, PaletteValues, 256);
    t.size = static_cast<uint16_t>(std::min<uint32_t>(fDataSize, 256));
    std::memcpy(t.values, fData.data(), t.size);
    const png::Ihdr ihdr = toIhdr(h->IHDRData);
    StreamSink sink(stream);
    png::writeChunk(sink, fName.value(), png::serializeTrns(t, &ihdr));
    return true;
}

void TChunktRNS::Assign(const TChunk& source) {
    if (typeid(*this) != typeid(source)) return;
    TChunk::Assign(source);
    const auto& s = static_cast<const TChunktRNS&>(source);
    std::memcpy(PaletteValues, s.PaletteValues, 256);
    fBitTransparency = s.fBitTransparency;
    if (TChunkIHDR* h = Header()) h->ChunkTRNS = this;
}

namespace {
png::Transparency toTransparency(const uint8_t* values, uint32_t size, bool bit) {
    png::Transparency t;
    std::memcpy(t.values, values, 256);
    t.size = static_cast<uint16_t>(std::min<uint32_t>(size, 256));
    t.bitTransparency = bit;
    return t;
}
} // namespace

uint32_t TChunktRNS::TransparentColor() const {
    const TChunkIHDR* h = Header();
    if (!h) return 0xFF000000u;
    png::Rgbq table[256];
    const uint32_t entries = h->BitmapInfo.bmiHeader.biClrUsed;
    for (uint32_t i = 0; i < entries; ++i) {
        const RGBQUAD& q = h->BitmapInfo.bmiColors[i];
        table[i] = png::Rgbq{q.rgbBlue, q.rgbGreen, q.rgbRed, 0};
    }
    // The stored bytes are the chunk data; PaletteValues mirrors them for indexed images.
    uint8_t values[256];
    std::memset(values, 255, sizeof values);
    std::memcpy(values, fData.data(), std::min<uint32_t>(fDataSize, 256));
    return png::transparentColor(toTransparency(values, fDataSize, fBitTransparency), toIhdr(h->IHDRData),
                                 std::span<const png::Rgbq>(table, entries), fOwner->GammaTable);
}

void TChunktRNS::SetTransparentColor(uint32_t color) {
    TChunkIHDR* h = Header();
    if (!h) return;
    png::Rgbq table[256];
    const uint32_t entries = h->BitmapInfo.bmiHeader.biClrUsed;
    for (uint32_t i = 0; i < entries; ++i) {
        const RGBQUAD& q = h->BitmapInfo.bmiColors[i];
        table[i] = png::Rgbq{q.rgbBlue, q.rgbGreen, q.rgbRed, 0};
    }
    png::Transparency t = toTransparency(PaletteValues, fDataSize, fBitTransparency);
    std::memcpy(t.values, fData.data(), std::min<uint32_t>(fDataSize, 256));
    png::setTransparentColor(t, toIhdr(h->IHDRData), color, std::span<const png::Rgbq>(table, entries));
    TChunk::LoadData(t.values, t.size);
    if (h->IHDRData.ColorType == COLOR_PALETTE) std::memcpy(PaletteValues, t.values, 256);
    fBitTransparency = t.bitTransparency || h->IHDRData.ColorType != COLOR_PALETTE;
    h->ChunkTRNS = this;
}

// ---- gAMA ----------------------------------------------------------------------------------

void TChunkgAMA::LoadData(const uint8_t* data, uint32_t size) {
    TChunk::LoadData(data, size);
    if (const auto g = png::parseGama(bytes(data, size))) {
        png::buildGammaTables(*g, fOwner->GammaTable, fOwner->InverseGamma);
        if (TChunkIHDR* h = Header()) h->RebuildColorTable();
    }
}

uint32_t TChunkgAMA::Gamma() const {
    return fDataSize >= 4 ? png::readBE32(fData.data()) : 0;
}

void TChunkgAMA::SetGamma(uint32_t value) {
    const auto d = png::serializeGama(value);
    LoadData(d.data(), uint32_t(d.size()));
}

void TChunkgAMA::Assign(const TChunk& source) {
    requireSameClass(*this, source);
    TChunk::Assign(source);
}

// ---- pHYs, tIME ----------------------------------------------------------------------------

void TChunkpHYs::LoadData(const uint8_t* data, uint32_t size) {
    TChunk::LoadData(data, size);
    const png::PhysicalSize p = png::parsePhys(bytes(data, size));
    fPPUnitX = p.ppuX;
    fPPUnitY = p.ppuY;
    fUnit = p.unit == 1 ? utMeter : utUnknown;
}

bool TChunkpHYs::SaveToStream(TStream& stream) {
    const auto d =
        png::serializePhys(png::PhysicalSize{fPPUnitX, fPPUnitY, uint8_t(fUnit == utMeter ? 1 : 0)});
    TChunk::LoadData(d.data(), uint32_t(d.size()));
    return SaveData(stream);
}

void TChunkpHYs::Assign(const TChunk& source) {
    if (typeid(*this) != typeid(source)) return;
    TChunk::Assign(source);
    const auto& s = static_cast<const TChunkpHYs&>(source);
    fPPUnitX = s.fPPUnitX;
    fPPUnitY = s.fPPUnitY;
    fUnit = s.fUnit;
}

void TChunktIME::LoadData(const uint8_t* data, uint32_t size) {
    TChunk::LoadData(data, size);
    const png::TimeStamp t = png::parseTime(bytes(data, size));
    fYear = t.year;
    fMonth = t.month;
    fDay = t.day;
    fHour = t.hour;
    fMinute = t.minute;
    fSecond = t.second;
}

bool TChunktIME::SaveToStream(TStream& stream) {
    const auto d = png::serializeTime(png::TimeStamp{fYear, fMonth, fDay, fHour, fMinute, fSecond});
    TChunk::LoadData(d.data(), uint32_t(d.size()));
    return SaveData(stream);
}

void TChunktIME::Assign(const TChunk& source) {
    if (typeid(*this) != typeid(source)) return;
    TChunk::Assign(source);
    const auto& s = static_cast<const TChunktIME&>(source);
    fYear = s.fYear;
    fMonth = s.fMonth;
    fDay = s.fDay;
    fHour = s.fHour;
    fMinute = s.fMinute;
    fSecond = s.fSecond;
}

// ---- tEXt, zTXt ----------------------------------------------------------------------------

namespace {
png::DrawProperties drawProperties(const TPngImage* img) {
    png::DrawProperties p;
    p.alphaBlendValue = img->FAlphaBlendValue;
    p.grayMode = img->FGrayMode;
    p.smoothFilter = img->FSmoothFilter;
    return p;
}

void applyDevur(TPngImage* img, const std::string& keyword, const std::string& text) {
    if (!png::isDevurKeyword(keyword)) return;
    const png::DrawProperties p = png::readDevur(text, drawProperties(img));
    img->FAlphaBlendValue = p.alphaBlendValue;
    img->FGrayMode = p.grayMode;
    img->FSmoothFilter = static_cast<TPngSmoothFilter>(p.smoothFilter <= 2 ? p.smoothFilter : 0);
}
} // namespace

void TChunktEXt::LoadData(const uint8_t* data, uint32_t size) {
    TChunk::LoadData(data, size);
    const png::TextChunk t = png::parseText(bytes(data, size));
    fKeyword = t.keyword;
    fText = t.text;
    applyDevur(fOwner, fKeyword, fText);
}

bool TChunktEXt::SaveToStream(TStream& stream) {
    const png::TextChunk t = png::writeDevur(png::TextChunk{fKeyword, fText}, drawProperties(fOwner));
    fKeyword = t.keyword;
    fText = t.text;
    const auto d = png::serializeText(t);
    TChunk::LoadData(d.data(), uint32_t(d.size()));
    return SaveData(stream);
}

void TChunktEXt::Assign(const TChunk& source) {
    if (!dynamic_cast<const TChunktEXt*>(&source) || typeid(*this) != typeid(source)) return;
    TChunk::Assign(source);
    const auto& s = static_cast<const TChunktEXt&>(source);
    fKeyword = s.fKeyword;
    fText = s.fText;
}

void TChunkzTXt::LoadData(const uint8_t* data, uint32_t size) {
    TChunk::LoadData(data, size);
    const png::TextChunk t = png::parseZtxt(bytes(data, size), png::Limits{}.maxTextBytes);
    fKeyword = t.keyword;
    fText = t.text;
}

bool TChunkzTXt::SaveToStream(TStream& stream) {
    const auto d = png::serializeZtxt(png::TextChunk{fKeyword, fText}, fOwner->fCompressionLevel);
    if (!d) return true; // deflate failed: the chunk is left out
    TChunk::LoadData(d->data(), uint32_t(d->size()));
    return SaveData(stream);
}

// ---- the name map --------------------------------------------------------------------------

std::unique_ptr<TChunk> CreateChunkForName(TPngImage* owner, const TChunkName& name) {
    std::unique_ptr<TChunk> c;
    switch (name.value()) {
    case png::kIHDR:
        c.reset(new TChunkIHDR(owner));
        break;
    case png::kIEND:
        c.reset(new TChunkIEND(owner));
        break;
    case png::kIDAT:
        c.reset(new TChunkIDAT(owner));
        break;
    case png::kPLTE:
        c.reset(new TChunkPLTE(owner));
        break;
    case png::kGAMA:
        c.reset(new TChunkgAMA(owner));
        break;
    case png::kTRNS:
        c.reset(new TChunktRNS(owner));
        break;
    case png::kPHYS:
        c.reset(new TChunkpHYs(owner));
        break;
    case png::kTIME:
        c.reset(new TChunktIME(owner));
        break;
    case png::kTEXT:
        c.reset(new TChunktEXt(owner));
        break;
    case png::kZTXT:
        c.reset(new TChunkzTXt(owner));
        break;
    default:
        c.reset(new TChunk(owner));
        break;
    }
    c->SetName(name);
    return c;
}

// ---- TPNGList ------------------------------------------------------------------------------

int TPNGList::IndexOf(const TChunk* chunk) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == chunk) return static_cast<int>(i);
    return -1;
}

namespace {
bool isName(const TChunk* c, const char (&n)[5]) {
    return c->GetChunkName() == TChunkName::of(n);
}
} // namespace

TChunk* TPNGList::Add(std::unique_ptr<TChunk> chunk) {
    if (chunk->GetChunkName().value() != 0) chunk->SetName(chunk->GetChunkName());
    const TChunk* c = chunk.get();
    auto indexOfName = [&](const char(&n)[5]) {
        for (size_t i = 0; i < items_.size(); ++i)
            if (isName(items_[i].get(), n)) return static_cast<int>(i);
        return -1;
    };
    if (!fOwner->BeingCreated) {
        const bool critical =
            isName(c, "IHDR") || isName(c, "IDAT") || isName(c, "PLTE") || isName(c, "IEND");
        const bool second = (isName(c, "gAMA") && indexOfName("gAMA") >= 0) ||
                            (isName(c, "tRNS") && indexOfName("tRNS") >= 0) ||
                            (isName(c, "pHYs") && indexOfName("pHYs") >= 0);
        if (critical || second) raiseError<EPngError>(msg::kAddExistentCritical);
        if (indexOfName("IHDR") < 0 || indexOfName("IEND") < 0)
            raiseError<EPngError>(msg::kAddToInvalidImage);
    }
    const int ihdr = indexOfName("IHDR"), iend = indexOfName("IEND");
    int at;
    if (isName(c, "IHDR")) {
        at = 0;
    } else if (isName(c, "IEND")) {
        at = Count();
    } else if (isName(c, "gAMA") || isName(c, "pHYs") || isName(c, "PLTE")) {
        at = ihdr + 1;
    } else if (isName(c, "tRNS")) {
        const int plte = indexOfName("PLTE"), idat = indexOfName("IDAT");
        at = plte >= 0 ? plte + 1 : (idat >= 0 ? idat : ihdr + 1);
    } else {
        at = iend >= 0 ? iend : Count();
    }
    TChunk* p = chunk.get();
    items_.insert(items_.begin() + at, std::move(chunk));
    if (auto* h = dynamic_cast<TChunkIHDR*>(p)) fOwner->FHeader = h;
    if (TChunkIHDR* h = fOwner->HeaderOrNull()) {
        if (auto* t = dynamic_cast<TChunktRNS*>(p)) h->ChunkTRNS = t;
        if (auto* d = dynamic_cast<TChunkIDAT*>(p)) h->ChunkIDAT = d;
    }
    return p;
}

TChunk* TPNGList::Append(std::unique_ptr<TChunk> chunk) {
    TChunk* p = chunk.get();
    items_.push_back(std::move(chunk));
    if (auto* h = dynamic_cast<TChunkIHDR*>(p)) fOwner->FHeader = h;
    if (TChunkIHDR* h = fOwner->HeaderOrNull()) {
        if (auto* t = dynamic_cast<TChunktRNS*>(p)) h->ChunkTRNS = t;
        if (auto* d = dynamic_cast<TChunkIDAT*>(p)) h->ChunkIDAT = d;
    }
    return p;
}

namespace {
void forget(TPngImage* owner, TChunk* c) {
    TChunkIHDR* h = owner->HeaderOrNull();
    if (!h) return;
    if (h == c) {
        owner->FHeader = nullptr;
        return;
    }
    if (h->ChunkIDAT == c) h->ChunkIDAT = nullptr;
    if (h->ChunkTRNS == c) h->ChunkTRNS = nullptr;
}
} // namespace

void TPNGList::RemoveChunk(TChunk* chunk) {
    const int i = IndexOf(chunk);
    if (i < 0) return;
    forget(fOwner, chunk);
    std::unique_ptr<TChunk> c = std::move(items_[i]);
    items_.erase(items_.begin() + i);
}

void TPNGList::Trim(int index) {
    while (Count() > std::max(index, 0)) {
        TChunk* c = items_.back().get();
        forget(fOwner, c);
        items_.pop_back();
    }
}

void TPNGList::Clear() {
    Trim(0);
}

} // namespace vell::image
