// The product's language object: form translation by component class. Each component a
// form owns takes the first matching rule (class tests include subclasses); keys are the
// component's name + ".Caption", ".Hint" or ".Items[i].Caption", and the current text is
// the default. Components are reached through their published properties, so no control
// library is needed here.
#pragma once
#include "services/language/language_base.h"

namespace vell {

class TLanguage : public TLanguageBase {
  public:
    using TLanguageBase::TLanguageBase;

    // A failure anywhere ends the walk; components not yet visited keep their texts.
    void ApplyLan(tk::TComponent* form) override;
    using TLanguageBase::ApplyLan;

  protected:
    void ApplyLanComponent(const std::u16string& Section, tk::TComponent* Component) override;
};

} // namespace vell
