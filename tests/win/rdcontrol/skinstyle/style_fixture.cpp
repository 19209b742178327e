#include "tests/win/rdcontrol/skinstyle/style_fixture.h"

#include "rdcontrol/resource/resource.h"
#include "tests/support/resource_fixture.h"

namespace styletest {

std::vector<std::string> TStyleForm::BroadcastOrder;

void TStyleForm::WndProc(tk::TMessage& Message) {
    if (Message.Msg == tk::CM_SYSCOLORCHANGE) {
        ++broadcasts;
        BroadcastOrder.push_back(Name());
    }
    if (Message.Msg == WM_PAINT) ++paints;
    tk::TForm::WndProc(Message);
}

const tk::ClassInfo& TStyleForm::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TStyleForm>("TStyleForm", &tk::TForm::StaticClass()).build();
    return info;
}

std::string ascii(const std::u16string& s) {
    std::string out;
    for (char16_t c : s)
        out += c < 128 ? char(c) : '?';
    return out;
}

std::u16string lower(std::u16string s) {
    for (char16_t& c : s)
        if (c < 128) c = char16_t(std::tolower(c));
    return s;
}

std::vector<std::u16string> lower(const TStringListEx& list) {
    std::vector<std::u16string> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(lower(list.Strings(i)));
    return out;
}

TStyleForm* formWithStyle(const std::u16string& runtimePath, const std::string& skinRccFile, bool mainSkin,
                          const std::string& extra) {
    auto* form = new TStyleForm(tk::Application());
    std::string text = "object f: TStyleForm\n object style: TRdSkinStyle\n  MainSkin = " +
                       std::string(mainSkin ? "True" : "False") + "\n  RuntimePath = '" + ascii(runtimePath) +
                       "'\n  PublicRccFiles.Strings = (\n   'public.rcc')\n  SkinRccFile = '" + skinRccFile +
                       "'\n" + extra + " end\nend";
    form->ReadDescription(text);
    return form;
}

rd::TRdSkinStyle* styleOf(tk::TComponent* form) {
    return dynamic_cast<rd::TRdSkinStyle*>(form->FindComponent("style"));
}

SkinStyleTest::SkinStyleTest() : skin(rdtest::DemoSkinFolder()), folder(skin.substr(0, skin.size() - 1)) {}

void SkinStyleTest::SetUp() {
    rdtest::StartModulesOnce();
    rd::RegisterSkinStyle();
    tk::RegisterClassInfo(TStyleForm::StaticClass());
    rd::SetSkinStyleMessage([this](const std::u16string& text) { messages.push_back(text); });
    TStyleForm::BroadcastOrder.clear();
}

void SkinStyleTest::TearDown() {
    tk::FreeApplication();
    rd::SetSkinStyleMessage(nullptr);
    rd::SetTintColor(clNone);
}

} // namespace styletest
