// A file as a stream, opened by a UTF-16 path.
#pragma once
#include "core/io/stream.h"
#include "platform/win/handles.h"

#include <string>

namespace vell {

class EFOpenError : public EStreamError {
  public:
    using EStreamError::EStreamError;
};

enum class TFileMode { fmOpenRead, fmCreate, fmOpenReadWrite };

class TFileStream : public TStream {
  public:
    // Opens or creates the file; EFOpenError when that fails.
    TFileStream(const std::wstring& path, TFileMode mode);

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    void SetSize(int64_t size) override;

  private:
    win::UniqueKernelHandle file_;
};

// The whole file in a memory stream (EFOpenError when it cannot be opened).
TMemoryStream LoadFileToMemory(const std::wstring& path);
// Writes the stream's bytes as the whole file.
void SaveMemoryToFile(const TMemoryStream& stream, const std::wstring& path);

} // namespace vell
