// Our inflate against zlib on the same streams: arbitrary bytes, and streams zlib made
// from the input (at a level and strategy the input picks) with a few bytes changed.
// Both must give the same bytes, and end, run out or fail together; ours is read in
// pieces of a size the input picks, as the PNG decoder reads it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/support/zlib_reference.h"

namespace {

using namespace vell::inflate::reference;

// Output room: four windows. Our inflater keeps a window and at most one read's worth
// (up to 90 KB here) before it moves the window, so this still moves it at every piece
// size, while a stream that inflates to the room read a byte at a time costs half of
// what 256 KB did (those inputs had brought the run down to 250 executions a second).
constexpr size_t kMaxOut = 1 << 17;

// Plain text with matches at many distances: input bytes, some repeated from earlier.
std::vector<uint8_t> plainText(const uint8_t* data, size_t size) {
    std::vector<uint8_t> text;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = data[i];
        if (b >= 0xF0 && !text.empty()) { // a run of one byte, or a copy from further back
            const size_t count = size_t(b & 0x0F) * 37 + 3;
            const size_t distance = i + 1 < size ? size_t(data[i + 1]) % text.size() + 1 : 1;
            for (size_t k = 0; k < count; ++k)
                text.push_back(text[text.size() - distance]);
        } else {
            text.push_back(b);
        }
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const uint8_t how = data[0];
    const size_t piece = size_t(data[1]) * 97 + 1 + (data[2] & 1) * 65536;
    data += 3;
    size -= 3;
    std::vector<uint8_t> stream;
    if (how & 1) {
        stream.assign(data, data + size);
    } else {
        // The last bytes say which bytes of zlib's stream to change.
        const size_t edits = std::min<size_t>((how >> 5) & 7, size / 3);
        const size_t textSize = size - edits * 3;
        const int strategies[4] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_FIXED};
        stream = zlibCompress(plainText(data, textSize), (how >> 1) % 10,
                              strategies[(how >> 4) & 1 ? 3 : (how >> 3) & 1]);
        for (size_t e = 0; e < edits; ++e) {
            const uint8_t* edit = data + textSize + e * 3;
            stream[(size_t(edit[0]) << 8 | edit[1]) % stream.size()] ^= edit[2];
        }
    }
    const Result theirs = zlibInflate(stream, kMaxOut), ours = ourInflate(stream, kMaxOut, piece);
    if (!(theirs == ours)) {
        std::fprintf(stderr, "zlib: outcome %d, %zu bytes; ours: outcome %d, %zu bytes\n",
                     int(theirs.outcome), theirs.bytes.size(), int(ours.outcome), ours.bytes.size());
        std::abort();
    }
    return 0;
}
