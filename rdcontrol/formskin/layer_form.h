// TRdLayerForm: a form that is a layered window. It renders its whole window tree (child
// windows included) into a 32-bit image and hands it to the window manager with per-pixel
// alpha; AlphaBlendValue fades the whole layer without rendering it again (the last layer
// image is kept for that). The whole
// window is client area. Invalidating anything on the form adds the area to the form's
// dirty rectangle and invalidates the form, whose next paint renders the layer.
#pragma once
#include "rdcontrol/base/windowed_skin.h"
#include "toolkit/form.h"

#include "platform/image/png_image.h"

namespace vell::rd {

class TRdLayerForm : public tk::TForm, public ISkinnedControl {
    VELL_CLASS_INFO()
  public:
    explicit TRdLayerForm(tk::TComponent* AOwner);
    ~TRdLayerForm() override;

    TRdSkinClass* AllSkin() const override { return FSkin.Skin(); }
    int ContentScale() const override { return FSkin.Skin()->Draw()->DrawScale(); }
    void SetAllSkin(TRdSkinClass* Value) { FSkin.AssignSkin(Value); }

    // Kept for descriptions; the layer is always blended per pixel.
    bool AlphaBlend() const { return FAlphaBlend; }
    void SetAlphaBlend(bool Value) { FAlphaBlend = Value; }
    uint8_t AlphaBlendValue() const { return FDrawBlend.SourceConstantAlpha; }
    void SetAlphaBlendValue(uint8_t Value);

    // The size of the last rendered layer, and the image's DC while one is rendered.
    int DrawW() const { return FDrawW; }
    int DrawH() const { return FDrawH; }
    HDC DrawingDC() const { return FDrawingDC; }
    // Renders the window tree into the layer image (kept between renders, made again when
    // the size changes) and hands it to the window manager.
    void RenderLayer();
    // How many layers were rendered (for tests and benchmarks).
    int RenderCount() const { return FRenderCount; }

    RECT GetClientRect() const override { return FSkin.ClientRect(tk::TForm::GetClientRect()); }
    void Loaded() override;
    void WndProc(tk::TMessage& Message) override;
    // Painted through the skin's draw buffer (into the layer image); its own pixels start
    // as transparent black.
    void DefaultPaint(tk::TMessage& Message) override;
    void DefaultEraseBackground(HDC DC) override;

  protected:
    void CreateParams(tk::TCreateParams& Params) override;
    void PrepareMessage(tk::TMessage& Message) override;
    void CreateWnd() override;
    void PaintWindow(HDC DC) override;
    void DoShow() override;
    void Resize() override;
    // Adds WS_EX_LAYERED to the window when missing.
    virtual void MakeLayered();

  private:
    void SyncSize();
    // Hands the last layer to the window manager with the present blend.
    bool HandLayer();
    image::PngRef FLayer;
    bool NotStoredFlag() const { return false; }

    bool FAlphaBlend = true;
    int FDrawW = 0, FDrawH = 0;
    BLENDFUNCTION FDrawBlend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    HDC FDrawingDC = nullptr;
    int FRenderCount = 0;
    TWindowedSkin FSkin;
};

} // namespace vell::rd
