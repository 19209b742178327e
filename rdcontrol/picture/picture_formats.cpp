#include "rdcontrol/picture/picture_formats.h"

#include "platform/image/png_image.h"
#include "platform/image/rdg_image.h"
#include "toolkit/picture.h"

#include <cstring>

namespace vell::rd {

using image::TGraphic;
using image::TPngImage;
using image::TRdgImage;
using tk::TPicture;

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool startsLikePng(std::span<const uint8_t> data) {
    // Nine bytes are looked at: the signature and the first byte after it.
    return data.size() >= 9 && std::memcmp(data.data(), kPngSignature, sizeof kPngSignature) == 0;
}

// Class names that earlier versions of the library stored for a PNG picture.
bool isPngClassName(std::string_view name) {
    return tk::sameText(name, "TPngImage") || tk::sameText(name, "TPNGGraphic") ||
           tk::sameText(name, "RIdIzevAzo");
}

std::unique_ptr<TGraphic> dataClass(std::string_view className, std::span<const uint8_t> data) {
    if (isPngClassName(className)) return std::make_unique<TPngImage>();
    const tk::TPictureFormat* f = TPicture::FindFormatByClassName(className);
    if ((!f || f->Type != typeid(TPngImage)) && startsLikePng(data)) return std::make_unique<TPngImage>();
    return f ? f->Create() : nullptr;
}

// Splits a string property at its line breaks (CR LF, CR or LF).
void appendLines(const std::u16string& text, std::vector<std::u16string>& lines) {
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find_first_of(u"\r\n", start);
        lines.push_back(text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start));
        if (end == std::u16string::npos) break;
        start = end + (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n' ? 2 : 1);
    }
}

std::vector<std::u16string> linesOf(const forms::Value& v) {
    std::vector<std::u16string> lines;
    if (v.kind == forms::ValueKind::String) {
        appendLines(v.text, lines);
    } else if (v.kind == forms::ValueKind::List) {
        for (const forms::Value& item : v.list) {
            if (item.kind != forms::ValueKind::String) throw tk::EFilerError("Invalid property value");
            lines.push_back(item.text);
        }
    } else {
        throw tk::EFilerError("Invalid property value");
    }
    return lines;
}

void readText(TPicture& picture, const forms::Value& v) {
    const std::vector<std::u16string> lines = linesOf(v);
    if (auto* existing = dynamic_cast<TRdgImage*>(picture.Graphic())) {
        existing->LoadFromStrings(lines, false, true);
        return;
    }
    auto graphic = std::make_unique<TRdgImage>();
    try {
        graphic->LoadFromStrings(lines, false, true);
    } catch (const std::exception& e) {
        throw Exception(std::string("rdg:") + e.what());
    }
    picture.SetGraphic(std::move(graphic));
}

forms::Value writeText(const TPicture& picture) {
    forms::Value v;
    v.kind = forms::ValueKind::List;
    if (auto* rdg = dynamic_cast<TRdgImage*>(picture.Graphic()))
        for (const std::u16string& line : rdg->SaveToStrings()) {
            forms::Value item;
            item.kind = forms::ValueKind::String;
            item.text = line;
            v.list.push_back(std::move(item));
        }
    return v;
}

void defineText(TPicture& picture, tk::TFiler& filer) {
    auto* rdg = dynamic_cast<TRdgImage*>(picture.Graphic());
    filer.DefineProperty(
        "Text", [&picture](const forms::Value& v) { readText(picture, v); },
        [&picture] { return writeText(picture); }, rdg && !rdg->Empty());
}

void removeExtension(std::u16string_view extension) {
    while (const tk::TPictureFormat* f = TPicture::FindFormatByExtension(extension))
        TPicture::UnregisterFormat(f->ClassName);
}

} // namespace

void RegisterPictureFormats() {
    removeExtension(u"png");
    removeExtension(u"");
    TPicture::RegisterFileFormat<TPngImage>(u"PNG", u"Png Image", "TPngImage");
    TPicture::RegisterFileFormat<TRdgImage>(u"RDG", u"Rdg Image", "TRdgImage");
    tk::SetPictureDataClassHook(dataClass);
    tk::SetPictureDefinePropertiesHook(defineText);
}

void UnregisterPictureFormats() {
    TPicture::UnregisterFormat("TPngImage");
    TPicture::UnregisterFormat("TRdgImage");
    tk::SetPictureDataClassHook(nullptr);
    tk::SetPictureDefinePropertiesHook(nullptr);
}

} // namespace vell::rd
