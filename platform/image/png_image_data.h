// Identical decoded pixel data shared between images. A store is keyed by the CRC-64 of
// the undecoded image data (or of an image's bitmap info and rows) and is counted; its
// buffers are allocated lazily, once, by whichever image needs them first.
#pragma once
#include "core/io/stream.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace vell::image {

class TChunkIHDR;

class TPngImageData {
  public:
    TPngImageData() = default;
    TPngImageData(const TPngImageData&) = delete;
    TPngImageData& operator=(const TPngImageData&) = delete;
    ~TPngImageData();

    std::atomic<uint8_t*> RGBData{nullptr};
    int32_t RGBData_Size = -1;
    std::atomic<uint8_t*> RGBDataEx{nullptr};
    std::atomic<uint8_t*> AlphaData{nullptr};
    std::atomic<int> BitPixel{0};
    uint8_t* DibData = nullptr;
    HBITMAP DibObj = nullptr;
    std::atomic<int32_t> RefCount{0};
    uint64_t CRC = 0;
    std::atomic<TMemoryStream*> PngStream{nullptr};
    std::atomic<DWORD> CurrentExpandThd{0};

    // Claims a lazily allocated buffer slot: the first caller runs `alloc` and publishes
    // its result; callers that meet a claim in progress wait in 2 ms steps. Returns the
    // published pointer.
    template <class Alloc> uint8_t* Claim(std::atomic<uint8_t*>& slot, Alloc alloc);

    // The undecoded data: the first caller gets the stream to decode (true); others wait
    // until it has been decoded. The decoding thread itself gets false at once.
    TMemoryStream* WaitExpand(bool& decodeHere);
    void EndExpand();
};

// Marker stored in a pointer slot while its owner is being set up.
inline uint8_t* const kClaimMarker = reinterpret_cast<uint8_t*>(1);
void SleepForClaim();

template <class Alloc> uint8_t* TPngImageData::Claim(std::atomic<uint8_t*>& slot, Alloc alloc) {
    for (;;) {
        uint8_t* cur = slot.load();
        if (cur && cur != kClaimMarker) return cur;
        if (cur == nullptr && slot.compare_exchange_strong(cur, kClaimMarker)) {
            uint8_t* made = nullptr;
            try {
                made = alloc();
            } catch (...) {
                slot.store(nullptr);
                throw;
            }
            slot.store(made);
            return made;
        }
        SleepForClaim();
    }
}

// The process's list of shared stores, sorted by key.
class TPngImageDataList {
  public:
    static TPngImageDataList& Instance();

    // A store for this undecoded data: an existing one with the same key (the stream is
    // then freed) or a new one that keeps the stream. Its count is incremented.
    TPngImageData* Add(std::unique_ptr<TMemoryStream> pngStream);
    // Shares the pixels of `header` (whose image allows sharing) for an assignment: the
    // store's count grows by two, one for the source and one for the copy. Null when the
    // header's pixels cannot be shared.
    TPngImageData* Use(TChunkIHDR* header);
    // Another user of a store: null when the store is already released.
    static TPngImageData* Use(TPngImageData* item);
    // Drops one use; the last one removes and destroys the store. `item` becomes null.
    void Release(TPngImageData*& item);
    // The header becomes the only owner of its store's buffers when it is the store's only
    // user (true); otherwise nothing changes (false).
    bool TryUnLink(TChunkIHDR* header);
    int64_t UsedCounter();
    int Count();

  private:
    TPngImageDataList() = default;
    int find(uint64_t key, bool& found) const;
    std::recursive_mutex monitor_;
    std::vector<TPngImageData*> items_;
};

// Keys compare by their upper 32 bits as unsigned numbers, then by the lower 32 bits.
inline bool KeyLess(uint64_t a, uint64_t b) {
    const uint32_t ah = uint32_t(a >> 32), bh = uint32_t(b >> 32);
    return ah != bh ? ah < bh : uint32_t(a) < uint32_t(b);
}

} // namespace vell::image
