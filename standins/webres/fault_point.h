// A place in every export where a test build of this library can be made to fault or to
// answer on its own (it defines VELL_WEBRES_FAULTS and links the switch that decides).
// In the shipped library it is nothing.
#pragma once

#ifdef VELL_WEBRES_FAULTS
// True when the point answered the call itself (the export then returns at once); size is
// the export's size result, when it has one.
bool WebResFaultPoint(const char* where, int* size = nullptr);
#else
inline bool WebResFaultPoint(const char*, int* = nullptr) {
    return false;
}
#endif
