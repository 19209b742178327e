// Where a skinned hint goes: next to its control, on the side the control's quarter of its
// form chooses, with an arrow on the edge that faces the control; flipped to the other
// side when it would leave the work area across that edge, shifted along the edge to stay
// inside, and clamped last. Also the fade steps of showing and hiding. Portable: screen
// rectangles in, rectangles out.
#pragma once

namespace vell::hint {

struct Box {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const Box&) const = default;
};

// Where the hint lies relative to its control; the arrow is on the facing edge.
enum class Side { Below, Above, Right, Left };

struct ArrowSizes { // the arrow pictures' sizes (0 x 0: no picture)
    int UpW = 0, UpH = 0, DownW = 0, DownH = 0, LeftW = 0, LeftH = 0, RightW = 0, RightH = 0;
};

struct PlacementInput {
    Box Control;                        // the control's screen rectangle
    Box WorkArea;                       // of the monitor nearest the control (or the form's client area)
    int ReferenceX = 0, ReferenceY = 0; // the centre of the control's form or monitor
    int BodyWidth = 0, BodyHeight = 0;  // the hint window
    Box ShadowFrame;                    // margins of the shadow layer around the body
    ArrowSizes Arrows;
    bool ShowArrow = true;
    bool HorizontalArrows = false; // arrows on the left/right edges
    bool Centred = true;           // centred on the control (else at its near corner)
    bool ArrowAutoUp = false, ArrowAutoDown = false;
    int TipLeftOffX = 0, TipRightOffX = 0, TipUpOffY = 0, TipDownOffY = 0;
    int ArrowOffX = 0, ArrowOffY = 0; // added to the arrow's place
    // Added to the arrow of the edge its picture belongs to: top (up picture), bottom,
    // left, right.
    int ArrowOffsetUpY = 0, ArrowOffsetDownY = 0, ArrowOffsetLeftX = 0, ArrowOffsetRightX = 0;
    int Quadrant = 0; // 1..4 chosen by the caller; 0: from the reference point
};

struct Placement {
    Box Body;         // the window, screen coordinates
    int Quadrant = 0; // 1 upper left, 2 upper right, 3 lower left, 4 lower right
    Side Where = Side::Below;
    bool ArrowShown = false;
    Box Arrow; // in the shadow layer's coordinates
};

// 1..4 for the control's centre against the reference (on the reference: right, below).
int QuadrantOf(const Box& Control, int ReferenceX, int ReferenceY);
Placement Place(const PlacementInput& In);

// Whether the system scales a monitor's pixels: its rectangle's size differs from its
// display mode's pixel size (either way round, for a turned monitor).
bool MonitorScaled(int MonitorWidth, int MonitorHeight, int ModeWidth, int ModeHeight);

// The fade: the alpha values shown from Start up to Target in steps of Target / Times (at
// least 1), the last capped at Target.
int FadeStep(int Target, int Times);
int FadeInNext(int Alpha, int Target, int Step);
// Down by one step, 0 when below one step.
int FadeOutNext(int Alpha, int Step);

} // namespace vell::hint
