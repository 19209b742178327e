#include "core/png/reader.h"

#include <cstring>
#include <string>

#include "core/checksum/crc32.h"
#include "core/image/errors.h"
#include "core/png/messages.h"

namespace vell::png {

using image::raiseError;

ChunkReader::ChunkReader(std::span<const uint8_t> file, bool strictChecks)
    : file_(file), strict_(strictChecks) {
    if (file.size() < 8 || std::memcmp(file.data(), kSignature, 8) != 0)
        raiseError<image::EPNGInvalidFileHeader>(msg::kInvalidFileHeader);
}

bool ChunkReader::next(Chunk& chunk) {
    const uint8_t* base = file_.data();
    const size_t size = file_.size();
    while (stop_ == Stop::None) {
        if (size - pos_ < 8) { // no complete length and name: the stream is exhausted
            stop_ = Stop::EndOfStream;
            break;
        }
        const uint32_t length = readBE32(base + pos_);
        const uint32_t type = readBE32(base + pos_ + 4);
        const size_t dataAt = pos_ + 8;
        const size_t avail = size - dataAt;
        if (first_ && type != kIHDR) raiseError<image::EPNGIHDRNotFirst>(msg::kIhdrNotFirst);
        first_ = false;
        if (type == kCHRM || (type == kIDAT && seenIdat_)) {
            pos_ = length > avail || avail - length < 4 ? size : dataAt + length + 4;
            continue;
        }
        if (!isKnownChunk(type) && isCriticalChunk(type)) {
            char name[5];
            writeBE32(reinterpret_cast<uint8_t*>(name), type);
            name[4] = 0;
            raiseError<image::EPNGUnknownCriticalChunk>(std::string(msg::kUnknownCriticalChunk) + ":" + name);
        }
        chunk = Chunk();
        chunk.type = type;
        writeBE32(reinterpret_cast<uint8_t*>(chunk.name), type);
        if (type == kIDAT) {
            // The run: this IDAT's data and CRC, then every directly following IDAT chunk.
            seenIdat_ = true;
            size_t end = length > avail || avail - length < 4 ? size : dataAt + length + 4;
            while (size - end >= 8 && readBE32(base + end + 4) == kIDAT) {
                const size_t next = readBE32(base + end);
                const size_t nextAvail = size - end - 8;
                end = next > nextAvail || nextAvail - next < 4 ? size : end + 8 + next + 4;
            }
            chunk.firstIdatSize = length;
            chunk.data = file_.subspan(dataAt, std::min<size_t>(length, avail));
            chunk.idatRun = file_.subspan(dataAt, end - dataAt);
            chunk.tail = file_.subspan(dataAt);
            pos_ = end;
            return true;
        }
        const bool complete = length <= avail && avail - length >= 4;
        const bool crcOk =
            complete && checksum::crc32Update(checksum::crc32(base + pos_ + 4, 4), base + dataAt, length) ==
                            readBE32(base + dataAt + length);
        if (!crcOk) {
            if (strict_) raiseError<image::EPngInvalidCRC>(msg::kInvalidCrc);
            stop_ = Stop::BadCrc;
            break;
        }
        chunk.data = file_.subspan(dataAt, length);
        pos_ = dataAt + length + 4;
        if (type == kIEND) stop_ = Stop::Iend;
        return true;
    }
    return false;
}

} // namespace vell::png
