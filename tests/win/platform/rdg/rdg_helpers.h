// Small in-memory pictures and a fake resolver for the reference-graphic tests.
#pragma once
#include "platform/image/png_image.h"
#include "platform/image/resolver.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace vell::image::test {

constexpr uint32_t bgra(int b, int g, int r, int a) {
    return static_cast<uint32_t>(b) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(r) << 16 |
           static_cast<uint32_t>(a) << 24;
}

inline uint32_t pixelAt(TPngImage& img, int x, int y) {
    uint32_t v;
    std::memcpy(&v, static_cast<uint8_t*>(img.GetScanline(y)) + 4 * x, 4);
    return v;
}

inline void setPixelAt(TPngImage& img, int x, int y, uint32_t v) {
    std::memcpy(static_cast<uint8_t*>(img.GetScanline(y)) + 4 * x, &v, 4);
}

// A premultiplied 32-bit picture whose pixel (x, y) is opaque with blue x, green y and
// red `tag`, so every pixel tells where it came from.
inline std::unique_ptr<TPngImage> coordPicture(int w, int h, int tag = 0) {
    auto img = std::make_unique<TPngImage>();
    img->MakeBlank(6, 8, w, h, false, true);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setPixelAt(*img, x, y, bgra(x & 255, y & 255, tag, 255));
    img->AlphaMode = pamPremultiplied;
    return img;
}

// A 32-bit premultiplied target filled with one value.
inline std::unique_ptr<TPngImage> target(int w, int h, uint32_t fill = 0) {
    auto img = std::make_unique<TPngImage>();
    img->MakeBlank(6, 8, w, h, false, true);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setPixelAt(*img, x, y, fill);
    img->AlphaMode = pamPremultiplied;
    return img;
}

// Resolves names from a map the test fills; installed for the fixture's lifetime.
class FakeResolver {
  public:
    FakeResolver() { SetImageResolver(&FakeResolver::resolve, this); }
    ~FakeResolver() { SetImageResolver(nullptr, nullptr); }
    FakeResolver(const FakeResolver&) = delete;
    FakeResolver& operator=(const FakeResolver&) = delete;

    template <class G> G* add(const std::u16string& name, std::unique_ptr<G> graphic) {
        G* raw = graphic.get();
        graphics_[name] = std::move(graphic);
        return raw;
    }
    // Destroys the named graphic, as a cache flush would.
    void drop(const std::u16string& name) { graphics_.erase(name); }
    int lookups = 0;

  private:
    static TRdGraphic* resolve(void* self, const std::u16string& name) {
        auto* me = static_cast<FakeResolver*>(self);
        ++me->lookups;
        auto it = me->graphics_.find(name);
        return it == me->graphics_.end() ? nullptr : it->second.get();
    }
    std::map<std::u16string, std::unique_ptr<TRdGraphic>> graphics_;
};

} // namespace vell::image::test
