// Which device contexts draw into 32-bit alpha pixels.
//
// Two registries, each a TPointerHash with its own lock:
//  - the image registry maps a 32-bit image's memory DC to that image's pixel-storage
//    header (an opaque pointer here; the image model installs the test that reads it);
//  - the foreign registry holds DCs of other code that draw into alpha pixels (MakeDC32).
// The drawing replacements ask IsAlphaDC before every call, so it is one look-up when the
// DC is an ordinary one.
#pragma once
#include "core/containers/hash.h"

#include <windows.h>

namespace vell {

// ---- Images' own DCs ----

// Answers whether a registered header describes a 32-bit layout whose image's AlphaMode
// is not pamIgnore. Until the image model installs one, every registered DC counts.
using ImageHeaderAlphaTest = bool (*)(const void* header);
void SetImageHeaderAlphaTest(ImageHeaderAlphaTest test);

void RegisterImageDC(HDC dc, const void* header); // replaces an earlier entry of dc
void UnregisterImageDC(HDC dc);

// ---- Foreign DCs ----

// Enters dc -> obj unless dc is already there. When more than 5000 ms have passed since
// the registry was last emptied, it is emptied first, so DCs that were never removed do
// not pile up (their handles may be reused by the system).
void MakeDC32(HDC dc, const void* obj);
void RemoveDC32(HDC dc, const void* obj);

// ---- Tests ----

// True for a foreign DC, or an image DC whose header passes the alpha test.
bool IsAlphaDC(HDC dc);
// True for a memory DC whose selected bitmap is a 32-bit DIB section (registered or not).
bool IsDibSection32DC(HDC dc);

// The registries themselves (for diagnostics and tests). The foreign registry keeps the
// tick count of its last emptying in DisposeEventParams.
TPointerHash& ImageDCRegistry();
TPointerHash& ForeignDCRegistry();

} // namespace vell
