#include "toolkit/stdctrls.h"
#include "toolkit/accessible.h"
#include "core/geometry/fit_rect.h"
#include "platform/image/graphic.h"
#include "platform/image/nine_slice_draw.h"
#include "platform/win/handles.h"

#include <algorithm>
#include <oleacc.h>

namespace vell::tk {

const TypeInfo& TextLayoutType() {
    static const TypeInfo t = makeEnumType("TTextLayout", {"tlTop", "tlCenter", "tlBottom"});
    return t;
}

// ---- TPanel ----

const ClassInfo& TPanel::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TPanel>("TPanel", &TCustomControl::StaticClass())
            .ord("Alignment", AlignmentType(), &TPanel::Alignment, &TPanel::SetAlignment, taCenter)
            .ord("BevelInner", BevelCutType(), &TPanel::BevelInner, &TPanel::SetBevelInner, bvNone)
            .ord("BevelOuter", BevelCutType(), &TPanel::BevelOuter, &TPanel::SetBevelOuter, bvNone)
            .ord("BevelWidth", IntegerType(), &TPanel::BevelWidth, &TPanel::SetBevelWidth, 1)
            .ord("FullRepaint", BooleanType(), &TPanel::FullRepaint, &TPanel::SetFullRepaint, 1)
            .ord("ShowCaption", BooleanType(), &TPanel::ShowCaption, &TPanel::SetShowCaption, 1)
            .ord("VerticalAlignment", VerticalAlignmentType(), &TPanel::VerticalAlignment,
                 &TPanel::SetVerticalAlignment, taVerticalCenter)
            .build();
    return info;
}

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    FControlStyle |= csAcceptsControls | csOpaque;
    SetColor(clBtnFace);
    SetParentColor(false);
    SetBounds(0, 0, 185, 41);
}

void TPanel::SetAlignment(TAlignment Value) {
    if (FAlignment == Value) return;
    FAlignment = Value;
    Invalidate();
}
void TPanel::SetVerticalAlignment(TVerticalAlignment Value) {
    if (FVerticalAlignment == Value) return;
    FVerticalAlignment = Value;
    Invalidate();
}
void TPanel::SetBevelOuter(TBevelCut Value) {
    if (FBevelOuter == Value) return;
    FBevelOuter = Value;
    Realign();
    Invalidate();
}
void TPanel::SetBevelInner(TBevelCut Value) {
    if (FBevelInner == Value) return;
    FBevelInner = Value;
    Realign();
    Invalidate();
}
void TPanel::SetBevelWidth(int Value) {
    Value = std::max(Value, 1);
    if (FBevelWidth == Value) return;
    FBevelWidth = Value;
    Realign();
    Invalidate();
}

void TPanel::AdjustClientRect(RECT& Rect) const {
    TCustomControl::AdjustClientRect(Rect);
    const int bevels = (FBevelOuter != bvNone) + (FBevelInner != bvNone);
    ::InflateRect(&Rect, -bevels * FBevelWidth, -bevels * FBevelWidth);
    if (Rect.right < Rect.left) Rect.right = Rect.left;
    if (Rect.bottom < Rect.top) Rect.bottom = Rect.top;
}

void TPanel::SetShowCaption(bool Value) {
    if (FShowCaption == Value) return;
    FShowCaption = Value;
    Invalidate();
}

void TPanel::WndProc(TMessage& m) {
    // Without a colour of its own the panel lets what lies beneath show through.
    if (m.Msg == CM_COLORCHANGED) {
        if (Color() == clNone)
            FControlStyle &= ~csOpaque;
        else
            FControlStyle |= csOpaque;
    }
    TCustomControl::WndProc(m);
    // A panel that repaints fully redraws all of itself when its size changes (its caption
    // is centred on the new size); otherwise only the uncovered parts are painted.
    if (m.Msg == WM_SIZE && FFullRepaint) Invalidate();
}

void TPanel::Paint() {
    TCanvas* c = Canvas();
    RECT r = GetClientRect();
    for (TBevelCut cut : {FBevelOuter, FBevelInner}) {
        if (cut == bvNone) continue;
        const UINT edge = cut == bvRaised ? BDR_RAISEDOUTER : cut == bvLowered ? BDR_SUNKENOUTER : 0;
        for (int i = 0; i < FBevelWidth; ++i) {
            if (edge) ::DrawEdge(c->Handle(), &r, edge, BF_RECT);
            ::InflateRect(&r, -1, -1);
        }
    }
    if (!FShowCaption || Caption().empty()) return;
    c->SetFont(Font());
    c->Brush()->SetStyle(bsClear);
    UINT flags = DT_SINGLELINE | DT_EXPANDTABS |
                 (FAlignment == taCenter         ? DT_CENTER
                  : FAlignment == taRightJustify ? DT_RIGHT
                                                 : DT_LEFT) |
                 (FVerticalAlignment == taVerticalCenter ? DT_VCENTER
                  : FVerticalAlignment == taAlignBottom  ? DT_BOTTOM
                                                         : DT_TOP);
    c->DrawText(Caption(), r, flags);
}

// ---- TPaintBox ----

const ClassInfo& TPaintBox::StaticClass() {
    static const ClassInfo info = ClassBuilder<TPaintBox>("TPaintBox", &TGraphicControl::StaticClass())
                                      .event("OnPaint", &TPaintBox::OnPaint)
                                      .build();
    return info;
}

TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 105, 105);
}

void TPaintBox::Paint() {
    if (InState(csDesigning)) {
        TCanvas* c = Canvas();
        c->Pen()->SetStyle(psDash);
        c->Brush()->SetStyle(bsClear);
        c->Rectangle(0, 0, Width(), Height());
    }
    OnPaint(this);
}

// ---- TImage ----

const ClassInfo& TImage::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TImage>("TImage", &TGraphicControl::StaticClass())
            .ord("AutoSize", BooleanType(), &TImage::AutoSize, &TImage::SetAutoSize, 0)
            .ord("Center", BooleanType(), &TImage::Center, &TImage::SetCenter, 0)
            .obj("Picture", ClassTypeOf<TPicture>(), &TImage::Picture, &TImage::SetPicture)
            .obj("PictureOption", ClassTypeOf<TMargins>(), &TImage::PictureOption, &TImage::SetPictureOption)
            .ord("Proportional", BooleanType(), &TImage::Proportional, &TImage::SetProportional, 0)
            .ord("Stretch", BooleanType(), &TImage::Stretch, &TImage::SetStretch, 0)
            .ord("Transparent", BooleanType(), &TImage::Transparent, &TImage::SetTransparent, 0)
            .build();
    return info;
}

TImage::TImage(TComponent* AOwner)
    : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>()),
      FPictureOption(std::make_unique<TMargins>(0)) {
    FControlStyle |= csReplicatable;
    FPicture->OnChange = [this](TPicture*) { PictureChanged(); };
    FPictureOption->OnChange = [this](TMargins*) { Invalidate(); };
    SetBounds(0, 0, 105, 105);
}

TImage::~TImage() {
    FPicture->OnChange = nullptr;
}

void TImage::SetStretch(bool v) {
    if (FStretch == v) return;
    FStretch = v;
    Invalidate();
}
void TImage::SetCenter(bool v) {
    if (FCenter == v) return;
    FCenter = v;
    Invalidate();
}
void TImage::SetProportional(bool v) {
    if (FProportional == v) return;
    FProportional = v;
    Invalidate();
}
void TImage::SetTransparent(bool v) {
    if (FTransparent == v) return;
    FTransparent = v;
    if (FPicture->Graphic()) FPicture->Graphic()->SetTransparent(v);
    Invalidate();
}
void TImage::SetAutoSize(bool v) {
    if (FAutoSize == v) return;
    FAutoSize = v;
    PictureChanged();
}

void TImage::PictureChanged() {
    if (FAutoSize && !FPicture->Empty() && !InState(csLoading))
        SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
    Invalidate();
}

void TImage::Loaded() {
    TGraphicControl::Loaded();
    PictureChanged();
}

RECT TImage::DestRect() const {
    const geometry::Rect r =
        geometry::FitRect(FPicture->Width(), FPicture->Height(), Width(), Height(),
                          {FStretch, FProportional, FCenter}, geometry::FitRounding::Nearest);
    return RECT{r.Left, r.Top, r.Right, r.Bottom};
}

void TImage::Paint() {
    if (FPicture->Empty()) {
        if (InState(csDesigning)) {
            Canvas()->Pen()->SetStyle(psDash);
            Canvas()->Brush()->SetStyle(bsClear);
            Canvas()->Rectangle(0, 0, Width(), Height());
        }
        return;
    }
    // The margins keep their size when the picture is stretched (nine-slice).
    design::TDesignRect option;
    option.SetValue(FPictureOption->Left(), FPictureOption->Top(), FPictureOption->Right(),
                    FPictureOption->Bottom());
    if (HDC dc = Canvas()->Handle()) image::DrawDesignGraphic(FPicture->Graphic(), DestRect(), dc, &option);
}

// ---- TLabel ----

const ClassInfo& TLabel::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TLabel>("TLabel", &TGraphicControl::StaticClass())
            .ord("Alignment", AlignmentType(), &TLabel::Alignment, &TLabel::SetAlignment, taLeftJustify)
            .ord("AutoSize", BooleanType(), &TLabel::AutoSize, &TLabel::SetAutoSize, 1)
            .ord("Layout", TextLayoutType(), &TLabel::Layout, &TLabel::SetLayout, tlTop)
            .ord("ShowAccelChar", BooleanType(), &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar, 1)
            .ord("Transparent", BooleanType(), &TLabel::Transparent, &TLabel::SetTransparent, 1)
            .ord("WordWrap", BooleanType(), &TLabel::WordWrap, &TLabel::SetWordWrap, 0)
            .build();
    return info;
}

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 65, 17);
    SetParentColor(true);
}

void TLabel::SetAlignment(TAlignment v) {
    if (FAlignment == v) return;
    FAlignment = v;
    Invalidate();
}
void TLabel::SetLayout(TTextLayout v) {
    if (FLayout == v) return;
    FLayout = v;
    Invalidate();
}
void TLabel::SetWordWrap(bool v) {
    if (FWordWrap == v) return;
    FWordWrap = v;
    AdjustBounds();
    Invalidate();
}
void TLabel::SetAutoSize(bool v) {
    if (FAutoSize == v) return;
    FAutoSize = v;
    AdjustBounds();
}
void TLabel::SetTransparent(bool v) {
    if (FTransparent == v) return;
    FTransparent = v;
    Invalidate();
}
void TLabel::SetShowAccelChar(bool v) {
    if (FShowAccelChar == v) return;
    FShowAccelChar = v;
    AdjustBounds();
    Invalidate();
}

UINT TLabel::DrawTextFlags() const {
    UINT f = DT_EXPANDTABS;
    f |= FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT;
    if (FWordWrap) f |= DT_WORDBREAK;
    if (!FShowAccelChar) f |= DT_NOPREFIX;
    return f;
}

void TLabel::WndProc(TMessage& m) {
    TGraphicControl::WndProc(m);
    if (m.Msg == CM_TEXTCHANGED || m.Msg == CM_FONTCHANGED) AdjustBounds();
}

void TLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TLabel::AdjustBounds() {
    if (!FAutoSize || InState(csLoading | csReading)) return;
    win::WindowDC screen(nullptr);
    if (!screen) return;
    win::SelectObjectGuard font(screen.get(), Font()->Handle());
    RECT r{0, 0, FWordWrap ? Width() : 0, 0};
    std::u16string text = Caption().empty() ? u" " : Caption();
    ::DrawTextW(screen.get(), text::wcs(text), static_cast<int>(text.size()), &r,
                DrawTextFlags() | DT_CALCRECT);
    int x = Left();
    if (!FWordWrap && FAlignment == taRightJustify)
        x += Width() - r.right;
    else if (!FWordWrap && FAlignment == taCenter)
        x += (Width() - r.right) / 2;
    SetBounds(x, Top(), r.right, r.bottom);
}

void TLabel::Paint() {
    TCanvas* c = Canvas();
    RECT r = GetClientRect();
    if (!FTransparent && Color() != clNone) {
        c->Brush()->SetColor(Color());
        c->Brush()->SetStyle(bsSolid);
        c->FillRect(r);
    }
    c->SetFont(Font());
    c->Brush()->SetStyle(bsClear);
    UINT flags = DrawTextFlags();
    if (FLayout != tlTop) {
        RECT calc = r;
        c->DrawText(Caption(), calc, flags | DT_CALCRECT);
        int h = calc.bottom - calc.top;
        int offset = FLayout == tlCenter ? (r.bottom - r.top - h) / 2 : r.bottom - r.top - h;
        r.top += offset;
    }
    c->DrawText(Caption(), r, flags);
}

// ---- accessibility ----

void TPanel::GetAccessibleInfo(TAccessibleInfo& Info) const {
    TCustomControl::GetAccessibleInfo(Info);
    // A caption the panel does not show is a design name, nothing a reader should say.
    if (!FShowCaption) Info.Name.clear();
}

// A picture or drawing is named by its hint.
void TPaintBox::GetAccessibleInfo(TAccessibleInfo& Info) const {
    Info.Name = Hint();
    Info.Role = ROLE_SYSTEM_GRAPHIC;
}

void TImage::GetAccessibleInfo(TAccessibleInfo& Info) const {
    Info.Name = Hint();
    Info.Role = ROLE_SYSTEM_GRAPHIC;
}

void TLabel::GetAccessibleInfo(TAccessibleInfo& Info) const {
    Info.Name = Caption();
    Info.Role = ROLE_SYSTEM_STATICTEXT;
    Info.State = STATE_SYSTEM_READONLY;
}

} // namespace vell::tk
