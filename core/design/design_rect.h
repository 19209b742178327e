// TDesignRect: the nine-slice option of a picture. Four margins that keep their size
// when the picture is stretched, and a stretch mode saying how the middle parts fill the
// rest. Owners listen through OnChange. A persistent object: form descriptions and skin
// lines set PictureOption.Left = 16 or PictureOption.StretchMode = sdmFill.
#pragma once
#include "core/component/classes.h"

#include <cstdint>
#include <functional>

namespace vell::design {

enum TSuperStretchMode : std::uint8_t { sdmDefault, sdmStretch, sdmFill, sdmFrame, sdmCorner };
inline constexpr int kStretchModeCount = 5;
const tk::TypeInfo& SuperStretchModeType();

class TDesignRect : public tk::TPersistent {
    VELL_CLASS_INFO()
  public:
    // SetValue's markers: keep both values of the axis, or copy the first to the second.
    static constexpr int kKeepAxis = -2000;
    static constexpr int kSameAsFirst = -1000;

    TDesignRect() = default;

    std::function<void(TDesignRect& sender)> OnChange;

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Right() const { return FRight; }
    int Bottom() const { return FBottom; }
    // Index 0..3 = Left, Top, Right, Bottom. Notifies only when the value differs; an
    // index outside 0..3 only notifies.
    int GetIndex(int index) const;
    void SetIndex(int index, int value);
    void SetLeft(int v) { SetIndex(0, v); }
    void SetTop(int v) { SetIndex(1, v); }
    void SetRight(int v) { SetIndex(2, v); }
    void SetBottom(int v) { SetIndex(3, v); }

    TSuperStretchMode StretchMode() const { return FStretchMode; }
    void SetStretchMode(TSuperStretchMode value);

    // All margins 0 and mode sdmDefault.
    bool Empty() const;
    // True resets all five values and notifies; False announces a forced not-empty
    // change: ChangeEmpty() is True while listeners run.
    void SetEmpty(bool value);
    bool ChangeEmpty() const { return FChangeEmpty; }

    // Null sets Empty; another rectangle's five values are copied, with one notification
    // when anything differed; other classes are the framework's assignment error.
    void Assign(const tk::TPersistent* source) override;
    // Copies the five values into dest without notifying it; a null dest resets this
    // rectangle to empty, again without notification.
    void AssignTo(TDesignRect* dest);
    bool Equals(const TDesignRect* other) const;
    // Takes source's five values without notifying.
    void CopyFrom(const TDesignRect& source);

    // Without notification. aRight = kKeepAxis leaves Left and Right unchanged;
    // otherwise Left := aLeft and Right := aRight, kSameAsFirst meaning aLeft. The
    // same for Top and Bottom with aBottom.
    void SetValue(int aLeft, int aTop, int aRight, int aBottom);

  protected:
    virtual void Changed();

  private:
    bool EmptyStored() const { return !Empty(); }

    int FRight = 0;
    int FBottom = 0;
    int FTop = 0;
    int FLeft = 0;
    TSuperStretchMode FStretchMode = sdmDefault;
    bool FChangeEmpty = false;
};

} // namespace vell::design
