// The fit of a picture into an area, with both kinds of arithmetic: where they agree and
// where truncation, exact rounding and the centring offsets part.
#include "core/geometry/fit_rect.h"

#include <gtest/gtest.h>

#include <ostream>

namespace vell::geometry {
void PrintTo(const Rect& R, std::ostream* Out) {
    *Out << "{" << R.Left << ", " << R.Top << ", " << R.Right << ", " << R.Bottom << "}";
}
} // namespace vell::geometry

using namespace vell::geometry;

TEST(FitRect, TruncatedAndRoundedFits) {
    struct Case {
        int pw, ph, aw, ah;
        FitOptions options;
        Rect truncated, nearest;
        const char* what;
    } cases[] = {
        {100, 50, 300, 300, {true, true, false}, {0, 0, 300, 150}, {0, 0, 300, 150}, "wide, width-bound"},
        {100, 50, 300, 300, {true, true, true}, {0, 75, 300, 225}, {0, 75, 300, 225}, "centred"},
        {100, 50, 300, 300, {false, true, false}, {0, 0, 100, 50}, {0, 0, 100, 50}, "smaller: its own size"},
        {100, 50, 300, 300, {true, false, false}, {0, 0, 300, 300}, {0, 0, 300, 300}, "stretched"},
        {50, 100, 300, 120, {true, true, true}, {120, 0, 180, 120}, {120, 0, 180, 120}, "tall, height-bound"},
        {50, 100, 30, 120, {true, true, false}, {0, 0, 30, 60}, {0, 0, 30, 60}, "tall, width-bound"},
        {400, 100, 200, 20, {false, true, false}, {0, 0, 80, 20}, {0, 0, 80, 20}, "larger: fitted"},
        {0, 40, 30, 20, {true, true, false}, {0, 0, 30, 20}, {0, 0, 30, 20}, "no width: stretched"},
        {3, 2, 100, 100, {true, true, false}, {0, 0, 100, 66}, {0, 0, 100, 67}, "66.7 truncated or rounded"},
        {7, 3, 35, 100, {true, true, false}, {0, 0, 35, 14}, {0, 0, 35, 15}, "the ratio's 14.999..."},
        {3, 11, 100, 55, {true, true, false}, {0, 0, 14, 55}, {0, 0, 15, 55}, "the same, height first"},
        {200,
         101,
         100,
         50,
         {true, true, false},
         {0, 0, 100, 50},
         {0, 0, 99, 50},
         "50.5 high: kept or refitted"},
        {101, 51, 300, 300, {false, false, true}, {99, 124, 200, 175}, {99, 124, 200, 175}, "odd halves"},
        {101, 51, 50, 50, {false, false, true}, {-26, -1, 75, 50}, {-25, 0, 76, 51}, "negative halves"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FitRect(c.pw, c.ph, c.aw, c.ah, c.options, FitRounding::Truncate), c.truncated) << c.what;
        EXPECT_EQ(FitRect(c.pw, c.ph, c.aw, c.ah, c.options, FitRounding::Nearest), c.nearest) << c.what;
    }
}
