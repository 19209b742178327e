// TRdgImage: a reference graphic. It owns no pixels; its reference text (name=value
// lines, core/rdg/reference_text.h) names a picture that the image resolver finds, and it
// draws that picture's pixels with its own source clip, opacity, smoothing, nine-slice
// margins and, optionally, a frame animation.
//
// The name is resolved on the first draw or size query and kept as a counted link. A
// link may end in a TPngImage (the root, whose pixels are drawn) or in another TRdgImage
// (a definition), whose values this graphic copies in unless they are its own ("!" keys)
// and whose changes it hears. The root, the effective clip and the effective opacity are
// cached until the next change notification.
#pragma once
#include "core/design/design_rect.h"
#include "core/rdg/reference_text.h"
#include "platform/image/graphic.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vell::win {
class TRdTimer;
}

namespace vell::image {

class TPngImage;

class TRdgImage : public TRdGraphic {
  public:
    TRdgImage();
    // CreateByName: the name is read like a reference text holding only imgname.
    explicit TRdgImage(const std::u16string& imgName);
    ~TRdgImage() override;

    // ---- reference text ------------------------------------------------------------------
    // initParams: everything is reset first. selfUpdate: the text refreshes the graphic's
    // own values (a definition re-reading itself); the name and play script stay, and the
    // link is kept. Otherwise the link is dropped and the graphic announces a change.
    void LoadFromStrings(const std::vector<std::u16string>& strs, bool selfUpdate, bool initParams);
    // The text to store: "!" keys for the values that are this graphic's own, without the
    // lines a linked definition gives the same value.
    std::vector<std::u16string> SaveToStrings() const;
    // The whole content of an .rdg file: the text, read with byte-order-mark detection,
    // written as UTF-8 with a byte-order mark and CR LF line ends.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;

    // ---- properties ----------------------------------------------------------------------
    std::vector<std::u16string> Values() const;
    const std::u16string& ImgName() const { return FV.ImgName; }
    void SetImgName(const std::u16string& value);
    // Asks for the size first, so a definition's option has been copied in.
    design::TDesignRect* ImgOpt();
    // Null gives the option back to the definition (or empties it without one).
    void SetImgOpt(const design::TDesignRect* value);
    const rdg::ClipRect& SrcClip() const { return FV.SrcClip; }
    // Stores the rectangle as this graphic's own.
    void SetSrcClip(const rdg::ClipRect& value);
    // Own opacity, else the link chain's; -1 without a root.
    int AlphaBlendValue();
    void SetAlphaBlendValue(int value);
    TPngSmoothFilter SmoothFilter() const { return static_cast<TPngSmoothFilter>(FV.SmoothFilter); }
    void SetSmoothFilter(TPngSmoothFilter value);
    int Duration() const { return FV.Duration; }
    // -1 hands the duration back to the play script; anything else is the graphic's own.
    void SetDuration(int value);
    int PlayIndex() const { return FV.PlayIndex; }
    void SetPlayIndex(int value);
    int PlayFirst() const { return FV.PlayFirst; }
    int PlayLast() const { return FV.PlayLast; }
    const rdg::PlayList* PlayIndexList() const { return FV.PlayIndexList.get(); }
    bool ImgOptCustom() const { return FV.ImgOptCustom; }
    bool SrcClipCustom() const { return FV.SrcClipCustom; }
    bool ImgAlphaCustom() const { return FV.ImgAlphaCustom; }
    bool DurationCustom() const { return FV.DurationCustom; }
    // Any of opacity, option or clip is this graphic's own, or the filter is not default.
    bool CustomValues() const;

    // ---- links ---------------------------------------------------------------------------
    TRdGraphic* ImgLnk() const { return FImgLnk; }
    TRdGraphic* PlayImgLnk() const { return FPlayImgLnk; }
    // The graphic this reference shows now (the current frame's when animated),
    // resolving the name on first use.
    TRdGraphic* ResolveLink();
    // The root picture with the effective clip (in root pixels) and opacity, or null.
    TPngImage* RootPngLnk(rdg::ClipRect* absClip = nullptr, int* alpha = nullptr);

    // ---- animation -----------------------------------------------------------------------
    // Advances one frame; the timer's ticks call it with fromTimer set.
    virtual void NextFrame(bool fromTimer);
    // Run at the start of every draw: starts or refreshes the animation timer.
    virtual void StartPlay();
    // The animation timer, null until an animation needs one.
    win::TRdTimer* Timer() const { return FTimer.get(); }

    // ---- TGraphic ------------------------------------------------------------------------
    int GetWidth() const override;
    int GetHeight() const override;
    // The size is the clip's: Right := Left + width, Bottom := Top + height.
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    void SetSize(int width, int height) override;
    bool GetEmpty() const override;
    bool GetTransparent() const override;
    bool SupportsPartialTransparency();
    void Draw(HDC dc, const RECT& rect) override;
    // As Draw with the opacity MulTable[opacity][effective opacity].
    void DrawTransparent(HDC dc, const RECT& rect, uint8_t opacity) override;
    // Null resets everything; another TRdgImage is copied with its link; other pictures
    // are refused.
    void Assign(TGraphic* source) override;
    // Makes dest a picture of exactly the clip region, with this graphic's opacity and
    // filter; nothing when dest is the root itself, 0 x 0 without a root.
    void AssignTo(TPngImage& dest);

    // ---- TRdGraphic ----------------------------------------------------------------------
    // A definition's change (modFlag 0 from it, or from nobody) is copied in first.
    void ChangedEx(intptr_t modFlag, TGraphic* sender) override;
    void NotifyLinks(TGraphic* sender) override;
    // Rows of the clip region. Rows reaching outside the root come back as padded copies
    // (zero outside the root) in a buffer that stays allocated for the next call.
    void* GetScanline(int lineIndex) override;
    uint8_t* GetAlphaScanline(int lineIndex) override;
    TColor GetPixels(int x, int y) override;
    void SetPixels(int x, int y, TColor value) override;
    // Source coordinates relative to the clip's corner; Alpha -1 is the effective opacity.
    void DrawRect(HDC DstDC, int DstX, int DstY, int DstW, int DstH, int SrcX, int SrcY, int SrcW, int SrcH,
                  int Alpha, bool Gray, TPngSmoothFilter Smooth, TPngImage* DstPng) override;

  protected:
    bool LinksTo(const TRdGraphic* target) const override;
    void ClearLinkTo(const TRdGraphic* target) override;
    // The animation clock in milliseconds.
    virtual uint64_t PlayTick() const;

  private:
    struct RootCache;
    void Relink(TRdGraphic*& link, TRdGraphic* target);
    void SetImageLink(TRdGraphic* target, bool noCopy);
    void SetPlayLink(TRdGraphic* target);
    void CopyDefinition(TRdgImage& definition);
    void ImgOptChanged();
    void ClearRootCache();
    // Draws the clip region (or a rectangle of it) through the root; the shared part of
    // Draw and DrawTransparent.
    void DrawWhole(HDC dc, const RECT& rect, int opacity);
    win::TRdTimer& EnsureTimer();
    void RetireTimer();
    void InitTimerInterval();
    int ListCount() const;
    TRdgImage* Definition() const;

    TRdGraphic* FPlayImgLnk = nullptr;
    TRdGraphic* FImgLnk = nullptr;
    rdg::RdgValues FV;
    design::TDesignRect FImgOpt;
    bool FLoadingOpt = false; // the option is being read: its notifications are not changes
    std::vector<uint8_t> FTmpScanLine, FTmpAlphaLine;
    std::unique_ptr<win::TRdTimer> FTimer;
    // A timer stopped from inside its own tick; freed once that tick is over.
    std::unique_ptr<win::TRdTimer> FRetiredTimer;
    std::unique_ptr<RootCache> FRoot;
    uint64_t lastPlayTick = 0;
};

} // namespace vell::image
