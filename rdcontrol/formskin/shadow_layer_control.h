// IShadowLayerControl: what a windowless control offers to be carried on a form skin's
// shadow layer (TRdFormSkin::DrawControlList, form_skin.h), so that it may reach beyond its
// form's edge.
#pragma once
#include "core/component/typeinfo.h"

namespace vell::rd {

// The control raises ShadowPaintHook() with itself at the very start of every paint and
// leaves the rest of that paint out when the handler sets Skip: the form skin then has
// drawn it on the shadow layer instead. The form skin assigns the handler when it takes
// the control into its list and sets it back to null when it lets it go.
class IShadowLayerControl {
  public:
    virtual ~IShadowLayerControl() = default;
    virtual tk::TEvent<tk::TObject*, bool&>& ShadowPaintHook() = 0;
};

} // namespace vell::rd
