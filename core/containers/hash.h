// Chained hash tables that keep several entries per key. Each bucket is a sorted array,
// so look-ups are binary searches and all entries of one key are adjacent; entries also
// link to their successor (`Next`) so a run of equal keys can be walked. The bucket count
// is fixed at construction and the table never rehashes. Entry records are recycled
// through a tiny free pool. Nothing locks by itself: callers sharing a table between
// threads bracket every access with Lock/UnLock.
#pragma once
#include "core/containers/free_pool.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace vell {

// A pointer-sized value as the tables store it (keys, values, caller data).
using PtrInt = std::intptr_t;

struct THashItem {
    THashItem* UnNext = nullptr; // link in the free pool
    THashItem* Next = nullptr;   // successor in the bucket's order, or null
    std::u16string Key;          // the key text (string tables only)
    PtrInt Hash = 0;             // the key itself (pointer tables) or the key's hash (string tables)
    PtrInt Value = 0;
};

class TBaseHash {
  public:
    // Called for every entry that leaves the table (Remove, Clear, destruction), before
    // the record is pooled or freed.
    using TDisposeEvent = std::function<void(TBaseHash& Sender, THashItem& FreeItem)>;

    explicit TBaseHash(int Size);
    virtual ~TBaseHash();
    TBaseHash(const TBaseHash&) = delete;
    TBaseHash& operator=(const TBaseHash&) = delete;

    virtual void Clear();
    // The table's own monitor: reentrant for the owning thread, waits without limit.
    void Lock() { FLock.lock(); }
    void UnLock() { FLock.unlock(); }
    int Counter() const { return FCounter; }
    int Size() const { return static_cast<int>(Buckets.size()); }

    TDisposeEvent DisposeEvent;
    void* DisposeEventParams = nullptr; // caller data

  protected:
    // What a search compares against: the hash, the key text when HasText, and the value
    // when HasValue. Order: hash (signed), text (ordinal), value (signed).
    struct Probe {
        PtrInt Hash = 0;
        const std::u16string* Text = nullptr;
        PtrInt Value = 0;
        bool HasValue = false;
    };

    using Bucket = std::vector<THashItem*>;
    Bucket& BucketOf(std::uint32_t hash) { return Buckets[hash % Buckets.size()]; }

    // Binary search: true when the entry at *index matches; *index is the lowest position
    // at which the probe is not greater (the insertion point).
    static bool Search(const Bucket& bucket, const Probe& probe, size_t* index);
    static int CompareWith(const THashItem& item, const Probe& probe);
    // Inserts a new entry (from the pool when possible) at `index` and repairs the links.
    THashItem* InsertAt(Bucket& bucket, size_t index, PtrInt hash, const std::u16string* text, PtrInt value);
    // Unlinks the entry at `index` and disposes of it.
    void RemoveAt(Bucket& bucket, size_t index);
    // Unlinks the entry at `index` without disposing of it (to re-insert it elsewhere).
    THashItem* DetachAt(Bucket& bucket, size_t index);
    void AttachAt(Bucket& bucket, size_t index, THashItem* item);
    // Moves an entry whose value changed to its place in the order.
    void Reposition(Bucket& bucket, size_t index, PtrInt newValue);

    bool FTextKeys = false; // entries are ordered by their key text as well

  private:
    void ReleaseItem(THashItem* item);

    std::vector<Bucket> Buckets;
    FreePool<THashItem, 2> FreeUse; // spare entries
    int FCounter = 0;
    std::recursive_mutex FLock;
};

// Keyed by a pointer-sized value; bucket = key as unsigned 32-bit modulo the bucket count;
// entries ordered by (key, value). In value mode a second table maps each value back to
// its key.
class TPointerHash : public TBaseHash {
  public:
    explicit TPointerHash(int Size);
    static TPointerHash* CreateWithValueHash(int Size); // caller owns the result
    ~TPointerHash() override;
    void Clear() override; // also empties the value table

    bool IsValueMode() const { return FValueHash != nullptr; }

    // Always inserts, also when the key or the pair exists.
    THashItem* Add(PtrInt Key, PtrInt Value);
    // KeyOrder < 0: any matching entry; >= 0: the KeyOrder-th entry of the run of that key
    // (and value, with CheckValue). GetValue receives the value, or 0 when nothing matched.
    bool Find(PtrInt Key, const PtrInt* CheckValue = nullptr, PtrInt* GetValue = nullptr, int KeyOrder = -1);
    // Find on the value table; raises vell::Exception outside value mode.
    bool FindValue(PtrInt Value, const PtrInt* CheckKey = nullptr, PtrInt* GetKey = nullptr,
                   int KeyOrder = -1);
    // Removes one matching entry (and its reverse entry in value mode).
    bool Remove(PtrInt Key, const PtrInt* CheckValue = nullptr);
    // Remove on the value table only; raises vell::Exception outside value mode.
    bool RemoveValue(PtrInt Value, const PtrInt* CheckKey = nullptr);
    // Changes the value of one matching entry; in value mode moves the reverse entry.
    bool Modify(PtrInt Key, PtrInt NewValue, const PtrInt* CheckValue = nullptr);
    PtrInt GetValue(PtrInt Key);
    void SetValue(PtrInt Key, PtrInt Value);

  private:
    TPointerHash* ValueTable(); // raises outside value mode
    TPointerHash* FValueHash = nullptr;
};

// Keyed by a UTF-16 string (ordinal, case-sensitive); entries ordered by (hash, text, value).
class TStringHash : public TBaseHash {
  public:
    explicit TStringHash(int Size);

    THashItem* Add(const std::u16string& Key, PtrInt Value); // always inserts
    bool Find(const std::u16string& Key, const PtrInt* CheckValue = nullptr, PtrInt* GetValue = nullptr);
    bool Remove(const std::u16string& Key, const PtrInt* CheckValue = nullptr);
    bool Modify(const std::u16string& Key, PtrInt NewValue, const PtrInt* CheckValue = nullptr);
    PtrInt ValueOf(const std::u16string& Key, PtrInt DefValue);
    // h := (h rotated left by 2) xor c over the UTF-16 code units; 0 for an empty key.
    virtual std::uint32_t HashOf(const std::u16string& Key) const;

  private:
    Probe MakeProbe(const std::u16string& Key, const PtrInt* CheckValue) const;
};

} // namespace vell
