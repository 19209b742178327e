#include "rdcontrol/skinstyle/skin_style.h"

#include "core/text/paths.h"
#include "core/text/utf.h"
#include "platform/win/environment.h"
#include "platform/win/files.h"
#include "rdcontrol/resource/resource.h"
#include "toolkit/forms.h"

#include <algorithm>
#include <atomic>

namespace vell::rd {

namespace {

TRdSkinStyle* gMainStyle = nullptr;
std::atomic<int> gStyleCount{0};

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

bool lessNoCase(const std::u16string& a, const std::u16string& b) {
    auto fold = [](char16_t c) { return c < 128 ? char16_t(std::tolower(c)) : c; };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char16_t x, char16_t y) { return fold(x) < fold(y); });
}

} // namespace

const tk::ClassInfo& TRdSkinStyle::StaticClass() {
    using B = tk::ClassBuilder<TRdSkinStyle>;
    static const tk::ClassInfo info =
        B("TRdSkinStyle", &tk::TComponent::StaticClass())
            .str("DesigntimePath", &TRdSkinStyle::DesigntimePath, &TRdSkinStyle::SetDesigntimePath)
            .ord("MainSkin", tk::BooleanType(), &TRdSkinStyle::MainSkin, &TRdSkinStyle::SetMainSkin, 0)
            .obj("PublicRccFiles", tk::ClassTypeOf<tk::TStrings>(), &TRdSkinStyle::PublicRccFiles,
                 &TRdSkinStyle::SetPublicRccFiles)
            .str("RuntimePath", &TRdSkinStyle::RuntimePath, &TRdSkinStyle::SetRuntimePath)
            .str("SkinRccFile", &TRdSkinStyle::SkinRccFile, &TRdSkinStyle::SetSkinRccFile)
            .build();
    return info;
}

TRdSkinStyle::TRdSkinStyle(tk::TComponent* AOwner)
    : tk::TComponent(AOwner), FPublicRccFile(std::make_unique<tk::TStrings>()) {
    ++gStyleCount;
    FPublicRccFile->Add(u"public.rcc");
    FPublicRccFile->OnChange = [this](tk::TStrings*) { PublicChanged(); };
}

TRdSkinStyle::~TRdSkinStyle() {
    FPublicRccFile->OnChange = nullptr;
    SetMainSkin(false);
    // The last style gives the packages back.
    if (--gStyleCount < 1) UnloadCache(false);
}

bool TRdSkinStyle::Acts() const {
    return !gMainStyle || gMainStyle == this;
}

void TRdSkinStyle::SetMainSkin(bool Value) {
    if (Value && !gMainStyle) gMainStyle = this;
    if (!Value && gMainStyle == this) gMainStyle = nullptr;
    FMainSkin = Value;
}

void TRdSkinStyle::SetRuntimePath(const std::u16string& Value) {
    std::u16string candidate = programFolder() + Value;
    if (!win::DirectoryExists(candidate)) candidate = Value;
    if (TResource::RootPath().empty() || Acts()) TResource::SetRootPath(candidate);
    FRuntimePath = Value;
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
    if (!Acts() || InState(tk::csLoading | tk::csReading)) {
        // Loaded registers the package once the whole description is read.
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
    // A name that exists in none of its forms leaves the registered skin as it is.
    if (!fileName.empty() && hasFolder(package) && packageExists(package)) {
        TResource::SetRootPath(text::ExtractFilePath(package));
        TResource::Register(package, false);
    }
    if (TResource::ChangeStamp() != remembered) Redraw();
}

std::u16string TRdSkinStyle::CurSkinRccFile() const {
    return TResource::SkinPackagePath();
}
std::u16string TRdSkinStyle::CurSkinPath() const {
    return TResource::RootPath();
}

void TRdSkinStyle::LoadPublic(bool AfterChange) {
    if (InState(tk::csReading | tk::csDestroying) || !Acts()) return;
    std::vector<std::u16string> entries;
    for (int i = 0; i < FPublicRccFile->Count(); ++i)
        entries.push_back(FPublicRccFile->Strings(i));
    std::sort(entries.begin(), entries.end(), lessNoCase);
    for (const std::u16string& entry : entries) {
        if (entry.empty()) continue;
        const std::u16string path =
            hasFolder(entry) ? entry : text::IncludeTrailingBackslash(TResource::RootPath()) + entry;
        TResource::Register(path, true);
        FLoadedRccList.push_back(path);
    }
    if (AfterChange && !InState(tk::csLoading)) {
        ReloadCache();
        Redraw();
    }
}

void TRdSkinStyle::UnloadPublic() {
    for (const std::u16string& path : FLoadedRccList)
        TResource::Unregister(path);
    FLoadedRccList.clear();
}

void TRdSkinStyle::PublicChanged() {
    if (InState(tk::csReading | tk::csDestroying)) return;
    UnloadPublic();
    LoadPublic(true);
}

void TRdSkinStyle::Loaded() {
    FLastRccTk = TResource::ChangeStamp();
    LoadPublic(true); // registers only: the component is still loading
    tk::TComponent::Loaded();
    if (TResource::RootPath().empty()) TResource::SetRootPath(programFolder());
    if (TResource::SkinPackagePath().empty() || !FRccFile.empty()) SetSkinRccFile(FRccFile);
}

void TRdSkinStyle::ReLoad() {
    if (gMainStyle && gMainStyle != this) {
        gMainStyle->ReLoad();
        return;
    }
    if (!gMainStyle && FMainSkin) gMainStyle = this;
    // Forget what is registered so that the packages are not skipped as known.
    TResource::RegisteredPackages().Clear();
    TResource::ClearSkinName();
    FLastRccTk = TResource::ChangeStamp();
    LoadPublic(false);
    SetSkinRccFile(FRccFile);
}

void TRdSkinStyle::Redraw() {
    tk::TApplication* app = tk::Application();
    for (int i = app->ComponentCount() - 1; i >= 0; --i) {
        auto* form = dynamic_cast<tk::TCustomForm*>(app->Components(i));
        if (!form) continue;
        form->Perform(tk::CM_SYSCOLORCHANGE);
        form->Invalidate();
        if (form->HandleAllocated())
            ::RedrawWindow(form->Handle(), nullptr, nullptr,
                           RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    }
}

void RegisterSkinStyle() {
    tk::RegisterClassInfo(TRdSkinStyle::StaticClass());
}

TRdSkinStyle* MainSkinStyle() {
    return gMainStyle;
}

} // namespace vell::rd
