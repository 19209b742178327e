// The play script of an animated picture reference: imgname=images/f_%d.png<0-9r,d=500>
// names frame pictures by a pattern and plays them in the order the script between "<"
// and ">" gives. The script compiles into a play list of frames, jumps and duration
// markers.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace vell::rdg {

enum class PlayEntryKind { Frame, Jump, Duration };

// Frame: value = frame number. Jump: value = list position to continue at.
// Duration: value = interval in milliseconds for each frame of the group that follows,
// total = the group's duration (the entry's text is "d=" + total).
struct PlayEntry {
    PlayEntryKind kind;
    int value = 0;
    int total = 0;
    bool operator==(const PlayEntry&) const = default;
};

struct PlayList {
    std::vector<PlayEntry> entries;
    int firstMarker = -1; // position of the first duration marker, -1 without one
};

// Hostile scripts cannot make huge lists: compiling stops before the list grows past this.
inline constexpr int kMaxPlayEntries = 10000;

// Compiles a lower-case script. duration holds the duration read from the reference
// text and is updated by d= items (unless durationCustom, where a d= item ends the
// script) and finally set to the first group's duration. Reading stops quietly at the
// first item that does not fit; what was compiled until then stays.
PlayList compilePlayScript(std::u16string_view script, int& duration, bool durationCustom);

// A frame's picture name: the pattern with the frame number put in for its one integer
// conversion (%d, %i or %u with optional flags and width, as printf has them); "%%" is a
// percent sign. Anything else is copied as it stands, so a pattern from a skin can never
// make the formatting read what is not there.
std::u16string FrameName(std::u16string_view pattern, int frame);

} // namespace vell::rdg
