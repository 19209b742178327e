// The switch of the test build of webres.dll: WebResTestFault(where, kind) makes the named
// point fault from then on (kind 1: an access violation, 2: RaiseException, 3: the size
// query reports a size no buffer can have), kind 0 or a null name turns it off.
#include <windows.h>

#include "standins/webres/fault_point.h"

#include <cstring>

namespace {

char g_where[64] = {};
int g_kind = 0;

} // namespace

bool WebResFaultPoint(const char* where, int* size) {
    if (g_kind == 0 || std::strcmp(where, g_where) != 0) return false;
    switch (g_kind) {
    case 1: {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
        return true;
    }
    case 2:
        ::RaiseException(0xE0FA0017, 0, 0, nullptr);
        return true;
    case 3:
        if (!size) return false;
        *size = 0x7FFFFFF0;
        return true;
    default:
        return false;
    }
}

extern "C" void __stdcall WebResTestFault(const char* where, int kind) {
    g_kind = where ? kind : 0;
    g_where[0] = '\0';
    if (where) std::strncat(g_where, where, sizeof g_where - 1);
}
