// Byte streams: the abstract stream the formats read and write through, and the memory
// stream. Positions and sizes are 64-bit; reads past the end return fewer bytes.
#pragma once
#include "core/image/errors.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vell {

class EStreamError : public Exception {
  public:
    using Exception::Exception;
};

enum class SeekOrigin { Begin, Current, End };

class TStream {
  public:
    virtual ~TStream() = default;
    // Reads up to `count` bytes; returns how many were read.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Writes `count` bytes; returns how many were written.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
    virtual void SetSize(int64_t size) = 0;

    int64_t Position() { return Seek(0, SeekOrigin::Current); }
    void SetPosition(int64_t pos) { Seek(pos, SeekOrigin::Begin); }
    int64_t Size();
    // Like Read and Write, but a short transfer raises EStreamError.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Everything from the current position to the end.
    std::string ReadRest();
    // Copies everything from the source's current position to its end.
    void CopyFrom(TStream& source);
};

class TMemoryStream : public TStream {
  public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string bytes) : data_(std::move(bytes)) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    void SetSize(int64_t size) override;

    const std::string& Bytes() const { return data_; }
    std::span<const uint8_t> Span() const {
        return {reinterpret_cast<const uint8_t*>(data_.data()), data_.size()};
    }

  private:
    std::string data_;
    int64_t pos_ = 0;
};

} // namespace vell
