// The reference text of a picture: name=value lines that name a skin picture and the
// options it is drawn with.
//
//   imgname    the graphic; a name ending in ">" is an animation: pattern<script>
//   imgrect    source clip "Left,Top,Right,Bottom" (0,0,0,0 = whole picture)
//   imgalpha   opacity 0..255 (-1 or absent = the named picture's)
//   imgsmooth  smoothing filter 0, 1, 2
//   imgopt     nine-slice "Left,Top,Right,Bottom,Mode"
//   duration   animation length in milliseconds
//
// A key written with a trailing "!" (imgrect!, imgalpha!, imgopt!, duration!) marks the
// value as the reference's own: a linked definition does not overwrite it. Other lines
// are carried along unchanged. RdgValues is the state a reference graphic keeps of its
// text; reading and writing it are the portable half of the graphic.
#pragma once
#include "core/containers/string_list.h"
#include "core/design/design_rect.h"
#include "core/rdg/play_script.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vell::rdg {

struct ClipRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool IsSet() const { return Left || Top || Right || Bottom; }
    bool operator==(const ClipRect&) const = default;
};

// The smoothing filter's ordinals (the image's TPngSmoothFilter).
enum : std::uint8_t { kSmoothDefault = 0, kSmoothFast = 1, kSmooth = 2 };

struct RdgValues {
    TStringValueList Values; // the reference text lines, in name order
    std::u16string ImgName;
    ClipRect SrcClip;
    int AlphaBlendValue = -1;
    std::uint8_t SmoothFilter = kSmoothDefault;
    int Duration = -1;
    bool ImgOptCustom = false, SrcClipCustom = false, ImgAlphaCustom = false, DurationCustom = false;
    std::u16string PlayImgNameBase; // frame name pattern, empty = no animation
    std::u16string PlayScript;
    std::unique_ptr<PlayList> PlayIndexList; // null = no compiled script
    int PlayIndex = -1, PlayFirst = 0, PlayLast = 0;

    // Everything back to "no name": the InitParams reset of LoadFromStrings. The option
    // is reset without notification.
    void Reset(design::TDesignRect& imgOpt);
};

// Reads a reference text into v and imgOpt (the graphic's nine-slice option).
//  initParams: reset everything first.
//  selfUpdate: the text comes from the graphic itself (a definition refreshing it):
//              imgname and the play script are left as they are.
// Values already marked custom are not read again. Unreadable numbers keep the old value.
void LoadFromStrings(RdgValues& v, design::TDesignRect& imgOpt, const std::vector<std::u16string>& strs,
                     bool selfUpdate, bool initParams);

// Writes the reference text: the value list, minus the lines a linked definition gives
// the same value (definition may be null), with imgname and the custom "!" keys set.
std::vector<std::u16string> SaveToStrings(const RdgValues& v, const design::TDesignRect& imgOpt,
                                          const std::vector<std::u16string>* definition);

// What a reference takes from the definition it links to (dv, dOpt): the definition's
// lines under their plain names (not imgname), and every value the reference does not
// hold as its own; the play pattern, script and list always.
void CopyDefinition(RdgValues& v, design::TDesignRect& opt, const RdgValues& dv,
                    const design::TDesignRect& dOpt);

} // namespace vell::rdg
