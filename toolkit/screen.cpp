#include "toolkit/screen.h"

#include <algorithm>
#include <set>

namespace vell::tk {

namespace {
void assignLogFont(TFont& Font, const LOGFONTW& Log) {
    TFont f;
    f.SetName(text::fromWide(Log.lfFaceName));
    f.SetHeight(Log.lfHeight);
    TFontStyles style;
    if (Log.lfWeight >= FW_BOLD) style += TFontStyles{fsBold};
    if (Log.lfItalic) style += TFontStyles{fsItalic};
    if (Log.lfUnderline) style += TFontStyles{fsUnderline};
    if (Log.lfStrikeOut) style += TFontStyles{fsStrikeOut};
    f.SetStyle(style);
    f.SetCharset(Log.lfCharSet);
    Font.Assign(&f);
}

int CALLBACK collectFontName(const LOGFONTW* Font, const TEXTMETRICW*, DWORD, LPARAM Names) {
    // Vertical variants ("@Name") are the same families.
    if (Font->lfFaceName[0] != L'@')
        reinterpret_cast<std::set<std::u16string>*>(Names)->insert(text::fromWide(Font->lfFaceName));
    return 1;
}

// The platform cursor behind a standard cursor number.
const wchar_t* standardCursor(TCursor Index) {
    switch (Index) {
    case crArrow:
        return IDC_ARROW;
    case crCross:
        return IDC_CROSS;
    case crIBeam:
        return IDC_IBEAM;
    case crSizeNESW:
        return IDC_SIZENESW;
    case crSizeNS:
        return IDC_SIZENS;
    case crSizeNWSE:
        return IDC_SIZENWSE;
    case crSizeWE:
        return IDC_SIZEWE;
    case crUpArrow:
        return IDC_UPARROW;
    case crHourGlass:
    case crSQLWait:
        return IDC_WAIT;
    case crNo:
    case crNoDrop:
        return IDC_NO;
    case crAppStart:
        return IDC_APPSTARTING;
    case crHelp:
        return IDC_HELP;
    case crHandPoint:
        return IDC_HAND;
    case crSizeAll:
        return IDC_SIZEALL;
    case crHSplit:
        return IDC_SIZEWE;
    case crVSplit:
        return IDC_SIZENS;
    default:
        return IDC_ARROW;
    }
}
} // namespace

const ClassInfo& TScreen::StaticClass() {
    static const ClassInfo info = ClassBuilder<TScreen>("TScreen", &TComponent::StaticClass()).build();
    return info;
}

TScreen::TScreen(TComponent* AOwner)
    : TComponent(AOwner), FHintFont(std::make_unique<TFont>()), FIconFont(std::make_unique<TFont>()),
      FMenuFont(std::make_unique<TFont>()), FMessageFont(std::make_unique<TFont>()) {
    ResetFonts();
}

TScreen::~TScreen() = default;

TScreen* Screen() {
    static TScreen* screen = new TScreen(nullptr); // lives as long as the process
    return screen;
}

// ---- forms ----

void TScreen::AddForm(TCustomForm* Form) {
    if (std::find(FForms.begin(), FForms.end(), Form) == FForms.end()) FForms.push_back(Form);
    FZOrderDirty = true;
}

void TScreen::RemoveForm(TCustomForm* Form) {
    FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
    if (FActiveForm == Form) FActiveForm = nullptr;
}

void TScreen::SetActiveForm(TCustomForm* Form) {
    FActiveForm = Form;
    FZOrderDirty = true;
}

TWinControl* TScreen::ActiveControl() const {
    return FActiveForm ? FActiveForm->ActiveControl() : nullptr;
}

void TScreen::SortForms() const {
    if (!FZOrderDirty) return;
    FZOrderDirty = false;
    // The windows' z-order, top first: the rank of each form that has a window.
    std::vector<HWND> order;
    for (HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT))
        order.push_back(w);
    auto rank = [&](TCustomForm* f) -> size_t {
        if (!f->HandleAllocated()) return order.size();
        HWND top = ::GetAncestor(f->Handle(), GA_ROOT);
        auto it = std::find(order.begin(), order.end(), top ? top : f->Handle());
        return static_cast<size_t>(it - order.begin());
    };
    std::stable_sort(FForms.begin(), FForms.end(),
                     [&](TCustomForm* a, TCustomForm* b) { return rank(a) < rank(b); });
}

TCustomForm* TScreen::Forms(int Index) const {
    SortForms();
    return FForms.at(static_cast<size_t>(Index));
}

// ---- cursors ----

void TScreen::SetCursor(TCursor Value) {
    if (FCursor == Value) return;
    FCursor = Value;
    // The new cursor shows at once where the mouse is.
    POINT p;
    if (::GetCursorPos(&p)) ::SetCursorPos(p.x, p.y);
}

HCURSOR TScreen::Cursors(TCursor Index) const {
    if (auto it = FCursorMap.find(Index); it != FCursorMap.end()) return it->second;
    if (Index == crNone) return nullptr;
    return ::LoadCursorW(nullptr, standardCursor(Index));
}

void TScreen::SetCursors(TCursor Index, HCURSOR Value) {
    if (Value)
        FCursorMap[Index] = Value;
    else
        FCursorMap.erase(Index);
}

// ---- fonts ----

void TScreen::ResetFonts() {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) {
        assignLogFont(*FHintFont, ncm.lfStatusFont);
        assignLogFont(*FMenuFont, ncm.lfMenuFont);
        assignLogFont(*FMessageFont, ncm.lfMessageFont);
    }
    LOGFONTW icon{};
    if (::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(icon), &icon, 0))
        assignLogFont(*FIconFont, icon);
    FHintFont->SetColor(static_cast<TColor>(0xFF000000 | COLOR_INFOTEXT));
}

TStrings* TScreen::Fonts() {
    if (FFonts) return FFonts.get();
    std::set<std::u16string> names;
    HDC dc = ::GetDC(nullptr);
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    ::EnumFontFamiliesExW(dc, &lf, &collectFontName, reinterpret_cast<LPARAM>(&names), 0);
    ::ReleaseDC(nullptr, dc);
    FFonts = std::make_unique<TStrings>();
    for (const auto& n : names)
        FFonts->Add(n);
    return FFonts.get();
}

// ---- metrics ----

int TScreen::PixelsPerInch() const {
    return ScreenPixelsPerInch();
}

RECT TScreen::WorkAreaRect() const {
    RECT r{0, 0, Width(), Height()};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

RECT TScreen::WorkAreaRectAt(POINT P) const {
    MONITORINFO mi{sizeof(mi)};
    if (HMONITOR m = ::MonitorFromPoint(P, MONITOR_DEFAULTTONEAREST); m && ::GetMonitorInfoW(m, &mi))
        return mi.rcWork;
    return WorkAreaRect();
}

void RepaintAllForms(UINT RedrawFlags) {
    TScreen* screen = Screen();
    std::vector<TCustomForm*> forms;
    for (int i = 0; i < screen->FormCount(); ++i)
        forms.push_back(screen->Forms(i));
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
        TCustomForm* form = *it;
        bool live = false;
        for (int i = 0; i < screen->FormCount() && !live; ++i)
            live = screen->Forms(i) == form;
        if (!live) continue;
        form->Perform(CM_SYSCOLORCHANGE);
        form->Invalidate();
        if (form->HandleAllocated()) ::RedrawWindow(form->Handle(), nullptr, nullptr, RedrawFlags);
    }
}

} // namespace vell::tk
