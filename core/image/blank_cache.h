// The sizing and replacement rules of the cache of scratch images.
#pragma once
#include <cstdint>

namespace vell::image {

// A cache miss allocates this much: one third more, at least 100 pixels more.
inline int cacheAllocSize(int requested) { return requested + (requested / 3 > 100 ? requested / 3 : 100); }

inline constexpr int kBlankCacheSlots = 8;

struct CacheSlotState {
    int64_t area = 0;  // width x height of the cached image
    bool inUse = false; // someone besides the cache holds it
};

// The slot to replace when all slots are taken. Starting from slot 0, a free slot of smaller
// area wins; separately the smallest in-use slot below slot 0's area is remembered. If the
// choice is still an in-use slot, that smallest in-use slot is taken instead (when found).
int chooseCacheVictim(const CacheSlotState (&slots)[kBlankCacheSlots]);

} // namespace vell::image
