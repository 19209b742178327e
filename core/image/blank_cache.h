// The sizing and replacement rules of the cache of scratch images.
#pragma once
#include <cstdint>

namespace vell::image {

// A cache miss allocates this much: one third more, at least 100 pixels more.
inline int cacheAllocSize(int requested) {
    return requested + (requested / 3 > 100 ? requested / 3 : 100);
}

inline constexpr int kBlankCacheSlots = 8;

struct CacheSlotState {
    int64_t area = 0;   // width x height of the cached image
    bool inUse = false; // someone besides the cache holds it
};

// The slot to replace when all slots are taken: the free slot (nobody but the cache holds
// it) of smallest area, slot 0 winning ties. Only when every slot is in use does an in-use
// one go: the smallest one below slot 0's area, else slot 0.
int chooseCacheVictim(const CacheSlotState (&slots)[kBlankCacheSlots]);

} // namespace vell::image
