// The chunk-stream reader: walks a PNG held in memory with the loading rules of the image
// class and hands out the chunks it should keep, in file order.
//   - The signature must match, else EPNGInvalidFileHeader (raised by the constructor).
//   - The first chunk must be IHDR, else EPNGIHDRNotFirst.
//   - cHRM, and every IDAT after the first run, are skipped without a look at their CRC.
//   - An unknown critical chunk raises EPNGUnknownCriticalChunk with ":NAME" appended.
//   - Other chunks are checked against their CRC; a mismatch (or data cut short by the
//     end of the stream) ends reading quietly before that chunk (stop() == BadCrc), or
//     raises EPngInvalidCRC when strict checks are on.
//   - IDAT chunks are not checked here: the first one is delivered with the bytes of the
//     whole consecutive IDAT run, which the decoder checks when it runs.
//   - Reading ends after IEND, or quietly when the stream ends between chunks.
#pragma once
#include <cstdint>
#include <span>

#include "core/png/format.h"

namespace vell::png {

struct Chunk {
    uint32_t type = 0;             // name as a big-endian value (see chunkType)
    char name[5] = {};             // the four name characters, zero-terminated
    std::span<const uint8_t> data; // the chunk's data (for IDAT: the first IDAT's data)
    // IDAT only. The run starts at the first IDAT's data and ends after the CRC of the last
    // consecutive IDAT chunk (lengths, names and CRCs of the others included): the bytes
    // kept undecoded and shared. `tail` starts at the same byte and runs to the end of the
    // file, for decoding straight from the file.
    uint32_t firstIdatSize = 0;
    std::span<const uint8_t> idatRun;
    std::span<const uint8_t> tail;
};

class ChunkReader {
  public:
    enum class Stop { None, Iend, EndOfStream, BadCrc };

    // `file` must outlive the reader and the chunks it hands out.
    explicit ChunkReader(std::span<const uint8_t> file, bool strictChecks = false);

    // The next chunk to keep; false when reading has ended (see stop()).
    bool next(Chunk& chunk);
    Stop stop() const { return stop_; }

  private:
    std::span<const uint8_t> file_;
    size_t pos_ = 8;
    bool strict_ = false;
    bool first_ = true;
    bool seenIdat_ = false;
    Stop stop_ = Stop::None;
};

} // namespace vell::png
