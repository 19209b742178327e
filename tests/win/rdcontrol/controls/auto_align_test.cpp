// Docking a control to another: placement by align and anchors as the source moves and
// resizes, chains of docked controls, refused cycles, a source that goes away, streaming;
// and the size limits by right and bottom edge.
#include "core/component/reader.h"
#include "core/component/writer.h"
#include "rdcontrol/base/auto_align.h"
#include "toolkit/stdctrls.h"

#include <gtest/gtest.h>

#include <memory>

using namespace vell;
using rd::TRdAutoAlign;
using tk::akBottom;
using tk::akLeft;
using tk::akRight;
using tk::akTop;
using tk::TAnchors;

namespace {

class TDocked : public tk::TPaintBox {
    VELL_CLASS_INFO()
  public:
    explicit TDocked(tk::TComponent* AOwner)
        : tk::TPaintBox(AOwner), FAutoAlign(std::make_unique<TRdAutoAlign>(this)) {}
    ~TDocked() override { FAutoAlign.reset(); }
    TRdAutoAlign* AutoAlign() const { return FAutoAlign.get(); }
    void SetAutoAlign(TRdAutoAlign* v) { FAutoAlign->Assign(v); }

  private:
    std::unique_ptr<TRdAutoAlign> FAutoAlign;
};

const tk::ClassInfo& TDocked::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TDocked>("TDocked", &tk::TPaintBox::StaticClass())
            .obj("AutoAlign", tk::ClassTypeOf<TRdAutoAlign>(), &TDocked::AutoAlign, &TDocked::SetAutoAlign)
            .build();
    return info;
}

RECT bounds(const tk::TControl& c) {
    return c.GetBoundsRect();
}

struct Pair {
    tk::TPanel host{nullptr};
    TDocked* source;
    TDocked* owner;
    Pair() {
        rd::StartFollowingMoves(); // the skinned library's start puts it in place
        host.SetBounds(0, 0, 1000, 1000);
        source = new TDocked(&host);
        source->SetParent(&host);
        owner = new TDocked(&host);
        owner->SetParent(&host);
        source->SetBounds(100, 100, 200, 50);
        owner->SetBounds(0, 0, 80, 40);
    }
};

} // namespace

TEST(AutoAlign, BottomDockFollowsMovesAndGrowsWithBothAnchors) {
    Pair p;
    p.owner->AutoAlign()->SetSource(p.source);
    EXPECT_EQ(p.owner->Top(), 150); // the source's bottom
    EXPECT_EQ(p.owner->Left(), 0);
    p.source->SetLeft(120);
    EXPECT_EQ(p.owner->Left(), 20); // akLeft: followed by 20
    p.owner->AutoAlign()->SetAnchors(TAnchors{akLeft, akRight});
    p.source->SetWidth(230);
    EXPECT_EQ(p.owner->Width(), 110);
    p.source->SetHeight(70);
    EXPECT_EQ(p.owner->Top(), 170);
    EXPECT_EQ(p.owner->Align(), tk::alNone); // docked by the aligner, not by its own align
}

TEST(AutoAlign, PlacementByAlign) {
    struct Case {
        tk::TAlign align;
        bool margins;
        RECT expected; // owner after SetSource, then after the source moved by (+10, +5) and grew by (+20,
                       // +30)
        RECT moved;
    } cases[] = {
        {tk::alTop, false, {0, 60, 80, 100}, {10, 65, 90, 105}},
        {tk::alTop, true, {0, 50, 80, 90}, {10, 55, 90, 95}},
        {tk::alLeft, false, {20, 0, 100, 40}, {30, 5, 110, 45}},
        {tk::alRight, false, {300, 0, 380, 40}, {330, 5, 410, 45}},
        {tk::alCustom, false, {0, 0, 80, 40}, {10, 5, 90, 45}},
        {tk::alNone, false, {0, 0, 80, 40}, {0, 0, 80, 40}},
    };
    for (const Case& c : cases) {
        Pair p;
        p.owner->SetAlignWithMargins(c.margins);
        p.owner->Margins()->SetBounds(3, 4, 5, 10);
        p.owner->AutoAlign()->SetAlign(c.align);
        p.owner->AutoAlign()->SetSource(p.source);
        RECT r = bounds(*p.owner);
        EXPECT_EQ(r.left, c.expected.left) << c.align;
        EXPECT_EQ(r.top, c.expected.top) << c.align;
        EXPECT_EQ(r.right, c.expected.right) << c.align;
        EXPECT_EQ(r.bottom, c.expected.bottom) << c.align;
        p.source->SetBounds(110, 105, 220, 80);
        r = bounds(*p.owner);
        EXPECT_EQ(r.left, c.moved.left) << c.align;
        EXPECT_EQ(r.top, c.moved.top) << c.align;
        EXPECT_EQ(r.right, c.moved.right) << c.align;
        EXPECT_EQ(r.bottom, c.moved.bottom) << c.align;
    }
}

TEST(AutoAlign, ClientCoversTheSourceAndFollowsItsEdges) {
    Pair p;
    p.owner->AutoAlign()->SetAlign(tk::alClient);
    p.owner->AutoAlign()->SetSource(p.source);
    p.owner->AutoAlign()->UpdateAlign(true);
    EXPECT_EQ(bounds(*p.owner).left, 100);
    EXPECT_EQ(bounds(*p.owner).bottom, 150);
    EXPECT_EQ(p.owner->Width(), 200);
    p.source->SetBounds(90, 100, 260, 60); // left moved, right moved
    EXPECT_EQ(bounds(*p.owner).left, 90);
    EXPECT_EQ(p.owner->Width(), 260);
    EXPECT_EQ(p.owner->Height(), 60); // the bottom moved: the height grew with it
}

TEST(AutoAlign, ChainsCyclesAndSourcesThatGo) {
    tk::TPanel host(nullptr);
    auto* a = new TDocked(&host);
    auto* b = new TDocked(&host);
    auto* c = new TDocked(&host);
    for (TDocked* d : {a, b, c})
        d->SetParent(&host);
    a->SetBounds(0, 0, 100, 20);
    b->SetBounds(0, 0, 100, 20);
    c->SetBounds(0, 0, 100, 20);
    b->AutoAlign()->SetSource(a);
    c->AutoAlign()->SetSource(b);
    EXPECT_EQ(c->Top(), 40);
    a->SetTop(100); // b follows a, c follows b
    EXPECT_EQ(b->Top(), 120);
    EXPECT_EQ(c->Top(), 140);
    ASSERT_EQ(a->AutoAlign()->Childs().size(), 1u);

    a->AutoAlign()->SetSource(c); // c follows b follows a: refused
    EXPECT_EQ(a->AutoAlign()->Source(), nullptr);

    delete b; // c now follows a
    EXPECT_EQ(c->AutoAlign()->Source(), a);
    EXPECT_EQ(c->Top(), 120);
    delete a;
    EXPECT_EQ(c->AutoAlign()->Source(), nullptr);
}

TEST(AutoAlign, StreamsWithItsOwner) {
    tk::RegisterClassInfo(TDocked::StaticClass());
    tk::TPanel root(nullptr);
    root.SetName("root");
    tk::TReader(&root).ReadRootComponent(
        "object root: TPanel\n"
        "  object s: TDocked\n    Left = 10\n    Top = 10\n    Width = 50\n    Height = 30\n  end\n"
        "  object o: TDocked\n    Width = 20\n    Height = 20\n    AutoAlign.Align = alRight\n"
        "    AutoAlign.Source = s\n    Constraints.MaxRight = 70\n  end\nend");
    auto* o = static_cast<TDocked*>(root.FindComponent("o"));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->AutoAlign()->Source(), root.FindComponent("s"));
    EXPECT_EQ(o->Left(), 60);
    EXPECT_EQ(o->Width(), 10); // the right edge may not pass 70
    const std::string text = tk::TWriter(&root).WriteRootComponent();
    EXPECT_NE(text.find("AutoAlign.Align = alRight"), std::string::npos) << text;
    EXPECT_NE(text.find("AutoAlign.Source = s"), std::string::npos) << text;
    EXPECT_NE(text.find("Constraints.MaxRight = 70"), std::string::npos) << text;
    EXPECT_EQ(text.find("AutoAlign.Anchors"), std::string::npos) << text; // the align's default
}

TEST(SizeConstraints, RightAndBottomEdgesLimitTheSize) {
    tk::TPanel host(nullptr);
    auto* d = new TDocked(&host);
    d->Constraints()->SetMaxWidth(500);
    d->SetBounds(100, 50, 50, 50);
    auto* limits = static_cast<rd::TRdSizeConstraints*>(d->Constraints());
    EXPECT_EQ(limits->MaxWidth(), 500); // taken over from the control's own constraints
    limits->SetMaxRight(300);
    limits->SetMaxBottom(120);
    d->SetBounds(100, 50, 400, 400);
    EXPECT_EQ(d->Width(), 200);
    EXPECT_EQ(d->Height(), 70);
    d->SetBounds(350, 50, 400, 10); // beyond the edge: at least a pixel
    EXPECT_EQ(d->Width(), 1);
    rd::TRdSizeConstraints copy(nullptr);
    copy.Assign(limits);
    EXPECT_EQ(copy.MaxRight(), 300);
    EXPECT_EQ(copy.MaxBottom(), 120);
    EXPECT_EQ(copy.MaxWidth(), 500);
}
