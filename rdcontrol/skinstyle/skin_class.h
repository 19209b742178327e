// TRdSkinClass: what ties a skinned object (a control, a font, a form skin) to the skin.
// SkinClass names a section of the skin packages; loading applies the section's lines
// (its inherited lines first) to the owner as property values through the skin reader.
// A section applies only to owners of the class its "class" line names (the owner's class
// name, or the override a font sets: "font").
//
// It also keeps the owner's draw settings (Draw: opacity, scale, grey, blur, background
// blur, smoothing, background merge) and the draw buffers that skinned painting keeps
// between paints, with the ticks that say since when they are valid.
//
// Every skin class that names a section is in a process-wide registry in creation order,
// so that a skin change reloads them all (ReloadAll), parents before their children.
#pragma once
#include "core/component/classes.h"
#include "platform/image/draw_image.h"
#include "platform/image/png_image.h"
#include "platform/image/png_types.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vell::image {
class TPngImage;
}

namespace vell::rd {

class TRdSkinClass;

// The draw settings of a skinned object. The three integer settings are kept by the skin
// class; the others here. Every change raises OnChanged and invalidates an owner that is a
// control.
class TRdSkinClassDraw : public tk::TPersistent {
    VELL_CLASS_INFO()
  public:
    explicit TRdSkinClassDraw(TRdSkinClass* AOwner);

    TRdSkinClass* Owner() const { return FOwner; }
    tk::TPersistent* GetOwner() const override;

    // 0..255, default 255.
    int DrawAlpha() const;
    void SetDrawAlpha(int Value);
    // Percent 1..2000, default 100. A windowed owner is resized for scales from 100 up;
    // below 100 only its painting shrinks.
    int DrawScale() const;
    void SetDrawScale(int Value);
    // Blur radius 0..100 of the background behind the owner.
    int DrawBkgBlur() const;
    void SetDrawBkgBlur(int Value);
    // Blur radius 0..100 of the owner's own rendering.
    int DrawBlur() const { return FDrawBlur; }
    void SetDrawBlur(int Value);
    bool DrawGray() const { return FDrawGray; }
    void SetDrawGray(bool Value);
    image::TPngSmoothFilter SmoothFilter() const { return FSmoothFilter; }
    void SetSmoothFilter(image::TPngSmoothFilter Value);
    bool MergeBkg() const { return FMergeBkg; }
    void SetMergeBkg(bool Value);

    // Null resets every setting to its default.
    void Assign(const tk::TPersistent* Source) override;
    bool Equals(const TRdSkinClassDraw& CmpTo) const;
    // Every setting at its default.
    bool Empty() const;

    // Sender: the skin class for the integer settings, this object for the others.
    std::function<void(tk::TObject* Sender)> OnChanged;

  private:
    friend class TRdSkinClass;
    void changed(tk::TObject* Sender);

    TRdSkinClass* FOwner;
    bool FDrawGray = false;
    bool FMergeBkg = false;
    image::TPngSmoothFilter FSmoothFilter = image::psfFastSmooth;
    int FDrawBlur = 0;
};

class TRdSkinClass : public tk::TPersistent {
    VELL_CLASS_INFO()
  public:
    // AOwner: the object the skin sets properties of. Component: whose state decides when
    // loading may happen (AOwner when that is a component and Component is null). Parent:
    // the skin class this one loads after (a font's skin class has its control's).
    TRdSkinClass(tk::TPersistent* AOwner, tk::TComponent* Component, TRdSkinClass* Parent);
    ~TRdSkinClass() override;
    TRdSkinClass(const TRdSkinClass&) = delete;
    TRdSkinClass& operator=(const TRdSkinClass&) = delete;

    // ---- published ----
    const std::u16string& SkinClass() const { return FSkinClass; }
    // A new name (compared without case) enters or leaves the registry and loads, unless the
    // component is loading, being read or updating.
    void SetSkinClass(const std::u16string& Value);
    // Property paths the skin must not set: a whole path, a dotted prefix of it, an indexed
    // item (Items[1]) or a collection's bare name (Items). Sorted, without case.
    tk::TStringList* IgnoreValues() const { return FIgnoreValues.get(); }
    void SetIgnoreValues(tk::TStrings* Value);
    // The lines applied by the last load, inherited lines first.
    tk::TStrings* SkinValues() const { return FSkinValues.get(); }
    // The owner's present look as skin-section text: "[section]", "class=...", one line
    // per stored property. Produced on every read.
    tk::TStrings* CurrentValues();
    bool ClearOwnerPic() const { return FClearOwnerPic; }
    // True clears every picture of the owner.
    void SetClearOwnerPic(bool Value);
    // Skin pictures replace the owner's own pictures too.
    bool ForceUseSkinPic() const { return FForceUseSkinPic; }
    void SetForceUseSkinPic(bool Value);
    TRdSkinClassDraw* Draw() const { return FDraw.get(); }
    void SetDraw(TRdSkinClassDraw* Value) { FDraw->Assign(Value); }

    // ---- public ----
    tk::TPersistent* Owner() const { return FOwner; }
    tk::TPersistent* GetOwner() const override { return FOwner; }
    tk::TComponent* Component() const { return FComponent; }
    TRdSkinClass* Parent() const { return FParent; }
    const std::vector<TRdSkinClass*>& Children() const { return FChild; }
    std::uint32_t CreateOrder() const { return FCreateOrder; }
    bool Registered() const { return FRegistered; }
    // The class name sections are looked up by: the override, else the owner's class name.
    const std::string& OwnerClassName() const { return FOwnerClassName; }
    void SetOwnerClassName(const std::string& Value) { FOwnerClassName = Value; }
    std::string LookupClassName() const;
    // Whether SkinClass is written to form descriptions (the font narrows it).
    std::function<bool()> SkinClassStored;

    // Applies the section to the owner (see the class comment); with UpdateChild the child
    // skin classes load after it, also when a line failed. A value the reader cannot take
    // raises after the component's state is restored and the children are loaded.
    void LoadSkinValue(bool UpdateChild);
    // Clears the owner's pictures: all, or only those that came from a skin.
    void ClearOwnerPictures(bool SkinOnly);

    bool Equals(const TRdSkinClass& CmpTo) const;
    void Assign(const tk::TPersistent* Source) override;
    bool Empty() const;

    // ---- draw buffers ----
    // Both buffers as blank 32-bit premultiplied images, when missing.
    void CreateDrawBuffer();
    // Both ticks 0, the dirty rectangle emptied, both buffers freed.
    void FreeDrawBuffer();
    image::TPngImage* DrawBuffer() const { return FDrawBuffer.get(); }
    image::TPngImage* DrawBufferBkg() const { return FDrawBufferBkg.get(); }
    image::TPngImage* DrawBufferBkgBlur() const { return FDrawBufferBkgBlur.get(); }
    // Which is created on first use.
    image::TPngImage* EnsureDrawBufferBkgBlur();
    // Makes a draw buffer hold W x H; true when it was re-created (blank then). A buffer's
    // first size is exact; one that must grow again belongs to a control being resized and
    // gets slack (a third, at least 200 pixels) so the next small changes keep it.
    static bool GrowDrawBuffer(image::TPngImage& Buffer, int W, int H);
    // A tick count for the buffers' ticks: never 0, which marks a stale buffer.
    static std::uint32_t CurrentTick();
    // What RenderDrawBuffer did: whether the buffer had to grow (and so was drawn whole),
    // and the part it rendered again (empty: the buffer was current).
    struct TBufferRender {
        bool Grown = false;
        RECT Rendered{};
    };
    // Keeps the owner's own rendering, W x H unscaled, in the draw buffer (CreateDrawBuffer
    // first). Where it is stale (all of it after growing, at a scale other than 100 or
    // without a dirty rectangle; else the dirty rectangle) the buffer is cleared, given
    // Under's pixels when Under is set, and painted by Paint on the buffer's DC clipped to
    // that part. The buffer counts as current from before Paint runs, so what Paint
    // invalidates is painted the next time.
    TBufferRender RenderDrawBuffer(int W, int H, image::TPngImage* Under,
                                   const std::function<void(HDC)>& Paint);
    // The parameters that draw Src of a buffer with the skin's opacity, grey and smoothing,
    // at the skin's scale (Src's corners scaled).
    image::TDrawRectParams EffectParams(const RECT& Src) const;
    // Tick counts since which the buffers are valid; 0: stale.
    std::uint32_t DrawBufferTk = 0;
    std::uint32_t DrawBufferBkgTk = 0;
    bool DrawBufferBkgClear = false;  // the captured background is transparent black throughout
    RECT DrawBufferRect{};            // dirty rectangle of the draw buffer; empty: none recorded
    bool DrawParentBg = false;        // the owner needs its parent's background
    bool DrawParentBg_Custom = false; // the owner's code supplies that background
    int DrawParentBg_Deep = 1;
    // The owner's size before its scale left 100.
    int DrawScale_OrgWidth = 0;
    int DrawScale_OrgHeight = 0;

    // Raised when the skin class name or the ignored values change.
    std::function<void(tk::TObject* Sender)> OnChange;

    // ---- the registry ----
    // Every registered skin class, in creation order, runs LoadSkinValue(false). A class
    // created or destroyed meanwhile is handled safely. The first error passes on after
    // the last class loaded.
    static void ReloadAll();
    static int RegisteredCount();
    static void ForEachRegistered(const std::function<void(TRdSkinClass&)>& Visit);

    // Opened (true) before a load applies lines and closed after it: a font folds the
    // changes into one notification.
    std::function<void(bool Opening)> LoadBracket;

  private:
    friend class TRdSkinClassDraw;
    tk::TStrings* IgnoreValuesProperty() const { return FIgnoreValues.get(); }
    tk::TStrings* CurrentValuesProperty() const { return const_cast<TRdSkinClass*>(this)->CurrentValues(); }
    bool NotStored() const { return false; }
    bool StoredSkinClass() const { return !SkinClassStored || SkinClassStored(); }
    void SetDrawValue(int Index, int Value);
    void ApplyDrawScale(int OldScale, int NewScale);
    void EnterRegistry();
    void LeaveRegistry();
    void ChildAdded(TRdSkinClass* Child);
    void ChildRemoved(TRdSkinClass* Child);
    bool LoadingBlocked() const;
    void InvalidateOwner();
    void RaiseChange();

    std::u16string FSkinClass;
    std::unique_ptr<tk::TStringList> FCurrentValues;
    std::unique_ptr<tk::TStringList> FIgnoreValues;
    std::unique_ptr<tk::TStringList> FSkinValues;
    std::uint32_t FCreateOrder;
    std::string FOwnerClassName;
    bool FClearOwnerPic = false;
    bool FForceUseSkinPic = false;
    int FDrawAlpha = 255;
    int FDrawScale = 100;
    int FDrawBkgBlur = 0;
    std::unique_ptr<TRdSkinClassDraw> FDraw;
    image::PngRef FDrawBufferBkg;
    image::PngRef FDrawBufferBkgBlur;
    image::PngRef FDrawBuffer;
    bool FRegistered = false;
    tk::TPersistent* FOwner;
    tk::TComponent* FComponent;
    TRdSkinClass* FParent;
    std::vector<TRdSkinClass*> FChild;
    bool FInnerGetCurValues = false;
};

// The types of the draw settings, for other classes that publish them.
const tk::TypeInfo& SmoothFilterType();

} // namespace vell::rd
