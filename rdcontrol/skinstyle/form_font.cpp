// Font changes of a whole form: a name, charset, style or colour change, or a size step,
// carried to every control of a component tree that keeps a font of its own, and told to
// every visited control by CM_RDFONTCHANGE.
#include "rdcontrol/skinstyle/form_font.h"

#include "rdcontrol/skinstyle/rd_font.h"
#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/screen.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace vell::rd {

namespace {

double gFontSizeFactor = 1.0;

// Visits Root, its owned components (recursively) and the controls of every container
// among them, each once.
class TreeWalk {
  public:
    explicit TreeWalk(std::function<void(tk::TComponent&)> Visit) : visit_(std::move(Visit)) {}
    void Run(tk::TComponent* C) {
        if (!C || !seen_.insert(C).second) return;
        visit_(*C);
        for (int i = 0; i < C->ComponentCount(); ++i)
            Run(C->Components(i));
        auto* container = dynamic_cast<tk::TWinControl*>(C);
        if (container && (container->ControlStyle() & tk::csAcceptsControls))
            for (int i = 0; i < container->ControlCount(); ++i)
                Run(container->Controls(i));
    }

  private:
    std::function<void(tk::TComponent&)> visit_;
    std::unordered_set<tk::TComponent*> seen_;
};

void tell(tk::TComponent& C, TCNFontChangeParams& Params) {
    if (auto* control = dynamic_cast<tk::TControl*>(&C))
        control->Perform(CM_RDFONTCHANGE, 0, reinterpret_cast<LPARAM>(&Params));
}

bool isTopLevelForm(tk::TComponent* C) {
    auto* form = dynamic_cast<tk::TCustomForm*>(C);
    return form && !form->Parent();
}

} // namespace

double FontSizeFactor() {
    return gFontSizeFactor;
}
void SetFontSizeFactor(double Value) {
    if (Value > 0 && std::isfinite(Value)) gFontSizeFactor = Value;
}

void TRdFont::UpdateFormFont(tk::TComponent* Target, TCNFontChangeParams& Params,
                             const std::vector<tk::TComponent*>& Exclude) {
    if (!Target) return;
    if (auto* win = dynamic_cast<tk::TWinControl*>(Target)) win->HandleNeeded();
    if (isTopLevelForm(Target) && static_cast<tk::TControl*>(Target)->ParentFont())
        UpdateFontFromParams(*tk::Application()->DefaultFont(), Params);
    TreeWalk([&](tk::TComponent& C) {
        auto* control = dynamic_cast<tk::TControl*>(&C);
        if (!control) return;
        if (std::find(Exclude.begin(), Exclude.end(), &C) != Exclude.end()) return;
        if (!control->ParentFont()) UpdateFontFromParams(*control->Font(), Params);
        tell(C, Params);
    }).Run(Target);
}

void TRdFont::UpdateFontSize(tk::TControl* Control, int AbsFontSize) {
    if (!Control) return;
    TCNFontChangeParams params;
    params.FontSets = {cnfIncSize};
    params.IncSize = static_cast<int>(std::lround(AbsFontSize * gFontSizeFactor));
    if (dynamic_cast<tk::TCustomForm*>(Control)) {
        tk::TScreen* screen = tk::Screen();
        for (tk::TFont* f : {tk::Application()->DefaultFont(), screen->HintFont(), screen->IconFont(),
                             screen->MenuFont(), screen->MessageFont()})
            if (f) f->IncSizeOnBase(params.IncSize);
    }
    TreeWalk([&](tk::TComponent& C) {
        auto* control = dynamic_cast<tk::TControl*>(&C);
        if (!control) return;
        if (!control->ParentFont()) UpdateFontFromParams(*control->Font(), params);
        tell(C, params);
    }).Run(Control);
}

void TRdFont::UpdateFormFontSize(int AbsFontSize) {
    tk::SetFontIncSize(static_cast<int>(std::lround(AbsFontSize * gFontSizeFactor)));
    tk::TScreen* screen = tk::Screen();
    for (int i = screen->FormCount() - 1; i >= 0; --i)
        UpdateFontSize(screen->Forms(i), AbsFontSize);
}

} // namespace vell::rd
