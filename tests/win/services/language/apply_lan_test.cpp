// Form translation through published properties, on small stand-in component classes that
// carry the class names the rules look for.
#include "services/language/language.h"
#include "tests/support/temp_dir.h"

#include "core/component/classes.h"

#include <gtest/gtest.h>

#include <memory>

using namespace vell;
using namespace vell::tk;
using vell::testing::TempDir;
using vell::testing::writeFile;

namespace {

// A component with Caption, Hint and ShowHint, published under any class name and parent.
class TTextThing : public TComponent {
  public:
    TTextThing(TComponent* owner, const char* name) : TComponent(owner) { SetName(name); }
    const std::u16string& Caption() const { return caption_; }
    void SetCaption(const std::u16string& v) {
        if (v == u"boom") throw EConvertError("refused");
        caption_ = v;
    }
    const std::u16string& Hint() const { return hint_; }
    void SetHint(const std::u16string& v) { hint_ = v; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool v) { showHint_ = v; }

    std::u16string caption_ = u"old caption", hint_ = u"old hint";
    bool showHint_ = false;
};

template <const char* KName, const ClassInfo& (*KParent)()> class TNamed : public TTextThing {
    VELL_CLASS_INFO()
  public:
    using TTextThing::TTextThing;
};
template <const char* KName, const ClassInfo& (*KParent)()>
const ClassInfo& TNamed<KName, KParent>::StaticClass() {
    static const ClassInfo info = ClassBuilder<TNamed>(KName, &KParent())
                                      .str("Caption", &TNamed::Caption, &TNamed::SetCaption)
                                      .str("Hint", &TNamed::Hint, &TNamed::SetHint)
                                      .ord("ShowHint", BooleanType(), &TNamed::ShowHint, &TNamed::SetShowHint)
                                      .build();
    return info;
}

const ClassInfo& componentClass() {
    return TComponent::StaticClass();
}
constexpr char kRdLabel[] = "TRdLabel", kMyLabel[] = "TMyRdLabel", kButton[] = "TButton",
               kNote[] = "TRdImageNote", kOther[] = "TPanel", kReport[] = "TReportTab";
using TRdLabel = TNamed<kRdLabel, componentClass>;
using TMyRdLabel = TNamed<kMyLabel, TRdLabel::StaticClass>; // subclasses follow their parent's rule
using TButton = TNamed<kButton, componentClass>;
using TRdImageNote = TNamed<kNote, componentClass>;
using TPanel = TNamed<kOther, componentClass>;
using TReportTab = TNamed<kReport, componentClass>;

class TComboBox : public TComponent {
    VELL_CLASS_INFO()
  public:
    TComboBox(TComponent* owner, const char* name) : TComponent(owner), items_(std::make_unique<TStrings>()) {
        SetName(name);
        items_->Add(u"one");
        items_->Add(u"two");
    }
    TStrings* Items() const { return items_.get(); }
    void SetItems(TStrings* v) { items_->Assign(v); }
    int ItemIndex() const { return index_; }
    void SetItemIndex(int v) { index_ = v; }
    std::unique_ptr<TStrings> items_;
    int index_ = 1;
};
const ClassInfo& TComboBox::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TComboBox>("TComboBox", &TComponent::StaticClass())
            .obj("Items", ClassTypeOf<TStrings>(), &TComboBox::Items, &TComboBox::SetItems)
            .ord("ItemIndex", IntegerType(), &TComboBox::ItemIndex, &TComboBox::SetItemIndex)
            .build();
    return info;
}

struct Fixture {
    TempDir dir;
    TLanguage lan{u"VLR", dir.path()};
    explicit Fixture(const std::string& lng) {
        writeFile(dir / u"English.lng", "\xEF\xBB\xBF" + lng);
        lan.SetLanByName(u"English");
    }
};

} // namespace

TEST(ApplyLan, ComponentsTakeTheirTextsByClassRule) {
    Fixture f("[VLR_frm_Test]\r\n"
              "lbl_A.Caption=Label A\r\nlbl_A.Hint=Hint A\r\n"
              "lbl_Sub.Caption=Sub<br>label\r\n"
              "btn_B.Caption=Button B\r\nbtn_B.Hint=not for buttons\r\n"
              "note_Off.Hint=hidden note\r\nnote_On.Hint=shown note\r\n"
              "pnl_P.Caption=panel\r\n"
              "cmb_C.Items[1].Caption=Two\r\n"
              "[VLR_rpt_R]\r\nbtn_In.Caption=Inside report\r\n");
    TComponent form(nullptr);
    form.SetName("frm_Test");
    auto* a = new TRdLabel(&form, "lbl_A");
    auto* sub = new TMyRdLabel(&form, "lbl_Sub");
    auto* b = new TButton(&form, "btn_B");
    auto* off = new TRdImageNote(&form, "note_Off");
    auto* on = new TRdImageNote(&form, "note_On");
    on->showHint_ = true;
    auto* p = new TPanel(&form, "pnl_P");
    auto* c = new TComboBox(&form, "cmb_C");
    auto* report = new TReportTab(&form, "rpt_R");
    auto* inner = new TButton(report, "btn_In");

    f.lan.ApplyLan(&form);
    EXPECT_EQ(a->caption_, u"Label A");
    EXPECT_EQ(a->hint_, u"Hint A");
    EXPECT_EQ(sub->caption_, u"Sub\r\nlabel");
    EXPECT_EQ(sub->hint_, u"old hint"); // missing key: the current text stays
    EXPECT_EQ(b->caption_, u"Button B");
    EXPECT_EQ(b->hint_, u"old hint");
    EXPECT_EQ(off->hint_, u"old hint");
    EXPECT_EQ(on->hint_, u"shown note");
    EXPECT_EQ(p->caption_, u"old caption");
    EXPECT_EQ(c->items_->Strings(0), u"one");
    EXPECT_EQ(c->items_->Strings(1), u"Two");
    EXPECT_EQ(c->index_, 1);
    EXPECT_EQ(inner->caption_, u"Inside report");
}

TEST(ApplyLan, UnnamedFormsAndFailuresLeaveTheRestAlone) {
    Fixture f("[VLR_frm_F]\r\nb1.Caption=first\r\nb2.Caption=boom\r\nb3.Caption=third\r\n");
    TComponent form(nullptr);
    auto* b1 = new TButton(&form, "b1");
    f.lan.ApplyLan(&form); // no name: nothing
    EXPECT_EQ(b1->caption_, u"old caption");

    form.SetName("frm_F");
    auto* b2 = new TButton(&form, "b2");
    auto* b3 = new TButton(&form, "b3");
    f.lan.ApplyLan(&form);
    EXPECT_EQ(b1->caption_, u"first");
    EXPECT_EQ(b2->caption_, u"old caption"); // refused the text: the walk ends here
    EXPECT_EQ(b3->caption_, u"old caption");

    TComponent app(nullptr);
    TComponent* owned = new TComponent(&app);
    owned->SetName("frm_F");
    auto* b4 = new TButton(owned, "b1");
    f.lan.ApplyLanAll(&app);
    EXPECT_EQ(b4->caption_, u"first");
}
