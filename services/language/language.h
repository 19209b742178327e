// The product's language object. Form translation (ApplyLan over a form's components)
// is added here once the toolkit's component classes exist; until then it answers
// look-ups exactly like its base.
#pragma once
#include "services/language/language_base.h"

namespace vell {

class TLanguage : public TLanguageBase {
public:
    using TLanguageBase::TLanguageBase;
};

} // namespace vell
