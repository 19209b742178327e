// TRdImage: a windowless skinned picture control. Its picture (often a reference text in
// Picture.Text, resolved through the skin packages) is drawn into DestRect by the nine-slice
// rules of PictureOption; translucency, scale and nesting come from TRdGraphicControl.
#pragma once
#include "core/design/design_rect.h"
#include "rdcontrol/base/graphic_control.h"
#include "toolkit/picture.h"

namespace vell::rd {

class TRdImage : public TRdGraphicControl {
    VELL_CLASS_INFO()
  public:
    explicit TRdImage(tk::TComponent* AOwner);
    void GetAccessibleInfo(tk::TAccessibleInfo& Info) const override;
    ~TRdImage() override;

    tk::TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(tk::TPicture* Value) { FPicture->Assign(Value); }
    design::TDesignRect* PictureOption() const { return FPictureOption.get(); }
    void SetPictureOption(design::TDesignRect* Value) { FPictureOption->Assign(Value); }
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);
    bool Proportional() const { return FProportional; }
    void SetProportional(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool IncrementalDisplay() const { return FIncrementalDisplay; }
    void SetIncrementalDisplay(bool Value) { FIncrementalDisplay = Value; }

    // The picture's rectangle inside the control: its own size, or fitted (Stretch, or
    // Proportional when it is larger than the control), kept in proportion with
    // Proportional, centred with Center.
    virtual void DestRect(RECT& Rect) const;
    RECT DestRect() const {
        RECT r{};
        DestRect(r);
        return r;
    }

    tk::TNotifyEvent OnPaint;    // before the picture is drawn
    tk::TNotifyEvent OnPaintEnd; // after it was drawn

    void Loaded() override;
    // A colour change (CM_COLORCHANGED) re-settles the picture.
    void WndProc(tk::TMessage& Message) override;

  protected:
    // Sizes to the picture (AutoSize), settles opacity, repaints.
    virtual void PictureChanged(tk::TObject* Sender);
    void Paint() override;
    void UpdateOpaque() override;

  private:
    void OptionChanged();

    std::unique_ptr<tk::TPicture> FPicture;
    std::unique_ptr<design::TDesignRect> FPictureOption;
    bool FStretch = false, FCenter = false, FProportional = false, FAutoSize = false;
    bool FTransparent = true, FIncrementalDisplay = false, FDrawing = false;
};

} // namespace vell::rd
