#include "core/diag/assertion.h"
#include "platform/intercept/code_hook.h"
#include "platform/intercept/import_redirect.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace vell;

namespace {

// A page of executable memory for hand-written code.
class CodePage {
  public:
    explicit CodePage(size_t pages = 1, DWORD protect = PAGE_EXECUTE_READWRITE)
        : size_(pages * 4096),
          p_(static_cast<uint8_t*>(::VirtualAlloc(nullptr, size_, MEM_COMMIT, protect))) {}
    ~CodePage() { ::VirtualFree(p_, 0, MEM_RELEASE); }
    uint8_t* at(size_t offset) const { return p_ + offset; }

  private:
    size_t size_;
    uint8_t* p_;
};

// mov eax, value; ret
void WriteReturn(uint8_t* p, uint32_t value) {
    p[0] = 0xB8;
    std::memcpy(p + 1, &value, 4);
    p[5] = 0xC3;
}

using IntFn = int (*)();
int ReturnsTwo() {
    return 2;
}

// FF 25: a jump through a pointer, as an import stub makes it (the slot's address on i686,
// its distance from the next instruction on x86_64).
void PutSlotJump(uint8_t* at, void** slot) {
    at[0] = 0xFF;
    at[1] = 0x25;
    const uint32_t operand =
        sizeof(void*) == 4
            ? uint32_t(reinterpret_cast<uintptr_t>(slot))
            : uint32_t(reinterpret_cast<uintptr_t>(slot) - reinterpret_cast<uintptr_t>(at) - 6);
    std::memcpy(at + 2, &operand, 4);
}

bool StartsWithJump(const uint8_t* p) {
    return p[0] == 0xE9 || (sizeof(void*) == 8 && p[0] == 0xFF && p[1] == 0x25);
}

void PutRel32Jump(uint8_t* at, const void* to) {
    at[0] = 0xE9;
    const uint32_t d = reinterpret_cast<uintptr_t>(to) - reinterpret_cast<uintptr_t>(at) - 5;
    std::memcpy(at + 1, &d, 4);
}

} // namespace

TEST(HookCode, PatchesAndRestores) {
    CodePage page;
    uint8_t* fn = page.at(0);
    WriteReturn(fn, 1);
    auto call = reinterpret_cast<IntFn>(fn);
    ASSERT_EQ(call(), 1);

    TPatchRecord rec;
    ASSERT_TRUE(HookCode(fn, reinterpret_cast<const void*>(&ReturnsTwo), rec));
    EXPECT_EQ(rec.Address, fn);
    EXPECT_EQ(rec.Code[0], 0xB8);
    EXPECT_TRUE(StartsWithJump(fn));
    EXPECT_EQ(call(), 2);

    ASSERT_TRUE(UnhookCode(rec));
    EXPECT_EQ(call(), 1);
    EXPECT_EQ(rec.Code[0], 0);
    EXPECT_EQ(rec.Address, nullptr);
    EXPECT_FALSE(UnhookCode(rec)); // nothing saved: nothing to do
}

TEST(HookCode, FollowsImportAndPushJumpStubs) {
    CodePage page;
    uint8_t* fn = page.at(0);
    WriteReturn(fn, 1);

    // FF 25 [slot]: jump through a pointer, as an import stub does.
    uint8_t* slotStub = page.at(64);
    void** slot = reinterpret_cast<void**>(page.at(128));
    *slot = fn;
    PutSlotJump(slotStub, slot);

    TPatchRecord rec;
    ASSERT_TRUE(HookCode(slotStub, reinterpret_cast<const void*>(&ReturnsTwo), rec));
    EXPECT_EQ(rec.Address, fn);
    EXPECT_EQ(reinterpret_cast<IntFn>(fn)(), 2);
    ASSERT_TRUE(UnhookCode(rec));
    if (sizeof(void*) != 4) return; // push-jump stubs are i686 code

    // 68 addr E9 ...: push the real address, jump elsewhere.
    uint8_t* pushStub = page.at(256);
    pushStub[0] = 0x68;
    const uint32_t fnAddr = reinterpret_cast<uintptr_t>(fn);
    std::memcpy(pushStub + 1, &fnAddr, 4);
    PutRel32Jump(pushStub + 5, fn);
    ASSERT_TRUE(HookCode(pushStub, reinterpret_cast<const void*>(&ReturnsTwo), rec));
    EXPECT_EQ(rec.Address, fn);
    EXPECT_EQ(pushStub[0], 0x68); // the stub itself is untouched
    ASSERT_TRUE(UnhookCode(rec));
    EXPECT_EQ(reinterpret_cast<IntFn>(fn)(), 1);
}

TEST(HookCode, AlreadyJumpingTargetIsReportedAndLeftAlone) {
    CodePage page;
    uint8_t* target = page.at(0);
    uint8_t* dest = page.at(100);
    WriteReturn(dest, 0x12345678);
    PutRel32Jump(target, dest);
    uint8_t before[8];
    std::memcpy(before, target, sizeof before);

    TPatchRecord rec;
    try {
        HookCode(target, reinterpret_cast<const void*>(&ReturnsTwo), rec);
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& e) {
        const std::string msg = e.what();
        EXPECT_EQ(msg.rfind("Rd_Hook: already hook? jump=", 0), 0u) << msg;
        char tail[64];
        std::snprintf(tail, sizeof tail, "jump=E9, dest=%llX, code=345678B8",
                      static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(dest)));
        EXPECT_NE(msg.find(tail), std::string::npos) << msg;
    }
    EXPECT_EQ(std::memcmp(before, target, sizeof before), 0);
    EXPECT_EQ(rec.Code[0], 0);
    EXPECT_EQ(rec.Address, nullptr);
}

TEST(HookCode, ReachesAReplacementAnywhereAndKnowsItsOwnPatch) {
    // On x86_64 the replacement lies over 4 GB from the target, beyond a near jump's reach.
    CodePage page;
    uint8_t* fn = page.at(0);
    WriteReturn(fn, 1);
    void* distant = nullptr;
    for (uintptr_t step = 1; !distant && step < 64 && sizeof(void*) == 8; ++step) {
        const uint64_t hint =
            (uint64_t(reinterpret_cast<uintptr_t>(fn)) + (uint64_t(step) << 32)) & ~uint64_t(0xFFFF);
        distant = ::VirtualAlloc(reinterpret_cast<void*>(uintptr_t(hint)), 4096, MEM_RESERVE | MEM_COMMIT,
                                 PAGE_EXECUTE_READWRITE);
    }
    if (!distant) distant = ::VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_EXECUTE_READWRITE);
    ASSERT_NE(distant, nullptr);
    WriteReturn(static_cast<uint8_t*>(distant), 7);

    TPatchRecord rec;
    ASSERT_TRUE(HookCode(fn, distant, rec));
    EXPECT_EQ(reinterpret_cast<IntFn>(fn)(), 7);
    TPatchRecord again;
    EXPECT_THROW(HookCode(fn, reinterpret_cast<const void*>(&ReturnsTwo), again), EAssertionFailed);
    EXPECT_EQ(reinterpret_cast<IntFn>(fn)(), 7);
    ASSERT_TRUE(UnhookCode(rec));
    EXPECT_EQ(reinterpret_cast<IntFn>(fn)(), 1);
    ::VirtualFree(distant, 0, MEM_RELEASE);
}

TEST(HookCode, UnreadableTargetsAreLeftAlone) {
    CodePage noAccess(1, PAGE_NOACCESS);
    TPatchRecord rec;
    EXPECT_FALSE(HookCode(noAccess.at(0), reinterpret_cast<const void*>(&ReturnsTwo), rec));
    EXPECT_EQ(rec.Address, nullptr);

    // Six bytes that run from a readable page into an inaccessible one.
    CodePage two(2);
    DWORD old = 0;
    ASSERT_TRUE(::VirtualProtect(two.at(4096), 4096, PAGE_NOACCESS, &old));
    WriteReturn(two.at(4000), 1);
    uint8_t* edge = two.at(4093);
    edge[0] = 0x90;
    EXPECT_FALSE(HookCode(edge, reinterpret_cast<const void*>(&ReturnsTwo), rec));
    EXPECT_EQ(edge[0], 0x90);
    EXPECT_FALSE(IsReadableMemory(edge, 6));
    EXPECT_TRUE(IsReadableMemory(edge, 3));
    EXPECT_FALSE(IsReadableMemory(nullptr, 1));
}

// ---- Import redirection ----

namespace {
DWORD WINAPI FakeTickCount() {
    return 4242;
}
// Reads the import table entry on every call (the compiler may keep it in a register).
__attribute__((noinline)) DWORD TickNow() {
    return ::GetTickCount();
}
} // namespace

TEST(RedirectImports, FindsAndRewritesOwnImports) {
    HMODULE own = OwnModule();
    ASSERT_NE(own, nullptr);
    EXPECT_TRUE(FindImportedLibrary(own, "kernel32.dll"));
    EXPECT_TRUE(FindImportedLibrary(own, "GDI32.DLL"));
    EXPECT_FALSE(FindImportedLibrary(own, "nothere.dll"));
    EXPECT_FALSE(FindImportedLibrary(nullptr, "gdi32.dll"));

    const char* names[] = {"GetTickCount"};
    void* saved = nullptr;
    void** slots[] = {&saved};
    void* fake[] = {reinterpret_cast<void*>(&FakeTickCount)};
    // Mode 1 patches only a runtime package, and there is none.
    EXPECT_EQ(RedirectImports(1, "kernel32.dll", names, slots, fake, 1), 0);
    EXPECT_EQ(saved, nullptr);

    ASSERT_GE(RedirectImports(2, "KERNEL32.dll", names, slots, fake, 1), 1);
    EXPECT_EQ(saved,
              reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetTickCount")));
    EXPECT_EQ(TickNow(), 4242u);
    // Again: the entry already holds the replacement, the saved address stays.
    EXPECT_EQ(RedirectImports(3, "kernel32.dll", names, slots, fake, 1), 0);

    void* back = nullptr;
    void** backSlots[] = {&back};
    void* original[] = {saved};
    const int restored = RedirectImports(2, "kernel32.dll", names, backSlots, original, 1);
    ASSERT_GE(restored, 1);
    EXPECT_NE(TickNow(), 4242u);
    EXPECT_EQ(RedirectImports(7, "kernel32.dll", names, slots, fake, 1), 0);
}
