// TRdSkinHintWindow: the skinned hint's popup. It lays the text out with an embedded HTML
// label (a title before "##" is kept apart), places itself next to its control with the
// arrow on the facing edge (core/hint/placement), fades in on the user-interface thread
// and out on its TRdHintShowHideThread. While the mouse is over it, it stays; a hint shown
// with auto-hide goes on the next key or click anywhere in the thread.
#pragma once
#include "core/hint/placement.h"
#include "rdcontrol/hint/show_hide_thread.h"
#include "toolkit/hint.h"

#include <functional>
#include <memory>

namespace vell::rd {

class TRdSkinHint;
class TRdHtmLabel;

class TRdSkinHintWindow : public tk::THintWindow {
    VELL_CLASS_INFO()
  public:
    explicit TRdSkinHintWindow(tk::TComponent* AOwner);
    ~TRdSkinHintWindow() override;

    RECT CalcHintRect(int MaxWidth, const std::u16string& AHint, void* AData) override;
    void ActivateHint(const RECT& Rect, const std::u16string& AHint) override;
    bool ShouldHideHint() override;
    bool IsHintMsg(const MSG& Msg) override;
    // A tooltip named by the text it shows, without markup.
    void GetAccessibleInfo(tk::TAccessibleInfo& Info) const override;
    // The framework hides the hint: it goes unless the mouse is over it.
    void ReleaseHandle() override;

    // Shows Hint next to a screen rectangle (with the style's limits).
    void ShowHint(const RECT& ControlScreenRct, const std::u16string& Hint);
    // Hides now, or fades out when fading.
    void HideHint();
    virtual void HideWindowNow();
    virtual void ShowAnimated();

    TRdSkinHint* Style() const { return FRdSkinHint; }
    void SetStyle(TRdSkinHint* Value);
    TRdHtmLabel* HtmLabel() const { return FHtmLabel; }
    const std::u16string& Title() const { return FTitle; }
    const hint::Placement& LastPlacement() const { return FPlacement; }
    int CurrentAlpha() const { return FShared->Alpha; }
    bool NowShowing() const { return FShared->NowShow == 1; }
    bool WindowVisible() const;
    bool AutoHide = false;
    int HidePause = 0;
    void* CustomPtr = nullptr;

    // The fade-in's clock (milliseconds) and pause; tests put their own in (null: the
    // tick count and Sleep).
    static void SetFadeClock(std::function<unsigned()> Now, std::function<void(int)> Pause);

    void Notification(tk::TComponent* AComponent, tk::TOperation Operation) override;

  protected:
    void CreateParams(tk::TCreateParams& Params) override;
    void PaintWindow(HDC DC) override;
    void WndProc(tk::TMessage& Message) override;

  private:
    TRdSkinHint* StyleFor(tk::TControl* Control) const;
    void ApplyAlpha(int Alpha);
    void HideRequest();
    void Place(const RECT& ControlRect);
    void SetAutoHideRegistered(bool On);

    TRdSkinHint* FRdSkinHint = nullptr;
    TRdHtmLabel* FHtmLabel = nullptr;
    std::u16string FHint, FTitle;
    bool FNeedHide = false;
    bool FDirect = false;
    RECT FDirectRect{};
    hint::Placement FPlacement;
    hint::Box FBodyBox, FArrowBox; // in the window
    std::shared_ptr<THintFadeShared> FShared;
    std::unique_ptr<TRdHintShowHideThread> FShowHideThread;
};

} // namespace vell::rd
