#include "services/ini/ext_ini_file.h"

#include "core/text/codec.h"
#include "platform/win/files.h"

namespace vell {

bool TExtIniFile::LoadFromFile(const std::u16string& FileName) {
    try {
        std::string bytes;
        if (!win::ReadWholeFile(FileName, bytes)) return false;
        TIniSections loaded;
        loaded.SetCaseSensitive(CaseSensitive());
        loaded.SetBytes(text::asBytes(bytes));
        FSections = std::move(loaded);
        return true;
    } catch (...) {
        return false;
    }
}

bool TExtIniFile::LoadFromStream(TStream& Stream) {
    try {
        TIniSections loaded;
        loaded.SetCaseSensitive(CaseSensitive());
        loaded.SetBytes(text::asBytes(Stream.ReadRest()));
        FSections = std::move(loaded);
        return true;
    } catch (...) {
        return false;
    }
}

bool TExtIniFile::SaveToFile(const std::u16string& FileName) {
    try {
        return win::WriteWholeFile(FileName,
                                   text::encodeText(FSections.GetText(), text::TextEncoding::Utf16LE, true));
    } catch (...) {
        return false;
    }
}

bool TExtIniFile::SaveToStream(TStream& Stream) {
    try {
        const std::string bytes = text::encodeText(FSections.GetText(), text::TextEncoding::Ansi, false);
        Stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace vell
