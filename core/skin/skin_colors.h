// The skin's colours: sections of name=value lines that become colour items named
// section + "." + key (so a form names "text.cl_txt_hot"). Values:
//
//   &RRGGBB   never tinted          #RRGGBB   always tintable
//   $BBGGRR   as written            r,g,b     three integers (decimal or $hex)
//   RRGGBB    hex digits; in a section of type BGR an integer (decimal or $hex) first
//   [name]    the value of another colour: [#name] tintable, [&name] never, [name] as it
//
// Eight hex digits AARRGGBB keep their top byte (the colour's opacity). In RGB order
// red and blue are exchanged so that the item holds the platform's 0x00BBGGRR.
// References may stand before the colour they name; they are resolved in passes once
// every section is read, and references to names that never appear are dropped.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vell::skin {

enum class ColorOrder { RGB, BGR };

// One value (not a reference). sectionTint: the section's "tint=true". False when the
// value does not parse.
bool ParseSkinColor(std::u16string_view value, ColorOrder order, bool sectionTint, std::uint32_t& color,
                    bool& canTint);

// The colour a reference value names: "[#text.cl_a]", "[&text.cl_a]" and "[text.cl_a]"
// all name "text.cl_a". False when the value is no reference (does not begin with "[").
bool ColorReferenceTarget(std::u16string_view value, std::u16string_view& target);

// Fills SkinColorNames and ColorItemTable (the caller holds their locks, in that order).
// The colour items are entered as the sections come; their lines are gathered and go into
// the sorted SkinColorNames in one step at the end, in the time of one sort.
class SkinColorLoader {
  public:
    // A section's lines; its own "type" line overrides defaultOrder, its "class" and
    // "tint" lines are settings, not colours.
    void AddSection(std::u16string_view section, const std::vector<std::u16string>& lines,
                    ColorOrder defaultOrder);
    // The last step: resolves the pending references (those whose target never appears
    // are dropped), then adds every gathered line to SkinColorNames. A name the list
    // already holds keeps its first line, as adding one by one would; each item's NameIndex
    // is its line's place in the list.
    void ResolveReferences();
    std::size_t PendingCount() const { return pending_.size(); }

  private:
    struct Pending {
        std::u16string line; // section + "." + the unchanged line
        std::uint32_t target;
    };
    struct Line {
        std::u16string text;
        std::uint32_t key; // the colour item's key
    };
    void enter(std::u16string line, std::u16string_view ident, std::uint32_t bgr, bool canTint);
    void addLinesToNames();

    std::vector<Pending> pending_;
    std::vector<Line> lines_; // in the order they were entered
};

// Holds SkinColorNames' lock and then ColorItemTable's (their fixed order), released in
// reverse when it goes.
class SkinColorLock {
  public:
    SkinColorLock();
    ~SkinColorLock();
    SkinColorLock(const SkinColorLock&) = delete;
    SkinColorLock& operator=(const SkinColorLock&) = delete;
};

// The tint pass over the skin colours: every tintable item takes BGR := its untinted
// BGR_org tinted with `tint` (TintColorValue), or BGR_org itself when tint is clNone.
// Holds SkinColorNames' and then ColorItemTable's lock; each distinct untinted value is
// tinted once.
void TintSkinColors(std::uint32_t tint);

} // namespace vell::skin
