#include "core/containers/hash.h"
#include "core/image/errors.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace vell;

TEST(PointerHash, SameKeyTwiceKeepsBothInInsertionIndependentOrder) {
    TPointerHash h(256);
    h.Add(7, 300);
    h.Add(7, 100);
    h.Add(7, 200);
    EXPECT_EQ(h.Counter(), 3);
    // Entries of one key are ordered by value, so KeyOrder walks them ascending.
    PtrInt v = -1;
    const PtrInt expected[] = {100, 200, 300};
    for (int order = 0; order < 3; ++order) {
        ASSERT_TRUE(h.Find(7, nullptr, &v, order)) << order;
        EXPECT_EQ(v, expected[order]);
    }
    EXPECT_FALSE(h.Find(7, nullptr, &v, 3));
    EXPECT_EQ(v, 0); // nothing found: the out value is cleared
}

TEST(PointerHash, KeyOrderCountsWithinPairRunWhenValueIsChecked) {
    TPointerHash h(1);
    h.Add(5, 1);
    h.Add(5, 2);
    h.Add(5, 2);
    PtrInt two = 2, v = 0;
    EXPECT_TRUE(h.Find(5, &two, &v, 1));
    EXPECT_FALSE(h.Find(5, &two, &v, 2));
    PtrInt three = 3;
    EXPECT_FALSE(h.Find(5, &three, &v, -1));
}

TEST(PointerHash, SignedOrderInOneBucketAndNextLinks) {
    TPointerHash h(1);
    h.Add(1, 10);
    h.Add(-1, 20);
    h.Add(0, 30);
    // The walk along Next from the smallest key visits -1, 0, 1.
    THashItem* first = h.Add(-5, 40);
    std::vector<PtrInt> keys;
    for (THashItem* e = first; e; e = e->Next)
        keys.push_back(e->Hash);
    EXPECT_EQ(keys, (std::vector<PtrInt>{-5, -1, 0, 1}));
}

TEST(PointerHash, RemoveModifyAndValueAccess) {
    TPointerHash h(16);
    h.Add(3, 30);
    h.Add(3, 31);
    h.Add(19, 190); // same bucket as 3
    PtrInt v31 = 31;
    EXPECT_TRUE(h.Remove(3, &v31));
    EXPECT_FALSE(h.Remove(3, &v31));
    EXPECT_EQ(h.GetValue(3), 30);
    EXPECT_TRUE(h.Modify(3, 5));
    EXPECT_EQ(h.GetValue(3), 5);
    EXPECT_FALSE(h.Modify(4, 5));
    h.SetValue(4, 44);   // absent: added
    h.SetValue(19, 191); // present: modified
    EXPECT_EQ(h.GetValue(4), 44);
    EXPECT_EQ(h.GetValue(19), 191);
    EXPECT_EQ(h.GetValue(1234), 0);
    EXPECT_EQ(h.Counter(), 3);
}

TEST(PointerHash, ModifyKeepsRunOrdered) {
    TPointerHash h(1);
    h.Add(1, 10);
    h.Add(1, 20);
    h.Add(1, 30);
    PtrInt ten = 10;
    ASSERT_TRUE(h.Modify(1, 25, &ten));
    PtrInt v = 0;
    const PtrInt expected[] = {20, 25, 30};
    for (int order = 0; order < 3; ++order) {
        ASSERT_TRUE(h.Find(1, nullptr, &v, order));
        EXPECT_EQ(v, expected[order]);
    }
}

TEST(PointerHash, ValueModeMapsBack) {
    std::unique_ptr<TPointerHash> h(TPointerHash::CreateWithValueHash(256));
    h->Add(1, 100);
    h->Add(2, 100);
    PtrInt key = 0;
    EXPECT_TRUE(h->FindValue(100, nullptr, &key, 1));
    EXPECT_EQ(key, 2);
    PtrInt one = 1;
    EXPECT_TRUE(h->Remove(1));
    EXPECT_FALSE(h->FindValue(100, &one, nullptr));
    EXPECT_TRUE(h->Modify(2, 200));
    EXPECT_FALSE(h->FindValue(100));
    EXPECT_TRUE(h->FindValue(200, nullptr, &key));
    EXPECT_EQ(key, 2);
    // RemoveValue works on the reverse table only.
    EXPECT_TRUE(h->RemoveValue(200));
    EXPECT_EQ(h->GetValue(2), 200);
    h->Clear();
    EXPECT_EQ(h->Counter(), 0);
    h->Add(9, 900);
    EXPECT_TRUE(h->FindValue(900));
}

TEST(PointerHash, ValueOperationsOutsideValueModeRaise) {
    TPointerHash h(256);
    try {
        h.FindValue(1);
        FAIL() << "no exception";
    } catch (const vell::Exception& e) {
        EXPECT_STREQ(e.what(), "TPointerHash: not ValueMode");
    }
    EXPECT_THROW(h.RemoveValue(1), vell::Exception);
}

TEST(BaseHash, DisposeEventSeesEveryLeavingEntry) {
    std::vector<PtrInt> disposed;
    {
        TPointerHash h(4);
        h.DisposeEvent = [&](TBaseHash& sender, THashItem& item) {
            EXPECT_EQ(&sender, &h);
            disposed.push_back(item.Value);
        };
        for (int i = 0; i < 6; ++i)
            h.Add(i, 100 + i);
        h.Remove(2);
        EXPECT_EQ(disposed, (std::vector<PtrInt>{102}));
        h.Clear();
        EXPECT_EQ(disposed.size(), 6u);
        EXPECT_EQ(h.Counter(), 0);
        // Records come back from the pool and from fresh allocations alike.
        for (int i = 0; i < 5; ++i)
            h.Add(i, 200 + i);
        h.Modify(1, 999); // no dispose for a changed value
        EXPECT_EQ(disposed.size(), 6u);
    } // destruction disposes of the rest
    EXPECT_EQ(disposed.size(), 11u);
}

TEST(BaseHash, LockIsReentrant) {
    TPointerHash h(16);
    h.Lock();
    h.Lock();
    h.Add(1, 1);
    h.UnLock();
    h.UnLock();
    EXPECT_EQ(h.Counter(), 1);
}

TEST(StringHash, HashOfAndLookups) {
    TStringHash h(256);
    EXPECT_EQ(h.HashOf(u"ab"), 0x1E6u);
    EXPECT_EQ(h.HashOf(u""), 0u);
    // Rotation, not shift: after 16 characters the top bits come round again.
    EXPECT_EQ(h.HashOf(u"abcdefghijklmnopq"), 0x5B24F1BFu);

    h.Add(u"Key", 1);
    h.Add(u"key", 2); // case-sensitive: a different key
    h.Add(u"Key", 3);
    EXPECT_EQ(h.Counter(), 3);
    EXPECT_EQ(h.ValueOf(u"key", -1), 2);
    EXPECT_EQ(h.ValueOf(u"KEY", -1), -1);
    PtrInt v = 0, three = 3;
    EXPECT_TRUE(h.Find(u"Key", &three, &v));
    EXPECT_EQ(v, 3);
    EXPECT_TRUE(h.Modify(u"Key", 7, &three));
    EXPECT_TRUE(h.Remove(u"Key", nullptr));
    EXPECT_EQ(h.ValueOf(u"Key", -1), 7);
    EXPECT_FALSE(h.Remove(u"absent", nullptr));
    EXPECT_FALSE(h.Modify(u"absent", 1, nullptr));
}

TEST(StringHash, CollidingHashesStaySeparateByText) {
    // One bucket: every key collides in the bucket; keys with the same hash are told
    // apart by their text.
    TStringHash h(1);
    // "ab" and "\x0001\x01E2" hash alike: (0x61 rotl 2) ^ 0x62 = (1 rotl 2) ^ 0x1E2.
    const std::u16string a = u"ab", b = u"\x0001\x01E2";
    ASSERT_EQ(h.HashOf(a), h.HashOf(b));
    h.Add(a, 1);
    h.Add(b, 2);
    h.Add(u"", 3);
    EXPECT_EQ(h.ValueOf(a, 0), 1);
    EXPECT_EQ(h.ValueOf(b, 0), 2);
    EXPECT_EQ(h.ValueOf(u"", 0), 3);
    EXPECT_TRUE(h.Modify(b, 9, nullptr));
    EXPECT_EQ(h.ValueOf(a, 0), 1);
    EXPECT_EQ(h.ValueOf(b, 0), 9);
}
