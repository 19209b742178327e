// Gaussian blur and unsharp masking of 32-bit pixel blocks.
#pragma once
#include "core/draw/aligned_floats.h"
#include "core/draw/pixel_data.h"

namespace vell::draw {

// The weights of a symmetric kernel: radius + 1 weights, each four times (one per
// channel) in 16-byte aligned slots, ordered from distance `radius` down to distance 0. Counted twice except
// the centre, they sum to 1.
class GaussWeights {
  public:
    int radius() const { return radius_; }
    const float* weights() const { return weights_.data(); }
    // The weight at distance k (0..radius).
    float at(int k) const { return weights_[4 * (radius_ - k)]; }

  private:
    friend GaussWeights GaussKernel(int radius, double sigma);
    int radius_ = 0;
    AlignedFloats weights_;
};

// Builds the kernel for `sigma` (its magnitude, kept within 0.1..250). A radius below 1
// is chosen from sigma: the smallest one past which a weight would no longer change a
// byte. Raises OutOfMemory when the kernel cannot be held.
GaussWeights GaussKernel(int radius, double sigma);

// Blurs Src into Dst (they may be the same block) over their common size; edges are
// replicated. Straight-alpha sources are blurred premultiplied and divided back.
bool BlurPixels(const TPixelData& dst, const TPixelData& src, int radius, double sigma);

// Unsharp mask in place: Amount 1..500 (percent), Threshold in byte steps; the blur's
// radius follows Sigma. Raises IllegalParameters for an Amount outside 1..500.
void SharpenPixels(const TPixelData& data, int amount, int threshold, double sigma);

} // namespace vell::draw
