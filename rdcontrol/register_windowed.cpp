#include "rdcontrol/register_windowed.h"
#include "rdcontrol/base/custom_control.h"
#include "rdcontrol/formskin/layer_form.h"
#include "rdcontrol/panels/panel.h"

namespace vell::rd {

std::array<const tk::ClassInfo*, 3> WindowedControlClasses() {
    return {&TRdCustomControl::StaticClass(), &TRdPanel::StaticClass(), &TRdLayerForm::StaticClass()};
}

void RegisterWindowedControls() {
    for (const tk::ClassInfo* c : WindowedControlClasses())
        tk::RegisterClassInfo(*c);
}

} // namespace vell::rd
