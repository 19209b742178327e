#include "platform/image/dc_registry.h"
#include "platform/win/dib_section.h"
#include "platform/win/handles.h"

#include <gtest/gtest.h>

using namespace vell;
using namespace vell::win;

namespace {

struct Header {
    bool alpha;
};
bool HeaderAlpha(const void* h) {
    return static_cast<const Header*>(h)->alpha;
}

struct MemoryDC {
    explicit MemoryDC(int bits) : dc(::CreateCompatibleDC(nullptr)), dib(DibSection::create(4, 4, bits)) {
        old = ::SelectObject(dc.get(), dib.handle());
    }
    ~MemoryDC() { ::SelectObject(dc.get(), old); }
    UniqueMemoryDC dc;
    DibSection dib;
    HGDIOBJ old;
};

} // namespace

TEST(DCRegistry, ImageDCsFollowTheHeaderTest) {
    MemoryDC a(32), b(32);
    Header alpha{true}, ignore{false};
    RegisterImageDC(a.dc.get(), &alpha);
    RegisterImageDC(b.dc.get(), &ignore);
    EXPECT_TRUE(IsAlphaDC(a.dc.get()));
    EXPECT_TRUE(IsAlphaDC(b.dc.get())); // no test installed: registered means alpha
    SetImageHeaderAlphaTest(HeaderAlpha);
    EXPECT_TRUE(IsAlphaDC(a.dc.get()));
    EXPECT_FALSE(IsAlphaDC(b.dc.get()));
    RegisterImageDC(b.dc.get(), &alpha); // re-registration replaces
    EXPECT_TRUE(IsAlphaDC(b.dc.get()));
    UnregisterImageDC(a.dc.get());
    UnregisterImageDC(b.dc.get());
    EXPECT_FALSE(IsAlphaDC(a.dc.get()));
    EXPECT_FALSE(IsAlphaDC(b.dc.get()));
    EXPECT_EQ(ImageDCRegistry().Counter(), 0);
    SetImageHeaderAlphaTest(nullptr);
    EXPECT_FALSE(IsAlphaDC(nullptr));
}

TEST(DCRegistry, ForeignDCsAndTheirLifetime) {
    MemoryDC a(32), b(32);
    int owner = 0;
    MakeDC32(a.dc.get(), &owner);
    MakeDC32(a.dc.get(), &owner); // already there: not entered twice
    EXPECT_EQ(ForeignDCRegistry().Counter(), 1);
    EXPECT_TRUE(IsAlphaDC(a.dc.get()));
    RemoveDC32(a.dc.get(), nullptr); // another owner: kept
    EXPECT_TRUE(IsAlphaDC(a.dc.get()));
    RemoveDC32(a.dc.get(), &owner);
    EXPECT_FALSE(IsAlphaDC(a.dc.get()));

    // Registered 6 s ago: the next MakeDC32 empties the registry first.
    MakeDC32(a.dc.get(), &owner);
    auto& reg = ForeignDCRegistry();
    reg.DisposeEventParams = reinterpret_cast<void*>(static_cast<std::uintptr_t>(::GetTickCount() - 6000));
    MakeDC32(b.dc.get(), &owner);
    EXPECT_FALSE(IsAlphaDC(a.dc.get()));
    EXPECT_TRUE(IsAlphaDC(b.dc.get()));
    RemoveDC32(b.dc.get(), &owner);
}

TEST(DCRegistry, DibSection32Test) {
    MemoryDC dib32(32), dib24(24);
    EXPECT_TRUE(IsDibSection32DC(dib32.dc.get()));
    EXPECT_FALSE(IsDibSection32DC(dib24.dc.get()));
    EXPECT_FALSE(IsAlphaDC(dib32.dc.get())); // a 32-bit DIB alone is not registered

    UniqueMemoryDC ddb(::CreateCompatibleDC(nullptr));
    HDC screen = ::GetDC(nullptr);
    UniqueBitmap compatible(::CreateCompatibleBitmap(screen, 4, 4));
    ::ReleaseDC(nullptr, screen);
    SelectObjectGuard sel(ddb.get(), compatible.get());
    EXPECT_FALSE(IsDibSection32DC(ddb.get()));

    WindowDC window(nullptr);
    EXPECT_FALSE(IsDibSection32DC(window.get()));
    EXPECT_FALSE(IsDibSection32DC(nullptr));
}
