#include "core/inflate/inflate.h"

#include <algorithm>
#include <cstring>

#include "core/inflate/huffman.h"

// Sections: bit reading; match copies; the state; the careful path (headers, stored
// blocks, the symbols near the ends of input and output), which follows zlib's order of
// reading and checking step by step; the fast loop for the bulk of each Huffman block.

namespace vell::inflate {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the bit reader loads little-endian words");

namespace {

using namespace entry;

// The bit buffer is a machine word: 64 bits natively, 32 in the 32-bit product.
using Word = size_t;
constexpr unsigned kWordBits = sizeof(Word) * 8;

constexpr size_t kWindow = 32768;
constexpr size_t kMaxMatch = 258;
// Wide copies write up to 15 bytes past a match's end, the fast loop up to two literals
// past its check: the buffer has this much room behind its end.
constexpr size_t kSlack = 32;
// The fast loop reads at most this far ahead of the next unread byte in one round.
constexpr size_t kInputMargin = 32;

inline Word lowBits(unsigned n) {
    return (Word(1) << n) - 1;
}

inline Word loadWord(const uint8_t* p) {
    Word w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// ---- match copies -------------------------------------------------------------------------

// Copies `length` bytes from `distance` bytes back, which may overlap what is written.
// Writes whole words: up to 15 bytes past the end are clobbered.
inline void copyMatch(uint8_t* out, size_t distance, size_t length) {
    uint8_t* const end = out + length;
    const uint8_t* src = out - distance;
    if (distance >= 16) {
        do {
            std::memcpy(out, src, 16);
            out += 16;
            src += 16;
        } while (out < end);
    } else if (distance == 1) {
        // The flat areas of pictures: a row of zeros left by the Up filter is one run.
        uint8_t run[16];
        std::memset(run, *src, 16);
        do {
            std::memcpy(out, run, 16);
            out += 16;
        } while (out < end);
    } else if (distance >= 8) {
        do {
            std::memcpy(out, src, 8);
            out += 8;
            src += 8;
        } while (out < end);
    } else {
        // A short period: a word of the repeated pattern, stored at whole periods.
        uint8_t pattern[8];
        for (size_t i = 0; i < 8; ++i)
            pattern[i] = src[i % distance];
        const size_t step = distance * (8 / distance);
        do {
            std::memcpy(out, pattern, 8);
            out += step;
        } while (out < end);
    }
}

enum class Mode : uint8_t {
    Header,
    BlockHeader,
    StoredHeader,
    Stored,
    DynamicHeader,
    Huffman,
    Trailer,
    Done,
    Truncated,
    Failed
};

constexpr uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

} // namespace

// ---- the state ------------------------------------------------------------------------------

struct Inflater::State {
    const uint8_t* in;
    const uint8_t* end;
    // Unread bits, lowest first; `count` of them are valid. Bits above them are zero or
    // the next input bits, so loading those bytes again changes nothing.
    Word bits = 0;
    unsigned count = 0;

    Mode mode = Mode::Header;
    bool last = false;
    const char* message = "";
    uint32_t storedLeft = 0;
    // A symbol decoded while the output was full, written on the next read.
    int pendingLiteral = -1;
    uint32_t pendingLength = 0, pendingDistance = 0;

    const uint32_t* literalLength = nullptr;
    const uint32_t* distance = nullptr;
    uint32_t dynamicLiteralLength[kLiteralLengthTableSize];
    uint32_t dynamicDistance[kDistanceTableSize];

    // Output: buf[0, pos) is inflated data (the last kWindow bytes of it at least, or all
    // of it), so a distance is valid exactly when it reaches no further back than buf.
    // The buffer starts at the size the caller expects to read in all when that is less
    // than `capacity`, and grows to it if more is read.
    std::unique_ptr<uint8_t[]> buf;
    size_t allocated;
    size_t capacity;
    size_t pos = 0;
    size_t maxRead;

    // Room for a window's worth of reads at least, so that the window moves at most once
    // per 32 KiB of output, however small the reads.
    State(std::span<const uint8_t> stream, size_t maxRead, size_t expected)
        : in(stream.data()), end(stream.data() + stream.size()), capacity(bufferBytes(maxRead)),
          maxRead(maxRead) {
        allocated = std::min(capacity, std::max(expected, maxRead));
        buf.reset(new uint8_t[allocated + kSlack]);
    }
    static size_t bufferBytes(size_t maxRead) { return kWindow + std::max(maxRead, kWindow); }

    // Makes room for n more bytes at pos.
    void makeRoom(size_t n) {
        if (pos + n > allocated && allocated < capacity) {
            std::unique_ptr<uint8_t[]> larger(new uint8_t[capacity + kSlack]);
            std::memcpy(larger.get(), buf.get(), pos);
            buf = std::move(larger);
            allocated = capacity;
        }
        if (pos + n > allocated) {
            // Keep the window, drop what is older.
            const size_t keep = std::min(pos, kWindow);
            std::memmove(buf.get(), buf.get() + pos - keep, keep);
            pos = keep;
        }
    }

    // Careful reading: bytes one at a time, never past the end, at most kWordBits - 1 bits.
    void refill() {
        while (count < kWordBits - 8 && in < end) {
            bits |= Word(*in++) << count;
            count += 8;
        }
    }
    bool have(unsigned n) {
        refill();
        return count >= n;
    }
    void drop(unsigned n) {
        bits >>= n;
        count -= n;
    }
    // Goes to the next byte boundary and gives back the whole bytes held, for reading bytes.
    void toByteBoundary() {
        in -= count / 8;
        bits = 0;
        count = 0;
    }
    Mode fail(const char* text) {
        message = text;
        return mode = Mode::Failed;
    }

    Mode header();
    Mode blockHeader();
    Mode storedHeader();
    Mode dynamicHeader();
    uint8_t* stored(uint8_t* out, uint8_t* limit);
    uint8_t* huffman(uint8_t* out, uint8_t* limit);
    uint8_t* fastLoop(uint8_t* out, uint8_t* limit);
    uint8_t* run(uint8_t* out, uint8_t* limit);
};

// ---- the careful path -----------------------------------------------------------------------

Mode Inflater::State::header() {
    if (!have(16)) return mode = Mode::Truncated;
    const unsigned cmf = bits & 0xFF, flg = (bits >> 8) & 0xFF;
    if ((cmf << 8 | flg) % 31 != 0) return fail("incorrect header check");
    if ((cmf & 0x0F) != 8) return fail("unknown compression method");
    if ((cmf >> 4) + 8 > 15) return fail("invalid window size");
    drop(16);
    if (flg & 0x20) {
        // A preset dictionary: zlib reads its identifier, then asks for it.
        toByteBoundary();
        if (end - in < 4) return mode = Mode::Truncated;
        return fail("need dictionary");
    }
    return mode = Mode::BlockHeader;
}

Mode Inflater::State::blockHeader() {
    if (last) return mode = Mode::Trailer;
    if (!have(3)) return mode = Mode::Truncated;
    last = bits & 1;
    const unsigned type = (bits >> 1) & 3;
    drop(3);
    switch (type) {
    case 0:
        return mode = Mode::StoredHeader;
    case 1:
        literalLength = fixedLiteralLengthTable();
        distance = fixedDistanceTable();
        return mode = Mode::Huffman;
    case 2:
        return mode = Mode::DynamicHeader;
    default:
        return fail("invalid block type");
    }
}

Mode Inflater::State::storedHeader() {
    // The lengths and the data are read as bytes, straight from the input.
    toByteBoundary();
    if (end - in < 4) return mode = Mode::Truncated;
    const unsigned length = in[0] | in[1] << 8, complement = in[2] | in[3] << 8;
    if (length != (complement ^ 0xFFFF)) return fail("invalid stored block lengths");
    in += 4;
    storedLeft = length;
    return mode = Mode::Stored;
}

uint8_t* Inflater::State::stored(uint8_t* out, uint8_t* limit) {
    while (storedLeft != 0) {
        if (out == limit) return out;
        if (in == end) {
            mode = Mode::Truncated;
            return out;
        }
        const size_t n = std::min({size_t(storedLeft), size_t(limit - out), size_t(end - in)});
        std::memcpy(out, in, n);
        out += n;
        in += n;
        storedLeft -= uint32_t(n);
    }
    mode = Mode::BlockHeader;
    return out;
}

Mode Inflater::State::dynamicHeader() {
    if (!have(14)) return mode = Mode::Truncated;
    const unsigned literals = (bits & 31) + 257, distances = ((bits >> 5) & 31) + 1,
                   codes = ((bits >> 10) & 15) + 4;
    drop(14);
    if (literals > 286 || distances > 30) return fail("too many length or distance symbols");

    uint8_t codeLengths[19] = {};
    for (unsigned i = 0; i < codes; ++i) {
        if (!have(3)) return mode = Mode::Truncated;
        codeLengths[kCodeLengthOrder[i]] = bits & 7;
        drop(3);
    }
    uint32_t codeTable[kCodeLengthTableSize];
    if (!buildTable(Alphabet::CodeLengths, codeLengths, 19, codeTable))
        return fail("invalid code lengths set");

    uint8_t lengths[286 + 30];
    const unsigned total = literals + distances;
    for (unsigned n = 0; n < total;) {
        refill();
        const uint32_t e = codeTable[bits & lowBits(kCodeLengthRootBits)];
        const unsigned codeBits = consumed(e), symbol = value(e);
        if (symbol < 16) {
            if (count < codeBits) return mode = Mode::Truncated;
            drop(codeBits);
            lengths[n++] = uint8_t(symbol);
            continue;
        }
        const unsigned extra = symbol == 16 ? 2 : symbol == 17 ? 3 : 7;
        if (count < codeBits + extra) return mode = Mode::Truncated;
        drop(codeBits);
        uint8_t repeated = 0;
        unsigned times;
        if (symbol == 16) {
            if (n == 0) return fail("invalid bit length repeat");
            repeated = lengths[n - 1];
            times = 3 + (bits & 3);
        } else {
            times = (symbol == 17 ? 3 : 11) + unsigned(bits & lowBits(extra));
        }
        drop(extra);
        if (n + times > total) return fail("invalid bit length repeat");
        std::memset(lengths + n, repeated, times);
        n += times;
    }
    if (lengths[256] == 0) return fail("invalid code -- missing end-of-block");
    if (!buildTable(Alphabet::LiteralLength, lengths, literals, dynamicLiteralLength))
        return fail("invalid literal/lengths set");
    if (!buildTable(Alphabet::Distance, lengths + literals, distances, dynamicDistance))
        return fail("invalid distances set");
    literalLength = dynamicLiteralLength;
    distance = dynamicDistance;
    return mode = Mode::Huffman;
}

// Symbols one at a time with every bit accounted for. A symbol whose bits are not all in
// the input ends the stream as truncated; nothing of it is written.
uint8_t* Inflater::State::huffman(uint8_t* out, uint8_t* limit) {
    for (;;) {
        if (pendingLiteral >= 0) {
            if (out == limit) return out;
            *out++ = uint8_t(pendingLiteral);
            pendingLiteral = -1;
        }
        if (pendingLength != 0) {
            if (out == limit) return out;
            if (pendingDistance > size_t(out - buf.get())) {
                fail("invalid distance too far back");
                return out;
            }
            const size_t n = std::min(size_t(pendingLength), size_t(limit - out));
            const uint8_t* src = out - pendingDistance;
            for (size_t i = 0; i < n; ++i)
                out[i] = src[i];
            out += n;
            pendingLength -= uint32_t(n);
            if (pendingLength != 0) return out;
        }
        if (size_t(end - in) >= kInputMargin && size_t(limit - out) >= kMaxMatch) {
            out = fastLoop(out, limit);
            if (mode != Mode::Huffman) return out;
        }

        refill();
        unsigned used = 0;
        uint32_t e = literalLength[bits & lowBits(kLiteralLengthRootBits)];
        if (e & kLink) {
            used = kLiteralLengthRootBits;
            e = literalLength[value(e) + ((bits >> used) & lowBits(codeLength(e)))];
        }
        if (used + consumed(e) > count) {
            mode = Mode::Truncated;
            return out;
        }
        if (e & kLiteral) {
            drop(used + consumed(e));
            pendingLiteral = int(value(e));
            continue;
        }
        if (e & kExceptional) {
            if (e & kEndOfBlock) {
                drop(used + consumed(e));
                mode = Mode::BlockHeader;
            } else {
                fail("invalid literal/length code");
            }
            return out;
        }
        const uint32_t length =
            value(e) + uint32_t((bits >> (used + codeLength(e))) & lowBits(consumed(e) - codeLength(e)));
        drop(used + consumed(e));

        refill();
        used = 0;
        uint32_t d = distance[bits & lowBits(kDistanceRootBits)];
        if (d & kLink) {
            used = kDistanceRootBits;
            d = distance[value(d) + ((bits >> used) & lowBits(codeLength(d)))];
        }
        if (used + codeLength(d) > count) {
            mode = Mode::Truncated;
            return out;
        }
        if (d & kExceptional) {
            fail("invalid distance code");
            return out;
        }
        drop(used + codeLength(d));
        const unsigned extra = consumed(d) - codeLength(d);
        if (!have(extra)) {
            mode = Mode::Truncated;
            return out;
        }
        pendingDistance = value(d) + uint32_t(bits & lowBits(extra));
        drop(extra);
        pendingLength = length;
    }
}

// ---- the fast loop --------------------------------------------------------------------------

// Runs while a whole symbol's bits are surely in the input and a longest match fits in
// the output; leaves at the end of the block, on an error, or near either end.
uint8_t* Inflater::State::fastLoop(uint8_t* out, uint8_t* limit) {
    const uint8_t* p = in;
    Word b = bits;
    unsigned n = count;
    const uint8_t* const inLast = end - kInputMargin;
    uint8_t* const outLast = limit - kMaxMatch;
    const uint8_t* const start = buf.get();
    const uint32_t* const lt = literalLength;
    const uint32_t* const dt = distance;
    // Tops the buffer up to at least kWordBits - 8 bits without a branch: a whole word is
    // loaded and only its whole bytes are counted.
    auto fill = [&] {
        b |= loadWord(p) << n;
        p += (kWordBits - 1 - n) >> 3;
        n |= kWordBits - 8;
    };
    auto take = [&](unsigned k) {
        b >>= k;
        n -= k;
    };
    const char* error = nullptr;

    while (p <= inLast && out <= outLast) {
        fill();
        uint32_t e = lt[b & lowBits(kLiteralLengthRootBits)];
        if (e & kLink) {
            take(kLiteralLengthRootBits);
            e = lt[value(e) + (b & lowBits(codeLength(e)))];
        }
        if (e & kLiteral) {
            take(consumed(e));
            *out++ = uint8_t(value(e));
            if constexpr (kWordBits >= 64) {
                // At least 41 bits are left: two more literals of the root table fit.
                e = lt[b & lowBits(kLiteralLengthRootBits)];
                if (e & kLiteral) {
                    take(consumed(e));
                    *out++ = uint8_t(value(e));
                    e = lt[b & lowBits(kLiteralLengthRootBits)];
                    if (e & kLiteral) {
                        take(consumed(e));
                        *out++ = uint8_t(value(e));
                    }
                }
            }
            continue;
        }
        if (e & kExceptional) {
            if (e & kEndOfBlock) {
                take(consumed(e));
                mode = Mode::BlockHeader;
            } else {
                error = "invalid literal/length code";
            }
            break;
        }
        const size_t length = value(e) + ((b & lowBits(consumed(e))) >> codeLength(e));
        take(consumed(e));
        if constexpr (kWordBits < 64) fill();
        uint32_t d = dt[b & lowBits(kDistanceRootBits)];
        if (d & kLink) {
            take(kDistanceRootBits);
            d = dt[value(d) + (b & lowBits(codeLength(d)))];
        }
        if (d & kExceptional) {
            error = "invalid distance code";
            break;
        }
        size_t dist;
        if constexpr (kWordBits >= 64) {
            dist = value(d) + ((b & lowBits(consumed(d))) >> codeLength(d));
            take(consumed(d));
        } else {
            take(codeLength(d));
            fill();
            const unsigned extra = consumed(d) - codeLength(d);
            dist = value(d) + (b & lowBits(extra));
            take(extra);
        }
        if (dist > size_t(out - start)) {
            error = "invalid distance too far back";
            break;
        }
        copyMatch(out, dist, length);
        out += length;
    }
    in = p;
    bits = b;
    count = n;
    if (error) fail(error);
    return out;
}

uint8_t* Inflater::State::run(uint8_t* out, uint8_t* limit) {
    for (;;) {
        switch (mode) {
        case Mode::Header:
            header();
            break;
        case Mode::BlockHeader:
            blockHeader();
            break;
        case Mode::StoredHeader:
            storedHeader();
            break;
        case Mode::DynamicHeader:
            dynamicHeader();
            break;
        case Mode::Stored:
            out = stored(out, limit);
            if (mode == Mode::Stored) return out; // the output is full
            break;
        case Mode::Huffman:
            out = huffman(out, limit);
            if (mode == Mode::Huffman) return out;
            break;
        case Mode::Trailer:
            // The Adler-32 is not checked, but it must be there.
            toByteBoundary();
            mode = end - in >= 4 ? Mode::Done : Mode::Truncated;
            break;
        case Mode::Done:
        case Mode::Truncated:
        case Mode::Failed:
            return out;
        }
    }
}

// ---- the interface --------------------------------------------------------------------------

Inflater::Inflater(std::span<const uint8_t> stream, size_t maxRead, size_t expected)
    : s_(std::make_unique<State>(stream, maxRead, expected)) {}

Inflater::~Inflater() = default;

Inflater::Status Inflater::read(size_t n, const uint8_t*& out, size_t& got) {
    State& s = *s_;
    n = std::min(n, s.maxRead);
    s.makeRoom(n);
    uint8_t* const start = s.buf.get() + s.pos;
    uint8_t* const done = s.run(start, start + n);
    out = start;
    got = size_t(done - start);
    s.pos += got;
    switch (s.mode) {
    case Mode::Done:
        return Status::End;
    case Mode::Truncated:
        return Status::Truncated;
    case Mode::Failed:
        return Status::Error;
    default:
        return Status::Full;
    }
}

const char* Inflater::message() const {
    return s_->message;
}

size_t Inflater::workBytes(size_t maxRead) {
    return sizeof(State) + State::bufferBytes(maxRead) + kSlack;
}

} // namespace vell::inflate
