#include "rdcontrol/skinstyle/skin_style.h"
#include "rdcontrol/paint/skinned_paint.h"

#include "core/text/paths.h"
#include "core/text/utf.h"
#include "platform/graphics/graphics_types.h"
#include "platform/win/environment.h"
#include "platform/win/files.h"
#include "rdcontrol/resource/resource.h"
#include "rdcontrol/skinstyle/rd_font.h"
#include "rdcontrol/skinstyle/skin_class.h"
#include "toolkit/screen.h"
#include "toolkit/forms.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <vector>

namespace vell::rd {

namespace {

TRdSkinStyle* gMainStyle = nullptr;
TRdSkinStyle* gLastCandidate = nullptr;
std::atomic<int> gStyleCount{0};
TColor gFormColor2nd = clNone;

void showMessageBox(const std::u16string& Text) {
    const std::u16string title = tk::Application()->Title();
    ::MessageBoxW(nullptr, text::wcs(Text), text::wcs(title), MB_OK);
}

TSkinStyleMessage& messageHook() {
    static TSkinStyleMessage show = showMessageBox;
    return show;
}

void showMessage(const std::u16string& Text) {
    if (messageHook()) messageHook()(Text);
}

std::u16string programFolder() {
    return text::IncludeTrailingBackslash(text::fromWide(env::ProgramFolder()));
}

bool hasFolder(const std::u16string& path) {
    return !text::ExtractFilePath(path).empty();
}

// A package named by path exists as name.dll, name.rcc or a folder of that name.
bool packageExists(const std::u16string& path) {
    return win::FileExists(text::ChangeFileExt(path, u".dll")) ||
           win::FileExists(text::ChangeFileExt(path, u".rcc")) ||
           win::DirectoryExists(text::ChangeFileExt(path, u""));
}

// Owner class + "." + name, or the name alone without an owner.
std::u16string styleIdent(const TRdSkinStyle& style) {
    const std::u16string name = text::utf8ToUtf16(style.Name());
    if (!style.Owner()) return name;
    return text::utf8ToUtf16(style.Owner()->ClassName()) + u"." + name;
}

constexpr UINT kSkinRedraw = RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;
constexpr UINT kFormColorRedraw = RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE;
static_assert(kSkinRedraw == 0x583 && kFormColorRedraw == 0x85);

} // namespace

const tk::ClassInfo& TRdSkinStyle::StaticClass() {
    using B = tk::ClassBuilder<TRdSkinStyle>;
    static const tk::ClassInfo info =
        B("TRdSkinStyle", &tk::TComponent::StaticClass())
            .str("CurSkinRccFile", &TRdSkinStyle::CurSkinRccFile, nullptr, &TRdSkinStyle::NeverStored)
            .str("CurSkinPath", &TRdSkinStyle::CurSkinPath, nullptr, &TRdSkinStyle::NeverStored)
            .str("CurMainStyle", &TRdSkinStyle::CurMainStyle, nullptr, &TRdSkinStyle::NeverStored)
            .ord("MainSkin", tk::BooleanType(), &TRdSkinStyle::MainSkin, &TRdSkinStyle::SetMainSkin, 0)
            .str("RuntimePath", &TRdSkinStyle::RuntimePath, &TRdSkinStyle::SetRuntimePath,
                 &TRdSkinStyle::RuntimePathStored)
            .str("DesigntimePath", &TRdSkinStyle::DesigntimePath, &TRdSkinStyle::SetDesigntimePath,
                 &TRdSkinStyle::DesigntimePathStored)
            .obj("PublicRccFiles", tk::ClassTypeOf<tk::TStrings>(), &TRdSkinStyle::PublicRccFiles,
                 &TRdSkinStyle::SetPublicRccFiles)
            .str("SkinRccFile", &TRdSkinStyle::SkinRccFile, &TRdSkinStyle::SetSkinRccFile,
                 &TRdSkinStyle::SkinRccFileStored)
            .obj("CurOwnerFont", tk::ClassTypeOf<tk::TFont>(), &TRdSkinStyle::CurOwnerFont,
                 &TRdSkinStyle::SetCurOwnerFont, &TRdSkinStyle::NeverStored)
            .ord("RccTintColor", tk::ColorType(), &TRdSkinStyle::RccTintColor, &TRdSkinStyle::SetRccTintColor,
                 clNone)
            .ord("FormDefaultColor2nd", tk::ColorType(), &TRdSkinStyle::FormDefaultColor2nd,
                 &TRdSkinStyle::SetFormDefaultColor2nd, clNone)
            .build();
    return info;
}

TRdSkinStyle::TRdSkinStyle(tk::TComponent* AOwner)
    : tk::TComponent(AOwner), FPublicRccFile(std::make_unique<tk::TStringList>()) {
    ++gStyleCount;
    FLoadedRccList.SetSorted(true);
    FPublicRccFile->SetSorted(true);
    FPublicRccFile->Add(u"public.rcc");
    FPublicRccFile->OnChanging = [this](tk::TStrings*) { UnloadPublic(); };
    FPublicRccFile->OnChange = [this](tk::TStrings* Sender) { LoadPublic(Sender); };
}

TRdSkinStyle::~TRdSkinStyle() {
    FPublicRccFile->OnChanging = nullptr;
    FPublicRccFile->OnChange = nullptr;
    SetMainSkin(false);
    // The last style gives the packages back.
    if (--gStyleCount < 1) UnloadCache(false);
}

bool TRdSkinStyle::Acts() const {
    return !gMainStyle || gMainStyle == this;
}

// ---- the chain of main-style candidates ----

void TRdSkinStyle::EnterChain() {
    if (gLastCandidate && gLastCandidate != this) {
        FLeft = gLastCandidate;
        gLastCandidate->FRight = this;
    }
    gLastCandidate = this;
}

void TRdSkinStyle::LeaveChain() {
    if (FLeft) FLeft->FRight = FRight;
    if (FRight) FRight->FLeft = FLeft;
    if (gMainStyle == this) gMainStyle = FRight;
    if (gLastCandidate == this) gLastCandidate = FLeft;
    FLeft = FRight = nullptr;
}

void TRdSkinStyle::SetMainSkin(bool Value) {
    if (Value) {
        if (gMainStyle && gMainStyle != this) {
            if (!FMainSkin) EnterChain();
            const TRdSkinStyle& main = *gMainStyle;
            if (main.Owner())
                showMessage(u"warning: main.SkinStyle exists! must close unit: " + styleIdent(main) +
                            u",\r\n\r\nand Re-open Current Form !!");
            else
                showMessage(u"warning: main.SkinStyle exists!");
        } else if (!gMainStyle) {
            FLeft = FRight = nullptr;
            gMainStyle = this;
            gLastCandidate = this;
        }
    } else if (FMainSkin) {
        LeaveChain();
    }
    FMainSkin = Value;
}

// ---- paths and packages ----

void TRdSkinStyle::SetRuntimePath(const std::u16string& Value) {
    std::u16string candidate = programFolder() + Value;
    if (!win::DirectoryExists(candidate)) candidate = Value;
    if (TResource::RootPath().empty() || Acts()) TResource::SetRootPath(candidate);
    FRuntimePath = Value;
}

void TRdSkinStyle::SetDesigntimePath(const std::u16string& Value) {
    if (LoadingOrReading() && Value == FDesigntimePath) return;
    FDesigntimePath = Value;
}

void TRdSkinStyle::SetPublicRccFiles(tk::TStrings* Value) {
    if (Value)
        FPublicRccFile->Assign(Value);
    else
        FPublicRccFile->Clear();
}

void TRdSkinStyle::SetSkinRccFile(const std::u16string& Value) {
    const std::uint32_t remembered = FLastRccTk ? FLastRccTk : TResource::ChangeStamp();
    FLastRccTk = 0;
    const std::u16string fileName = text::ExtractFileName(Value);
    if (!Acts()) {
        FRccFile = fileName;
        return;
    }
    std::u16string package;
    if (hasFolder(Value)) {
        SetRuntimePath(text::ExcludeTrailingBackslash(text::ExtractFilePath(Value)));
        package = Value;
    } else {
        package = text::IncludeTrailingBackslash(TResource::RootPath()) + Value;
    }
    FRccFile = fileName;
    // Loaded registers the package once the whole description is read.
    if (LoadingOrReading()) return;
    // A name that exists in none of its forms leaves the registered skin as it is. An
    // empty name is no package: the skin folder itself would pass as one.
    if (!fileName.empty() && hasFolder(package) && packageExists(package)) {
        TResource::SetRootPath(text::ExtractFilePath(package));
        TResource::Register(package, false);
    }
    if (TResource::ChangeStamp() != remembered) UpdateSkinClass();
}

void TRdSkinStyle::LoadPublic(tk::TObject* Sender) {
    if (InState(tk::csReading | tk::csDestroying) || !Acts()) return;
    for (int i = 0; i < FPublicRccFile->Count(); ++i) {
        const std::u16string& entry = FPublicRccFile->Strings(i);
        if (entry.empty()) continue;
        const std::u16string path =
            hasFolder(entry) ? entry : text::IncludeTrailingBackslash(TResource::RootPath()) + entry;
        TResource::Register(path, true);
        FLoadedRccList.Add(path);
    }
    if (Sender && !InState(tk::csLoading)) {
        ReloadCache();
        UpdateSkinClass();
    }
}

void TRdSkinStyle::UnloadPublic() {
    for (int i = 0; i < FLoadedRccList.Count(); ++i)
        TResource::Unregister(FLoadedRccList.Strings(i));
    FLoadedRccList.Clear();
}

void TRdSkinStyle::Loaded() {
    FLastRccTk = TResource::ChangeStamp();
    if (FRccFile.empty()) SetSkinRccFile(u"");
    LoadPublic(this); // registers only: the component is still loading
    tk::TComponent::Loaded();
    if (TResource::RootPath().empty()) TResource::SetRootPath(programFolder());
    if (TResource::SkinPackagePath().empty() || !FRccFile.empty()) SetSkinRccFile(FRccFile);
}

void TRdSkinStyle::ReLoad() {
    if (gMainStyle && gMainStyle != this) {
        gMainStyle->ReLoad();
        return;
    }
    if (!gMainStyle && FMainSkin) {
        gMainStyle = this;
        gLastCandidate = this;
    }
    // Forget what is registered so that the packages are not skipped as known.
    TResource::RegisteredPackages().Clear();
    TResource::ClearSkinName();
    FLastRccTk = TResource::ChangeStamp();
    LoadPublic(nullptr);
    SetSkinRccFile(FRccFile);
}

// ---- tint and form colour ----

void TRdSkinStyle::SetRccTintColor(TColor Value) {
    FRccTintColor = Value;
    if (!Acts()) return;
    if (LoadingOrReading()) {
        TResource::SetSkinTintColor(Value);
        return;
    }
    SetTintColor(Value);
    tk::RepaintAllForms(kSkinRedraw);
}

void TRdSkinStyle::SetFormDefaultColor2nd(TColor Value) {
    FFormDefaultColor2nd = Value;
    if (!Acts() || Value == gFormColor2nd) return;
    gFormColor2nd = Value;
    if (!LoadingOrReading()) tk::RepaintAllForms(kFormColorRedraw);
}

// ---- the owner's font ----

tk::TFont* TRdSkinStyle::OwnerFont() const {
    if (auto* control = dynamic_cast<tk::TControl*>(Owner())) return control->Font();
    return tk::Application()->DefaultFont();
}

tk::TFont* TRdSkinStyle::CurOwnerFont() const {
    if (!FBakOwnerFont) FBakOwnerFont = std::make_unique<tk::TFont>();
    FBakOwnerFont->OnChange = nullptr;
    if (tk::TFont* base = OwnerFont()) FBakOwnerFont->Assign(base);
    auto* self = const_cast<TRdSkinStyle*>(this);
    FBakOwnerFont->OnChange = [self](tk::TGraphicsObject*) {
        self->SetCurOwnerFont(self->FBakOwnerFont.get());
    };
    return FBakOwnerFont.get();
}

void TRdSkinStyle::SetCurOwnerFont(tk::TFont* Value) {
    tk::TFont* base = OwnerFont();
    if (!Value || !base || Value == base) return;
    TCNFontChangeParams params;
    if (base->Name() != Value->Name()) {
        params.FontSets += {cnfName};
        params.FontName = Value->Name();
    }
    // Sub-components keep the styles of their own that the owner's font does not have.
    const tk::TFontStyles oldStyle = base->Style();
    if (oldStyle != Value->Style()) {
        params.FontSets += {cnfStyle};
        params.FontStyle = Value->Style();
        params.OldFontStyle = &oldStyle;
    }
    if (base->Charset() != Value->Charset()) {
        params.FontSets += {cnfCharset};
        params.FontCharset = Value->Charset();
    }
    if (params.FontSets.empty()) return;
    if (dynamic_cast<tk::TControl*>(Owner())) {
        TRdFont::UpdateFormFont(Owner(), params);
        return;
    }
    // The application's font, then every form with its sub-components.
    UpdateFontFromParams(*base, params);
    tk::TScreen* screen = tk::Screen();
    std::vector<tk::TCustomForm*> forms;
    for (int i = 0; i < screen->FormCount(); ++i)
        forms.push_back(screen->Forms(i));
    for (tk::TCustomForm* form : forms)
        TRdFont::UpdateFormFont(form, params);
}

// ---- read-only values ----

std::u16string TRdSkinStyle::CurSkinRccFile() const {
    return TResource::SkinPackagePath();
}

std::u16string TRdSkinStyle::CurSkinPath() const {
    return TResource::RootPath();
}

std::u16string TRdSkinStyle::CurMainStyle() const {
    return gMainStyle ? styleIdent(*gMainStyle) : std::u16string();
}

// ---- repainting ----

void TRdSkinStyle::Redraw() {
    tk::RepaintAllForms(kSkinRedraw);
}

void TRdSkinStyle::UpdateSkinClass() {
    // A section the reader refuses still leaves every form repainted before it passes on.
    std::exception_ptr failure;
    try {
        TRdSkinClass::ReloadAll();
    } catch (...) {
        failure = std::current_exception();
    }
    tk::RepaintAllForms(kSkinRedraw);
    if (failure) std::rethrow_exception(failure);
}

// ---- module ----

void RegisterSkinStyle() {
    tk::RegisterClassInfo(TRdSkinStyle::StaticClass());
}

void UnregisterSkinStyle() {
    tk::UnregisterClassInfo(TRdSkinStyle::StaticClass());
    // The forms are gone and their styles with them; what the last main style left for
    // the process goes too.
    gFormColor2nd = clNone;
    messageHook() = showMessageBox;
}

TRdSkinStyle* MainSkinStyle() {
    return gMainStyle;
}

int SkinStyleCount() {
    return gStyleCount;
}

TColor FormColor2nd() {
    return gFormColor2nd;
}

TSkinStyleMessage SetSkinStyleMessage(TSkinStyleMessage Show) {
    TSkinStyleMessage previous = std::move(messageHook());
    messageHook() = std::move(Show);
    return previous;
}

} // namespace vell::rd
