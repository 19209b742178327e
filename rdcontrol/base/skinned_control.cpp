#include "rdcontrol/base/skinned_control.h"

namespace vell::rd::edges {

namespace {
// The client size of the control's container; (0, 0) without one.
SIZE containerClient(const tk::TControl& C) {
    const tk::TControl* c = C.Container();
    if (!c) return SIZE{0, 0};
    RECT r = c->GetClientRect();
    return SIZE{r.right - r.left, r.bottom - r.top};
}
} // namespace

int LeftRight(const tk::TControl& C) {
    return C.Left() + C.Width();
}
void SetLeftRight(tk::TControl& C, int Value) {
    C.SetLeft(Value - C.Width());
}
int TopBottom(const tk::TControl& C) {
    return C.Top() + C.Height();
}
void SetTopBottom(tk::TControl& C, int Value) {
    C.SetTop(Value - C.Height());
}

int LeftInvert(const tk::TControl& C) {
    return C.Container() ? containerClient(C).cx - C.Left() - C.Width() : 0;
}
void SetLeftInvert(tk::TControl& C, int Value) {
    C.SetLeft(containerClient(C).cx - Value - C.Width());
}
int TopInvert(const tk::TControl& C) {
    return C.Container() ? containerClient(C).cy - C.Top() - C.Height() : 0;
}
void SetTopInvert(tk::TControl& C, int Value) {
    C.SetTop(containerClient(C).cy - Value - C.Height());
}

} // namespace vell::rd::edges
