#include "platform/graphics/canvas.h"

#include "core/text/utf.h"
#include "platform/image/graphic.h"

namespace vell::tk {

const ClassInfo& TCanvas::StaticClass() {
    static const ClassInfo info = ClassBuilder<TCanvas>("TCanvas", &TPersistent::StaticClass()).build();
    return info;
}

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()), FBrush(std::make_unique<TBrush>()), FPen(std::make_unique<TPen>()) {
    FFont->OnChange = [this](TGraphicsObject*) { FState &= ~kFontValid; };
    FBrush->OnChange = [this](TGraphicsObject*) { FState &= ~kBrushValid; };
    FPen->OnChange = [this](TGraphicsObject*) { FState &= ~kPenValid; };
}

TCanvas::~TCanvas() {
    SetHandle(nullptr);
}

void TCanvas::ReplaceFont(std::unique_ptr<TFont> Value) {
    // The old font's handle may be selected; it stays alive in FSelFont until replaced.
    ReplaceFontKeepingValues(FFont, std::move(Value));
    FState &= ~kFontValid;
}

HDC TCanvas::Handle() {
    if (!FHandle) CreateHandle();
    return FHandle;
}

void TCanvas::SetHandle(HDC Value) {
    if (FHandle == Value) return;
    DeselectHandles();
    FHandle = Value;
    FState = 0;
}

void TCanvas::DeselectHandles() {
    if (FHandle) {
        if (FOldFont) ::SelectObject(FHandle, FOldFont);
        if (FOldPen) ::SelectObject(FHandle, FOldPen);
        if (FOldBrush) ::SelectObject(FHandle, FOldBrush);
    }
    ForgetHandleState();
}

void TCanvas::ForgetHandle() {
    ForgetHandleState();
    FHandle = nullptr;
}

void TCanvas::ForgetHandleState() {
    FOldFont = FOldPen = FOldBrush = nullptr;
    FSelFont.reset();
    FSelPen.reset();
    FSelBrush.reset();
    FState = 0;
}

void TCanvas::RequiredState(uint32_t state) {
    HDC dc = Handle();
    if (!dc) throw EConvertError("Canvas does not allow drawing");
    auto select = [dc](SharedGdiHandle& sel, HGDIOBJ& old, const SharedGdiHandle& h) {
        HGDIOBJ prev = ::SelectObject(dc, gdiHandle(h));
        if (!old) old = prev;
        sel = h;
    };
    if ((state & kFontValid) && !(FState & kFontValid)) {
        select(FSelFont, FOldFont, FFont->SharedHandle());
        ::SetTextColor(dc, ColorToRGB(FFont->Color()));
        FState |= kFontValid;
    }
    if ((state & kPenValid) && !(FState & kPenValid)) {
        select(FSelPen, FOldPen, FPen->SharedHandle());
        FState |= kPenValid;
    }
    if ((state & kBrushValid) && !(FState & kBrushValid)) {
        select(FSelBrush, FOldBrush, FBrush->SharedHandle());
        ::SetBkColor(dc, ColorToRGB(FBrush->Color()));
        ::SetBkMode(dc, FBrush->Style() == bsSolid ? OPAQUE : TRANSPARENT);
        FState |= kBrushValid;
    }
}

void TCanvas::Changing() {
    if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange) OnChange(this);
}

void TCanvas::FillRect(const RECT& Rect) {
    RequiredState(kBrushValid);
    Changing();
    ::FillRect(FHandle, &Rect, FBrush->Handle());
    Changed();
}

void TCanvas::FrameRect(const RECT& Rect) {
    RequiredState(kBrushValid);
    Changing();
    ::FrameRect(FHandle, &Rect, FBrush->Handle());
    Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
    RequiredState(kPenValid | kBrushValid);
    Changing();
    ::Rectangle(FHandle, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::MoveTo(int X, int Y) {
    RequiredState(kPenValid);
    ::MoveToEx(FHandle, X, Y, nullptr);
}

void TCanvas::LineTo(int X, int Y) {
    RequiredState(kPenValid);
    Changing();
    ::LineTo(FHandle, X, Y);
    Changed();
}

void TCanvas::TextOut(int X, int Y, const std::u16string& Text) {
    RequiredState(kFontValid | kBrushValid);
    Changing();
    ::ExtTextOutW(FHandle, X, Y, 0, nullptr, text::wcs(Text), static_cast<UINT>(Text.size()), nullptr);
    Changed();
}

void TCanvas::TextRect(const RECT& Rect, int X, int Y, const std::u16string& Text) {
    RequiredState(kFontValid | kBrushValid);
    Changing();
    UINT options = ETO_CLIPPED | (FBrush->Style() != bsClear ? ETO_OPAQUE : 0);
    ::ExtTextOutW(FHandle, X, Y, options, &Rect, text::wcs(Text), static_cast<UINT>(Text.size()), nullptr);
    Changed();
}

SIZE TCanvas::TextExtent(const std::u16string& Text) {
    RequiredState(kFontValid);
    SIZE s{};
    ::GetTextExtentPoint32W(FHandle, text::wcs(Text), static_cast<int>(Text.size()), &s);
    return s;
}

int TCanvas::DrawText(const std::u16string& Text, RECT& Rect, UINT Format) {
    RequiredState(kFontValid | kBrushValid);
    const bool draws = !(Format & DT_CALCRECT);
    if (draws) Changing();
    int result = ::DrawTextW(FHandle, text::wcs(Text), static_cast<int>(Text.size()), &Rect, Format);
    if (draws) Changed();
    return result;
}

int TCanvas::DrawTextModify(std::u16string& Text, RECT& Rect, UINT Format) {
    if (!(Format & DT_MODIFYSTRING)) return DrawText(Text, Rect, Format);
    RequiredState(kFontValid | kBrushValid);
    const bool draws = !(Format & DT_CALCRECT);
    if (draws) Changing();
    // The routine may write up to four characters beyond the text: room for them, and NULs
    // that end what it wrote.
    std::u16string buffer = Text + std::u16string(8, u'\0');
    int result = ::DrawTextW(FHandle, reinterpret_cast<wchar_t*>(buffer.data()),
                             static_cast<int>(Text.size()), &Rect, Format);
    if (draws) Changed();
    const size_t end = buffer.find(u'\0');
    buffer.resize(end == std::u16string::npos ? buffer.size() : end);
    if (buffer != Text) Text = buffer;
    return result;
}

void TCanvas::Draw(int X, int Y, image::TGraphic* Graphic) {
    if (!Graphic || Graphic->Empty()) return;
    RECT r{X, Y, X + Graphic->Width(), Y + Graphic->Height()};
    StretchDraw(r, Graphic);
}

void TCanvas::StretchDraw(const RECT& Rect, image::TGraphic* Graphic) {
    if (!Graphic || Graphic->Empty()) return;
    HDC dc = Handle();
    if (!dc) return;
    Changing();
    Graphic->Draw(dc, Rect);
    Changed();
}

void TCanvas::StretchDraw(const RECT& Rect, image::TGraphic* Graphic, uint8_t Opacity) {
    if (!Graphic) return;
    HDC dc = Handle();
    if (!dc) return;
    Changing();
    Graphic->DrawTransparent(dc, Rect, Opacity);
    Changed();
}

} // namespace vell::tk
