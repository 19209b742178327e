// A zero-filled float array whose first element is 64-byte aligned, for aligned vector
// loads on every target (32-bit Windows heaps only promise 8 bytes) and lines that start
// on a cache line.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace vell::draw {

class AlignedFloats {
  public:
    AlignedFloats() = default;
    explicit AlignedFloats(size_t count) : raw_(new float[count + 15]()), size_(count) {
        const uintptr_t p = reinterpret_cast<uintptr_t>(raw_.get());
        data_ = raw_.get() + ((64 - (p & 63)) & 63) / sizeof(float);
    }
    float* data() { return data_; }
    const float* data() const { return data_; }
    size_t size() const { return size_; }
    float& operator[](size_t i) { return data_[i]; }
    const float& operator[](size_t i) const { return data_[i]; }

  private:
    std::unique_ptr<float[]> raw_;
    float* data_ = nullptr;
    size_t size_ = 0;
};

} // namespace vell::draw
