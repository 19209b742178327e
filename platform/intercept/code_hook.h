// Patching a function's entry with a jump to a replacement (i686), and undoing it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vell {

#pragma pack(push, 1)
// What one patch overwrote: the five code bytes (the first is 0 when nothing is patched)
// and the patched address.
struct TPatchRecord {
    std::uint8_t Code[5] = {0, 0, 0, 0, 0};
    void* Address = nullptr;
};
#pragma pack(pop)
static_assert(sizeof(TPatchRecord) == 5 + sizeof(void*));

// Resolves import stubs (FF 25: the address in the pointer) and push-jump stubs
// (68 addr E9 ...: the pushed address), then writes E9 + displacement to Replacement at
// the target. False, with a diagnostic, when the target cannot be read. A target that
// already starts with a jump raises EAssertionFailed ("Rd_Hook: already hook? jump=...")
// and stays unchanged.
bool HookCode(void* Target, const void* Replacement, TPatchRecord& Record);
// Writes the saved bytes back and clears the record; a record without saved bytes does
// nothing.
bool UnhookCode(TPatchRecord& Record);

// True when [p, p + size) lies in committed, accessible, readable, non-guard memory.
bool IsReadableMemory(const void* p, std::size_t size);

} // namespace vell
