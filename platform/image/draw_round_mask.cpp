// The rounded-mask cache: three slots of antialiased rounded rectangles, each remembered
// with everything it was drawn from and the time it was last used. A request that matches
// a slot exactly shares its image; otherwise the first empty or least recently used slot
// gets a new one. Callers hold their own reference, so replacing a slot never takes an
// image away from its user.
#include "platform/image/draw_internal.h"
#include "platform/image/draw_shapes.h"
#include "platform/timer/tick64.h"

#include <array>
#include <mutex>

namespace vell::image {

namespace {

struct MaskKey {
    int w = 0, h = 0, w1 = 0, h1 = 0;
    TColor fill = 0;
    int frameWidth = 0;
    TColor frame = 0;
    bool inFrame = false;
    bool operator==(const MaskKey&) const = default;
};

struct MaskSlot {
    MaskKey key;
    PngRef image;
    uint64_t lastUse = 0; // tick of the last use
    uint64_t order = 0;   // the uses' order, for uses within one tick
    bool olderThan(const MaskSlot& o) const {
        return lastUse < o.lastUse || (lastUse == o.lastUse && order < o.order);
    }
};

std::mutex gMaskLock;
std::array<MaskSlot, 3> gMasks;
uint64_t gUses = 0;

void touch(MaskSlot& slot) {
    slot.lastUse = win::Tick64();
    slot.order = ++gUses;
}

PngRef share(TPngImage* image) {
    image->AddRef();
    return PngRef(image);
}

} // namespace

PngRef RoundedMask(int w, int h, int w1, int h1, TColor FillColor, int FrameWidth, TColor FrameColor,
                   bool InFrameStyle) {
    if (w <= 0 || h <= 0) return nullptr;
    const MaskKey key{w, h, w1, h1, FillColor, FrameWidth, FrameColor, InFrameStyle};
    std::lock_guard<std::mutex> lock(gMaskLock);
    MaskSlot* victim = &gMasks[0];
    for (MaskSlot& slot : gMasks) {
        if (slot.image && slot.key == key) {
            touch(slot);
            return share(slot.image.get());
        }
        if (victim->image && (!slot.image || slot.olderThan(*victim))) victim = &slot;
    }
    PngRef image(new TPngImage);
    image->MakeBlank(6, 8, w, h, false, true);
    image->AlphaMode = pamPremultiplied;
    FillRoundRectSmooth(*image, 0, 0, w, h, w1, h1, FillColor, FrameWidth, FrameColor, InFrameStyle);
    victim->key = key;
    victim->image = std::move(image);
    touch(*victim);
    return share(victim->image.get());
}

} // namespace vell::image
