#include "rdcontrol/register_controls.h"

#include "rdcontrol/base/auto_align.h"
#include "rdcontrol/formskin/form_skin.h"
#include "rdcontrol/formskin/form_wnd_list.h"
#include "rdcontrol/labels/html_label.h"
#include "rdcontrol/panels/image.h"
#include "rdcontrol/buttons/image_button.h"
#include "rdcontrol/buttons/image_note.h"
#include "rdcontrol/labels/label.h"
#include "rdcontrol/panels/paint_box.h"
#include "rdcontrol/register_windowed.h"
#include "rdcontrol/labels/transparent_label.h"
#include "rdcontrol/skinstyle/rd_font.h"

namespace vell::rd {

namespace {

// The class "TLabel" named before the transparent label took the name over.
const tk::ClassInfo* gLabelBefore = nullptr;

template <class Visit> void forEachClass(Visit visit) {
    for (const tk::ClassInfo* c : RdFontClasses())
        visit(*c);
    for (const tk::ClassInfo* c : WindowedControlClasses())
        visit(*c);
    for (const tk::ClassInfo* c :
         {&TRdGraphicControl::StaticClass(), &TRdImage::StaticClass(), &TRdPaintBox::StaticClass(),
          &TRdCustomLabel::StaticClass(), &TRdLabel::StaticClass(), &TRdHtmLabel::StaticClass(),
          &TRdHtmLabelLink::StaticClass(), &TRdImageButton::StaticClass(), &TRdImageNote::StaticClass(),
          &TPictureCollection::StaticClass(), &TPictureItem::StaticClass(), &TRdSkinClass::StaticClass(),
          &TRdAutoAlign::StaticClass(), &TRdFormSkin::StaticClass(), &TRdFormWndList::StaticClass(),
          &TTransparentLabel::StaticClass()})
        visit(*c);
}

} // namespace

void RegisterSkinnedControls() {
    if (const tk::ClassInfo* label = tk::FindClass("TLabel"); label != &TTransparentLabel::StaticClass())
        gLabelBefore = label;
    forEachClass(tk::RegisterClassInfo);
}

void UnregisterSkinnedControls() {
    forEachClass(tk::UnregisterClassInfo);
    if (gLabelBefore) tk::RegisterClassInfo(*gLabelBefore);
    gLabelBefore = nullptr;
}

} // namespace vell::rd
