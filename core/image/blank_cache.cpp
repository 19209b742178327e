#include "core/image/blank_cache.h"

namespace vell::image {

int chooseCacheVictim(const CacheSlotState (&slots)[kBlankCacheSlots]) {
    int chosen = 0;
    int64_t chosenArea = slots[0].area;
    int smallestInUse = -1;
    int64_t smallestInUseArea = slots[0].area;
    for (int i = 1; i < kBlankCacheSlots; ++i) {
        if (!slots[i].inUse) {
            if (slots[i].area < chosenArea) {
                chosen = i;
                chosenArea = slots[i].area;
            }
        } else if (slots[i].area < smallestInUseArea) {
            smallestInUse = i;
            smallestInUseArea = slots[i].area;
        }
    }
    if (slots[chosen].inUse && smallestInUse >= 0) chosen = smallestInUse;
    return chosen;
}

} // namespace vell::image
