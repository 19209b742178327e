#include "platform/intercept/code_hook.h"

#include "core/diag/assertion.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace vell {

namespace {

constexpr std::uint8_t kJmpRel32 = 0xE9;
constexpr std::uint8_t kPushImm32 = 0x68;
constexpr std::size_t kCheckedBytes = kPatchBytes > 6 ? kPatchBytes : 6;
// FF 25 00000000 + address: the x86_64 far jump through the eight bytes that follow it.
constexpr std::uint8_t kFarJump[6] = {0xFF, 0x25, 0, 0, 0, 0};

bool ReadableProtection(DWORD protect) {
    if (protect & (PAGE_GUARD | PAGE_NOACCESS)) return false;
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    return (protect & readable) != 0;
}

std::int32_t Read32(const std::uint8_t* p) {
    std::int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

bool IsFarJump(const std::uint8_t* p) {
    return sizeof(void*) == 8 && std::memcmp(p, kFarJump, 6) == 0;
}

// Follows the stubs that stand for the real function.
std::uint8_t* Resolve(std::uint8_t* target) {
    if (!IsReadableMemory(target, 6)) return target;
    if (sizeof(void*) == 4 && target[0] == kPushImm32 && target[5] == kJmpRel32)
        return reinterpret_cast<std::uint8_t*>(
            static_cast<std::uintptr_t>(static_cast<std::uint32_t>(Read32(target + 1))));
    if (target[0] == 0xFF && target[1] == 0x25 && !IsFarJump(target)) {
        // The operand is the slot's address on i686, its distance from the next instruction on x86_64.
        const std::uintptr_t slotAt =
            sizeof(void*) == 4 ? static_cast<std::uintptr_t>(static_cast<std::uint32_t>(Read32(target + 2)))
                               : reinterpret_cast<std::uintptr_t>(target) + 6 + Read32(target + 2);
        auto* slot = reinterpret_cast<std::uint8_t**>(slotAt);
        if (IsReadableMemory(slot, sizeof(void*))) return *slot;
    }
    return target;
}

bool CheckReadable(const void* p) {
    if (IsReadableMemory(p, kCheckedBytes)) return true;
    ::OutputDebugStringA("Rd_Hook: BadReadPtr");
    if (::IsDebuggerPresent()) throw EAssertionFailed("Rd_Hook: BadReadPtr. please email");
    return false;
}

// Where the jump the target starts with leads (the target starts with one).
std::uintptr_t JumpDestination(const std::uint8_t* target) {
    if (target[0] == kJmpRel32) return reinterpret_cast<std::uintptr_t>(target) + 5 + Read32(target + 1);
    std::uintptr_t dest;
    std::memcpy(&dest, target + 6, sizeof dest);
    return dest;
}

// The jump from `at` to `to`: the near form where the displacement fits, else the far form.
void MakeJump(std::uint8_t (&code)[kPatchBytes], const std::uint8_t* at, const void* to) {
    const std::intptr_t distance =
        reinterpret_cast<std::intptr_t>(to) - reinterpret_cast<std::intptr_t>(at) - 5;
    if (sizeof(void*) == 4 || (distance >= INT32_MIN && distance <= INT32_MAX)) {
        const std::int32_t displacement = static_cast<std::int32_t>(distance);
        code[0] = kJmpRel32;
        std::memcpy(code + 1, &displacement, 4);
        return;
    }
    std::memcpy(code, kFarJump, 6);
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(to);
    std::memcpy(code + 6, &address, sizeof address);
}

// Writes the code bytes with the page made writable around the write.
bool WriteCode(void* at, const std::uint8_t (&bytes)[kPatchBytes]) {
    DWORD old = 0;
    if (!::VirtualProtect(at, kPatchBytes, PAGE_EXECUTE_READWRITE, &old)) return false;
    std::memcpy(at, bytes, kPatchBytes);
    DWORD ignored = 0;
    ::VirtualProtect(at, kPatchBytes, old, &ignored);
    ::FlushInstructionCache(::GetCurrentProcess(), at, kPatchBytes);
    return true;
}

} // namespace

bool IsReadableMemory(const void* p, std::size_t size) {
    if (!p || size == 0) return p != nullptr;
    auto at = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t end = at + size;
    if (end < at) return false; // wraps around the address space
    while (at < end) {
        MEMORY_BASIC_INFORMATION mbi{};
        if (::VirtualQuery(reinterpret_cast<const void*>(at), &mbi, sizeof mbi) != sizeof mbi) return false;
        if (mbi.State != MEM_COMMIT || !ReadableProtection(mbi.Protect)) return false;
        at = reinterpret_cast<std::uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
    }
    return true;
}

bool HookCode(void* Target, const void* Replacement, TPatchRecord& Record) {
    std::uint8_t* target = Resolve(static_cast<std::uint8_t*>(Target));
    if (!CheckReadable(target)) return false;

    std::memcpy(Record.Code, target, kPatchBytes);
    if (Record.Code[0] == kJmpRel32 || IsFarJump(target)) {
        ::OutputDebugStringA("Rd_Hook: already hook?");
        const std::uintptr_t dest = JumpDestination(target);
        std::uint32_t code = 0;
        if (IsReadableMemory(reinterpret_cast<const void*>(dest), 4))
            std::memcpy(&code, reinterpret_cast<const void*>(dest), 4);
        const unsigned first = Record.Code[0];
        Record = TPatchRecord{};
        char text[128];
        std::snprintf(text, sizeof text, "Rd_Hook: already hook? jump=%X, dest=%llX, code=%X", first,
                      static_cast<unsigned long long>(dest), static_cast<unsigned>(code));
        throw EAssertionFailed(text);
    }

    std::uint8_t jump[kPatchBytes];
    std::memcpy(jump, Record.Code, kPatchBytes);
    MakeJump(jump, target, Replacement);
    if (!WriteCode(target, jump)) {
        Record = TPatchRecord{};
        return false;
    }
    Record.Address = target;
    return true;
}

bool UnhookCode(TPatchRecord& Record) {
    if (Record.Code[0] == 0 || !Record.Address) return false;
    if (!CheckReadable(Record.Address)) return false;
    const bool ok = WriteCode(Record.Address, Record.Code);
    Record = TPatchRecord{};
    return ok;
}

} // namespace vell
