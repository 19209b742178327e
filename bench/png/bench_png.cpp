// Decoding to 32-bit premultiplied BGRA: our codec against libpng, libspng and stb_image
// on pictures built here (UI skin, photo, Adam7 photo, 16-bit, palette, grey, a batch of
// twenty icons) and on the demo skins' own pictures. The references decode to straight
// RGBA and get a swizzle-and-premultiply pass, which is timed with them. Beside each case,
// our inflate alone against zlib's on the same image data. Then encoding against libpng
// at zlib levels 1 and 6, and the premultiply kernel against memcpy. Each time is the
// best of several runs.
#include <png.h>
#include <spng.h>
#include <zlib.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "core/inflate/inflate.h"
#include "core/pixel/premultiply.h"
#include "core/png/codec.h"
#include "core/png/format.h"
#include "core/png/chunks.h"
#include "tests/support/libpng_io.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

// ---- corpus -----------------------------------------------------------------------------

struct Picture {
    std::string name;
    uint32_t width, height;
    int colorType, depth;
    bool interlace;
    Bytes samples; // rows of the file's sample format
    std::vector<png_color> palette;
};

// libpng's writer with its default filters at the given level.
Bytes writePng(const Picture& pic, int level = 6) {
    Bytes out;
    png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    if (setjmp(png_jmpbuf(p))) {
        std::fprintf(stderr, "libpng write failed\n");
        std::exit(1);
    }
    png_set_write_fn(p, &out, vell::png::reference::libpngWrite, vell::png::reference::libpngFlush);
    png_set_compression_level(p, level);
    png_set_IHDR(p, info, pic.width, pic.height, pic.depth, pic.colorType,
                 pic.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, 0, 0);
    if (!pic.palette.empty()) png_set_PLTE(p, info, pic.palette.data(), int(pic.palette.size()));
    png_write_info(p, info);
    const size_t rb = png_get_rowbytes(p, info);
    std::vector<png_bytep> rows(pic.height);
    for (uint32_t y = 0; y < pic.height; ++y)
        rows[y] = const_cast<png_bytep>(pic.samples.data() + y * rb);
    png_write_image(p, rows.data());
    png_write_end(p, info);
    png_destroy_write_struct(&p, &info);
    return out;
}

uint32_t rnd(uint32_t& s) {
    return (s = s * 1664525u + 1013904223u) >> 16;
}

// A skin picture: transparent margin, soft shadow, a rounded panel with a vertical
// gradient title bar, flat body, a few thin lines.
Picture skin(uint32_t w, uint32_t h, const std::string& name) {
    Picture p{name, w, h, PNG_COLOR_TYPE_RGBA, 8, false, Bytes(size_t(w) * h * 4), {}};
    const int m = std::max<int>(2, w / 40), r = std::max<int>(2, w / 30);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* px = &p.samples[(size_t(y) * w + x) * 4];
            // Distance outside the rounded rectangle [m, w-m) x [m, h-m).
            const double cx = std::clamp<double>(x + 0.5, m + r, w - m - r),
                         cy = std::clamp<double>(y + 0.5, m + r, h - m - r);
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) - r;
            if (d > 0) { // shadow fading out
                const double a = std::max(0.0, 1.0 - d / m) * 90;
                px[0] = px[1] = px[2] = 0;
                px[3] = uint8_t(a);
                continue;
            }
            const uint8_t edge = uint8_t(std::clamp(-d, 0.0, 1.0) * 255);
            if (y < h / 8) { // title gradient
                const int t = int(y * 255 / (h / 8));
                px[0] = uint8_t(40 + t / 4), px[1] = uint8_t(80 + t / 3), px[2] = uint8_t(160 + t / 4);
            } else if ((y % 64) == 0 || (x % 128) == 0) {
                px[0] = px[1] = px[2] = 200;
            } else {
                px[0] = 236, px[1] = 238, px[2] = 242;
            }
            px[3] = edge;
        }
    return p;
}

// A photo-like picture: smooth structures with sensor noise.
Picture photo(uint32_t w, uint32_t h, bool interlace, const std::string& name) {
    Picture p{name, w, h, PNG_COLOR_TYPE_RGB, 8, interlace, Bytes(size_t(w) * h * 3), {}};
    uint32_t s = 7;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                const double v = 128 + 60 * std::sin(x * (0.004 + c * 0.001) + y * 0.006) +
                                 40 * std::cos(y * 0.011 - x * 0.002 * c) + int(rnd(s) % 9) - 4;
                p.samples[(size_t(y) * w + x) * 3 + c] = uint8_t(std::clamp(v, 0.0, 255.0));
            }
    return p;
}

Picture rgba16(uint32_t n) {
    Picture p{"rgba16 512x512", n, n, PNG_COLOR_TYPE_RGBA, 16, false, Bytes(size_t(n) * n * 8), {}};
    uint32_t s = 3;
    for (uint32_t y = 0; y < n; ++y)
        for (uint32_t x = 0; x < n; ++x) {
            const uint16_t v[4] = {uint16_t(x * 65535 / n), uint16_t(y * 65535 / n),
                                   uint16_t((x + y) * 32767 / n + rnd(s) % 64),
                                   uint16_t(65535 - x * 40000 / n)};
            for (int c = 0; c < 4; ++c) {
                p.samples[(size_t(y) * n + x) * 8 + 2 * c] = uint8_t(v[c] >> 8);
                p.samples[(size_t(y) * n + x) * 8 + 2 * c + 1] = uint8_t(v[c]);
            }
        }
    return p;
}

Picture palette(uint32_t n) {
    Picture p{"palette 256x256", n, n, PNG_COLOR_TYPE_PALETTE, 8, false, Bytes(size_t(n) * n), {}};
    for (int i = 0; i < 256; ++i)
        p.palette.push_back({uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
    uint32_t s = 11;
    for (uint32_t y = 0; y < n; ++y)
        for (uint32_t x = 0; x < n; ++x)
            p.samples[size_t(y) * n + x] = uint8_t(((x / 16) * 16 + y / 16) + (rnd(s) % 3));
    return p;
}

Picture grey(uint32_t n) {
    Picture p{"grey 256x256", n, n, PNG_COLOR_TYPE_GRAY, 8, false, Bytes(size_t(n) * n), {}};
    uint32_t s = 5;
    for (uint32_t y = 0; y < n; ++y)
        for (uint32_t x = 0; x < n; ++x)
            p.samples[size_t(y) * n + x] = uint8_t((x + y) / 2 + rnd(s) % 5);
    return p;
}

// ---- decoders ---------------------------------------------------------------------------

// The references' output pass: RGBA to premultiplied BGRA.
void toPremultipliedBgra(uint8_t* px, size_t n) {
    for (size_t i = 0; i < n; ++i)
        std::swap(px[i * 4], px[i * 4 + 2]);
    vell::pixel::premultiplyBgra(px, px, n);
}

Bytes decodeLibpng(const Bytes& file) {
    uint32_t w, h;
    Bytes out = vell::png::reference::libpngDecodeRgba(file, w, h);
    toPremultipliedBgra(out.data(), out.size() / 4);
    return out;
}

Bytes decodeSpng(const Bytes& file) {
    spng_ctx* ctx = spng_ctx_new(0);
    spng_set_png_buffer(ctx, file.data(), file.size());
    size_t size = 0;
    spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size);
    Bytes out(size);
    spng_decode_image(ctx, out.data(), size, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS);
    spng_ctx_free(ctx);
    toPremultipliedBgra(out.data(), out.size() / 4);
    return out;
}

Bytes decodeStb(const Bytes& file) {
    int w, h, n;
    stbi_uc* px = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 4);
    Bytes out(px, px + size_t(w) * h * 4);
    stbi_image_free(px);
    toPremultipliedBgra(out.data(), out.size() / 4);
    return out;
}

Bytes decodeOurs(const Bytes& file) {
    return vell::png::decodeToBgra(file).pixels;
}

// Best time in milliseconds of repeated runs (at least 5 runs and about 0.3 s).
double best(const std::function<void()>& f) {
    double bestMs = 1e30;
    const auto start = Clock::now();
    for (int i = 0; i < 5 || (Clock::now() - start < std::chrono::milliseconds(300) && i < 2000); ++i) {
        const auto t0 = Clock::now();
        f();
        bestMs = std::min(bestMs, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    return bestMs;
}

// ---- inflate alone ----------------------------------------------------------------------

// The zlib stream of a PNG: the data of its IDAT chunks, one after the other.
Bytes idatStream(const Bytes& file) {
    Bytes out;
    for (size_t at = 8; at + 12 <= file.size();) {
        const uint32_t length =
            uint32_t(file[at]) << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
        if (std::memcmp(&file[at + 4], "IDAT", 4) == 0)
            out.insert(out.end(), &file[at + 8], &file[at + 8 + length]);
        at += size_t(length) + 12;
    }
    return out;
}

size_t zlibInflateAll(const Bytes& stream, Bytes& out) {
    z_stream z{};
    inflateInit(&z);
    inflateValidate(&z, 0); // as the decoder had it: the chunks' CRCs cover the data
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = uInt(stream.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    inflate(&z, Z_FINISH);
    inflateEnd(&z);
    return out.size() - z.avail_out;
}

// Ours as the decoder reads it: batches of about 256 KiB (the whole data when less).
size_t ourInflateAll(const Bytes& stream, size_t size) {
    const size_t batch = std::min<size_t>(size, 1 << 18);
    vell::inflate::Inflater inflater(stream, batch, size);
    size_t total = 0;
    for (;;) {
        const uint8_t* out;
        size_t got;
        const auto status = inflater.read(batch, out, got);
        total += got;
        if (status != vell::inflate::Inflater::Status::Full) return total;
    }
}

struct Totals {
    double logLibpng = 0, logFastest = 0, logZlib = 0;
    int n = 0;
};

void decodeCase(const std::string& name, const std::vector<Bytes>& files, Totals& t) {
    auto all = [&files](Bytes (*fn)(const Bytes&)) {
        return [&files, fn] {
            for (const Bytes& f : files) {
                volatile size_t keep = fn(f).size();
                (void)keep;
            }
        };
    };
    for (const Bytes& f : files) {
        const Bytes ours = decodeOurs(f);
        if (ours != decodeLibpng(f) || ours != decodeSpng(f) || ours != decodeStb(f))
            std::printf("  (%s: outputs differ)\n", name.c_str());
    }
    const double o = best(all(decodeOurs)), l = best(all(decodeLibpng)), s = best(all(decodeSpng)),
                 b = best(all(decodeStb));
    const double fastest = std::min({l, s, b});
    std::vector<Bytes> streams, inflated;
    for (const Bytes& f : files) {
        streams.push_back(idatStream(f));
        inflated.emplace_back(vell::png::inflatedSize(vell::png::parseIhdr({f.data() + 16, 13})));
        if (ourInflateAll(streams.back(), inflated.back().size()) != inflated.back().size() ||
            zlibInflateAll(streams.back(), inflated.back()) != inflated.back().size())
            std::printf("  (%s: inflate incomplete)\n", name.c_str());
    }
    const double io = best([&] {
        for (size_t i = 0; i < streams.size(); ++i)
            ourInflateAll(streams[i], inflated[i].size());
    });
    const double iz = best([&] {
        for (size_t i = 0; i < streams.size(); ++i)
            zlibInflateAll(streams[i], inflated[i]);
    });
    std::printf("%-30s %8.3f %8.3f %8.3f %8.3f  %5.2fx %5.2fx   %8.3f %8.3f %5.2fx\n", name.c_str(), o, l, s,
                b, o / l, o / fastest, io, iz, io / iz);
    t.logLibpng += std::log(o / l);
    t.logFastest += std::log(o / fastest);
    t.logZlib += std::log(io / iz);
    ++t.n;
}

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// ---- encoders ---------------------------------------------------------------------------

void encodeCase(const Picture& rgba, int level) {
    // The same pixels as BGRA for us.
    Bytes bgra(rgba.samples.size());
    for (size_t i = 0; i < bgra.size(); i += 4)
        bgra[i] = rgba.samples[i + 2], bgra[i + 1] = rgba.samples[i + 1], bgra[i + 2] = rgba.samples[i],
        bgra[i + 3] = rgba.samples[i + 3];
    size_t oursSize = 0, libSize = 0;
    const double o = best([&] {
        oursSize =
            vell::png::encodeBgra(bgra.data(), rgba.width, rgba.height, rgba.width * 4, false, level).size();
    });
    const double l = best([&] { libSize = writePng(rgba, level).size(); });
    std::printf("encode %-17s %9.3f %9.3f   %5.2fx   size %zu vs %zu (%.3fx)\n",
                (rgba.name + " z" + std::to_string(level)).c_str(), o, l, o / l, oursSize, libSize,
                double(oursSize) / double(libSize));
}

} // namespace

int main(int argc, char** argv) {
    // An argument picks one part: "encode", "premultiply", or decode cases whose name
    // contains it ("decode" for all of them).
    const std::string only = argc > 1 ? argv[1] : "";
    const bool all = only.empty(), encode = all || only == "encode",
               premultiply = all || only == "premultiply";
    const bool decode = all || (!encode && !premultiply);
    const std::string filter = only == "decode" ? "" : only;
    std::vector<Picture> pictures;
    if (decode || encode)
        pictures = {skin(1024, 768, "skin rgba 1024x768"),
                    photo(1920, 1080, false, "photo rgb 1920x1080"),
                    photo(1920, 1080, true, "photo adam7 1920x1080"),
                    rgba16(512),
                    palette(256),
                    grey(256)};

    if (decode) {
        std::printf("decode to premultiplied BGRA, best of runs, ms; then inflate alone, ours and zlib\n");
        std::printf("%-30s %8s %8s %8s %8s  %6s %6s   %8s %8s %6s\n", "case", "ours", "libpng", "spng", "stb",
                    "/libpng", "/best", "inflate", "zlib", "/zlib");
        Totals t;
        for (const Picture& p : pictures)
            if (p.name.find(filter) != std::string::npos) decodeCase(p.name, {writePng(p)}, t);
        if (std::string("icons").find(filter) != std::string::npos) {
            // The per-call cost: twenty small pictures, as a tool bar or list loads them.
            std::vector<Bytes> icons;
            for (int i = 0; i < 20; ++i) {
                const uint32_t n = 16u + 8u * (i % 5);
                icons.push_back(writePng(skin(n, n, "icon")));
            }
            decodeCase("icons 16-48 (20 files)", icons, t);
        }
        // The demo skins' pictures as they are shipped.
        const std::filesystem::path skins = std::filesystem::path(VELL_SOURCE_DIR) / "skins";
        for (const char* name : {"black/images/app_icon_tip.png", "black/images/img_preview_pannel.png",
                                 "black2/images/app_icon_tip.png", "black2/images/img_preview_pannel.png"}) {
            const std::string label = std::string("demo ") + name;
            if (label.find(filter) != std::string::npos && std::filesystem::exists(skins / name))
                decodeCase(label.substr(0, label.size() - 4), {readFile(skins / name)}, t);
        }
        if (t.n)
            std::printf("geometric mean: %.2fx libpng, %.2fx fastest reference; inflate %.2fx zlib\n\n",
                        std::exp(t.logLibpng / t.n), std::exp(t.logFastest / t.n), std::exp(t.logZlib / t.n));
    }

    if (encode) {
        std::printf("encode 32-bit, ms: ours libpng\n");
        Picture photoRgba{"photo 1920x1080", 1920, 1080, PNG_COLOR_TYPE_RGBA, 8, false, {}, {}};
        const Bytes& rgb = pictures[1].samples;
        photoRgba.samples.resize(size_t(1920) * 1080 * 4);
        for (size_t i = 0, j = 0; i < rgb.size(); i += 3, j += 4)
            photoRgba.samples[j] = rgb[i], photoRgba.samples[j + 1] = rgb[i + 1],
            photoRgba.samples[j + 2] = rgb[i + 2], photoRgba.samples[j + 3] = 255;
        for (int level : {1, 6}) {
            encodeCase(pictures[0], level);
            encodeCase(photoRgba, level);
        }
    }

    if (premultiply) {
        const size_t n = size_t(4096) * 4096;
        Bytes src(n * 4), dst(n * 4);
        uint32_t s = 1;
        for (size_t i = 0; i < src.size(); ++i)
            src[i] = uint8_t(rnd(s));
        const double pm = best([&] { vell::pixel::premultiplyBgra(src.data(), dst.data(), n); });
        const double mc = best([&] { std::memcpy(dst.data(), src.data(), src.size()); });
        std::printf("\npremultiply 4096x4096 (random alpha): %.2f ms, memcpy %.2f ms: %.2fx\n", pm, mc,
                    pm / mc);
    }
    return 0;
}
