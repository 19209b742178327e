#include "rdcontrol/labels/transparent_label.h"

#include "core/text/utf.h"
#include "rdcontrol/paint/measure_dc.h"

namespace vell::rd {

const tk::ClassInfo& TTransparentLabel::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TTransparentLabel>("TLabel", &tk::TLabel::StaticClass()).build();
    return info;
}

TTransparentLabel::TTransparentLabel(tk::TComponent* AOwner) : tk::TLabel(AOwner) {
    SetControlStyle(ControlStyle() & ~tk::csOpaque);
    SetTransparent(true);
}

void TTransparentLabel::Paint() {
    try {
        tk::TLabel::Paint();
    } catch (...) {
        // nothing is drawn
    }
}

void TTransparentLabel::AdjustBounds() {
    if (!AutoSize() || InState(tk::csReading | tk::csLoading)) return;
    MeasureDC measure;
    if (!measure.dc) return;
    const HGDIOBJ old = ::SelectObject(measure.dc, Font()->Handle());
    RECT r = GetClientRect();
    const std::u16string text = Caption().empty() ? u" " : Caption();
    UINT flags = (DrawTextFlags() & ~static_cast<UINT>(DT_WORDBREAK)) | DT_EXPANDTABS | DT_CALCRECT;
    if (WordWrap()) flags |= DT_WORDBREAK;
    ::DrawTextW(measure.dc, text::wcs(text), static_cast<int>(text.size()), &r, flags);
    ::SelectObject(measure.dc, old);
    tk::TAlignment align = Alignment();
    if (BiDiMode() == tk::bdRightToLeft && align != tk::taCenter)
        align = align == tk::taLeftJustify ? tk::taRightJustify : tk::taLeftJustify;
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int left = align == tk::taRightJustify ? Left() + Width() - w : Left();
    SetBounds(left, Top(), w, h);
}

} // namespace vell::rd
