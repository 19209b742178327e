// The skinned library's one start and one stop. Start makes the skin style and the skinned
// controls known to form descriptions and puts the library's toolkit links into the chain
// in one fixed order, whatever objects a program makes first:
//
//   1. skinned painting (translucent neighbours, erase rules, private invalidation),
//   2. the aligners following their sources' moves,
//   3. the form skins' shadows following their forms' opacity.
//
// Stop takes them out in reverse and forgets the classes; Start may run again. The
// skinned hints are a module of their own on top (RegisterSkinHints / StopSkinHints).
#pragma once

namespace vell::rd {

void StartSkinnedLibrary();
void StopSkinnedLibrary();

} // namespace vell::rd
