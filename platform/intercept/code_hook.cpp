#include "platform/intercept/code_hook.h"

#include "core/diag/assertion.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace vell {

namespace {

constexpr std::uint8_t kJmpRel32 = 0xE9;
constexpr std::uint8_t kPushImm32 = 0x68;
constexpr std::size_t kCheckedBytes = 6;

bool ReadableProtection(DWORD protect) {
    if (protect & (PAGE_GUARD | PAGE_NOACCESS)) return false;
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    return (protect & readable) != 0;
}

std::uint32_t Read32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Follows the stubs that stand for the real function.
std::uint8_t* Resolve(std::uint8_t* target) {
    if (IsReadableMemory(target, kCheckedBytes) && target[0] == kPushImm32 && target[5] == kJmpRel32)
        return reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(Read32(target + 1)));
    if (IsReadableMemory(target, 6) && target[0] == 0xFF && target[1] == 0x25) {
        auto* slot = reinterpret_cast<std::uint8_t**>(static_cast<std::uintptr_t>(Read32(target + 2)));
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

// Writes five code bytes with the page made writable around the write.
bool WriteCode(void* at, const std::uint8_t (&bytes)[5]) {
    DWORD old = 0;
    if (!::VirtualProtect(at, 5, PAGE_EXECUTE_READWRITE, &old)) return false;
    std::memcpy(at, bytes, 5);
    DWORD ignored = 0;
    ::VirtualProtect(at, 5, old, &ignored);
    ::FlushInstructionCache(::GetCurrentProcess(), at, 5);
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

    std::memcpy(Record.Code, target, 5);
    if (Record.Code[0] == kJmpRel32) {
        ::OutputDebugStringA("Rd_Hook: already hook?");
        const std::uint32_t dest = reinterpret_cast<std::uintptr_t>(target) + 5 + Read32(target + 1);
        std::uint32_t code = 0;
        if (IsReadableMemory(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(dest)), 4))
            code = Read32(reinterpret_cast<const std::uint8_t*>(static_cast<std::uintptr_t>(dest)));
        Record = TPatchRecord{};
        char text[96];
        std::snprintf(text, sizeof text, "Rd_Hook: already hook? jump=%X, dest=%X, code=%X", kJmpRel32,
                      static_cast<unsigned>(dest), static_cast<unsigned>(code));
        throw EAssertionFailed(text);
    }

    std::uint8_t jump[5] = {kJmpRel32};
    const std::uint32_t displacement =
        reinterpret_cast<std::uintptr_t>(Replacement) - reinterpret_cast<std::uintptr_t>(target) - 5;
    std::memcpy(jump + 1, &displacement, 4);
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
