// The i686 walk: i686 code keeps no unwind data, so the stack is scanned for words that are
// return addresses.
#include "crash/engine/stack_walk.h"

#if defined(__i386__)

namespace vell::crash {

namespace {

bool executable(DWORD protect) {
    return (protect & (PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY)) !=
           0;
}

bool readableCode(uintptr_t from, uintptr_t to) {
    for (uintptr_t p = from; p < to;) {
        MEMORY_BASIC_INFORMATION mbi{};
        if (!::VirtualQuery(reinterpret_cast<void*>(p), &mbi, sizeof(mbi))) return false;
        if (mbi.State != MEM_COMMIT || !executable(mbi.Protect) || (mbi.Protect & PAGE_GUARD)) return false;
        p = reinterpret_cast<uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
    }
    return true;
}

// True when the bytes before `ret` end with a call instruction: E8 rel32, FF 15 abs32, or
// one of the register and memory forms of FF /2.
bool followsCall(uintptr_t ret) {
    if (ret < 8 || !readableCode(ret - 7, ret)) return false;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(ret);
    if (p[-5] == 0xE8) return true;
    if (p[-6] == 0xFF && p[-5] == 0x15) return true;
    auto isCallModrm = [](uint8_t modrm, int mod) { return (modrm & 0x38) == 0x10 && (modrm >> 6) == mod; };
    if (p[-2] == 0xFF && isCallModrm(p[-1], 3)) return true; // call reg
    if (p[-2] == 0xFF && isCallModrm(p[-1], 0) && (p[-1] & 7) != 4 && (p[-1] & 7) != 5)
        return true;                                                             // call [reg]
    if (p[-3] == 0xFF && isCallModrm(p[-2], 1) && (p[-2] & 7) != 4) return true; // call [reg+d8]
    if (p[-4] == 0xFF && isCallModrm(p[-3], 1) && (p[-3] & 7) == 4) return true; // call [sib+d8]
    if (p[-6] == 0xFF && isCallModrm(p[-5], 2) && (p[-5] & 7) != 4) return true; // call [reg+d32]
    if (p[-7] == 0xFF && isCallModrm(p[-6], 2) && (p[-6] & 7) == 4) return true; // call [sib+d32]
    return false;
}

} // namespace

uintptr_t StackPointerOf(const CONTEXT& context) {
    return context.Esp;
}

void UnwindFrames(ThreadStack&, const CONTEXT&) {}

std::vector<uintptr_t> CallerFrames(const ThreadStack& stack, const std::vector<LoadedModule>& modules) {
    std::vector<uintptr_t> frames;
    if (stack.sp < stack.stackLow || stack.sp >= stack.stackHigh) return frames;
    for (uintptr_t p = stack.sp & ~uintptr_t(3);
         p + 4 <= stack.stackHigh && frames.size() < ThreadStack::kMaxUnwound; p += 4) {
        const uintptr_t value = *reinterpret_cast<const uintptr_t*>(p);
        // A return address stored twice in a row (a saved copy beside the original) is one frame.
        const uintptr_t previous = frames.empty() ? stack.ip : frames.back();
        if (value != previous && ModuleOf(value, modules) && followsCall(value)) frames.push_back(value);
    }
    return frames;
}

} // namespace vell::crash

#endif // __i386__
