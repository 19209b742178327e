#include "core/image/blank_cache.h"

namespace vell::image {

int chooseCacheVictim(const CacheSlotState (&slots)[kBlankCacheSlots]) {
    int chosen = 0;
    int64_t chosenArea = slots[0].area;
    bool chosenFree = !slots[0].inUse;
    int smallestInUse = -1;
    int64_t smallestInUseArea = slots[0].area;
    for (int i = 1; i < kBlankCacheSlots; ++i) {
        if (!slots[i].inUse) {
            // Until a free slot has been seen, any free slot beats slot 0 in use.
            if (!chosenFree || slots[i].area < chosenArea) {
                chosen = i;
                chosenArea = slots[i].area;
                chosenFree = true;
            }
        } else if (slots[i].area < smallestInUseArea) {
            smallestInUse = i;
            smallestInUseArea = slots[i].area;
        }
    }
    if (!chosenFree && smallestInUse >= 0) chosen = smallestInUse;
    return chosen;
}

} // namespace vell::image
