// What the form skin tests share: a shown owner form with a form skin, the screen read at
// a point, window rectangles, the process's top-level windows counted, a solid or
// shadow-like picture, and a control that can be carried on the shadow layer.
#pragma once
#include "platform/image/png_image.h"
#include "rdcontrol/formskin/form_shadow.h"
#include "rdcontrol/formskin/form_skin.h"
#include "rdcontrol/panels/image.h"
#include "toolkit/forms.h"

#include <gtest/gtest.h>

namespace vell::fstest {

void settle(int rounds = 8);
RECT windowRect(HWND h);
std::string rectText(const RECT& r);
// Top-level windows of this thread (shown or not).
int topLevelWindows();
// The screen's colour at a screen point, as 0x00RRGGBB.
uint32_t screenRgb(int x, int y);
// Each channel within Tolerance.
::testing::AssertionResult closeTo(uint32_t got, uint32_t want, int tolerance = 6);
// A w x h picture of one colour value (an opacity in the top byte honoured).
std::unique_ptr<image::TGraphic> solidPicture(int w, int h, TColor colour);
// A w x h picture with a frame of Border pixels in one colour and a transparent centre.
std::unique_ptr<image::TGraphic> framePicture(int w, int h, int Border, TColor colour);

// A picture control that the form skin can carry on its shadow layer.
class TLayerSwatch : public rd::TRdImage, public rd::IShadowLayerControl {
  public:
    using rd::TRdImage::TRdImage;
    tk::TEvent<tk::TObject*, bool&>& ShadowPaintHook() override { return FHook; }
    int SkippedPaints = 0;

  protected:
    void Paint() override;

  private:
    tk::TEvent<tk::TObject*, bool&> FHook;
};

struct FormSkinTest : ::testing::Test {
    tk::TForm* form = nullptr;
    rd::TRdFormSkin* skin = nullptr;
    // A plain white form at (100, 100), 400 x 300, borderless, with a form skin whose
    // shadow frame is 10 on every side and enabled.
    void SetUp() override;
    void TearDown() override;
    rd::TRdFormShadowBg* shadow() const { return skin->FormShadowBg(); }
    HWND shadowWnd() const { return shadow() && shadow()->HandleAllocated() ? shadow()->Handle() : nullptr; }
    void show();
};

} // namespace vell::fstest
