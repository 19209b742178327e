// Diagnostics for developers: text for the debugger output. The core cannot reach the
// debugger itself, so the platform layer installs the sink at start-up; until then the
// text is dropped. The design-mode flag is set once a skinned component is created in a
// form designer; some diagnostics are written only then.
#pragma once
#include <string_view>

namespace vell {

using DebugOutputSink = void (*)(std::u16string_view text);

void SetDebugOutputSink(DebugOutputSink sink); // null drops the text
void DebugOutput(std::u16string_view text);

void SetDesignMode(bool on);
bool IsDesignMode();

// The skin trace switch: turned on the first time a skin class is created for a component
// in a form designer; the skin caches then trace their rebuilds.
void SetSkinDebugTrace(bool on);
bool IsSkinDebugTrace();

} // namespace vell
