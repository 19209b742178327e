// TRdSkinStyle: the form component that chooses the process's skin. The main style names
// the skin folder (RuntimePath, below the program's folder), the public packages
// (PublicRccFiles) and the skin package (SkinRccFile), registers them with the resource
// module once its form description has been read, and repaints every form after a change
// of packages. Styles that are not the main one only keep their values.
//
// This is the part a form like the loading box needs: one main style, its packages, the
// skin package switch at run time and the repaint broadcast. Tint colours, the second
// form colour, the owner font and the designer's paths are not handled here.
#pragma once
#include "toolkit/controls.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vell::rd {

class TRdSkinStyle : public tk::TComponent {
    VELL_CLASS_INFO()
  public:
    explicit TRdSkinStyle(tk::TComponent* AOwner);
    ~TRdSkinStyle() override;

    bool MainSkin() const { return FMainSkin; }
    void SetMainSkin(bool Value);
    const std::u16string& RuntimePath() const { return FRuntimePath; }
    void SetRuntimePath(const std::u16string& Value);
    const std::u16string& DesigntimePath() const { return FDesigntimePath; }
    void SetDesigntimePath(const std::u16string& Value) { FDesigntimePath = Value; }
    tk::TStrings* PublicRccFiles() const { return FPublicRccFile.get(); }
    void SetPublicRccFiles(tk::TStrings* Value);
    const std::u16string& SkinRccFile() const { return FRccFile; }
    void SetSkinRccFile(const std::u16string& Value);
    // The registered skin package and the skin folder, as the resource module has them.
    std::u16string CurSkinRccFile() const;
    std::u16string CurSkinPath() const;
    // Full paths of the public packages this style registered.
    const std::vector<std::u16string>& LoadedRccList() const { return FLoadedRccList; }

    void Loaded() override;
    // Registers the packages again (on the main style).
    void ReLoad();
    // Every form hears CM_SYSCOLORCHANGE and is repainted.
    static void Redraw();

  private:
    bool Acts() const;
    void LoadPublic(bool AfterChange);
    void UnloadPublic();
    void PublicChanged();

    std::unique_ptr<tk::TStrings> FPublicRccFile;
    std::u16string FRccFile;
    std::u16string FRuntimePath = u"skin";
    std::u16string FDesigntimePath;
    std::vector<std::u16string> FLoadedRccList;
    bool FMainSkin = false;
    std::uint32_t FLastRccTk = 0;
};

// Makes TRdSkinStyle readable from form descriptions (the skin layer's start-up).
void RegisterSkinStyle();
// The main style, or null.
TRdSkinStyle* MainSkinStyle();

} // namespace vell::rd
