// libpng as a black-box reference: memory I/O callbacks and a decode to straight RGBA8
// (palette, low depths and tRNS expanded, 16-bit samples cut to their high byte). Shared
// by the reference test and the benchmark.
#pragma once
#include <png.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace vell::png::reference {

inline void libpngWrite(png_structp p, png_bytep data, png_size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
    out->insert(out->end(), data, data + n);
}
inline void libpngFlush(png_structp) {}

struct LibpngInput {
    const std::vector<uint8_t>* data;
    size_t pos;
};
inline void libpngRead(png_structp p, png_bytep out, png_size_t n) {
    auto* r = static_cast<LibpngInput*>(png_get_io_ptr(p));
    if (r->pos + n > r->data->size()) png_error(p, "read past end");
    std::memcpy(out, r->data->data() + r->pos, n);
    r->pos += n;
}

// Empty when libpng refuses the file.
inline std::vector<uint8_t> libpngDecodeRgba(const std::vector<uint8_t>& file, uint32_t& w, uint32_t& h) {
    LibpngInput in{&file, 0};
    png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    std::vector<uint8_t> rgba;
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_read_struct(&p, &info, nullptr);
        return {};
    }
    png_set_read_fn(p, &in, libpngRead);
    png_read_info(p, info);
    png_set_expand(p);
    png_set_strip_16(p);
    png_set_gray_to_rgb(p);
    png_set_add_alpha(p, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(p);
    png_read_update_info(p, info);
    w = png_get_image_width(p, info);
    h = png_get_image_height(p, info);
    rgba.resize(size_t(w) * h * 4);
    std::vector<png_bytep> rows(h);
    for (uint32_t y = 0; y < h; ++y)
        rows[y] = rgba.data() + size_t(y) * w * 4;
    png_read_image(p, rows.data());
    png_destroy_read_struct(&p, &info, nullptr);
    return rgba;
}

} // namespace vell::png::reference
