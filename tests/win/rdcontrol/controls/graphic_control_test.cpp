// Windowless skinned controls nested in each other: edges, scrolling content, hit tests,
// mouse routing through three levels (also beyond 16-bit coordinates), the refusal to be
// destroyed from the control's own handler, z-order ranks, streaming, and painting through
// the skin's draw buffer (half opacity, no second own paint until invalidated).
#include "core/component/reader.h"
#include "core/component/writer.h"
#include "platform/image/engine_startup.h"
#include "rdcontrol/base/graphic_control.h"
#include "rdcontrol/register_controls.h"
#include "tests/support/toolkit_helpers.h"
#include "toolkit/forms.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace vell;
using rd::TRdGraphicControl;

namespace {

// Fills itself with its colour and records what reached it.
class TBox : public TRdGraphicControl {
    VELL_CLASS_INFO()
  public:
    explicit TBox(tk::TComponent* AOwner) : TRdGraphicControl(AOwner) { SetColor(0x000000FF); }
    int paints = 0;
    std::vector<POINT> downs;
    std::function<void()> onDown;

  protected:
    void Paint() override {
        ++paints;
        Canvas()->Brush()->SetColor(Color());
        Canvas()->FillRect(GetClientRect());
    }
    void MouseDown(tk::TMouseButton Button, tk::TShiftState Shift, int X, int Y) override {
        downs.push_back(POINT{X, Y});
        if (onDown) onDown();
        TRdGraphicControl::MouseDown(Button, Shift, X, Y);
    }
};

const tk::ClassInfo& TBox::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TBox>("TBox", &TRdGraphicControl::StaticClass()).build();
    return info;
}

TBox* box(tk::TComponent* owner, tk::TWinControl* window, TRdGraphicControl* container, RECT r) {
    auto* b = new TBox(owner);
    if (container)
        b->SetGraphicParent(container);
    else
        b->SetParent(window);
    b->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    return b;
}

struct Host {
    tk::TForm form{nullptr};
    Host() {
        static bool engine = (image::StartImageEngine(), true);
        (void)engine;
        form.SetBounds(0, 0, 600, 400);
        form.HandleNeeded();
    }
};

LPARAM at(int x, int y) {
    return MAKELPARAM(x, y);
}

} // namespace

TEST(GraphicControl, EdgesScrollAndCoordinates) {
    Host h;
    TBox* outer = box(&h.form, &h.form, nullptr, {0, 0, 500, 300});
    TBox* child = box(&h.form, nullptr, outer, {20, 10, 120, 60});
    EXPECT_EQ(child->Container(), outer);
    EXPECT_EQ(child->Parent(), &h.form);
    EXPECT_EQ(child->Left_Invert(), 380);
    child->SetLeft_Invert(0);
    EXPECT_EQ(child->Left(), 400);
    EXPECT_EQ(child->Top_Bottom(), 60);
    child->SetBounds(10, 10, 50, 50);

    outer->SetScroll(0, 30);
    EXPECT_EQ(outer->ControlAtPos(POINT{15, 0}, false), child);    // content point (15, 30)
    EXPECT_EQ(outer->ControlAtPos(POINT{15, 29}, false), child);   // content (15, 59)
    EXPECT_EQ(outer->ControlAtPos(POINT{15, 31}, false), nullptr); // content (15, 61)
    EXPECT_EQ(child->ClientToParent(POINT{0, 0}, outer).x, 10);
    EXPECT_EQ(child->ClientToParent(POINT{0, 0}, outer).y, 10);
    EXPECT_EQ(child->ClientToParent(POINT{0, 0}, &h.form).y, -20); // drawn 30 higher
    EXPECT_THROW(child->SetGraphicParent(child), tk::EInvalidOperation);
    TBox* deeper = box(&h.form, nullptr, child, {0, 0, 5, 5});
    EXPECT_THROW(outer->SetGraphicParent(deeper), tk::EInvalidOperation); // no loops either
}

TEST(GraphicControl, HitTestsAndTheTransparentContainer) {
    Host h;
    TBox* outer = box(&h.form, &h.form, nullptr, {0, 0, 200, 200});
    box(&h.form, nullptr, outer, {50, 50, 100, 100});
    auto hit = [&](int x, int y) { return tk::SendPointMessage(outer, tk::CM_HITTEST, 0, POINT{x, y}); };
    EXPECT_EQ(hit(10, 10), HTCLIENT);
    outer->OnMouseHitTest = [](tk::TObject*, int, int, LRESULT& r) { r = HTTRANSPARENT; };
    EXPECT_EQ(hit(10, 10), HTTRANSPARENT);
    EXPECT_EQ(hit(60, 60), HTCLIENT); // a nested child lies there
    outer->OnMouseHitTest = nullptr;
    outer->SetHitTest(false);
    EXPECT_EQ(hit(10, 10), 0);
    EXPECT_EQ(hit(60, 60), 0);
}

TEST(GraphicControl, ClicksReachTheDeepestChildThroughScrolledContainers) {
    Host h;
    TBox* level1 = box(&h.form, &h.form, nullptr, {10, 10, 510, 210});
    TBox* level2 = box(&h.form, nullptr, level1, {0, 0, 60000, 200});
    TBox* level3 = box(&h.form, nullptr, level2, {39990, 20, 40090, 120});
    level1->SetScroll(39900, 0);
    // Window point (110, 40): level1 (100, 30) -> content (40000, 30) -> level2 (40000, 30)
    // -> level3 (10, 10).
    h.form.Perform(WM_LBUTTONDOWN, MK_LBUTTON, at(110, 40));
    h.form.Perform(WM_LBUTTONUP, 0, at(110, 40));
    ASSERT_EQ(level3->downs.size(), 1u);
    EXPECT_EQ(level3->downs[0].x, 10);
    EXPECT_EQ(level3->downs[0].y, 10);
    // Beside level3: level2 gets the point in full precision.
    h.form.Perform(WM_LBUTTONDOWN, MK_LBUTTON, at(300, 40));
    h.form.Perform(WM_LBUTTONUP, 0, at(300, 40));
    ASSERT_EQ(level2->downs.size(), 1u);
    EXPECT_EQ(level2->downs[0].x, 40190);
    EXPECT_TRUE(level1->downs.empty());
}

TEST(GraphicControl, DestroyingFromItsOwnHandlerIsRefused) {
    Host h;
    TBox* b = box(&h.form, &h.form, nullptr, {0, 0, 100, 100});
    b->SetName("victim");
    std::string error;
    b->onDown = [&] {
        try {
            tk::Free(b);
        } catch (const std::exception& e) {
            error = e.what();
        }
    };
    h.form.Perform(WM_LBUTTONDOWN, MK_LBUTTON, at(5, 5));
    h.form.Perform(WM_LBUTTONUP, 0, at(5, 5));
    EXPECT_EQ(error.rfind("[1]Can't Destroy ", 0), 0u) << error;
    EXPECT_EQ(error, "[1]Can't Destroy \"victim\" In Self.ProcessMsg!");
    EXPECT_EQ(b->Perform(tk::CM_HITTEST, 0, 0), HTCLIENT); // still alive
    b->onDown = nullptr;
    tk::Free(b); // outside its handler it goes
}

TEST(GraphicControl, RanksKeepTheZOrder) {
    Host h;
    TBox* outer = box(&h.form, &h.form, nullptr, {0, 0, 100, 100});
    std::vector<TBox*> kids;
    for (int i = 0; i < 5; ++i)
        kids.push_back(box(&h.form, nullptr, outer, {0, 0, 50, 50}));
    EXPECT_EQ(outer->ControlAtPos(POINT{1, 1}, false), kids[4]);
    kids[1]->BringToFront();
    EXPECT_EQ(outer->ControlAtPos(POINT{1, 1}, false), kids[1]);
    kids[1]->SendToBack();
    kids[3]->SendToBack();
    std::vector<TRdGraphicControl*> order;
    for (int i = 0; i < outer->ControlCount(); ++i)
        order.push_back(outer->GetControl(i));
    EXPECT_EQ(order, (std::vector<TRdGraphicControl*>{kids[3], kids[1], kids[0], kids[2], kids[4]}));
    for (int i = 1; i < outer->ControlCount(); ++i)
        EXPECT_LT(outer->GetControl(i - 1)->Rank(), outer->GetControl(i)->Rank());
    outer->MoveChild(kids[4], 2);
    EXPECT_EQ(outer->GetControl(2), kids[4]);
    for (int i = 1; i < outer->ControlCount(); ++i)
        EXPECT_LT(outer->GetControl(i - 1)->Rank(), outer->GetControl(i)->Rank());
}

TEST(GraphicControl, NestedDescriptionsReadAndWriteBack) {
    tk::RegisterClassInfo(TBox::StaticClass());
    rd::RegisterSkinnedControls();
    tk::TForm form(nullptr);
    tk::TReader(&form).ReadRootComponent(
        "object f: TForm\n"
        "  object a: TBox\n    Left = 5\n    Width = 300\n    Height = 200\n"
        "    object b: TBox\n      Left = 7\n      Width = 100\n      Height = 80\n"
        "      Anchors = [akTop, akRight]\n      HitTest = False\n"
        "      object c: TBox\n        Width = 10\n        Height = 10\n      end\n"
        "    end\n  end\nend");
    auto* a = static_cast<TRdGraphicControl*>(form.FindComponent("a"));
    auto* b = static_cast<TRdGraphicControl*>(form.FindComponent("b"));
    auto* c = static_cast<TRdGraphicControl*>(form.FindComponent("c"));
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(b->GraphicParent(), a);
    EXPECT_EQ(c->GraphicParent(), b);
    EXPECT_EQ(c->Parent(), &form);
    EXPECT_FALSE(b->HitTest());
    const std::string text = tk::TWriter(&form).WriteRootComponent();
    EXPECT_NE(text.find("object a: TBox"), std::string::npos) << text;
    EXPECT_NE(text.find("      object c: TBox"), std::string::npos) << text; // nested twice
    EXPECT_NE(text.find("DesignSize = ("), std::string::npos) << text;       // b anchors right
    EXPECT_EQ(text.find("Left_Invert"), std::string::npos) << text;
}

TEST(GraphicControl, TranslucentSkinPaintsOnceIntoItsBufferAndBlends) {
    Host h;
    TBox* b = box(&h.form, &h.form, nullptr, {0, 0, 40, 30});
    b->AllSkin()->Draw()->SetDrawAlpha(128);
    tk::test::Surface s(40, 30, RGB(0, 0, 0));
    b->DrawTo(s.dc(), 0, 0);
    EXPECT_EQ(b->paints, 1);
    const COLORREF half = s.at(20, 15);
    EXPECT_NEAR(GetRValue(half), 128, 2);
    EXPECT_EQ(GetBValue(half), 0);
    // Painting again without a change copies from the buffer.
    tk::test::Surface s2(40, 30, RGB(0, 0, 255));
    b->DrawTo(s2.dc(), 0, 0);
    EXPECT_EQ(b->paints, 1);
    EXPECT_NEAR(GetRValue(s2.at(20, 15)), 128, 2);
    EXPECT_NEAR(GetBValue(s2.at(20, 15)), 127, 2);
    b->Invalidate();
    b->DrawTo(s2.dc(), 0, 0);
    EXPECT_EQ(b->paints, 2);
    // Opaque again without effects: straight onto the context, every time.
    b->AllSkin()->Draw()->SetDrawAlpha(255);
    b->AllSkin()->FreeDrawBuffer();
    b->DrawTo(s.dc(), 0, 0);
    b->DrawTo(s.dc(), 0, 0);
    EXPECT_EQ(b->paints, 4);
    EXPECT_EQ(s.at(1, 1), RGB(255, 0, 0));
}
