// A tree of about 500 nested windowless skinned controls on a shown form: repainting after
// one leaf was invalidated against a full repaint of the tree (the cost should follow the
// dirty area, not the tree's size), and finding the deepest control under a point.
#include "platform/image/engine_startup.h"
#include "rdcontrol/base/graphic_control.h"
#include "toolkit/forms.h"

#include "bench/win/bench_timing.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vell;
using rd::TRdGraphicControl;

namespace {

// Seconds on the benchmarks' shared clock.
double now() {
    return benchtiming::NowMs() / 1e3;
}

class TNode : public TRdGraphicControl {
  public:
    explicit TNode(tk::TComponent* AOwner) : TRdGraphicControl(AOwner) {}
    static inline int paints = 0;

  protected:
    void Paint() override {
        ++paints;
        Canvas()->Brush()->SetColor(Color());
        Canvas()->FillRect(GetClientRect());
    }
};

std::vector<TNode*> leaves;
int count = 0;

// Children side by side inside the parent, `fan` of them, `depth` levels further down.
void grow(tk::TForm& form, TNode* parent, int depth, int fan) {
    if (depth == 0) {
        leaves.push_back(parent);
        return;
    }
    const int w = parent->Width() / fan - 2, h = parent->Height() - 4;
    for (int i = 0; i < fan; ++i) {
        auto* n = new TNode(&form);
        n->SetGraphicParent(parent);
        n->SetBounds(1 + i * (w + 2), 2, std::max(w, 1), std::max(h, 1));
        n->SetColor(RGB(40 * depth, 7 * i, 200 - 30 * depth));
        ++count;
        grow(form, n, depth - 1, depth == 2 ? 3 : 5);
    }
}

void pump(HWND window) {
    ::UpdateWindow(window);
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&m);
}

} // namespace

int main() {
    image::StartImageEngine();
    tk::TForm form(nullptr);
    form.SetBounds(0, 0, 1000, 600);
    auto* root = new TNode(&form);
    root->SetParent(&form);
    root->SetBounds(0, 0, 1000, 600);
    ++count;
    grow(form, root, 4, 5);
    form.Show();
    pump(form.Handle());

    double full = 1e9, one = 1e9, hit = 1e9;
    int fullPaints = 0, onePaints = 0;
    for (int round = 0; round < 10; ++round) {
        TNode::paints = 0;
        double t = now();
        ::RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        full = std::min(full, now() - t);
        fullPaints = TNode::paints;

        TNode::paints = 0;
        TNode* leaf = leaves[static_cast<size_t>(round * 37) % leaves.size()];
        t = now();
        leaf->Invalidate();
        ::UpdateWindow(form.Handle());
        one = std::min(one, now() - t);
        onePaints = TNode::paints;

        POINT p = leaf->ClientToParent(POINT{1, 1}, &form);
        t = now();
        for (int i = 0; i < 1000; ++i)
            form.ControlAtPos(p, false, false, true);
        hit = std::min(hit, (now() - t) / 1000);
    }
    std::printf("Nested tree of %d windowless controls, 5 levels:\n", count);
    std::printf("  full repaint       %8.3f ms  (%d paints)\n", full * 1e3, fullPaints);
    std::printf("  one leaf repainted %8.3f ms  (%d paints)  ratio %.3f (target at most 0.1)\n", one * 1e3,
                onePaints, one / full);
    std::printf("  deepest control under a point: %.2f us\n", hit * 1e6);
    return 0;
}
