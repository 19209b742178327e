// Patching a function's entry with a jump to a replacement, and undoing it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vell {

// The code bytes a patch may overwrite. On i686 the patch is always the near jump
// E9 + 32-bit displacement. On x86_64 a replacement more than 2 GB away from the target
// cannot be reached that way: the patch is then the far jump FF 25 00000000 followed by
// the replacement's 8-byte address, so the whole room is saved and written back.
#if defined(__x86_64__)
inline constexpr std::size_t kPatchBytes = 14;
#else
inline constexpr std::size_t kPatchBytes = 5;
#endif

#pragma pack(push, 1)
// What one patch overwrote: the code bytes (the first is 0 when nothing is patched) and the
// patched address.
struct TPatchRecord {
    std::uint8_t Code[kPatchBytes] = {};
    void* Address = nullptr;
};
#pragma pack(pop)
static_assert(sizeof(TPatchRecord) == kPatchBytes + sizeof(void*));

// Resolves import stubs (FF 25: the address in the pointer, absolute on i686 and relative
// to the next instruction on x86_64) and, on i686, push-jump stubs (68 addr E9 ...: the
// pushed address), then writes a jump to Replacement at the target. False, with a
// diagnostic, when the target cannot be read. A target that already starts with a jump
// (E9, or on x86_64 the far jump of an earlier patch) raises EAssertionFailed
// ("Rd_Hook: already hook? jump=...") and stays unchanged.
bool HookCode(void* Target, const void* Replacement, TPatchRecord& Record);
// Writes the saved bytes back and clears the record; a record without saved bytes does
// nothing.
bool UnhookCode(TPatchRecord& Record);

// True when [p, p + size) lies in committed, accessible, readable, non-guard memory.
bool IsReadableMemory(const void* p, std::size_t size);

} // namespace vell
