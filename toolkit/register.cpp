#include "toolkit/forms.h"
#include "toolkit/stdctrls.h"

namespace vell::tk {

void RegisterToolkitClasses() {
    static const bool done = [] {
        RegisterClasses({&TPanel::StaticClass(), &TPaintBox::StaticClass(), &TImage::StaticClass(),
                         &TLabel::StaticClass(), &TApplicationEvents::StaticClass(), &TForm::StaticClass(),
                         &TCustomHint::StaticClass()});
        return true;
    }();
    (void)done;
}

} // namespace vell::tk
