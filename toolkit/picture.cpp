#include "toolkit/picture.h"
#include "platform/image/graphic.h"
#include "platform/image/png_image.h"
#include "core/io/stream.h"
#include "core/text/utf.h"

#include <algorithm>

namespace vell::tk {

namespace {

std::vector<TPictureFormat>& formats() {
    static std::vector<TPictureFormat> f;
    return f;
}

TPictureDefinePropertiesHook& definePropertiesHook() {
    static TPictureDefinePropertiesHook h;
    return h;
}

TPictureDataClassHook& dataClassHook() {
    static TPictureDataClassHook h;
    return h;
}

bool sameExtension(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i] < 128 ? static_cast<char16_t>(std::tolower(a[i])) : a[i];
        char16_t y = b[i] < 128 ? static_cast<char16_t>(std::tolower(b[i])) : b[i];
        if (x != y) return false;
    }
    return true;
}

} // namespace

void TGraphicRelease::operator()(image::TGraphic* Graphic) const {
    if (auto* png = dynamic_cast<image::TPngImage*>(Graphic))
        png->ReleaseRef();
    else
        delete Graphic;
}

void SetPictureDefinePropertiesHook(TPictureDefinePropertiesHook Hook) {
    definePropertiesHook() = std::move(Hook);
}
bool HasPictureDefinePropertiesHook() {
    return static_cast<bool>(definePropertiesHook());
}
void SetPictureDataClassHook(TPictureDataClassHook Hook) {
    dataClassHook() = std::move(Hook);
}

void TPicture::RegisterFormat(TPictureFormat Format) {
    UnregisterFormat(Format.ClassName);
    formats().push_back(std::move(Format));
}

void TPicture::UnregisterFormat(const std::string& ClassName) {
    auto& f = formats();
    f.erase(
        std::remove_if(f.begin(), f.end(), [&](const TPictureFormat& x) { return x.ClassName == ClassName; }),
        f.end());
}

const TPictureFormat* TPicture::FindFormatByExtension(std::u16string_view Extension) {
    if (!Extension.empty() && Extension[0] == u'.') Extension.remove_prefix(1);
    const auto& f = formats();
    for (auto it = f.rbegin(); it != f.rend(); ++it)
        if (sameExtension(it->Extension, Extension)) return &*it;
    return nullptr;
}

const TPictureFormat* TPicture::FindFormatByClassName(std::string_view ClassName) {
    for (const TPictureFormat& f : formats())
        if (sameText(f.ClassName, ClassName)) return &f;
    return nullptr;
}

const TPictureFormat* TPicture::FindFormatOf(const image::TGraphic& Graphic) {
    for (const TPictureFormat& f : formats())
        if (f.Type == std::type_index(typeid(Graphic))) return &f;
    return nullptr;
}

const ClassInfo& TPicture::StaticClass() {
    static const ClassInfo info = ClassBuilder<TPicture>("TPicture", &TPersistent::StaticClass()).build();
    return info;
}

TPicture::TPicture() = default;
TPicture::~TPicture() {
    if (FGraphic) FGraphic->OnChange = nullptr;
}

void TPicture::SetGraphic(std::unique_ptr<image::TGraphic> Value) {
    TakeGraphic(TGraphicHolder(Value.release()));
}

void TPicture::TakeGraphic(TGraphicHolder Value) {
    // A graphic that lives on elsewhere must not call back into this picture.
    if (FGraphic && FGraphic.get() != Value.get()) FGraphic->OnChange = nullptr;
    FGraphic = std::move(Value);
    if (FGraphic) FGraphic->OnChange = [this](image::TGraphic*) { Changed(); };
    Changed();
}

int TPicture::Width() const {
    return FGraphic ? FGraphic->Width() : 0;
}
int TPicture::Height() const {
    return FGraphic ? FGraphic->Height() : 0;
}
bool TPicture::Empty() const {
    return !FGraphic || FGraphic->Empty();
}

void TPicture::Changed() {
    if (OnChange) OnChange(this);
}

void TPicture::LoadFromFile(const std::u16string& FileName) {
    size_t dot = FileName.find_last_of(u'.');
    size_t slash = FileName.find_last_of(u"\\/");
    std::u16string_view ext;
    if (dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash))
        ext = std::u16string_view(FileName).substr(dot + 1);
    const TPictureFormat* f = FindFormatByExtension(ext);
    if (!f) {
        std::string e;
        for (char16_t c : ext)
            e += c < 128 ? static_cast<char>(c) : '?';
        throw EInvalidGraphic("Unknown picture file extension (." + e + ")");
    }
    TGraphicHolder g(f->Create().release());
    g->LoadFromFile(text::toWide(FileName));
    TakeGraphic(std::move(g));
}

void TPicture::Assign(const TPersistent* Source) {
    if (!Source) {
        TakeGraphic(nullptr);
        return;
    }
    auto* p = dynamic_cast<const TPicture*>(Source);
    if (!p) {
        TPersistent::Assign(Source);
        return;
    }
    if (p == this) return;
    if (!p->FGraphic) {
        TakeGraphic(nullptr);
        return;
    }
    const TPictureFormat* f = FindFormatOf(*p->FGraphic);
    if (!f) throw EInvalidGraphic("Cannot copy a picture of an unregistered kind");
    TGraphicHolder g(f->Create().release());
    g->Assign(p->FGraphic.get());
    TakeGraphic(std::move(g));
}

void TPicture::ReadData(const std::vector<uint8_t>& Bytes) {
    if (Bytes.empty()) {
        TakeGraphic(nullptr);
        return;
    }
    size_t len = Bytes[0];
    if (1 + len > Bytes.size()) throw EInvalidGraphic("Invalid picture data");
    std::string name(reinterpret_cast<const char*>(Bytes.data() + 1), len);
    TGraphicHolder g;
    if (dataClassHook()) {
        g.reset(dataClassHook()(name, std::span<const uint8_t>(Bytes).subspan(1 + len)).release());
        if (!g) {
            TakeGraphic(nullptr);
            return;
        }
    } else {
        const TPictureFormat* f = FindFormatByClassName(name);
        if (!f) throw EInvalidGraphic("Unknown picture class " + name);
        g.reset(f->Create().release());
    }
    TMemoryStream stream(std::string(Bytes.begin() + static_cast<std::ptrdiff_t>(1 + len), Bytes.end()));
    g->LoadFromStream(stream);
    TakeGraphic(std::move(g));
}

std::vector<uint8_t> TPicture::WriteData() const {
    std::vector<uint8_t> out;
    if (!FGraphic) return out;
    const TPictureFormat* f = FindFormatOf(*FGraphic);
    if (!f) return out;
    std::string name = f->ClassName.substr(0, 255);
    out.push_back(static_cast<uint8_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    TMemoryStream stream;
    FGraphic->SaveToStream(stream);
    out.insert(out.end(), stream.Bytes().begin(), stream.Bytes().end());
    return out;
}

void TPicture::DefineProperties(TFiler& Filer) {
    Filer.DefineBinaryProperty(
        "Data", [this](const std::vector<uint8_t>& b) { ReadData(b); }, [this] { return WriteData(); },
        FGraphic && FindFormatOf(*FGraphic));
    if (definePropertiesHook()) definePropertiesHook()(*this, Filer);
}

} // namespace vell::tk
