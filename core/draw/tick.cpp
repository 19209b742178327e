#include "core/draw/tick.h"

namespace vell::draw {

uint64_t TickExtender::extend(uint32_t tick) {
    uint64_t old = state_.load(std::memory_order_relaxed);
    for (;;) {
        const uint32_t last = static_cast<uint32_t>(old);
        uint64_t wraps = old >> 32;
        if (last != 0 && tick < last) {
            if (last - tick < 0x80000000u) return (wraps << 32) + tick;
            ++wraps;
        }
        const uint64_t next = (wraps << 32) | tick;
        if (state_.compare_exchange_weak(old, next, std::memory_order_relaxed)) return (wraps << 32) + tick;
    }
}

} // namespace vell::draw
