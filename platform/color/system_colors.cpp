#include "platform/color/system_colors.h"

#include "core/color/colors.h"

#include <windows.h>

namespace vell {

namespace {
std::uint32_t PlatformSystemColor(int index) {
    return ::GetSysColor(index);
}
} // namespace

void InstallSystemColors() {
    SetSystemColorProvider(PlatformSystemColor);
}

} // namespace vell
