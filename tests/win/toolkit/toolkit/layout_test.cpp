#include "tests/support/toolkit_helpers.h"

#include <gtest/gtest.h>

using namespace vell::tk;
using namespace vell::tk::test;

TEST(Layout, AlignFillsEdgesInOrderThenTheRest) {
    TPanel host(nullptr);
    host.SetBounds(0, 0, 200, 100);
    auto* top = new TBlock(&host, {0, 0, 50, 10}, 0);
    auto* bottom = new TBlock(&host, {0, 0, 50, 20}, 0);
    auto* left = new TBlock(&host, {0, 0, 30, 50}, 0);
    auto* right = new TBlock(&host, {0, 0, 40, 50}, 0);
    auto* client = new TBlock(&host, {0, 0, 5, 5}, 0);
    top->SetAlign(alTop);
    bottom->SetAlign(alBottom);
    left->SetAlign(alLeft);
    right->SetAlign(alRight);
    client->SetAlign(alClient);
    struct Case {
        TControl* c;
        RECT expected;
    } cases[] = {{top, {0, 0, 200, 10}},
                 {bottom, {0, 80, 200, 20}},
                 {left, {0, 10, 30, 70}},
                 {right, {160, 10, 40, 70}},
                 {client, {30, 10, 130, 70}}};
    for (const Case& c : cases)
        EXPECT_EQ(str(boundsOf(*c.c)), str(c.expected));

    host.SetBounds(0, 0, 300, 150);
    EXPECT_EQ(str(boundsOf(*client)), str(RECT{30, 10, 230, 120}));
    EXPECT_EQ(str(boundsOf(*right)), str(RECT{260, 10, 40, 120}));

    // Padding shrinks the space; a hidden control takes none.
    host.Padding()->SetLeft(5);
    left->SetVisible(false);
    EXPECT_EQ(str(boundsOf(*client)), str(RECT{5, 10, 255, 120}));

    // Constraints win over alignment.
    client->Constraints()->SetMaxWidth(50);
    EXPECT_EQ(client->Width(), 50);
}

TEST(Layout, AnchorsFollowTheParentsSize) {
    struct Case {
        TAnchors anchors;
        RECT start;
        RECT expected; // after the parent grows from 200 x 100 to 300 x 160
    } cases[] = {
        {{akLeft, akTop}, {20, 20, 50, 30}, {20, 20, 50, 30}},
        {{akRight, akBottom}, {20, 20, 50, 30}, {120, 80, 50, 30}},
        {{akLeft, akTop, akRight}, {20, 20, 50, 30}, {20, 20, 150, 30}},
        {{akTop, akBottom}, {20, 20, 50, 30}, {43, 20, 50, 90}}, // no horizontal anchor: centred
        {{}, {75, 35, 50, 30}, {125, 65, 50, 30}},               // the centre keeps its proportion
    };
    for (const Case& c : cases) {
        TPanel host(nullptr);
        host.SetBounds(0, 0, 200, 100);
        auto* b = new TBlock(&host, c.start, 0);
        b->SetAnchors(c.anchors);
        host.SetBounds(0, 0, 300, 160);
        EXPECT_EQ(str(boundsOf(*b)), str(c.expected)) << str(c.start);
        // Back to the first size: back to the first place.
        host.SetBounds(0, 0, 200, 100);
        EXPECT_EQ(str(boundsOf(*b)), str(c.start));
    }
}

namespace {
class TLayoutForm : public TForm {
    VELL_CLASS_INFO()
  public:
    using TForm::TForm;
};
const ClassInfo& TLayoutForm::StaticClass() {
    static const ClassInfo info = ClassBuilder<TLayoutForm>("TLayoutForm", &TForm::StaticClass()).build();
    return info;
}

const char* kAnchoredForm = R"(object frm_Layout: TLayoutForm
  BorderStyle = bsNone
  ClientHeight = 240
  ClientWidth = 400
  Scaled = False
  object pnl: TPanel
    Left = 0
    Top = 0
    Width = 200
    Height = 120
    Align = alClient
    DesignSize = (
      200
      120)
    object lbl: TLabel
      Left = 20
      Top = 80
      Width = 160
      Height = 30
      Anchors = []
      AutoSize = False
      ParentFont = False
      Font.Height = -15
      Font.Name = 'Tahoma'
    end
    object img: TImage
      Left = 0
      Top = 0
      Width = 10
      Height = 10
      Align = alClient
      ExplicitLeft = 112
      ExplicitTop = 72
      ExplicitWidth = 105
      ExplicitHeight = 105
    end
  end
end)";
} // namespace

TEST(Layout, DescriptionDesignSizeAnchorsAndScaleBy) {
    TLayoutForm form(nullptr);
    form.ReadDescription(kAnchoredForm);
    auto* pnl = dynamic_cast<TPanel*>(form.FindComponent("pnl"));
    auto* lbl = dynamic_cast<TLabel*>(form.FindComponent("lbl"));
    auto* img = dynamic_cast<TImage*>(form.FindComponent("img"));
    ASSERT_TRUE(pnl && lbl && img);
    EXPECT_EQ(form.ClientWidth(), 400);
    EXPECT_EQ(str(boundsOf(*pnl)), str(RECT{0, 0, 400, 240}));
    EXPECT_EQ(str(boundsOf(*img)), str(RECT{0, 0, 400, 240}));
    // Anchored to nothing: the label's centre keeps its place relative to the design size.
    EXPECT_EQ(str(boundsOf(*lbl)), str(RECT{120, 175, 160, 30}));
    EXPECT_EQ(str(img->ExplicitBounds()), str(RECT{112, 72, 217, 177}));

    form.ScaleBy(2, 1);
    EXPECT_EQ(form.ClientWidth(), 800);
    EXPECT_EQ(form.ClientHeight(), 480);
    EXPECT_EQ(str(boundsOf(*lbl)), str(RECT{240, 350, 320, 60}));
    EXPECT_EQ(lbl->Font()->Height(), -30);
    EXPECT_EQ(str(boundsOf(*img)), str(RECT{0, 0, 800, 480}));
}

TEST(Layout, ParentAndZOrder) {
    TPanel a(nullptr), b(nullptr);
    auto* x = new TBlock(&a, {0, 0, 10, 10}, 0);
    auto* y = new TBlock(&a, {0, 0, 10, 10}, 0);
    EXPECT_EQ(a.IndexOfControl(x), 0);
    x->BringToFront();
    EXPECT_EQ(a.IndexOfControl(x), 1);
    x->SendToBack();
    EXPECT_EQ(a.IndexOfControl(x), 0);
    y->SetParent(&b);
    EXPECT_EQ(a.ControlCount(), 1);
    EXPECT_EQ(b.Controls(0), y);
    EXPECT_THROW(a.SetParent(&a), EInvalidOperation);
    EXPECT_THROW(x->ClientToParent(POINT{0, 0}, &b), EInvalidOperation);
    x->SetBounds(7, 9, 10, 10);
    POINT p = x->ClientToParent(POINT{1, 1});
    EXPECT_EQ(p.x, 8);
    EXPECT_EQ(p.y, 10);
}
