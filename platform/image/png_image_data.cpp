#include "platform/image/png_image_data.h"

#include "core/checksum/crc64.h"
#include "core/image/errors.h"
#include "platform/image/png_chunks.h"
#include "platform/image/png_image.h"

#include <algorithm>
#include <cstdlib>

namespace vell::image {

void SleepForClaim() {
    ::Sleep(2);
}

namespace {
void freeBuffer(std::atomic<uint8_t*>& slot) {
    uint8_t* p = slot.exchange(nullptr);
    if (p && p != kClaimMarker) std::free(p);
}
TMemoryStream* const kStreamMarker = reinterpret_cast<TMemoryStream*>(1);
} // namespace

TPngImageData::~TPngImageData() {
    freeBuffer(AlphaData);
    if (RGBData.load() == DibData) RGBData.store(nullptr);
    freeBuffer(RGBData);
    freeBuffer(RGBDataEx);
    if (DibObj) ::DeleteObject(DibObj);
    TMemoryStream* s = PngStream.exchange(nullptr);
    if (s && s != kStreamMarker) delete s;
}

TMemoryStream* TPngImageData::WaitExpand(bool& decodeHere) {
    decodeHere = false;
    for (;;) {
        TMemoryStream* s = PngStream.load();
        if (s == nullptr) return nullptr;
        if (s != kStreamMarker) {
            if (PngStream.compare_exchange_strong(s, kStreamMarker)) {
                CurrentExpandThd.store(::GetCurrentThreadId());
                decodeHere = true;
                return s;
            }
            continue;
        }
        if (CurrentExpandThd.load() == ::GetCurrentThreadId()) return nullptr;
        SleepForClaim();
    }
}

void TPngImageData::EndExpand() {
    // The decoding thread handed the stream back through WaitExpand's caller; only the
    // marker is left here.
    CurrentExpandThd.store(0);
    PngStream.store(nullptr);
}

// ---------------------------------------------------------------------------------------

TPngImageDataList& TPngImageDataList::Instance() {
    static TPngImageDataList* const list = new TPngImageDataList;
    return *list;
}

int TPngImageDataList::find(uint64_t key, bool& found) const {
    auto it = std::lower_bound(items_.begin(), items_.end(), key,
                               [](const TPngImageData* d, uint64_t k) { return KeyLess(d->CRC, k); });
    found = it != items_.end() && (*it)->CRC == key;
    return static_cast<int>(it - items_.begin());
}

TPngImageData* TPngImageDataList::Add(std::unique_ptr<TMemoryStream> pngStream) {
    const auto bytes = pngStream->Span();
    const uint64_t key = checksum::crc64(bytes.data(), bytes.size());
    std::lock_guard lock(monitor_);
    bool found = false;
    const int at = find(key, found);
    if (found && items_[at]->RefCount.load() > 0) {
        items_[at]->RefCount.fetch_add(1);
        return items_[at];
    }
    auto* store = new TPngImageData;
    store->CRC = key;
    store->PngStream.store(pngStream.release());
    store->RefCount.store(1);
    if (found)
        items_[at] = store; // the old store is on its way out and no longer findable
    else
        items_.insert(items_.begin() + at, store);
    return store;
}

namespace {
uint64_t headerKey(const TChunkIHDR* h) {
    uint64_t crc = checksum::crc64Update(0, &h->BitmapInfo, sizeof h->BitmapInfo);
    const size_t rows = size_t(h->BytesPerRow()) * h->IHDRData.Height;
    crc = checksum::crc64Update(crc, h->ImageData, rows);
    // The planes are part of the pixels: two images that differ only in alpha must not
    // end up sharing one store.
    if (h->ImageAlpha)
        crc = checksum::crc64Update(crc, h->ImageAlpha, size_t(h->IHDRData.Width) * h->IHDRData.Height);
    if (h->ExtraImageData) crc = checksum::crc64Update(crc, h->ExtraImageData, rows);
    return crc;
}
} // namespace

TPngImageData* TPngImageDataList::Use(TChunkIHDR* header) {
    if (TPngImageData* store = header->ShareImageData) {
        store->RefCount.fetch_add(1);
        return store;
    }
    // Only heap pixels are shared: a DC image can change under GDI at any moment.
    if (!header->ImageData || !header->MemImageData || header->ImageDC) return nullptr;
    const uint64_t key = headerKey(header);
    std::lock_guard lock(monitor_);
    bool found = false;
    const int at = find(key, found);
    TPngImageData* store = nullptr;
    if (found && items_[at]->RefCount.load() > 0 && items_[at]->PngStream.load() == nullptr &&
        items_[at]->BitPixel.load() == header->BitCount()) {
        store = items_[at];
        // Same pixels: drop this header's copies and use the store's.
        std::free(header->ImageData);
        std::free(header->ImageAlpha);
        std::free(header->ExtraImageData);
        header->ImageData = store->RGBData.load();
        header->ImageData_Size = store->RGBData_Size;
        header->ImageAlpha = store->AlphaData.load();
        header->ExtraImageData = store->RGBDataEx.load();
    } else {
        store = new TPngImageData;
        store->CRC = key;
        store->RefCount.store(-1);
        store->RGBData.store(header->ImageData);
        store->RGBData_Size = header->ImageData_Size;
        store->RGBDataEx.store(header->ExtraImageData);
        store->AlphaData.store(header->ImageAlpha);
        store->BitPixel.store(header->BitCount());
        if (found)
            items_[at] = store;
        else
            items_.insert(items_.begin() + at, store);
        store->RefCount.store(0);
    }
    store->RefCount.fetch_add(2);
    header->ShareImageData = store;
    return store;
}

TPngImageData* TPngImageDataList::Use(TPngImageData* item) {
    if (!item) return nullptr;
    int32_t n = item->RefCount.load();
    while (n > 0)
        if (item->RefCount.compare_exchange_weak(n, n + 1)) return item;
    return nullptr;
}

void TPngImageDataList::Release(TPngImageData*& item) {
    TPngImageData* store = item;
    item = nullptr;
    if (!store) return;
    if (store->RefCount.fetch_sub(1) != 1) return;
    {
        std::lock_guard lock(monitor_);
        auto it = std::find(items_.begin(), items_.end(), store);
        if (it != items_.end()) items_.erase(it);
    }
    delete store;
}

bool TPngImageDataList::TryUnLink(TChunkIHDR* header) {
    TPngImageData* store = header->ShareImageData;
    if (!store) return false;
    int32_t expected = 1;
    if (!store->RefCount.compare_exchange_strong(expected, 0)) {
        if (expected <= 0) raiseError<EPNGOutMemory>(msg::kShareRefCount);
        return false;
    }
    {
        std::lock_guard lock(monitor_);
        auto it = std::find(items_.begin(), items_.end(), store);
        if (it != items_.end()) items_.erase(it);
    }
    // The header keeps the buffers it uses; the store frees whatever else it holds.
    if (store->RGBData.load() == header->ImageData) store->RGBData.store(nullptr);
    if (store->AlphaData.load() == header->ImageAlpha) store->AlphaData.store(nullptr);
    if (store->RGBDataEx.load() == header->ExtraImageData) store->RGBDataEx.store(nullptr);
    header->ImageData_Size = store->RGBData_Size;
    header->ShareImageData = nullptr;
    delete store;
    return true;
}

int64_t TPngImageDataList::UsedCounter() {
    std::lock_guard lock(monitor_);
    int64_t sum = 0;
    for (const TPngImageData* d : items_)
        sum += d->RefCount.load();
    return sum;
}

int TPngImageDataList::Count() {
    std::lock_guard lock(monitor_);
    return static_cast<int>(items_.size());
}

} // namespace vell::image
