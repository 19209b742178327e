// A skinned test control: a panel with a picture, a collection, a counted property and its
// own skin class, the way skinned controls carry one; and the fixture that writes a skin
// package of the test's sections and registers it.
#pragma once
#include "rdcontrol/skinstyle/skin_class.h"
#include "rdcontrol/skinstyle/skin_reader.h"
#include "tests/win/rdcontrol/resource/resource_test.h"
#include "toolkit/stdctrls.h"

#include <memory>
#include <string>

namespace vell::skintest {

class TItem : public tk::TCollectionItem {
    VELL_CLASS_INFO()
  public:
    using tk::TCollectionItem::TCollectionItem;
    const std::u16string& Caption() const { return FCaption; }
    void SetCaption(const std::u16string& v) { FCaption = v; }
    int Value() const { return FValue; }
    void SetValue(int v) { FValue = v; }

  private:
    std::u16string FCaption;
    int FValue = 0;
};

class TSkinned : public tk::TPanel {
    VELL_CLASS_INFO()
  public:
    explicit TSkinned(tk::TComponent* AOwner);
    rd::TRdSkinClass* AllSkin() const { return FAllSkin.get(); }
    void SetAllSkin(rd::TRdSkinClass* v) { FAllSkin->Assign(v); }
    tk::TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(tk::TPicture* v) { FPicture->Assign(v); }
    tk::TCollection* Items() const { return FItems.get(); }
    void SetItems(tk::TCollection* v) { FItems->Assign(v); }
    int Count() const { return FCount; }
    void SetCount(int v) {
        FCount = v;
        ++countSets;
    }
    int countSets = 0;

  private:
    std::unique_ptr<rd::TRdSkinClass> FAllSkin;
    std::unique_ptr<tk::TPicture> FPicture;
    std::unique_ptr<tk::TCollection> FItems;
    int FCount = 0;
};

class SkinTest : public rdtest::ResourceTest {
  protected:
    static void SetUpTestSuite();
    // Registers a skin package "test" whose main.ini holds Sections (its [validate] and a
    // colour table with text.cl_txt_hot = F2F4F7 come with it).
    void skin(const std::string& Sections, const std::u16string& Package = u"test.rcc");
    // A control with three items, owned by the test's form.
    TSkinned* control(const char* Name = "ctl");

    std::unique_ptr<tk::TComponent> form = std::make_unique<tk::TComponent>(nullptr);
};

} // namespace vell::skintest
