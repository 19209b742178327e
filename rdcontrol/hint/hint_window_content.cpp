// The hint's content: the text (a title before "##" kept apart) laid out by the embedded
// HTML label with the style's fonts and links, or a control shown instead of the text.
#include "rdcontrol/hint/hint_window.h"

#include "rdcontrol/labels/html_label.h"
#include "rdcontrol/hint/skin_hint.h"
#include "toolkit/application.h"
#include "toolkit/screen.h"

#include <algorithm>

namespace vell::rd {

namespace {

// More anchors than this in one hint text share the surrounding font.
constexpr int kMaxHintLinks = 256;

// The anchors ("<A" followed by a space or ">", any case) of a hint text.
int anchorCount(const std::u16string& Text) {
    int n = 0;
    for (size_t i = 0; i + 2 < Text.size() && n < kMaxHintLinks; ++i)
        if (Text[i] == u'<' && (Text[i + 1] == u'A' || Text[i + 1] == u'a') &&
            (Text[i + 2] == u'>' || Text[i + 2] == u' ' || Text[i + 2] == u'\t'))
            ++n;
    return n;
}

} // namespace

RECT TRdSkinHintWindow::CalcHintRect(int MaxWidth, const std::u16string& AHint, void*) {
    tk::TApplication* app = tk::CurrentApplication();
    tk::TControl* control = !FDirect && app ? app->HintControl() : nullptr;
    if (control)
        if (TRdSkinHint* s = SkinHintOf(control)) SetStyle(s);
    TRdSkinHint* style = ActiveStyle();
    std::u16string text = AHint;
    int maxW = style ? style->MaxWidth() : std::min(MaxWidth, DefaultHintMaxWidth);
    int maxH = style ? style->MaxHeight() : 0;
    if (style) {
        style->DoBeforeCalcHint(control, this, text, maxH, maxW);
        ArrowHorz = style->ArrowOption()->ArrowHorzMode();
    }
    FTitle.clear();
    if (const size_t at = text.find(u"##"); at != std::u16string::npos) {
        FTitle = text.substr(0, at);
        text = text.substr(at + 2);
    }
    FHint = text;
    FNowMaxWidth = maxW;
    FNowMaxHeight = maxH;
    const SIZE size = LayContent(maxW, maxH);
    return RECT{0, 0, size.cx, size.cy};
}

SIZE TRdSkinHintWindow::LayContent(int MaxWidth, int MaxHeight) {
    TRdSkinHint* style = ActiveStyle();
    // The control shown instead of the text: the one given for this hint, else the style's.
    tk::TControl* shown = FTempTextControl ? FTempTextControl : style ? style->TextControl() : nullptr;
    if (shown == this || shown == FHtmLabel || dynamic_cast<tk::TCustomForm*>(shown)) shown = nullptr;
    for (int i = ControlCount() - 1; i >= 0; --i)
        if (tk::TControl* c = Controls(i); c != FHtmLabel && c != shown && c->Owner() != this)
            c->SetVisible(false);
    if (shown) {
        if (shown->Parent() != this) {
            shown->SetParent(this);
            shown->SetBounds(0, 0, shown->Width(), shown->Height());
        }
        shown->BringToFront();
        shown->SetVisible(true);
        if (FHtmLabel) FHtmLabel->SetVisible(false);
        int w = 0, h = 0;
        for (int i = 0; i < ControlCount(); ++i)
            if (tk::TControl* c = Controls(i); c->Visible()) {
                w = std::max(w, c->Left() + c->Width());
                h = std::max(h, c->Top() + c->Height());
            }
        if (MaxHeight > 0) h = std::min(h, MaxHeight);
        return SIZE{w, h};
    }
    if (!FHtmLabel) return SIZE{0, 0};
    FHtmLabel->SetVisible(true);
    const int tx = style ? style->TextX() : 3, ty = style ? style->TextY() : 3;
    FHtmLabel->LinkItems()->Clear();
    if (style) {
        FHtmLabel->Font()->Assign(style->Font());
        // Every link of the text takes the style's link font, cursor and click.
        for (int i = anchorCount(FHint); i > 0; --i) {
            TRdHtmLabelLink* link = FHtmLabel->LinkItems()->Add();
            link->Font()->Assign(style->FontLink());
            link->SetCursor(style->LinkCursor());
            link->OnClick = style->OnLinkClick;
        }
    } else {
        FHtmLabel->Font()->Assign(tk::Screen()->HintFont());
    }
    FHtmLabel->TextBorder()->SetValue(tx, ty, tx, ty);
    FHtmLabel->SetAlignment(tk::taLeftJustify);
    FHtmLabel->SetAutoSize(false);
    const int width = std::max(MaxWidth, 2 * tx + 1);
    FHtmLabel->SetBounds(0, 0, width, 10);
    FHtmLabel->Constraints()->SetMaxWidth(width);
    FHtmLabel->SetCaption(FHint);
    FHtmLabel->SetAutoSize(true);
    FHtmLabel->AdjustBounds();
    if (style) FHtmLabel->SetAlignment(style->TextAlign());
    int w = FHtmLabel->Width(), h = FHtmLabel->Height();
    if (MaxHeight > 0) h = std::min(h, MaxHeight);
    return SIZE{w, h};
}

void TRdSkinHintWindow::ResetTipFormParams() {
    for (int i = ControlCount() - 1; i >= 0; --i)
        if (tk::TControl* c = Controls(i); c != FHtmLabel && c->Owner() != this) {
            c->SetVisible(false);
            c->SetParent(nullptr);
        }
    SetTextControl(nullptr);
    ArrowOffX = ArrowOffY = 0;
    ArrowHorz = FRdSkinHint && FRdSkinHint->ArrowOption()->ArrowHorzMode();
    if (!WindowVisible()) {
        FHint.clear();
        FTitle.clear();
    }
}

} // namespace vell::rd
