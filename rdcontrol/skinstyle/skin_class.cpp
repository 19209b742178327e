#include "rdcontrol/skinstyle/skin_class.h"

#include "core/skin/value_strings.h"
#include "core/util/scope_exit.h"
#include "core/text/strings.h"
#include "core/text/utf.h"
#include "platform/image/png_image.h"
#include "rdcontrol/resource/resource.h"
#include "rdcontrol/skinstyle/skin_reader.h"
#include "toolkit/controls.h"
#include "toolkit/picture.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <map>

namespace vell::rd {

namespace {

std::atomic<std::uint32_t> gCreateCounter{0};
// The registry: every skin class that names a section, by creation number.
std::map<std::uint32_t, TRdSkinClass*>& registry() {
    static std::map<std::uint32_t, TRdSkinClass*> r;
    return r;
}

enum DrawIndex { kAlpha, kScale, kBkgBlur, kBlur };

int clampDraw(int Index, int Value) {
    switch (Index) {
    case kAlpha:
        return std::clamp(Value, 0, 255);
    case kScale:
        return Value <= 0 ? 1 : std::min(Value, 2000);
    default:
        return std::clamp(Value, 0, 100);
    }
}

bool isNotProperty(const std::u16string& name) {
    return text::sameText(name, u"class") || text::sameText(name, u"parent") ||
           text::sameText(name, u"SkinRcc");
}

// Clears the pictures of Object and of the persistent objects below it (components only
// when Root owns them, collection items too).
void clearPictures(tk::TPersistent& Object, tk::TComponent* Root, bool SkinOnly, int Depth) {
    if (Depth > 32) return;
    for (const tk::PropInfo* p : Object.ClassType().propertyList()) {
        if (p->type->kind != tk::TypeKind::Class || !p->getObj || !p->isStored(Object)) continue;
        auto* value = dynamic_cast<tk::TPersistent*>(p->getObj(Object));
        if (!value) continue;
        if (auto* picture = dynamic_cast<tk::TPicture*>(value)) {
            if (!picture->Empty() && (!SkinOnly || FromSkin(picture))) picture->SetGraphic(nullptr);
            continue;
        }
        if (auto* component = dynamic_cast<tk::TComponent*>(value))
            if (component->Owner() != Root) continue;
        if (dynamic_cast<TRdSkinClass*>(value)) continue;
        if (auto* collection = dynamic_cast<tk::TCollection*>(value)) {
            for (int i = 0; i < collection->Count(); ++i)
                clearPictures(*collection->Items(i), Root, SkinOnly, Depth + 1);
            continue;
        }
        clearPictures(*value, Root, SkinOnly, Depth + 1);
    }
}

} // namespace

const tk::TypeInfo& SmoothFilterType() {
    static const tk::TypeInfo t =
        tk::makeEnumType("TPngSmoothFilter", {"psfDefault", "psfFastSmooth", "psfSmooth"});
    return t;
}

// ---- TRdSkinClassDraw ----

const tk::ClassInfo& TRdSkinClassDraw::StaticClass() {
    using B = tk::ClassBuilder<TRdSkinClassDraw>;
    static const tk::ClassInfo info =
        B("TRdSkinClassDraw", &tk::TPersistent::StaticClass())
            .ord("DrawAlpha", tk::IntegerType(), &TRdSkinClassDraw::DrawAlpha,
                 &TRdSkinClassDraw::SetDrawAlpha, 255)
            .ord("DrawScale", tk::IntegerType(), &TRdSkinClassDraw::DrawScale,
                 &TRdSkinClassDraw::SetDrawScale, 100)
            .ord("DrawBkgBlur", tk::IntegerType(), &TRdSkinClassDraw::DrawBkgBlur,
                 &TRdSkinClassDraw::SetDrawBkgBlur, 0)
            .ord("DrawBlur", tk::IntegerType(), &TRdSkinClassDraw::DrawBlur, &TRdSkinClassDraw::SetDrawBlur,
                 0)
            .ord("DrawGray", tk::BooleanType(), &TRdSkinClassDraw::DrawGray, &TRdSkinClassDraw::SetDrawGray,
                 0)
            .ord("SmoothFilter", SmoothFilterType(), &TRdSkinClassDraw::SmoothFilter,
                 &TRdSkinClassDraw::SetSmoothFilter, image::psfFastSmooth)
            .ord("MergeBkg", tk::BooleanType(), &TRdSkinClassDraw::MergeBkg, &TRdSkinClassDraw::SetMergeBkg,
                 0)
            .build();
    return info;
}

TRdSkinClassDraw::TRdSkinClassDraw(TRdSkinClass* AOwner) : FOwner(AOwner) {}

tk::TPersistent* TRdSkinClassDraw::GetOwner() const {
    return FOwner;
}

int TRdSkinClassDraw::DrawAlpha() const {
    return FOwner->FDrawAlpha;
}
int TRdSkinClassDraw::DrawScale() const {
    return FOwner->FDrawScale;
}
int TRdSkinClassDraw::DrawBkgBlur() const {
    return FOwner->FDrawBkgBlur;
}
void TRdSkinClassDraw::SetDrawAlpha(int Value) {
    FOwner->SetDrawValue(kAlpha, Value);
}
void TRdSkinClassDraw::SetDrawScale(int Value) {
    FOwner->SetDrawValue(kScale, Value);
}
void TRdSkinClassDraw::SetDrawBkgBlur(int Value) {
    FOwner->SetDrawValue(kBkgBlur, Value);
}
void TRdSkinClassDraw::SetDrawBlur(int Value) {
    FOwner->SetDrawValue(kBlur, Value);
}

void TRdSkinClassDraw::changed(tk::TObject* Sender) {
    if (OnChanged) OnChanged(Sender);
    FOwner->InvalidateOwner();
}

void TRdSkinClassDraw::SetDrawGray(bool Value) {
    if (Value == FDrawGray) return;
    FDrawGray = Value;
    changed(this);
}

void TRdSkinClassDraw::SetSmoothFilter(image::TPngSmoothFilter Value) {
    if (Value == FSmoothFilter) return;
    FSmoothFilter = Value;
    changed(this);
}

void TRdSkinClassDraw::SetMergeBkg(bool Value) {
    if (Value == FMergeBkg) return;
    FMergeBkg = Value;
    changed(this);
}

void TRdSkinClassDraw::Assign(const tk::TPersistent* Source) {
    if (Source && !dynamic_cast<const TRdSkinClassDraw*>(Source)) {
        tk::TPersistent::Assign(Source);
        return;
    }
    const TRdSkinClassDraw defaults(nullptr);
    const auto* s = static_cast<const TRdSkinClassDraw*>(Source);
    SetDrawBkgBlur(s ? s->DrawBkgBlur() : 0);
    SetDrawBlur(s ? s->DrawBlur() : 0);
    SetDrawAlpha(s ? s->DrawAlpha() : 255);
    SetDrawGray(s ? s->DrawGray() : false);
    SetDrawScale(s ? s->DrawScale() : 100);
    SetSmoothFilter(s ? s->SmoothFilter() : image::psfFastSmooth);
    SetMergeBkg(s ? s->MergeBkg() : false);
}

bool TRdSkinClassDraw::Equals(const TRdSkinClassDraw& CmpTo) const {
    return DrawAlpha() == CmpTo.DrawAlpha() && DrawScale() == CmpTo.DrawScale() &&
           DrawBkgBlur() == CmpTo.DrawBkgBlur() && FDrawBlur == CmpTo.FDrawBlur &&
           FDrawGray == CmpTo.FDrawGray && FSmoothFilter == CmpTo.FSmoothFilter &&
           FMergeBkg == CmpTo.FMergeBkg;
}

bool TRdSkinClassDraw::Empty() const {
    return DrawAlpha() == 255 && DrawScale() == 100 && DrawBkgBlur() == 0 && FDrawBlur == 0 && !FDrawGray &&
           FSmoothFilter == image::psfFastSmooth && !FMergeBkg;
}

// ---- TRdSkinClass ----

const tk::ClassInfo& TRdSkinClass::StaticClass() {
    using B = tk::ClassBuilder<TRdSkinClass>;
    using S = TRdSkinClass;
    static const tk::ClassInfo info =
        B("TRdSkinClass", &tk::TPersistent::StaticClass())
            .obj("IgnoreValues", tk::ClassTypeOf<tk::TStrings>(), &S::IgnoreValuesProperty,
                 &S::SetIgnoreValues)
            .obj("SkinValues", tk::ClassTypeOf<tk::TStrings>(), &S::SkinValues, nullptr, &S::NotStored)
            .obj("CurrentValues", tk::ClassTypeOf<tk::TStrings>(), &S::CurrentValuesProperty, nullptr,
                 &S::NotStored)
            .ord("ClearOwnerPic", tk::BooleanType(), &S::ClearOwnerPic, &S::SetClearOwnerPic, std::nullopt,
                 &S::NotStored)
            .ord("ForceUseSkinPic", tk::BooleanType(), &S::ForceUseSkinPic, &S::SetForceUseSkinPic,
                 std::nullopt, &S::NotStored)
            .obj("Draw", tk::ClassTypeOf<TRdSkinClassDraw>(), &S::Draw, &S::SetDraw)
            .str("SkinClass", &S::SkinClass, &S::SetSkinClass, &S::StoredSkinClass)
            .build();
    return info;
}

TRdSkinClass::TRdSkinClass(tk::TPersistent* AOwner, tk::TComponent* Component, TRdSkinClass* Parent)
    : FCurrentValues(std::make_unique<tk::TStringList>()), FIgnoreValues(std::make_unique<tk::TStringList>()),
      FSkinValues(std::make_unique<tk::TStringList>()), FCreateOrder(++gCreateCounter),
      FDraw(std::make_unique<TRdSkinClassDraw>(this)), FOwner(AOwner),
      FComponent(Component ? Component : dynamic_cast<tk::TComponent*>(AOwner)), FParent(Parent) {
    FIgnoreValues->SetSorted(true);
    FIgnoreValues->SetDuplicates(TDuplicates::dupIgnore);
    FIgnoreValues->OnChange = [this](tk::TStrings*) { RaiseChange(); };
    if (FParent) FParent->FChild.push_back(this);
}

TRdSkinClass::~TRdSkinClass() {
    LeaveRegistry();
    for (TRdSkinClass* child : FChild)
        child->FParent = nullptr;
    FChild.clear();
    if (FParent) std::erase(FParent->FChild, this);
    FIgnoreValues->OnChange = nullptr;
    FreeDrawBuffer();
}

std::string TRdSkinClass::LookupClassName() const {
    if (!FOwnerClassName.empty()) return FOwnerClassName;
    return FOwner ? FOwner->ClassName() : std::string();
}

bool TRdSkinClass::LoadingBlocked() const {
    return FComponent && FComponent->InState(tk::csLoading | tk::csReading | tk::csUpdating);
}

void TRdSkinClass::RaiseChange() {
    if (OnChange) OnChange(this);
}

void TRdSkinClass::InvalidateOwner() {
    if (auto* control = dynamic_cast<tk::TControl*>(FOwner)) control->Invalidate();
}

void TRdSkinClass::EnterRegistry() {
    if (FRegistered) return;
    registry().emplace(FCreateOrder, this);
    FRegistered = true;
}

void TRdSkinClass::LeaveRegistry() {
    if (!FRegistered) return;
    registry().erase(FCreateOrder);
    FRegistered = false;
}

void TRdSkinClass::SetSkinClass(const std::u16string& Value) {
    if (text::sameText(Value, FSkinClass)) {
        if (!FComponent || FComponent->InState(tk::csReading)) RaiseChange();
        return;
    }
    FSkinClass = Value;
    if (FSkinClass.empty())
        LeaveRegistry();
    else
        EnterRegistry();
    if (!LoadingBlocked()) LoadSkinValue(true);
    RaiseChange();
}

void TRdSkinClass::SetIgnoreValues(tk::TStrings* Value) {
    if (Value)
        FIgnoreValues->Assign(Value);
    else
        FIgnoreValues->Clear();
}

void TRdSkinClass::SetClearOwnerPic(bool Value) {
    FClearOwnerPic = Value;
    if (Value) ClearOwnerPictures(false);
}

void TRdSkinClass::SetForceUseSkinPic(bool Value) {
    if (Value == FForceUseSkinPic) return;
    FForceUseSkinPic = Value;
    if (Value && !LoadingBlocked()) LoadSkinValue(true);
}

void TRdSkinClass::ClearOwnerPictures(bool SkinOnly) {
    if (!FOwner) return;
    if (auto* picture = dynamic_cast<tk::TPicture*>(FOwner)) {
        if (!SkinOnly || FromSkin(picture)) picture->SetGraphic(nullptr);
        return;
    }
    tk::TComponent* root = FComponent ? FComponent->Owner() : nullptr;
    clearPictures(*FOwner, root ? root : FComponent, SkinOnly, 0);
}

void TRdSkinClass::LoadSkinValue(bool UpdateChild) {
    std::exception_ptr failure;
    FSkinValues->Clear();
    if (FOwner && !FSkinClass.empty()) {
        skin::TRdValueStrings lines;
        bool found = false;
        {
            skin::SkinClassTable& table = ClassTable();
            table.Lock();
            ScopeExit unlock([&table] { table.UnLock(); });
            if (skin::TRdValueStrings* section =
                    table.Find(text::utf8ToUtf16(LookupClassName()), FSkinClass)) {
                section->AssignTo(lines);
                found = true;
            }
        }
        if (found) {
            FSkinValues->BeginUpdate();
            for (int i = 0; i < lines.Count(); ++i)
                FSkinValues->Add(lines.Strings(i));
            FSkinValues->EndUpdate();
            const std::uint32_t savedState = FComponent ? FComponent->ComponentState() : 0;
            if (LoadBracket) LoadBracket(true);
            if (FComponent && FComponent->InState(tk::csDesigning)) ClearOwnerPictures(true);
            if (FComponent) FComponent->Updating();
            try {
                TSkinReader reader(*this);
                for (int i = 0; i < FSkinValues->Count(); ++i) {
                    const std::u16string& line = FSkinValues->Strings(i);
                    const size_t eq = line.find(u'=');
                    if (eq == std::u16string::npos) continue;
                    const std::u16string name = line.substr(0, eq);
                    if (name.empty() || isNotProperty(name)) continue;
                    reader.ApplyLine(name, line.substr(eq + 1));
                }
            } catch (...) {
                failure = std::current_exception();
            }
            if (FComponent && !(savedState & tk::csUpdating)) FComponent->Updated();
            if (LoadBracket) LoadBracket(false);
        }
    }
    if (UpdateChild) {
        // A child may leave the list while it loads (its owner freed by a change handler).
        std::vector<TRdSkinClass*> children = FChild;
        for (TRdSkinClass* child : children) {
            if (std::find(FChild.begin(), FChild.end(), child) == FChild.end()) continue;
            try {
                child->LoadSkinValue(true);
            } catch (...) {
                if (!failure) failure = std::current_exception();
            }
        }
    }
    if (failure) std::rethrow_exception(failure);
}

tk::TStrings* TRdSkinClass::CurrentValues() {
    if (FInnerGetCurValues || !FOwner) return FCurrentValues.get();
    FlagScope inner(FInnerGetCurValues);
    std::string section = text::utf16ToUtf8(FSkinClass);
    if (section.empty() && FComponent) section = FComponent->Name();
    if (section.empty())
        section = FOwner->ClassName().substr(std::min<size_t>(1, FOwner->ClassName().size()));
    tk::TComponent* root = FComponent && FComponent->Owner() ? FComponent->Owner() : FComponent;
    FCurrentValues->SetText(TSkinWriter(root).SectionText(*FOwner, section, LookupClassName()));
    return FCurrentValues.get();
}

bool TRdSkinClass::Equals(const TRdSkinClass& CmpTo) const {
    return &CmpTo == this ||
           (text::sameText(FSkinClass, CmpTo.FSkinClass) && FIgnoreValues->Equals(*CmpTo.FIgnoreValues));
}

bool TRdSkinClass::Empty() const {
    return FSkinClass.empty() && FIgnoreValues->Count() == 0 && FDraw->Empty();
}

void TRdSkinClass::Assign(const tk::TPersistent* Source) {
    if (!Source) {
        FIgnoreValues->Clear();
        SetSkinClass(std::u16string());
        FDraw->Assign(nullptr);
        return;
    }
    const auto* s = dynamic_cast<const TRdSkinClass*>(Source);
    if (!s) {
        tk::TPersistent::Assign(Source);
        return;
    }
    if (!FIgnoreValues->Equals(*s->FIgnoreValues)) FIgnoreValues->Assign(s->FIgnoreValues.get());
    if (!FDraw->Equals(*s->FDraw)) FDraw->Assign(s->FDraw.get());
    SetSkinClass(s->FSkinClass);
}

void TRdSkinClass::SetDrawValue(int Index, int Value) {
    Value = clampDraw(Index, Value);
    int* field = Index == kAlpha     ? &FDrawAlpha
                 : Index == kScale   ? &FDrawScale
                 : Index == kBkgBlur ? &FDrawBkgBlur
                                     : &FDraw->FDrawBlur;
    if (*field == Value) return;
    const int old = *field;
    *field = Value;
    if (Index == kBkgBlur) {
        DrawBufferBkgTk = 0;
        DrawBufferRect = RECT{};
    }
    if (Index == kScale) ApplyDrawScale(old, Value);
    if (FDraw->OnChanged) FDraw->OnChanged(this);
    InvalidateOwner();
}

// A windowed owner grows with its scale from 100 up; below 100 its window keeps the
// unscaled size and only its painting shrinks.
void TRdSkinClass::ApplyDrawScale(int OldScale, int NewScale) {
    auto* control = dynamic_cast<tk::TWinControl*>(FOwner);
    if (!control) return;
    if (OldScale == 100) {
        DrawScale_OrgWidth = control->Width();
        DrawScale_OrgHeight = control->Height();
    }
    int scale = NewScale;
    if (OldScale > 100 && NewScale < 100) scale = 100;
    if (scale < 100) scale = 100;
    if (OldScale <= 100 && NewScale < 100) return;
    {
        control->DisableAlign();
        ScopeExit enable([control] { control->EnableAlign(); });
        control->SetBounds(control->Left(), control->Top(), ::MulDiv(DrawScale_OrgWidth, scale, 100),
                           ::MulDiv(DrawScale_OrgHeight, scale, 100));
    }
    control->Realign();
}

// ---- the registry ----

void TRdSkinClass::ReloadAll() {
    std::exception_ptr failure;
    // Walk by creation number: classes made or freed by a load are found or skipped.
    std::uint32_t next = 0;
    for (;;) {
        auto& r = registry();
        auto it = r.lower_bound(next);
        if (it == r.end()) break;
        next = it->first + 1;
        try {
            it->second->LoadSkinValue(false);
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
        if (next == 0) break; // the counter wrapped
    }
    if (failure) std::rethrow_exception(failure);
}

int TRdSkinClass::RegisteredCount() {
    return static_cast<int>(registry().size());
}

void TRdSkinClass::ForEachRegistered(const std::function<void(TRdSkinClass&)>& Visit) {
    std::vector<TRdSkinClass*> all;
    for (auto& [order, skin] : registry())
        all.push_back(skin);
    for (TRdSkinClass* skin : all)
        Visit(*skin);
}

} // namespace vell::rd
