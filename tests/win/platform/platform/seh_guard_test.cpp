// The structured-exception guard: faults that the guarded call does not handle end the call,
// the program goes on, and the thread's exception chain is as it was.
#include "platform/diag/seh_guard.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>

using vell::win::Guarded;
using vell::win::SehFault;

namespace {

const void* chainHead() {
    return vell::win::ExceptionChainHead();
}

void writeThroughNull() {
    volatile int* p = nullptr;
    *p = 1;
}

} // namespace

TEST(SehGuard, FaultsEndTheCallAndAreReported) {
    struct Case {
        const char* what;
        void (*fault)();
        std::uint32_t code;
    };
    const Case cases[] = {
        {"access violation", &writeThroughNull, EXCEPTION_ACCESS_VIOLATION},
        {"RaiseException", [] { ::RaiseException(0xE0001234, 0, 0, nullptr); }, 0xE0001234},
        {"non-continuable", [] { ::RaiseException(0xE0005678, EXCEPTION_NONCONTINUABLE, 0, nullptr); },
         0xE0005678},
    };
    for (const Case& c : cases) {
        const void* const before = chainHead();
        bool after = false;
        SehFault fault;
        EXPECT_FALSE(Guarded(
            [&] {
                c.fault();
                after = true;
            },
            &fault))
            << c.what;
        EXPECT_FALSE(after) << c.what;
        EXPECT_EQ(fault.code, c.code) << c.what;
        EXPECT_NE(fault.address, nullptr) << c.what;
        EXPECT_EQ(chainHead(), before) << c.what;
    }
}

TEST(SehGuard, ACallThatReturnsKeepsItsResult) {
    const void* const before = chainHead();
    int value = 0;
    SehFault fault;
    EXPECT_TRUE(Guarded([&] { value = 42; }, &fault));
    EXPECT_EQ(value, 42);
    EXPECT_EQ(fault.code, 0u);
    EXPECT_EQ(chainHead(), before);
}

TEST(SehGuard, AHandlerInsideTheCallTakesItsOwnFaultFirst) {
    // A nested guard stands for the library's own handler: the outer guard never sees the fault.
    SehFault inner, outer;
    bool resumedInside = false;
    EXPECT_TRUE(Guarded(
        [&] {
            Guarded([] { writeThroughNull(); }, &inner);
            resumedInside = true;
        },
        &outer));
    EXPECT_TRUE(resumedInside);
    EXPECT_EQ(inner.code, std::uint32_t(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_EQ(outer.code, 0u);
}

TEST(SehGuard, CxxExceptionsPassThrough) {
    const void* const before = chainHead();
    EXPECT_THROW(Guarded([] { throw std::runtime_error("x"); }), std::runtime_error);
    EXPECT_EQ(chainHead(), before);
}

TEST(SehGuard, ManyFaultsInARowLeaveTheThreadSound) {
    // Every fault is followed by a working call: nothing on the stack or chain is lost.
    const void* const before = chainHead();
    int calls = 0;
    for (int i = 0; i < 1000; ++i) {
        EXPECT_FALSE(Guarded([] { writeThroughNull(); }));
        EXPECT_TRUE(Guarded([&] { ++calls; }));
    }
    EXPECT_EQ(calls, 1000);
    EXPECT_EQ(chainHead(), before);
}

struct ThreadResult {
    bool returned = true;
    SehFault fault;
};

DWORD WINAPI faultOnThread(void* p) {
    auto* r = static_cast<ThreadResult*>(p);
    r->returned = Guarded([] { ::RaiseException(0xE0000042, 0, 0, nullptr); }, &r->fault);
    return 0;
}

TEST(SehGuard, WorksOnOtherThreads) {
    ThreadResult result;
    HANDLE thread = ::CreateThread(nullptr, 0, &faultOnThread, &result, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
    EXPECT_FALSE(result.returned);
    EXPECT_EQ(result.fault.code, 0xE0000042u);
}
