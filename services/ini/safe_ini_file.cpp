#include "services/ini/safe_ini_file.h"

#include "core/text/paths.h"
#include "core/text/strings.h"
#include "core/text/utf.h"
#include "platform/win/files.h"
#include "platform/win/handles.h"

#include <stdexcept>
#include <string>

namespace vell {

using text::wcs;

namespace {

// Makes sure the folder of `fileName` exists. A name without a folder is relative to the
// current folder. A folder that cannot be made raises, naming the folder.
void ensureFolderOf(const std::u16string& fileName) {
    const std::u16string folder = text::ExtractFilePath(fileName);
    if (folder.empty() || folder == u"\\" || folder == u".\\") return;
    DWORD error = 0;
    // Another process may remove a parent while we create the children: try again a few times.
    for (int attempt = 0; attempt < 100 && !win::DirectoryExists(folder); ++attempt)
        win::ForceDirectories(folder, &error);
    if (!win::DirectoryExists(folder))
        throw std::runtime_error("creating the folder failed, error " + std::to_string(error ? error : 1) +
                                 " \"" + text::utf16ToUtf8(folder) + "\"");
}

constexpr DWORD kProtectFlags = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;

} // namespace

TSafeIniFile::TSafeIniFile() {
    FTrackChanges = true;
}

TSafeIniFile::TSafeIniFile(const std::u16string& FilePath, std::optional<text::TextEncoding> AEncoding,
                           TSafeIniFileStreamCallback AEncryptStreamCallback,
                           TSafeIniFileStreamCallback ADecryptStreamCallback)
    : EncryptStreamCallback(std::move(AEncryptStreamCallback)),
      DecryptStreamCallback(std::move(ADecryptStreamCallback)), FFilePath(FilePath) {
    if (!FFilePath.empty()) {
        LoadFromFile(FFilePath);
        if (!win::FileExists(FFilePath)) {
            ensureFolderOf(FFilePath);
            win::UniqueKernelHandle file(::CreateFileW(wcs(FFilePath), GENERIC_READ | GENERIC_WRITE,
                                                       FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                                       FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file) Fail(::GetLastError());
            if (file && AEncoding && *AEncoding != text::TextEncoding::Ansi) {
                const std::string bom = text::encodeText(u"", *AEncoding, true);
                DWORD put = 0;
                ::WriteFile(file.get(), bom.data(), static_cast<DWORD>(bom.size()), &put, nullptr);
            }
        }
        FIniLoadFailed = LoadSaveFile_LastError != 0;
    }
    FTrackChanges = true;
}

TSafeIniFile::~TSafeIniFile() {
    if (FIniChanged && !FIniLoadFailed) {
        try {
            UpdateFile();
        } catch (...) {
            // A destructor has nobody to report to; the error code is lost with the object.
        }
    }
}

void TSafeIniFile::SectionListChanged() {
    FSections_LastFnd.clear();
    FSections_LastFndId = -1;
    if (FTrackChanges) FIniChanged = true;
}

void TSafeIniFile::Fail(uint32_t code) {
    LoadSaveFile_LastError = code ? code : 1;
}

void TSafeIniFile::WriteString(std::u16string_view Section, std::u16string_view Ident,
                               std::u16string_view Value) {
    int index;
    if (FSections_LastFndId >= 0 && FSections_LastFndId < FSections.Count() && Section == FSections_LastFnd) {
        index = FSections_LastFndId;
    } else {
        index = FSections.IndexOf(Section);
        if (index < 0) {
            index = FSections.Add(std::u16string(Section));
            SectionListChanged();
        }
        FSections_LastFnd = Section;
        FSections_LastFndId = index;
    }
    auto& lines = FSections.Lines(index);
    const std::u16string line = TIniSections::MakeLine(Ident, Value);
    const int existing = AllowSameIdent ? -1 : lines.IndexOfName(Ident);
    if (existing < 0)
        lines.AddStr(line);
    else
        lines.Put(existing, line);
    FIniChanged = true;
}

void TSafeIniFile::DeleteKey(std::u16string_view Section, std::u16string_view Ident) {
    if (FSections.DeleteKey(Section, Ident)) FIniChanged = true;
}

void TSafeIniFile::EraseSection(std::u16string_view Section) {
    if (FSections.Erase(Section)) SectionListChanged();
}

void TSafeIniFile::Clear() {
    TMemIniFile::Clear();
    SectionListChanged();
}

void TSafeIniFile::SetStrings(const std::vector<std::u16string>& List) {
    TMemIniFile::SetStrings(List);
    SectionListChanged();
}

void TSafeIniFile::UpdateFile() {
    if (FFilePath.empty()) return;
    SaveToFile(FFilePath);
    if (LoadSaveFile_LastError == 0) FIniChanged = false;
}

void TSafeIniFile::Rename(const std::u16string& FileName, bool) {
    FFilePath = FileName;
}

void TSafeIniFile::LoadBytes(std::string bytes) {
    if (DecryptStreamCallback) {
        TMemoryStream in(std::move(bytes)), out;
        DecryptStreamCallback(in, out);
        bytes = out.Bytes();
    }
    SetStrings(text::splitLines(text::decodeText(text::asBytes(bytes))));
}

void TSafeIniFile::LoadFromFile(const std::u16string& FileName) {
    LoadSaveFile_LastError = 0;
    try {
        std::string bytes;
        DWORD error = 0;
        win::RestoreInterruptedReplacement(FileName);
        if (!win::FileExists(FileName))
            SetStrings({});
        else if (!win::ReadWholeFile(FileName, bytes, &error))
            Fail(error);
        else
            LoadBytes(std::move(bytes));
    } catch (...) {
        Fail(::GetLastError());
    }
    // Whatever is in memory now is not the file's content: never save it over the file
    // automatically. A later good load of the file lifts the protection again.
    if (LoadSaveFile_LastError != 0)
        FIniLoadFailed = true;
    else if (text::sameTextAscii(FileName, FFilePath))
        FIniLoadFailed = false;
}

void TSafeIniFile::LoadFromStream(TStream& Stream) {
    LoadSaveFile_LastError = 0;
    try {
        Stream.SetPosition(0);
        LoadBytes(Stream.ReadRest());
    } catch (...) {
        Fail(1);
    }
}

std::optional<std::string> TSafeIniFile::Serialize() {
    try {
        std::string bytes = text::encodeText(FSections.GetText(), text::TextEncoding::Utf16LE, true);
        if (EncryptStreamCallback) {
            TMemoryStream in(std::move(bytes)), out;
            EncryptStreamCallback(in, out);
            bytes = out.Bytes();
        }
        return bytes;
    } catch (...) {
        Fail(1);
        return std::nullopt;
    }
}

void TSafeIniFile::SaveToStream(TStream& Stream) {
    LoadSaveFile_LastError = 0;
    const auto bytes = Serialize();
    if (!bytes) return;
    try {
        Stream.SetSize(0);
        Stream.SetPosition(0);
        Stream.WriteBuffer(bytes->data(), static_cast<int64_t>(bytes->size()));
    } catch (...) {
        Fail(1);
    }
}

void TSafeIniFile::SaveToFile(const std::u16string& FileName) {
    ensureFolderOf(FileName);
    const DWORD attrs = ::GetFileAttributesW(wcs(FileName));
    const bool lift = attrs != INVALID_FILE_ATTRIBUTES && (attrs & kProtectFlags);
    if (lift) ::SetFileAttributesW(wcs(FileName), attrs & ~kProtectFlags);

    LoadSaveFile_LastError = 0;
    if (const auto bytes = Serialize()) {
        DWORD error = 0;
        if (!win::ReplaceWholeFile(FileName, *bytes, &error)) Fail(error);
    }
    if (lift) ::SetFileAttributesW(wcs(FileName), attrs);
}

} // namespace vell
