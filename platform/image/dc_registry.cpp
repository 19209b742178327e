#include "platform/image/dc_registry.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>

namespace vell {

namespace {

constexpr int kBuckets = 256;
constexpr std::int32_t kForeignLifetimeMs = 5000;

std::atomic<ImageHeaderAlphaTest> gAlphaTest{nullptr};

PtrInt Key(const void* p) {
    return reinterpret_cast<PtrInt>(p);
}

class Locked {
  public:
    explicit Locked(TPointerHash& h) : h_(h) { h_.Lock(); }
    ~Locked() { h_.UnLock(); }

  private:
    TPointerHash& h_;
};

std::uint32_t LastEmptied(const TPointerHash& h) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h.DisposeEventParams));
}

} // namespace

TPointerHash& ImageDCRegistry() {
    static TPointerHash* registry = new TPointerHash(kBuckets); // lives for the whole process
    return *registry;
}

TPointerHash& ForeignDCRegistry() {
    static TPointerHash* registry = new TPointerHash(kBuckets);
    return *registry;
}

void SetImageHeaderAlphaTest(ImageHeaderAlphaTest test) {
    gAlphaTest.store(test);
}

void RegisterImageDC(HDC dc, const void* header) {
    if (!dc) return;
    TPointerHash& reg = ImageDCRegistry();
    Locked lock(reg);
    reg.SetValue(Key(dc), Key(header));
}

void UnregisterImageDC(HDC dc) {
    TPointerHash& reg = ImageDCRegistry();
    Locked lock(reg);
    while (reg.Remove(Key(dc))) {
    }
}

void MakeDC32(HDC dc, const void* obj) {
    if (!dc) return;
    TPointerHash& reg = ForeignDCRegistry();
    Locked lock(reg);
    const std::uint32_t now = ::GetTickCount();
    // The absolute difference, so a wrapped tick count also counts as "long ago".
    const std::int32_t diff = static_cast<std::int32_t>(now - LastEmptied(reg));
    if (std::abs(static_cast<std::int64_t>(diff)) > kForeignLifetimeMs) {
        reg.Clear();
        reg.DisposeEventParams = reinterpret_cast<void*>(static_cast<std::uintptr_t>(now));
    }
    if (!reg.Find(Key(dc))) reg.Add(Key(dc), Key(obj));
}

void RemoveDC32(HDC dc, const void* obj) {
    TPointerHash& reg = ForeignDCRegistry();
    Locked lock(reg);
    PtrInt value = Key(obj);
    reg.Remove(Key(dc), &value);
}

bool IsAlphaDC(HDC dc) {
    if (!dc) return false;
    {
        TPointerHash& foreign = ForeignDCRegistry();
        if (foreign.Counter() > 0) {
            Locked lock(foreign);
            if (foreign.Find(Key(dc))) return true;
        }
    }
    TPointerHash& images = ImageDCRegistry();
    PtrInt header = 0;
    {
        Locked lock(images);
        if (!images.Find(Key(dc), nullptr, &header)) return false;
    }
    ImageHeaderAlphaTest test = gAlphaTest.load();
    return !test || test(reinterpret_cast<const void*>(header));
}

bool IsDibSection32DC(HDC dc) {
    if (!dc || ::GetObjectType(dc) != OBJ_MEMDC) return false;
    HGDIOBJ bmp = ::GetCurrentObject(dc, OBJ_BITMAP);
    if (!bmp) return false;
    DIBSECTION ds{};
    if (::GetObjectW(bmp, sizeof ds, &ds) != static_cast<int>(sizeof ds)) return false;
    return ds.dsBm.bmBits != nullptr && ds.dsBmih.biBitCount == 32;
}

} // namespace vell
