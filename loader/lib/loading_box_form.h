// Tfrm_LoadingBox: the borderless, per-pixel-alpha box. The whole content panel is rendered
// into one 32-bit off-screen image that is handed to the window manager with
// UpdateLayeredWindow; the window itself is never painted the ordinary way. Its components
// come from the description resource "TFRM_LOADINGBOX".
#pragma once
#include "rdcontrol/skinstyle/skin_style.h"
#include "toolkit/forms.h"

namespace vell::image {
class TPngImage;
}

namespace vell::loader {

class Tfrm_LoadingBox : public tk::TForm {
    VELL_CLASS_INFO()
  public:
    explicit Tfrm_LoadingBox(tk::TComponent* AOwner);

    // Components of the description (published fields).
    tk::TWinControl* pnl_Main = nullptr;
    tk::TControl* img_BG = nullptr;
    tk::TControl* img_Icon = nullptr;
    tk::TControl* lbl_Tip = nullptr;
    rd::TRdSkinStyle* skinStyle_Main = nullptr;
    tk::TApplicationEvents* applicationEvent_Main = nullptr;

    void AfterConstruction() override;
    void BeforeDestruction() override;

    void FormCreate(tk::TObject* Sender);
    void FormShow(tk::TObject* Sender);
    void applicationEvent_MainMessage(MSG& Msg, bool& Handled);
    void GetAccessibleInfo(tk::TAccessibleInfo& Info) const override;

    // Argument 2 of the command line: the line of text the box shows comes from it
    // (LoadingBoxText) when it is shown.
    const std::u16string& Argument2() const { return FArgument2; }
    void SetArgument2(const std::u16string& Value) { FArgument2 = Value; }

    // The off-screen buffer and what was last prepared (for tests).
    image::TPngImage* DrawBuffer() const { return FDraw; }
    int DrawW() const { return FDrawW; }
    int DrawH() const { return FDrawH; }
    const BLENDFUNCTION& DrawBlend() const { return FDrawBlend; }

  protected:
    void CreateParams(tk::TCreateParams& Params) override;
    HWND CreationParentWindow() override;
    void CreateWindowHandle(const tk::TCreateParams& Params) override;
    void WndProc(tk::TMessage& Message) override;
    void DoShow() override;
    void Resize() override;

  private:
    void PaintBuffer();
    void CheckBufferSize();
    void UpdateLayer();
    void EnsureLayeredStyle();

    std::u16string FArgument2;
    int FDrawW = 1;
    int FDrawH = 1;
    // The window manager holds the buffer as last painted, at the shown opacity.
    bool FLayerShown = false;
    // The alert that tells a screen reader the box's text was raised.
    bool FAnnounced = false;
    image::TPngImage* FDraw = nullptr;
    BLENDFUNCTION FDrawBlend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
};

// The line's text for argument 2: "Init" (first) or "Change", without case, anywhere in it;
// the product name in place of every "%s"; empty for anything else.
std::u16string LoadingBoxText(const std::u16string& Argument2);
// Scales the form and its children by the large-screen factor when LargeScreen is set.
void ApplyLargeScreenScale(tk::TCustomForm* Form);

} // namespace vell::loader
