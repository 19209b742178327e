// zlib as the reference for our inflate: both read a whole stream with the same output
// room and tell how it went. Shared by the inflate tests and the differential fuzz target.
#pragma once
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/inflate/inflate.h"

namespace vell::inflate::reference {

enum class Outcome { End, Error, Open }; // Open: ran out of input or of output room

struct Result {
    Outcome outcome = Outcome::Open;
    std::string message; // the error's text
    std::vector<uint8_t> bytes;

    bool operator==(const Result&) const = default;
};

// zlib in one call with `room` bytes of output, the Adler-32 not checked (as ours).
inline Result zlibInflate(const std::vector<uint8_t>& stream, size_t room) {
    z_stream z{};
    Result r;
    r.bytes.resize(room);
    if (inflateInit(&z) != Z_OK) std::abort();
    inflateValidate(&z, 0);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = uInt(stream.size());
    z.next_out = r.bytes.data();
    z.avail_out = uInt(room);
    const int rc = ::inflate(&z, Z_NO_FLUSH);
    if (rc == Z_STREAM_END) {
        r.outcome = Outcome::End;
    } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
        r.outcome = Outcome::Error;
        r.message = z.msg ? z.msg : zError(rc);
    }
    r.bytes.resize(room - z.avail_out);
    inflateEnd(&z);
    return r;
}

// Ours, read in pieces of `piece` bytes until `room` bytes came or the stream stopped;
// `expected` is what the inflater is told the reads will take in all.
inline Result ourInflate(const std::vector<uint8_t>& stream, size_t room, size_t piece,
                         size_t expected = SIZE_MAX) {
    Inflater inflater(stream, piece, expected);
    Result r;
    for (;;) {
        const uint8_t* out;
        size_t got;
        const auto status = inflater.read(std::min(piece, room - r.bytes.size()), out, got);
        r.bytes.insert(r.bytes.end(), out, out + got);
        if (status == Inflater::Status::End) r.outcome = Outcome::End;
        if (status == Inflater::Status::Error) {
            r.outcome = Outcome::Error;
            r.message = inflater.message();
        }
        if (status != Inflater::Status::Full || r.bytes.size() == room) return r;
    }
}

inline std::vector<uint8_t> zlibCompress(const std::vector<uint8_t>& text, int level,
                                         int strategy = Z_DEFAULT_STRATEGY) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, 15, 8, strategy) != Z_OK) std::abort();
    std::vector<uint8_t> out(deflateBound(&z, uLong(text.size())));
    z.next_in = const_cast<Bytef*>(text.data());
    z.avail_in = uInt(text.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) std::abort();
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return out;
}

} // namespace vell::inflate::reference
