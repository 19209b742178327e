#include "core/containers/hash.h"

#include "core/image/errors.h"

namespace vell {

namespace {

// Pointer-sized values order as signed numbers.
int CompareSigned(PtrInt a, PtrInt b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace

// ---- TBaseHash ----

TBaseHash::TBaseHash(int Size) : Buckets(Size > 0 ? Size : 1) {}

TBaseHash::~TBaseHash() {
    Clear();
}

void TBaseHash::Clear() {
    for (Bucket& bucket : Buckets) {
        // Detach the whole bucket first so a dispose handler sees a consistent table.
        Bucket items;
        items.swap(bucket);
        for (THashItem* item : items) {
            --FCounter;
            ReleaseItem(item);
        }
    }
}

int TBaseHash::CompareWith(const THashItem& item, const Probe& probe) {
    if (int c = CompareSigned(item.Hash, probe.Hash)) return c;
    if (probe.Text) {
        if (int c = item.Key.compare(*probe.Text)) return c < 0 ? -1 : 1;
    }
    if (probe.HasValue) return CompareSigned(item.Value, probe.Value);
    return 0;
}

bool TBaseHash::Search(const Bucket& bucket, const Probe& probe, size_t* index) {
    size_t lo = 0, hi = bucket.size();
    while (lo < hi) {
        size_t mid = lo + (hi - lo) / 2;
        if (CompareWith(*bucket[mid], probe) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    *index = lo;
    return lo < bucket.size() && CompareWith(*bucket[lo], probe) == 0;
}

void TBaseHash::AttachAt(Bucket& bucket, size_t index, THashItem* item) {
    bucket.insert(bucket.begin() + static_cast<std::ptrdiff_t>(index), item);
    item->Next = index + 1 < bucket.size() ? bucket[index + 1] : nullptr;
    if (index > 0) bucket[index - 1]->Next = item;
}

THashItem* TBaseHash::DetachAt(Bucket& bucket, size_t index) {
    THashItem* item = bucket[index];
    if (index > 0) bucket[index - 1]->Next = item->Next;
    bucket.erase(bucket.begin() + static_cast<std::ptrdiff_t>(index));
    item->Next = nullptr;
    return item;
}

THashItem* TBaseHash::InsertAt(Bucket& bucket, size_t index, PtrInt hash, const std::u16string* text,
                               PtrInt value) {
    THashItem* item = FreeUse.Take();
    item->Hash = hash;
    if (text)
        item->Key = *text;
    else
        item->Key.clear();
    item->Value = value;
    AttachAt(bucket, index, item);
    ++FCounter;
    return item;
}

void TBaseHash::RemoveAt(Bucket& bucket, size_t index) {
    THashItem* item = DetachAt(bucket, index);
    --FCounter;
    ReleaseItem(item);
}

void TBaseHash::Reposition(Bucket& bucket, size_t index, PtrInt newValue) {
    THashItem* item = DetachAt(bucket, index);
    item->Value = newValue;
    Probe probe{item->Hash, FTextKeys ? &item->Key : nullptr, newValue, true};
    size_t at = 0;
    Search(bucket, probe, &at);
    AttachAt(bucket, at, item);
}

void TBaseHash::ReleaseItem(THashItem* item) {
    if (DisposeEvent) DisposeEvent(*this, *item);
    item->Key.clear();
    item->Next = nullptr;
    FreeUse.Give(item);
}

// ---- TPointerHash ----

TPointerHash::TPointerHash(int Size) : TBaseHash(Size) {}

TPointerHash* TPointerHash::CreateWithValueHash(int Size) {
    auto* table = new TPointerHash(Size);
    table->FValueHash = new TPointerHash(Size);
    return table;
}

TPointerHash::~TPointerHash() {
    Clear();
    delete FValueHash;
}

void TPointerHash::Clear() {
    TBaseHash::Clear();
    if (FValueHash) FValueHash->Clear();
}

TPointerHash* TPointerHash::ValueTable() {
    if (!FValueHash) throw Exception("TPointerHash: not ValueMode");
    return FValueHash;
}

THashItem* TPointerHash::Add(PtrInt Key, PtrInt Value) {
    Bucket& bucket = BucketOf(static_cast<std::uint32_t>(Key));
    size_t index = 0;
    Search(bucket, Probe{Key, nullptr, Value, true}, &index);
    THashItem* item = InsertAt(bucket, index, Key, nullptr, Value);
    if (FValueHash) FValueHash->Add(Value, Key);
    return item;
}

bool TPointerHash::Find(PtrInt Key, const PtrInt* CheckValue, PtrInt* GetValue, int KeyOrder) {
    Bucket& bucket = BucketOf(static_cast<std::uint32_t>(Key));
    Probe probe{Key, nullptr, CheckValue ? *CheckValue : 0, CheckValue != nullptr};
    size_t index = 0;
    bool found = Search(bucket, probe, &index);
    // The search lands on the first entry of the run, so KeyOrder counts from there.
    if (found && KeyOrder > 0) {
        for (int step = 0; step < KeyOrder && found; ++step) {
            ++index;
            found = index < bucket.size() && CompareWith(*bucket[index], probe) == 0;
        }
    }
    if (GetValue) *GetValue = found ? bucket[index]->Value : 0;
    return found;
}

bool TPointerHash::FindValue(PtrInt Value, const PtrInt* CheckKey, PtrInt* GetKey, int KeyOrder) {
    return ValueTable()->Find(Value, CheckKey, GetKey, KeyOrder);
}

bool TPointerHash::Remove(PtrInt Key, const PtrInt* CheckValue) {
    Bucket& bucket = BucketOf(static_cast<std::uint32_t>(Key));
    size_t index = 0;
    if (!Search(bucket, Probe{Key, nullptr, CheckValue ? *CheckValue : 0, CheckValue != nullptr}, &index))
        return false;
    PtrInt value = bucket[index]->Value;
    RemoveAt(bucket, index);
    if (FValueHash) FValueHash->Remove(value, &Key);
    return true;
}

bool TPointerHash::RemoveValue(PtrInt Value, const PtrInt* CheckKey) {
    return ValueTable()->Remove(Value, CheckKey);
}

bool TPointerHash::Modify(PtrInt Key, PtrInt NewValue, const PtrInt* CheckValue) {
    Bucket& bucket = BucketOf(static_cast<std::uint32_t>(Key));
    size_t index = 0;
    if (!Search(bucket, Probe{Key, nullptr, CheckValue ? *CheckValue : 0, CheckValue != nullptr}, &index))
        return false;
    PtrInt old = bucket[index]->Value;
    if (old == NewValue) return true;
    Reposition(bucket, index, NewValue);
    if (FValueHash) {
        FValueHash->Remove(old, &Key);
        FValueHash->Add(NewValue, Key);
    }
    return true;
}

PtrInt TPointerHash::GetValue(PtrInt Key) {
    PtrInt value = 0;
    Find(Key, nullptr, &value, -1);
    return value;
}

void TPointerHash::SetValue(PtrInt Key, PtrInt Value) {
    if (!Modify(Key, Value, nullptr)) Add(Key, Value);
}

// ---- TStringHash ----

TStringHash::TStringHash(int Size) : TBaseHash(Size) {
    FTextKeys = true;
}

std::uint32_t TStringHash::HashOf(const std::u16string& Key) const {
    std::uint32_t h = 0;
    for (char16_t c : Key)
        h = ((h << 2) | (h >> 30)) ^ static_cast<std::uint32_t>(c);
    return h;
}

TBaseHash::Probe TStringHash::MakeProbe(const std::u16string& Key, const PtrInt* CheckValue) const {
    // The hash is kept as a signed 32-bit number so the order is the same on every platform.
    PtrInt hash = static_cast<std::int32_t>(HashOf(Key));
    return Probe{hash, &Key, CheckValue ? *CheckValue : 0, CheckValue != nullptr};
}

THashItem* TStringHash::Add(const std::u16string& Key, PtrInt Value) {
    Probe probe = MakeProbe(Key, &Value);
    Bucket& bucket = BucketOf(static_cast<std::uint32_t>(probe.Hash));
    size_t index = 0;
    Search(bucket, probe, &index);
    return InsertAt(bucket, index, probe.Hash, &Key, Value);
}

bool TStringHash::Find(const std::u16string& Key, const PtrInt* CheckValue, PtrInt* GetValue) {
    Probe probe = MakeProbe(Key, CheckValue);
    Bucket& bucket = BucketOf(static_cast<std::uint32_t>(probe.Hash));
    size_t index = 0;
    bool found = Search(bucket, probe, &index);
    if (GetValue) *GetValue = found ? bucket[index]->Value : 0;
    return found;
}

bool TStringHash::Remove(const std::u16string& Key, const PtrInt* CheckValue) {
    Probe probe = MakeProbe(Key, CheckValue);
    Bucket& bucket = BucketOf(static_cast<std::uint32_t>(probe.Hash));
    size_t index = 0;
    if (!Search(bucket, probe, &index)) return false;
    RemoveAt(bucket, index);
    return true;
}

bool TStringHash::Modify(const std::u16string& Key, PtrInt NewValue, const PtrInt* CheckValue) {
    Probe probe = MakeProbe(Key, CheckValue);
    Bucket& bucket = BucketOf(static_cast<std::uint32_t>(probe.Hash));
    size_t index = 0;
    if (!Search(bucket, probe, &index)) return false;
    if (bucket[index]->Value != NewValue) Reposition(bucket, index, NewValue);
    return true;
}

PtrInt TStringHash::ValueOf(const std::u16string& Key, PtrInt DefValue) {
    PtrInt value = 0;
    return Find(Key, nullptr, &value) ? value : DefValue;
}

} // namespace vell
