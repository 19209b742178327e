// A 64-bit millisecond clock built from a 32-bit counter that wraps every 49.7 days.
#pragma once
#include <atomic>
#include <cstdint>

namespace vell::draw {

// Extends successive readings of a 32-bit tick counter to 64 bits: when a reading is
// smaller than the previous one, the counter wrapped and the offset grows by 2^32. The
// state is one atomic word. A reading that is only slightly smaller (less than half the
// counter's range) is a stale value from a thread that lost a race, not a wrap: it is
// answered with the current offset and does not move the state back.
class TickExtender {
  public:
    uint64_t extend(uint32_t tick);

  private:
    // Low half: the last reading (0 = none yet); high half: the number of wraps.
    std::atomic<uint64_t> state_{0};
};

} // namespace vell::draw
