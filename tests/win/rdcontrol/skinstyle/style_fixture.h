// Shared by the skin style tests: a form that counts what the skin-change broadcast does to
// it, forms read from a description with one style, and a fixture that starts the modules
// and captures the style's messages instead of showing a message box.
#pragma once
#include "rdcontrol/skinstyle/skin_style.h"
#include "toolkit/forms.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace styletest {

using namespace vell;

// The broadcasts a form heard and the paints its window received; every form appends its
// name to BroadcastOrder when it hears one.
class TStyleForm : public tk::TForm {
    VELL_CLASS_INFO()
  public:
    using tk::TForm::TForm;
    int broadcasts = 0;
    int paints = 0;
    static std::vector<std::string> BroadcastOrder;

  protected:
    void WndProc(tk::TMessage& Message) override;
};

std::string ascii(const std::u16string& s);
std::u16string lower(std::u16string s);
std::vector<std::u16string> lower(const TStringListEx& list);

// A form owned by the application holding one style "style" with the given values.
TStyleForm* formWithStyle(const std::u16string& runtimePath, const std::string& skinRccFile, bool mainSkin,
                          const std::string& extra = "");
rd::TRdSkinStyle* styleOf(tk::TComponent* form);

struct SkinStyleTest : ::testing::Test {
    void SetUp() override;
    void TearDown() override;
    std::vector<std::u16string> messages; // what the style told the user
    const std::u16string skin;            // the demo skin folder, with a trailing backslash
    const std::u16string folder;          // the same without it, as a description gives it
    SkinStyleTest();
};

} // namespace styletest
