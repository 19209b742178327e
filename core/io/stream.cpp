#include "core/io/stream.h"

#include <algorithm>
#include <cstring>

namespace vell {

int64_t TStream::Size() {
    const int64_t pos = Position();
    const int64_t end = Seek(0, SeekOrigin::End);
    Seek(pos, SeekOrigin::Begin);
    return end;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count > 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count > 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

std::string TStream::ReadRest() {
    const int64_t rest = Size() - Position();
    std::string out;
    if (rest <= 0) return out;
    if (static_cast<uint64_t>(rest) > out.max_size()) throw EStreamError("Stream too large");
    out.resize(static_cast<size_t>(rest));
    out.resize(static_cast<size_t>(Read(out.data(), rest)));
    return out;
}

void TStream::CopyFrom(TStream& source) {
    char chunk[64 * 1024];
    for (;;) {
        const int64_t n = source.Read(chunk, sizeof chunk);
        if (n <= 0) break;
        WriteBuffer(chunk, n);
    }
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    const int64_t size = static_cast<int64_t>(data_.size());
    if (count <= 0 || pos_ >= size) return 0;
    const int64_t n = std::min(count, size - pos_);
    std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    const uint64_t end = static_cast<uint64_t>(pos_) + static_cast<uint64_t>(count);
    if (end > data_.max_size()) throw EStreamError("Out of memory while expanding memory stream");
    if (end > data_.size()) data_.resize(static_cast<size_t>(end));
    std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
    pos_ = static_cast<int64_t>(end);
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
    int64_t base = 0;
    if (origin == SeekOrigin::Current) base = pos_;
    if (origin == SeekOrigin::End) base = static_cast<int64_t>(data_.size());
    pos_ = std::max<int64_t>(0, base + offset);
    return pos_;
}

void TMemoryStream::SetSize(int64_t size) {
    if (size < 0 || static_cast<uint64_t>(size) > data_.max_size()) throw EStreamError("Invalid stream size");
    data_.resize(static_cast<size_t>(size));
    pos_ = std::min(pos_, size);
}

} // namespace vell
