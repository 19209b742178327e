// vpng: the PNG codec from the command line.
//   vpng decode IN.png OUT.pam   decoded image as 8-bit RGB_ALPHA PAM (straight alpha)
//   vpng encode IN.pam OUT.png   PAM (RGB_ALPHA or RGB, 8 bits) to PNG
//   vpng info IN.png             size, colour type, bit depth, interlace, chunks
// Bad input: one line on stderr, exit code 1.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/pixel/premultiply.h"
#include "core/png/chunks.h"
#include "core/png/codec.h"
#include "core/png/reader.h"

namespace {

using namespace vell::png;

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::vector<uint8_t>& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

int decode(const std::string& in, const std::string& out) {
    const BgraImage img = decodeToBgra(readFile(in));
    std::vector<uint8_t> straight(img.pixels.size());
    vell::pixel::unpremultiplyBgra(img.pixels.data(), straight.data(), img.pixels.size() / 4);
    const std::string head = "P7\nWIDTH " + std::to_string(img.width) + "\nHEIGHT " +
                             std::to_string(img.height) +
                             "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    std::vector<uint8_t> pam(head.begin(), head.end());
    for (size_t i = 0; i < straight.size(); i += 4)
        pam.insert(pam.end(), {straight[i + 2], straight[i + 1], straight[i], straight[i + 3]});
    writeFile(out, pam);
    return 0;
}

int encode(const std::string& in, const std::string& out) {
    const std::vector<uint8_t> pam = readFile(in);
    const char* end = "ENDHDR\n";
    const auto at = std::search(pam.begin(), pam.end(), end, end + 7);
    if (pam.size() < 3 || std::memcmp(pam.data(), "P7\n", 3) != 0 || at == pam.end())
        throw std::runtime_error(in + ": not a PAM file");
    std::istringstream head(std::string(pam.begin() + 3, at));
    std::string key, tuple;
    long width = 0, height = 0, depth = 0, maxval = 0;
    while (head >> key) {
        if (key == "WIDTH")
            head >> width;
        else if (key == "HEIGHT")
            head >> height;
        else if (key == "DEPTH")
            head >> depth;
        else if (key == "MAXVAL")
            head >> maxval;
        else if (key == "TUPLTYPE")
            head >> tuple;
        else if (key[0] == '#')
            std::getline(head, key);
        else
            throw std::runtime_error(in + ": unknown PAM header field " + key);
    }
    if (width < 1 || height < 1 || width > 65535 || height > 65535 || maxval != 255 ||
        (depth != 3 && depth != 4))
        throw std::runtime_error(
            in + ": only 8-bit RGB or RGB_ALPHA PAM of 1 to 65535 pixels per side is supported");
    const size_t pixels = size_t(width) * size_t(height);
    const uint8_t* data = &*(at + 7);
    if (size_t(pam.end() - (at + 7)) < pixels * depth)
        throw std::runtime_error(in + ": PAM data is cut short");
    std::vector<uint8_t> bgra(pixels * 4);
    for (size_t i = 0; i < pixels; ++i, data += depth) {
        bgra[i * 4] = data[2];
        bgra[i * 4 + 1] = data[1];
        bgra[i * 4 + 2] = data[0];
        bgra[i * 4 + 3] = depth == 4 ? data[3] : 255;
    }
    writeFile(out, encodeBgra(bgra.data(), uint32_t(width), uint32_t(height), size_t(width) * 4, false));
    return 0;
}

int info(const std::string& in) {
    const std::vector<uint8_t> file = readFile(in);
    ChunkReader reader(file);
    Chunk c;
    std::string chunks;
    while (reader.next(c)) {
        chunks += std::string(chunks.empty() ? "" : " ") + c.name + "(" +
                  std::to_string(c.type == kIDAT ? c.idatRun.size() + 8 : c.data.size()) + ")";
        if (c.type == kIHDR) {
            const Ihdr h = parseIhdr(c.data);
            std::printf("size %ux%u\ncolour type %u\nbit depth %u\ninterlace %s\n", h.width, h.height,
                        h.colorType, h.bitDepth, h.interlaceMethod ? "adam7" : "none");
        }
    }
    static const char* stops[] = {"", "IEND", "end of file", "CRC error"};
    std::printf("chunks %s\nend %s\n", chunks.c_str(), stops[int(reader.stop())]);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const std::string cmd = argc > 1 ? argv[1] : "";
        if (cmd == "decode" && argc == 4) return decode(argv[2], argv[3]);
        if (cmd == "encode" && argc == 4) return encode(argv[2], argv[3]);
        if (cmd == "info" && argc == 3) return info(argv[2]);
        std::fprintf(stderr,
                     "usage: vpng decode IN.png OUT.pam | vpng encode IN.pam OUT.png | vpng info IN.png\n");
        return 1;
    } catch (const std::exception& e) {
        std::string m = e.what();
        for (char& ch : m)
            if (ch == '\r' || ch == '\n') ch = ' ';
        std::fprintf(stderr, "vpng: %s\n", m.c_str());
        return 1;
    }
}
