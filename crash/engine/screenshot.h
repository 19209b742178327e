// A picture of the whole (virtual) screen, kept as 32-bit BGRA and saved as PNG.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vell::crash {

class Screenshot {
  public:
    // Copies the screen; false (and empty) when the screen cannot be read.
    bool Capture();
    // Writes the picture as a PNG file; false when empty or when the file cannot be written.
    bool SaveToPngFile(const std::wstring& path) const;

    bool empty() const { return pixels_.empty(); }
    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<uint8_t>& pixels() const { return pixels_; }

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> pixels_; // top-down BGRA, alpha 255
};

} // namespace vell::crash
