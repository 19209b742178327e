#include "services/language/language.h"

#include "core/component/classes.h"
#include "core/text/utf.h"

#include <initializer_list>

namespace vell {

namespace {

using tk::ClassInfo;
using tk::PropInfo;
using tk::TComponent;
using tk::TypeKind;

bool inherits(const ClassInfo& cls, std::initializer_list<const char*> names) {
    for (const ClassInfo* c = &cls; c; c = c->parent)
        for (const char* n : names)
            if (tk::sameText(c->name, n)) return true;
    return false;
}

const PropInfo* property(const TComponent& c, const char* name, TypeKind kind) {
    const PropInfo* p = c.ClassType().findProperty(name);
    return p && p->type && p->type->kind == kind ? p : nullptr;
}

} // namespace

void TLanguage::ApplyLan(tk::TComponent* form) {
    try {
        TLanguageBase::ApplyLan(form);
    } catch (...) {
        // Translation is cosmetic: a component that refuses its text ends the walk quietly.
    }
}

void TLanguage::ApplyLanComponent(const std::u16string& Section, tk::TComponent* c) {
    const ClassInfo& cls = c->ClassType();
    const std::u16string name = text::utf8ToUtf16(c->Name());

    // text property := reading name + suffix, with the current text as default.
    auto translate = [&](const char* prop, const char16_t* suffix) {
        const PropInfo* p = property(*c, prop, TypeKind::String);
        if (p && p->getStr && p->setStr)
            p->setStr(*c, ReadComponentText(Section, name, suffix, p->getStr(*c)));
    };
    auto captionAndHint = [&] {
        translate("Caption", u".Caption");
        translate("Hint", u".Hint");
    };
    auto items = [&] {
        const PropInfo* p = property(*c, "Items", TypeKind::Class);
        auto* lines = p && p->getObj ? dynamic_cast<tk::TStrings*>(p->getObj(*c)) : nullptr;
        if (!lines) return;
        for (int i = 0; i < lines->Count(); ++i)
            lines->Put(i, ReadComponentText(Section, name,
                                            u".Items[" + text::u16(std::to_string(i)) + u"].Caption",
                                            lines->Strings(i)));
    };

    if (inherits(cls, {"TRdImageNote"})) {
        const PropInfo* shown = property(*c, "ShowHint", TypeKind::Enumeration);
        if (shown && shown->getOrd && shown->getOrd(*c)) translate("Hint", u".Hint");
    } else if (inherits(cls, {"TRdHtmLabel"}) || inherits(cls, {"TRdLabel"})) {
        captionAndHint();
    } else if (inherits(cls, {"TLabel", "TButton", "TGroupBox", "TCheckBox", "TRadioButton", "TMenuItem",
                              "TToolButton", "TSpeedButton", "TTabSheet"})) {
        translate("Caption", u".Caption");
    } else if (inherits(cls, {"TRdImageButton"})) {
        captionAndHint();
    } else if (inherits(cls, {"TCheckListBox"})) {
        items();
    } else if (inherits(cls, {"TComboBox"})) {
        const PropInfo* index = property(*c, "ItemIndex", TypeKind::Integer);
        const int64_t selected = index && index->getOrd ? index->getOrd(*c) : -1;
        items();
        if (index && index->setOrd) index->setOrd(*c, selected);
    } else if (cls.name == "TReportTab" || cls.name == "TReportContent") {
        TLanguageBase::ApplyLan(c); // its own name forms the section of its owned components
    }
}

} // namespace vell
