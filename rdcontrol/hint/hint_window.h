// TRdSkinHintWindow: the skinned hint's popup. It lays the text out with an embedded HTML
// label (a title before "##" is kept apart), or shows a control instead of the text, places
// itself next to its control with the arrow on the facing edge (core/hint/placement), fades
// in on the user-interface thread and out on its TRdHintShowHideThread. While the mouse is
// over it, it stays; a hint shown with auto-hide goes on the next key or click anywhere in
// the thread.
//
// The skinned look (an active style with a background picture): the window is the hint's
// body in the style's colour, and an embedded form skin carries the background picture's
// margins (its frame and shadow) and the arrow on its shadow layer around the window; the
// layer takes the window's opacity as it fades. Without a background picture the window
// keeps the framework's place and plain look.
#pragma once
#include "core/hint/placement.h"
#include "rdcontrol/hint/show_hide_thread.h"
#include "toolkit/hint.h"

#include <functional>
#include <memory>

namespace vell::rd {

class TRdSkinHint;
class TRdHtmLabel;
class TRdFormSkin;

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
    // Before each new hint: foreign controls shown in the window are hidden and let go,
    // the arrow's offsets and orientation reset, and a hidden window forgets its text.
    void ResetTipFormParams();
    virtual void HideWindowNow();
    virtual void ShowAnimated();

    TRdSkinHint* Style() const { return FRdSkinHint; }
    void SetStyle(TRdSkinHint* Value);
    // A control shown instead of the text for the next hint (null: the style's TextControl,
    // else the text).
    tk::TControl* TextControl() const { return FTempTextControl; }
    void SetTextControl(tk::TControl* Value);
    TRdHtmLabel* HtmLabel() const { return FHtmLabel; }
    // The form skin whose shadow layer carries the background's margins and the arrow.
    TRdFormSkin* FormSkin() const { return FFormShadow; }
    const std::u16string& Title() const { return FTitle; }
    const hint::Placement& LastPlacement() const { return FPlacement; }
    // The arrow's place on the shadow layer (empty: no arrow).
    const hint::Box& LastArrowRect() const { return FPlacement.Arrow; }
    bool SkinnedLook() const;
    // The system scales this window's monitor for this process.
    bool WindowSmoothScaled() const { return FWindowSmoothScaled; }
    int CurrentAlpha() const { return FShared->Alpha; }
    bool NowShowing() const { return FShared->NowShow == 1; }
    bool WindowVisible() const;
    // The fade-out worker is running.
    bool FadeWorkerRunning() const { return FShowHideThread && FShowHideThread->Running(); }
    bool AutoHide = false;
    int HidePause = 0;
    void* CustomPtr = nullptr;
    // Arrows on the left or right edge for the next placement (taken from the style when
    // the text is laid out; OnCalcPosHint may change it).
    bool ArrowHorz = false;
    // Added to the arrow's place on the shadow layer.
    int ArrowOffX = 0, ArrowOffY = 0;

    // The fade-in's clock (milliseconds) and pause; tests put their own in (null: the
    // tick count and Sleep).
    static void SetFadeClock(std::function<unsigned()> Now, std::function<void(int)> Pause);

    void Notification(tk::TComponent* AComponent, tk::TOperation Operation) override;

  protected:
    void CreateParams(tk::TCreateParams& Params) override;
    void PaintWindow(HDC DC) override;
    void WndProc(tk::TMessage& Message) override;

  private:
    TRdSkinHint* ActiveStyle() const;
    RECT ShadowMargins() const;
    // Lays the text (or the shown control) out; the content's size (hint_window_content.cpp).
    SIZE LayContent(int MaxWidth, int MaxHeight);
    // the skinned look (hint_window_look.cpp)
    void ConfigureFormSkin();
    void ShadowPaintBegin();
    void ShadowPaintEnd();
    // hint_window_place.cpp
    void Place(const RECT& ControlRect);
    // showing and hiding (hint_window_fade.cpp)
    void ApplyAlpha(int Alpha);
    void HideRequest();
    void EndSession();
    // what ends a hint by itself (hint_window_auto_hide.cpp)
    void SetAutoHideRegistered(bool On);
    bool CursorOverHint() const;

    TRdSkinHint* FRdSkinHint = nullptr;
    TRdHtmLabel* FHtmLabel = nullptr;
    TRdFormSkin* FFormShadow = nullptr;
    tk::TControl* FTempTextControl = nullptr;
    std::u16string FHint, FTitle;
    bool FNeedHide = false;
    bool FDirect = false;
    bool FWindowSmoothScaled = false;
    bool FMarginsGrown = false;
    int FNowMaxWidth = 0, FNowMaxHeight = 0;
    RECT FDirectRect{};
    hint::Placement FPlacement;
    std::shared_ptr<THintFadeShared> FShared;
    std::unique_ptr<TRdHintShowHideThread> FShowHideThread;
};

} // namespace vell::rd
