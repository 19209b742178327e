#include "rdcontrol/skinstyle/skin_reader.h"

#include "core/forms/format.h"
#include "core/text/strings.h"
#include "core/text/utf.h"
#include "platform/graphics/font.h"
#include "platform/image/rdg_image.h"
#include "rdcontrol/resource/resource.h"
#include "rdcontrol/skinstyle/skin_class.h"
#include "toolkit/picture.h"

namespace vell::rd {

namespace {

constexpr std::u16string_view kSkinRcc = u"SkinRcc";

bool hasName(const std::u16string& line, std::u16string_view name) {
    const size_t eq = line.find(u'=');
    return text::sameText(std::u16string_view(line).substr(0, eq), name);
}

image::TRdgImage* referenceOf(const tk::TPersistent* Picture) {
    auto* picture = dynamic_cast<const tk::TPicture*>(Picture);
    return picture ? dynamic_cast<image::TRdgImage*>(picture->Graphic()) : nullptr;
}

// The texts a skin author sets in the product's form descriptions, not in a skin.
bool isTextPath(std::string_view path) {
    const size_t item = path.rfind("].");
    if (item != std::string_view::npos) path = path.substr(item + 2);
    for (std::string_view name : {"Caption", "Text", "Lines.Strings", "DesignSize"})
        if (tk::sameText(path, name)) return true;
    return false;
}

std::string cut255(const std::string& s) {
    if (s.size() <= 255) return s;
    size_t n = 255;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
        --n; // whole characters
    return s.substr(0, n);
}

} // namespace

bool FromSkin(const tk::TPersistent* Picture) {
    const image::TRdgImage* rdg = referenceOf(Picture);
    if (!rdg) return false;
    for (const std::u16string& line : rdg->Values())
        if (hasName(line, kSkinRcc)) return true;
    return false;
}

// ---- TSkinReader ----

TSkinReader::TSkinReader(TRdSkinClass& Skin) : tk::TReader(Skin.Component()), FSkin(Skin) {}

void TSkinReader::ApplyLine(const std::u16string& Path, const std::u16string& Value) {
    if (!FSkin.Owner()) return;
    ReadSkinLine(FSkin.Owner(), text::utf16ToUtf8(Path), text::utf16ToUtf8(Value), TSkinMode::Raise);
}

bool TSkinReader::SkinPathIgnored(std::string_view Path) {
    tk::TStringList* ignore = FSkin.IgnoreValues();
    if (ignore->Count() == 0) return false;
    int index = 0;
    return ignore->Find(text::utf8ToUtf16(Path), index);
}

bool TSkinReader::SkinValueAllowed(tk::TPersistent* Instance, std::string_view) {
    auto* picture = dynamic_cast<tk::TPicture*>(Instance);
    if (!picture || !picture->Graphic()) return true; // an empty picture takes the skin's
    if (dynamic_cast<image::TRdgImage*>(picture->Graphic())) {
        if (FSkin.ForceUseSkinPic()) {
            picture->SetGraphic(nullptr);
            return true;
        }
        return FromSkin(picture); // the owner's own picture stays
    }
    return FSkin.ForceUseSkinPic();
}

void TSkinReader::SkinValueRead(tk::TPersistent* Instance, std::string_view Name, bool Published) {
    if (Published) {
        // A skin that sizes a font with a base height moves the base: the application's
        // size step then counts from the skin's size.
        auto* font = dynamic_cast<tk::TFont*>(Instance);
        if (font && font->BaseHeight() != 0 && (tk::sameText(Name, "Height") || tk::sameText(Name, "Size"))) {
            font->SetBaseHeight(font->Height());
            font->IncSizeOnBase(tk::FontIncSize());
        }
        return;
    }
    image::TRdgImage* rdg = referenceOf(Instance);
    if (!rdg) return;
    std::vector<std::u16string> lines = rdg->Values();
    std::erase_if(lines, [](const std::u16string& l) { return hasName(l, kSkinRcc); });
    lines.push_back(std::u16string(kSkinRcc) + u"=" + TResource::SkinName());
    rdg->LoadFromStrings(lines, false, true);
}

// ---- TSkinWriter ----

TSkinWriter::TSkinWriter(tk::TComponent* Root) : tk::TWriter(Root) {
    FlattenCollections = true;
    TopLevelFilter = [](const tk::PropInfo& p) {
        if (p.type->kind == tk::TypeKind::Class && p.type->classInfo &&
            p.type->classInfo().inheritsFrom(TRdSkinClass::StaticClass()))
            return false;
        for (std::string_view name : {"Left", "Top", "Width", "Height", "TabOrder"})
            if (tk::sameText(p.name, name)) return false;
        return true;
    };
}

std::u16string TSkinWriter::SectionText(tk::TPersistent& Instance, const std::string& Section,
                                        const std::string& ClassName) {
    std::vector<forms::PropertyLine> lines;
    WriteProperties(Instance, std::string(), lines);
    std::string out = "[" + cut255(Section) + "]\r\nclass=" + cut255(ClassName) + "\r\n";
    for (const forms::PropertyLine& l : lines)
        if (!isTextPath(l.path) && !l.value.empty())
            out += l.path + "=" + forms::formatValue(l.value.front(), forms::TextLayout::SkinLine) + "\r\n";
    return text::utf8ToUtf16(out);
}

} // namespace vell::rd
