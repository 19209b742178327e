// TRdSkinStyle: the form component that chooses the process's skin. It names the skin
// folder (RuntimePath, below the program's folder), the public packages (PublicRccFiles)
// and the skin package (SkinRccFile), registers them with the resource module, sets the
// tint colour and the process-wide second form colour, and makes every skin class reload
// and every form repaint after a change.
//
// Several forms may carry a style; one is the main style and only it registers packages,
// tints and sets the second form colour. The others keep their values. A style that asks
// for MainSkin while another is main waits in a chain of candidates (FLeft/FRight, in the
// order of their MainSkin assignments) and becomes main when those before it leave.
//
// There is no form designer in this program: the designer's skin folder, its missing
// library warning and its notification hook are not here; DesigntimePath is kept as a
// stored value.
#pragma once
#include "core/color/colors.h"
#include "core/containers/string_list.h"
#include "toolkit/controls.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vell::rd {

class TRdSkinStyle : public tk::TComponent {
    VELL_CLASS_INFO()
  public:
    explicit TRdSkinStyle(tk::TComponent* AOwner);
    ~TRdSkinStyle() override;

    // ---- published ----
    // The resource module's skin package path and root folder.
    std::u16string CurSkinRccFile() const;
    std::u16string CurSkinPath() const;
    // The main style as owner class + "." + name; its name alone without an owner; empty
    // when there is none.
    std::u16string CurMainStyle() const;
    bool MainSkin() const { return FMainSkin; }
    void SetMainSkin(bool Value);
    const std::u16string& RuntimePath() const { return FRuntimePath; }
    void SetRuntimePath(const std::u16string& Value);
    const std::u16string& DesigntimePath() const { return FDesigntimePath; }
    void SetDesigntimePath(const std::u16string& Value);
    // Sorted; a change unregisters what the list registered before and registers it anew.
    tk::TStringList* PublicRccFiles() const { return FPublicRccFile.get(); }
    void SetPublicRccFiles(tk::TStrings* Value);
    // The skin package's file name. Set to a name, a name with a folder (which becomes the
    // runtime path) or a name that exists in none of its forms (.dll, .rcc, folder), which
    // keeps the registered skin.
    const std::u16string& SkinRccFile() const { return FRccFile; }
    void SetSkinRccFile(const std::u16string& Value);
    TColor RccTintColor() const { return FRccTintColor; }
    void SetRccTintColor(TColor Value);
    TColor FormDefaultColor2nd() const { return FFormDefaultColor2nd; }
    void SetFormDefaultColor2nd(TColor Value);
    // A copy of the owner's font (a control's) or of the application's default font. A
    // change of its name, charset or style afterwards reaches the owner and every
    // sub-component, or every form for the application's font, through the form-wide
    // font update.
    tk::TFont* CurOwnerFont() const;
    // Carries the attributes in which Value differs from the owner's font (name, style,
    // charset) to the owner and its sub-components; nothing when none differs.
    void SetCurOwnerFont(tk::TFont* Value);

    // ---- public ----
    // Full paths of the public packages this style registered (sorted).
    const TStringListEx& LoadedRccList() const { return FLoadedRccList; }
    TRdSkinStyle* Left() const { return FLeft; }
    TRdSkinStyle* Right() const { return FRight; }

    void Loaded() override;
    // Registers the packages again as if none were registered (on the main style).
    void ReLoad();
    // Every form hears CM_SYSCOLORCHANGE and is repainted.
    static void Redraw();
    // Every skin class reloads its section in creation order, then every form repaints.
    static void UpdateSkinClass();

  private:
    bool Acts() const;
    void EnterChain();
    void LeaveChain();
    // Sender: the list after its change, or the style from Loaded; null from ReLoad and
    // the skin package setter (no cache rebuild then).
    void LoadPublic(tk::TObject* Sender);
    void UnloadPublic();
    bool LoadingOrReading() const { return InState(tk::csLoading | tk::csReading); }
    bool RuntimePathStored() const { return !FRuntimePath.empty(); }
    bool DesigntimePathStored() const { return !FDesigntimePath.empty(); }
    bool SkinRccFileStored() const { return !FRccFile.empty(); }
    bool NeverStored() const { return false; }
    // The owner's font when the owner is a control, else the application's default font.
    tk::TFont* OwnerFont() const;

    TRdSkinStyle* FLeft = nullptr;
    TRdSkinStyle* FRight = nullptr;
    std::unique_ptr<tk::TStringList> FPublicRccFile;
    std::u16string FRccFile;
    std::u16string FRuntimePath = u"skin";
    std::u16string FDesigntimePath;
    TStringListEx FLoadedRccList;
    bool FMainSkin = false;
    TColor FRccTintColor = clNone;
    TColor FFormDefaultColor2nd = clNone;
    std::uint32_t FLastRccTk = 0;
    mutable std::unique_ptr<tk::TFont> FBakOwnerFont;
};

// Makes TRdSkinStyle readable from form descriptions (part of the skinned library's start).
void RegisterSkinStyle();
// After the last form is gone: the class is unknown again, the second form colour is none
// and the style's messages go to the message box again. RegisterSkinStyle may run again
// afterwards.
void UnregisterSkinStyle();
// The main style, or null.
TRdSkinStyle* MainSkinStyle();
// The number of live styles.
int SkinStyleCount();
// The second default form colour the main style set (clNone: none), for controls that
// paint a form-coloured background.
TColor FormColor2nd();

// How the style tells the user something (a second main style). A modal message box by
// default; tests put their own in place. Returns the one it replaces.
using TSkinStyleMessage = std::function<void(const std::u16string& Text)>;
TSkinStyleMessage SetSkinStyleMessage(TSkinStyleMessage Show);

} // namespace vell::rd
