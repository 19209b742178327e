// What the skinned windowed controls (TRdCustomControl, TRdPanel, TRdLayerForm) share: an
// owned skin class with its draw buffers created at once, the skinned font (a TRdFont whose
// parent skin class is that skin class) in place of the framework's, the auto-aligner, the rule for
// when the skin needs the parent's background, and the unscaled client size at a draw
// scale other than 100.
#pragma once
#include "rdcontrol/base/auto_align.h"
#include "rdcontrol/base/skinned_control.h"
#include "toolkit/win_control.h"

#include <functional>
#include <vector>
#include <memory>

namespace vell::rd {

class TWindowedSkin {
  public:
    // Colours: what the owner's look is painted with now (read on every update).
    TWindowedSkin(tk::TWinControl* Owner, std::function<std::vector<TColor>()> Colours,
                  bool WithAutoAlign = true);
    ~TWindowedSkin();

    TRdSkinClass* Skin() const { return FSkin.get(); }
    // Assigning AllSkin copies the value (nothing when equal).
    void AssignSkin(TRdSkinClass* Value) {
        if (Value && !FSkin->Equals(*Value)) FSkin->Assign(Value);
    }
    TRdAutoAlign* AutoAlign() const { return FAutoAlign.get(); }
    // Frees the auto-aligner before the control goes (it refers to the control).
    void FreeAutoAlign() { FAutoAlign.reset(); }

    // The skin needs the parent's background unless it draws at full size and opacity and
    // every colour of the owner is fully opaque.
    void UpdateParentBackground();
    // The framework's client rectangle, or the unscaled size while the skin scales.
    RECT ClientRect(RECT Framework) const;
    // The size descriptions hold: the owner's, or the unscaled one while the skin scales.
    int StreamedWidth() const;
    int StreamedHeight() const;
    // Loads the skin's values, the children's too (the owner's Loaded).
    void Loaded();

  private:
    tk::TWinControl* FOwner;
    std::function<std::vector<TColor>()> FColours;
    std::unique_ptr<TRdSkinClass> FSkin;
    std::unique_ptr<TRdAutoAlign> FAutoAlign;
};

// Publishes Width and Height of a skinned windowed control as the sizes descriptions hold
// (StreamedWidth, StreamedHeight).
template <class B> B& publishStreamedSize(B& Builder) {
    using C = typename B::Class;
    return Builder.ord("Width", tk::IntegerType(), &C::StreamedWidth, &tk::TControl::SetWidth)
        .ord("Height", tk::IntegerType(), &C::StreamedHeight, &tk::TControl::SetHeight);
}

} // namespace vell::rd
