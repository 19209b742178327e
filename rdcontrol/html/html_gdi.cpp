#include "rdcontrol/html/html_gdi.h"

#include "core/text/utf.h"
#include "platform/intercept/gradient.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

namespace vell::rd {

namespace {

// The shell's system image lists and the comctl32 functions to read them, looked up on
// first use (the loader itself does not load comctl32).
struct SystemIcons {
    using GetIconSize = BOOL(WINAPI*)(HIMAGELIST, int*, int*);
    using GetIcon = HICON(WINAPI*)(HIMAGELIST, int, UINT);
    using GetCount = int(WINAPI*)(HIMAGELIST);
    GetIconSize getIconSize = nullptr;
    GetIcon getIcon = nullptr;
    GetCount getCount = nullptr;
    SystemIcons() {
        if (HMODULE m = ::LoadLibraryW(L"comctl32.dll")) {
            getIconSize = reinterpret_cast<GetIconSize>(::GetProcAddress(m, "ImageList_GetIconSize"));
            getIcon = reinterpret_cast<GetIcon>(::GetProcAddress(m, "ImageList_GetIcon"));
            getCount = reinterpret_cast<GetCount>(::GetProcAddress(m, "ImageList_GetImageCount"));
        }
    }
    static SystemIcons& get() {
        static SystemIcons icons;
        return icons;
    }
    bool usable() const { return getIconSize && getIcon && getCount; }
};

struct IconRef {
    HIMAGELIST list = nullptr;
    int index = -1;
};

// "SSYS:x" / "LSYS:x": x an icon index of the system list, or a path whose icon the
// shell names (by its attributes alone when no such file or folder exists).
IconRef resolveIcon(std::u16string_view Source) {
    IconRef ref;
    if (Source.size() < 5 || !SystemIcons::get().usable()) return ref;
    std::u16string head(Source.substr(0, 5));
    for (auto& c : head)
        c = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
    if (head != u"SSYS:" && head != u"LSYS:") return ref;
    const UINT size = head[0] == u'S' ? SHGFI_SMALLICON : SHGFI_LARGEICON;
    SHFILEINFOW info{};
    ref.list =
        reinterpret_cast<HIMAGELIST>(::SHGetFileInfoW(L"", 0, &info, sizeof info, SHGFI_SYSICONINDEX | size));
    if (!ref.list) return ref;
    const std::u16string x(Source.substr(5));
    const bool number =
        !x.empty() && std::all_of(x.begin(), x.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
    if (number && x.size() < 9) {
        ref.index = std::stoi(text::utf16ToUtf8(x));
    } else if (!x.empty()) {
        const std::wstring path = text::toWide(x);
        const DWORD attrs = ::GetFileAttributesW(path.c_str());
        UINT flags = SHGFI_SYSICONINDEX | size;
        DWORD useAttrs = 0;
        if (attrs == INVALID_FILE_ATTRIBUTES) {
            flags |= SHGFI_USEFILEATTRIBUTES;
            useAttrs = FILE_ATTRIBUTE_NORMAL;
        }
        if (::SHGetFileInfoW(path.c_str(), useAttrs, &info, sizeof info, flags)) ref.index = info.iIcon;
    }
    if (ref.index < 0 || ref.index >= SystemIcons::get().getCount(ref.list)) ref.index = -1;
    return ref;
}

struct GdiObject {
    HDC dc;
    HGDIOBJ obj, old;
    GdiObject(HDC d, HGDIOBJ o) : dc(d), obj(o), old(o ? ::SelectObject(d, o) : nullptr) {}
    ~GdiObject() {
        if (obj) {
            ::SelectObject(dc, old);
            ::DeleteObject(obj);
        }
    }
};

COLORREF rgb(TColor C) {
    return SkinColorToRGB(C) & 0xFFFFFF;
}

} // namespace

html::Font HtmlFont(const tk::TFont& F) {
    html::Font f;
    f.Face = F.Name();
    f.Height = F.Height();
    f.Style = F.Style().bits();
    f.Escapement = F.Orientation();
    f.Color = F.Color();
    return f;
}

void TCanvasTextMeasure::Select(const html::Font& F) {
    if (FHasSelected && F == FSelected) {
        (void)FCanvas.TextExtent(u""); // reselects what a drawing call may have put back
        return;
    }
    tk::TFont* font = FCanvas.Font();
    font->SetName(F.Face);
    font->SetHeight(F.Height);
    font->SetStyle(tk::TFontStyles::fromBits(F.Style));
    font->SetOrientation(F.Escapement);
    font->SetColor(F.Color);
    (void)FCanvas.TextExtent(u"");
    TEXTMETRICW tm{};
    if (::GetTextMetricsW(FCanvas.Handle(), &tm))
        FMetrics = {tm.tmHeight, tm.tmAscent};
    else
        FMetrics = {std::abs(F.Height) + 3, std::abs(F.Height)};
    FSelected = F;
    FHasSelected = true;
}

html::FontMetrics TCanvasTextMeasure::Metrics(const html::Font& F) {
    Select(F);
    return FMetrics;
}

int TCanvasTextMeasure::TextWidth(const html::Font& F, std::u16string_view Text) {
    Select(F);
    SIZE s{};
    ::GetTextExtentPoint32W(FCanvas.Handle(), reinterpret_cast<const wchar_t*>(Text.data()),
                            static_cast<int>(Text.size()), &s);
    return s.cx;
}

int TCanvasTextMeasure::FitChars(const html::Font& F, std::u16string_view Text, int MaxWidth) {
    Select(F);
    int fit = 0;
    SIZE s{};
    if (!::GetTextExtentExPointW(FCanvas.Handle(), reinterpret_cast<const wchar_t*>(Text.data()),
                                 static_cast<int>(Text.size()), std::max(MaxWidth, 0), &fit, nullptr, &s))
        return 0;
    return fit;
}

int TCanvasTextMeasure::PixelsPerInch() {
    const int ppi = ::GetDeviceCaps(FCanvas.Handle(), LOGPIXELSY);
    return ppi > 0 ? ppi : 96;
}

void TCanvasTextMeasure::PictureSize(std::u16string_view Source, int& Width, int& Height) {
    Width = Height = 0;
    const IconRef icon = resolveIcon(Source);
    if (icon.index < 0) return;
    int cx = 0, cy = 0;
    if (!SystemIcons::get().getIconSize(icon.list, &cx, &cy)) return;
    HDC dc = FCanvas.Handle();
    const int px = std::max(1, ::GetDeviceCaps(dc, LOGPIXELSX)),
              py = std::max(1, ::GetDeviceCaps(dc, LOGPIXELSY));
    Width = ::MulDiv(cx, px, 96);
    Height = ::MulDiv(cy, py, 96);
}

void TCanvasHtmlPainter::Text(const html::Font& F, int X, int Y, std::u16string_view Text, int Accel) {
    FMeasure.Select(F);
    std::u16string s;
    UINT flags = DT_NOCLIP | DT_SINGLELINE | DT_LEFT | DT_TOP | DT_EXPANDTABS;
    if (Accel >= 0) { // the accelerator's underline comes from the platform's prefix handling
        for (size_t i = 0; i < Text.size(); ++i) {
            if (static_cast<int>(i) == Accel)
                s += u'&';
            else if (Text[i] == u'&')
                s += u'&';
            s += Text[i];
        }
    } else {
        s.assign(Text);
        flags |= DT_NOPREFIX;
    }
    FCanvas.Brush()->SetStyle(tk::bsClear);
    RECT r{X + FDx, Y + FDy, X + FDx + 1, Y + FDy + 1};
    FCanvas.DrawText(s, r, flags);
}

void TCanvasHtmlPainter::FillRect(const html::Rect& R, TColor Color) {
    FillGradient(FCanvas.Handle(), Moved(R), Color, TGradientDirection::gdHorizontal, Color);
}

void TCanvasHtmlPainter::Gradient(const html::Rect& R, TColor From, TColor To, bool Vertical) {
    FillGradient(FCanvas.Handle(), Moved(R), From,
                 Vertical ? TGradientDirection::gdVertical : TGradientDirection::gdHorizontal, To);
}

void TCanvasHtmlPainter::Polyline(const std::vector<std::pair<int, int>>& Points, TColor Color) {
    FCanvas.Pen()->SetStyle(tk::psSolid);
    FCanvas.Pen()->SetWidth(1);
    FCanvas.Pen()->SetColor(Color);
    FCanvas.MoveTo(Points.front().first + FDx, Points.front().second + FDy);
    for (size_t i = 1; i < Points.size(); ++i)
        FCanvas.LineTo(Points[i].first + FDx, Points[i].second + FDy);
}

void TCanvasHtmlPainter::Ellipse(const html::Rect& R, TColor Color) {
    HDC dc = FCanvas.Handle();
    GdiObject brush(dc, ::CreateSolidBrush(rgb(Color)));
    GdiObject pen(dc, ::CreatePen(PS_SOLID, 1, rgb(Color)));
    const RECT r = Moved(R);
    ::Ellipse(dc, r.left, r.top, r.right, r.bottom);
}

void TCanvasHtmlPainter::Picture(std::u16string_view Source, int X, int Y) {
    const IconRef icon = resolveIcon(Source);
    if (icon.index < 0) return;
    HICON h = SystemIcons::get().getIcon(icon.list, icon.index, ILD_TRANSPARENT);
    if (!h) return;
    int w = 0, hgt = 0;
    FMeasure.PictureSize(Source, w, hgt);
    ::DrawIconEx(FCanvas.Handle(), X + FDx, Y + FDy, h, w, hgt, 0, nullptr, DI_NORMAL);
    ::DestroyIcon(h);
}

} // namespace vell::rd
