#include "loader/lib/loading_box_form.h"
#include "loader/lib/dpi_awareness.h"
#include "loader/lib/startup_signal.h"
#include "rdcontrol/base/skinned_control.h"
#include "platform/image/png_image.h"
#include "platform/win/environment.h"
#include "platform/win/files.h"
#include "services/language/product_language.h"
#include "toolkit/accessible.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <oleacc.h>

namespace vell::loader {

namespace {

bool containsNoCase(const std::u16string& text, std::u16string_view word) {
    auto fold = [](char16_t c) { return c < 128 ? static_cast<char16_t>(std::tolower(c)) : c; };
    if (word.size() > text.size()) return false;
    for (size_t i = 0; i + word.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < word.size() && fold(text[i + k]) == fold(word[k]))
            ++k;
        if (k == word.size()) return true;
    }
    return false;
}

std::u16string readText(const char16_t* key, const char16_t* fallback) {
    if (TLanguage* lang = ProductLanguage()) return lang->ReadString(u"VLR_MainBoxLan", key, fallback);
    return fallback;
}

constexpr DWORD kBoxExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;

} // namespace

std::u16string LoadingBoxText(const std::u16string& Argument2) {
    std::u16string text;
    if (containsNoCase(Argument2, u"init"))
        text = readText(u"Tip_Launching", u"Launching %s...");
    else if (containsNoCase(Argument2, u"change"))
        text = readText(u"Tip_DisplayChanging", u"Screen changing. Reconfiguring %s...");
    for (size_t at = 0; (at = text.find(u"%s", at)) != std::u16string::npos; at += 7)
        text.replace(at, 2, u"Vellora");
    return text;
}

void ApplyLargeScreenScale(tk::TCustomForm* Form) {
    if (!Form || !dpi::LargeScreen) return;
    Form->ScaleBy(static_cast<int>(std::lround(dpi::LargeScreenScale * 100)), 100);
}

const tk::ClassInfo& Tfrm_LoadingBox::StaticClass() {
    using B = tk::ClassBuilder<Tfrm_LoadingBox>;
    static const tk::ClassInfo info =
        B("Tfrm_LoadingBox", &tk::TForm::StaticClass())
            .field("pnl_Main", &Tfrm_LoadingBox::pnl_Main)
            .field("img_BG", &Tfrm_LoadingBox::img_BG)
            .field("img_Icon", &Tfrm_LoadingBox::img_Icon)
            .field("lbl_Tip", &Tfrm_LoadingBox::lbl_Tip)
            .field("skinStyle_Main", &Tfrm_LoadingBox::skinStyle_Main)
            .field("applicationEvent_Main", &Tfrm_LoadingBox::applicationEvent_Main)
            .method("FormCreate", &Tfrm_LoadingBox::FormCreate)
            .method("FormShow", &Tfrm_LoadingBox::FormShow)
            .method("applicationEvent_MainMessage", &Tfrm_LoadingBox::applicationEvent_MainMessage)
            .build();
    return info;
}

Tfrm_LoadingBox::Tfrm_LoadingBox(tk::TComponent* AOwner) : tk::TForm(AOwner) {}

void Tfrm_LoadingBox::AfterConstruction() {
    tk::TForm::AfterConstruction(); // runs FormCreate
    FDrawW = 1;
    FDrawH = 1;
    FDraw = image::TPngImage::CreateBlank(6, 8, 1, 1, true, false, true, false);
    FDrawBlend = BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    // FormCreate made the window already: it gets the box's styles now.
    EnsureLayeredStyle();
}

void Tfrm_LoadingBox::BeforeDestruction() {
    if (FDraw) {
        FDraw->ReleaseRef();
        FDraw = nullptr;
    }
    tk::TForm::BeforeDestruction();
}

void Tfrm_LoadingBox::CreateParams(tk::TCreateParams& Params) {
    tk::TForm::CreateParams(Params);
    Params.ExStyle = (Params.ExStyle & ~WS_EX_APPWINDOW) | kBoxExStyle;
}

// The box has no owner window: it is neither the application's nor the main form's.
HWND Tfrm_LoadingBox::CreationParentWindow() {
    return nullptr;
}

void Tfrm_LoadingBox::CreateWindowHandle(const tk::TCreateParams& Params) {
    tk::TForm::CreateWindowHandle(Params);
    EnsureLayeredStyle();
}

void Tfrm_LoadingBox::EnsureLayeredStyle() {
    if (!HandleAllocated()) return;
    LONG ex = ::GetWindowLongW(FHandle, GWL_EXSTYLE);
    LONG want = (ex & ~WS_EX_APPWINDOW) | static_cast<LONG>(kBoxExStyle);
    if (want != ex) ::SetWindowLongW(FHandle, GWL_EXSTYLE, want);
}

void Tfrm_LoadingBox::WndProc(tk::TMessage& Message) {
    // No caption, border or sizing area: nothing to drag.
    if (Message.Msg == WM_NCHITTEST) {
        Message.Result = HTCLIENT;
        return;
    }
    // A click leaves the activation where it is, also where the window manager does not
    // look at WS_EX_NOACTIVATE.
    if (Message.Msg == WM_MOUSEACTIVATE) {
        Message.Result = MA_NOACTIVATE;
        return;
    }
    tk::TForm::WndProc(Message);
}

void Tfrm_LoadingBox::FormCreate(tk::TObject*) {
    dpi::LargeScreen = dpi::IsLargeScreen(Handle());
    if (!dpi::LargeScreen) return;
    std::u16string black2 = text::fromWide(env::ProgramFolder()) + u"skin\\black2.dll";
    if (skinStyle_Main && win::FileExists(black2)) skinStyle_Main->SetSkinRccFile(u"black2.dll");
    ApplyLargeScreenScale(this);
}

void Tfrm_LoadingBox::FormShow(tk::TObject*) {
    if (lbl_Tip) lbl_Tip->SetCaption(LoadingBoxText(FArgument2));
    ::ShowWindow(tk::Application()->Handle(), SW_HIDE);
    CheckBufferSize();
    if (pnl_Main) pnl_Main->BringToFront();
}

void Tfrm_LoadingBox::DoShow() {
    tk::TForm::DoShow(); // FormShow
    // FormShow has painted and handed over the buffer when its size was new: once is enough.
    if (!FLayerShown) UpdateLayer();
    ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    // A screen reader says the box's text once, as an alert; the focus stays where it is.
    if (!FAnnounced) {
        FAnnounced = true;
        tk::NotifyAccessibleEvent(this, EVENT_SYSTEM_ALERT);
    }
    SetStartupSignal(L"VELL_SHOWN_SIGNAL");
}

// The box is an alert that says its line of text.
void Tfrm_LoadingBox::GetAccessibleInfo(tk::TAccessibleInfo& Info) const {
    tk::TForm::GetAccessibleInfo(Info);
    Info.Name = lbl_Tip ? lbl_Tip->Caption() : std::u16string();
    Info.Role = ROLE_SYSTEM_ALERT;
}

void Tfrm_LoadingBox::Resize() {
    CheckBufferSize();
    tk::TForm::Resize();
}

void Tfrm_LoadingBox::CheckBufferSize() {
    if (Width() == FDrawW && Height() == FDrawH) return;
    // The scaling in FormCreate comes before the buffer exists.
    if (!FDraw) return;
    FDrawW = Width();
    FDrawH = Height();
    if (FDraw->Width() < FDrawW || FDraw->Height() < FDrawH)
        FDraw->Resize(std::max(FDraw->Width(), FDrawW + 200), std::max(FDraw->Height(), FDrawH + 200), 0,
                      false, 0, 0);
    PaintBuffer();
}

void Tfrm_LoadingBox::PaintBuffer() {
    if (!FDraw || !pnl_Main) return;
    HDC dc = FDraw->CanvasHandle();
    if (!dc) return;
    ::BitBlt(dc, 0, 0, FDraw->Width(), FDraw->Height(), nullptr, 0, 0, BLACKNESS);
    pnl_Main->PaintTo(dc, 0, 0);
    ::GdiFlush();
    UpdateLayer();
}

void Tfrm_LoadingBox::UpdateLayer() {
    if (!FDraw || !HandleAllocated()) return;
    BLENDFUNCTION blend = FDrawBlend;
    if (!Visible()) blend.SourceConstantAlpha = 0;
    SIZE size{Width(), Height()};
    POINT source{0, 0};
    FLayerShown = ::UpdateLayeredWindow(FHandle, nullptr, nullptr, &size, FDraw->CanvasHandle(), &source, 0,
                                        &blend, ULW_ALPHA) &&
                  Visible();
}

void Tfrm_LoadingBox::applicationEvent_MainMessage(MSG& Msg, bool&) {
    // A message to the panel's window (its paint message after an invalidation, too) while
    // the panel's rendering is stale renders the panel into the layer again. A skinned
    // panel marks its draw buffer valid when it paints and stale when anything inside it
    // changes, so the mouse moving over a current panel costs nothing; a panel without a
    // skin is always rendered again.
    if (!pnl_Main || !Visible() || !pnl_Main->HandleAllocated() || Msg.hwnd != pnl_Main->Handle()) return;
    if (rd::TRdSkinClass* skin = rd::SkinOf(pnl_Main); skin && skin->DrawBufferTk != 0) return;
    PaintBuffer();
}

} // namespace vell::loader
