// TRdAutoAlign: keeps its owner control docked to another control, its source, as that
// control moves and resizes: above or below it (alTop, alBottom), beside it (alLeft,
// alRight), over it (alClient) or following its moves and size changes by the anchors
// (alCustom). It is a sub-component named "AutoAlign" of its owner, streamed with it, and
// gives the owner size constraints with right and bottom limits.
//
// Aligners chain: an aligner whose source is itself docked follows it as it moves. Every
// control that moves or resizes updates the aligners that follow it.
#pragma once
#include "rdcontrol/base/size_constraints.h"
#include "toolkit/control.h"

#include <memory>
#include <vector>

namespace vell::rd {

class TRdAutoAlign : public tk::TComponent {
    VELL_CLASS_INFO()
  public:
    explicit TRdAutoAlign(tk::TControl* AOwner);
    ~TRdAutoAlign() override;

    // The control being placed.
    tk::TControl* Owner() const { return FOwner; }
    tk::TAlign Align() const { return FAlign; }
    void SetAlign(tk::TAlign Value);
    tk::TControl* Source() const { return FSource; }
    // A source whose own aligners lead back to the owner is refused silently.
    void SetSource(tk::TControl* Value);
    tk::TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(tk::TAnchors Value);
    // The aligners that use this one's owner as their source.
    const std::vector<TRdAutoAlign*>& Childs() const { return FChilds; }
    TRdSizeConstraints* Constraints() const { return FConstraints.get(); }

    // Places the owner by the source's bounds. IgnoreLastRct: take the source's edges as
    // they are instead of following its moves since the last update.
    void UpdateAlign(bool IgnoreLastRct);

    void Assign(const tk::TPersistent* Source) override;
    bool Equals(const TRdAutoAlign& CmpTo) const;

    // The anchors that go with an align.
    static tk::TAnchors DefaultAnchors(tk::TAlign Align);
    // The aligner of a control, or null.
    static TRdAutoAlign* Of(const tk::TControl* Control);

  protected:
    void Notification(tk::TComponent* AComponent, tk::TOperation Operation) override;

  private:
    bool IsAnchorsStored() const { return FAnchors != DefaultAnchors(FAlign); }
    void AdjustOwnerAlign();
    bool InDesigner() const;

    tk::TControl* FOwner;
    tk::TAlign FAlign = tk::alBottom;
    tk::TControl* FSource = nullptr;
    tk::TAnchors FAnchors;
    std::vector<TRdAutoAlign*> FChilds;
    RECT FSource_LastRct{};
    bool FUpdateAligning = false;
    std::unique_ptr<TRdSizeConstraints> FConstraints;
};

// Aligners follow their sources' moves through a toolkit hooks link, put into the chain
// and taken out by the skinned library's start and stop.
void StartFollowingMoves();
void StopFollowingMoves();

} // namespace vell::rd
