#include "platform/stream/file_stream.h"

namespace vell {

namespace {
std::string utf8(const std::wstring& w) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string s(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), s.data(), n, nullptr,
                              nullptr);
    return s;
}
} // namespace

TFileStream::TFileStream(const std::wstring& path, TFileMode mode) {
    DWORD access = GENERIC_READ, disposition = OPEN_EXISTING, share = FILE_SHARE_READ;
    if (mode == TFileMode::fmCreate) {
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
        share = 0;
    } else if (mode == TFileMode::fmOpenReadWrite) {
        access = GENERIC_READ | GENERIC_WRITE;
        share = 0;
    }
    file_.reset(
        ::CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) throw EFOpenError("Cannot open file \"" + utf8(path) + "\"");
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
    auto* p = static_cast<char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const DWORD want = static_cast<DWORD>(std::min<int64_t>(count - done, 1 << 30));
        DWORD got = 0;
        if (!::ReadFile(file_.get(), p + done, want, &got, nullptr) || got == 0) break;
        done += got;
    }
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    const auto* p = static_cast<const char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const DWORD want = static_cast<DWORD>(std::min<int64_t>(count - done, 1 << 30));
        DWORD put = 0;
        if (!::WriteFile(file_.get(), p + done, want, &put, nullptr) || put == 0) break;
        done += put;
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin) {
    LARGE_INTEGER dist, out;
    dist.QuadPart = offset;
    const DWORD method = origin == SeekOrigin::Begin     ? FILE_BEGIN
                         : origin == SeekOrigin::Current ? FILE_CURRENT
                                                         : FILE_END;
    if (!::SetFilePointerEx(file_.get(), dist, &out, method)) return -1;
    return out.QuadPart;
}

void TFileStream::SetSize(int64_t size) {
    Seek(size, SeekOrigin::Begin);
    if (!::SetEndOfFile(file_.get())) throw EStreamError("Stream write error");
}

TMemoryStream LoadFileToMemory(const std::wstring& path) {
    TFileStream f(path, TFileMode::fmOpenRead);
    return TMemoryStream(f.ReadRest());
}

void SaveMemoryToFile(const TMemoryStream& stream, const std::wstring& path) {
    TFileStream f(path, TFileMode::fmCreate);
    f.WriteBuffer(stream.Bytes().data(), static_cast<int64_t>(stream.Bytes().size()));
}

} // namespace vell
