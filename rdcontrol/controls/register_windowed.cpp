#include "rdcontrol/controls/register_windowed.h"
#include "rdcontrol/controls/custom_control.h"
#include "rdcontrol/controls/layer_form.h"
#include "rdcontrol/controls/panel.h"

namespace vell::rd {

void RegisterWindowedControls() {
    tk::RegisterClasses({&TRdCustomControl::StaticClass(), &TRdPanel::StaticClass(), &TRdLayerForm::StaticClass()});
}

} // namespace vell::rd
