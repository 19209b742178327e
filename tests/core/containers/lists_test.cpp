#include "core/containers/quick_list.h"
#include "core/containers/string_list.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vell;

// ---- TPointerQuick ----

TEST(PointerQuick, SortedAddAndDuplicates) {
    TPointerQuick q;
    EXPECT_EQ(q.Add(30), 0);
    EXPECT_EQ(q.Add(-10), 0);
    EXPECT_EQ(q.Add(20, 5), 1);
    // dupIgnore: the same Obj again returns the existing index.
    EXPECT_EQ(q.Add(20), 1);
    EXPECT_EQ(q.Count(), 3);
    EXPECT_EQ(q.Get(0), -10);
    EXPECT_EQ(q.GetValue(20), 5);

    q.Duplicates = TDuplicates::dupAccept;
    EXPECT_EQ(q.Add(20, 1), 1); // ordered by value within the key
    EXPECT_EQ(q.Count(), 4);
    EXPECT_EQ(q.GetValueFromIndex(2), 5);

    q.Duplicates = TDuplicates::dupError;
    try {
        q.Add(0x1A);
        q.Add(0x1A);
        FAIL() << "no exception";
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List does not allow duplicates ($01A)");
    }
}

TEST(PointerQuick, FindIndexOfRemove) {
    TPointerQuick q;
    for (PtrInt v : {5, 1, 9, 3})
        q.Add(v, v * 10);
    int index = -1;
    EXPECT_TRUE(q.Find(9, index));
    EXPECT_EQ(index, 3);
    EXPECT_FALSE(q.Find(4, index));
    EXPECT_EQ(index, 2); // insertion point
    PtrInt v30 = 30, v31 = 31;
    EXPECT_EQ(q.IndexOf(3, &v30), 1);
    EXPECT_EQ(q.IndexOf(3, &v31), -1);
    EXPECT_EQ(q.Remove(3), 1);
    EXPECT_EQ(q.Remove(3), -1);
    q.SetValue(5, 55);
    q.SetValue(7, 77); // absent: added in order
    EXPECT_EQ(q.Get(2), 7);
    EXPECT_EQ(q.GetValue(5), 55);
    EXPECT_EQ(q.GetValue(1234), 0);
    EXPECT_THROW(q.Get(10), EListError);
    EXPECT_THROW(q.Delete(-1), EListError);
}

TEST(PointerQuick, UnsortedAppendsAndScans) {
    TPointerQuick q;
    q.SetSorted(false);
    q.Add(5);
    q.Add(1);
    q.Add(5);
    EXPECT_EQ(q.Count(), 3);
    int index = -1;
    EXPECT_TRUE(q.Find(5, index));
    EXPECT_EQ(index, 0);
    q.SetSorted(true);
    EXPECT_EQ(q.Get(0), 1);
    EXPECT_EQ(q.Get(2), 5);
}

TEST(PointerQuick, CustomCompareAndDisposeWithPool) {
    std::vector<PtrInt> disposed;
    TPointerQuick q;
    // Descending order through the comparison event.
    q.OnCompareItem = [](const TBaseQuickListItem& item, const PtrInt* obj, const PtrInt*) {
        return item.Obj > *obj ? -1 : (item.Obj < *obj ? 1 : 0);
    };
    q.DisposeEvent = [&](TPointerQuick&, TBaseQuickListItem& item) { disposed.push_back(item.Obj); };
    for (PtrInt v = 0; v < 40; ++v)
        q.Add(v);
    EXPECT_EQ(q.Get(0), 39);
    q.Delete(0);
    q.Clear(); // more entries than the pool holds: the rest are freed
    EXPECT_EQ(disposed.size(), 40u);
    EXPECT_EQ(disposed.front(), 39);
    for (PtrInt v = 0; v < 20; ++v)
        q.Add(v); // recycled records start clean
    EXPECT_EQ(q.GetValue(3), 0);
}

// ---- TStringListEx / TStringValueList ----

TEST(StringListEx, OrdinalComparison) {
    struct Case {
        const char16_t* a;
        const char16_t* b;
        bool caseSensitive;
        int expected;
    };
    const Case cases[] = {
        {u"abc", u"abd", true, -1}, {u"abc", u"ABC", true, 1}, // 'a' > 'A'
        {u"abc", u"ABC", false, 0}, {u"a_", u"A", false, 1},
        {u"ab", u"abc", false, -1}, {u"\u00E4", u"\u00C4", false, 1}, // only ASCII letters fold
        {u"Z", u"_", false, -1},    {u"z", u"_", false, -1},          // folds to upper: 'Z' < '_'
    };
    for (const Case& c : cases) {
        TStringListEx l;
        l.SetCaseSensitive(c.caseSensitive);
        int r = l.CompareStrings(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.expected);
    }
}

TEST(StringListEx, SortedListAndValues) {
    TStringListEx l;
    l.Add(u"b=2");
    l.Add(u"a=1");
    EXPECT_EQ(l.Strings(0), u"b=2"); // unsorted: appended
    EXPECT_EQ(l.Values(u"A"), u"1"); // case-insensitive by default
    l.SetValueForce(u"a", u"9");
    l.SetValueForce(u"c", u"3");
    EXPECT_EQ(l.Strings(1), u"a=9");
    EXPECT_EQ(l.Strings(2), u"c=3");
    EXPECT_EQ(l.Remove(u"B=2"), 0);
    EXPECT_EQ(l.Remove(u"x"), -1);
    l.SetValues(u"a", u"");
    EXPECT_EQ(l.Count(), 1);

    TStringListEx s;
    s.SetSorted(true);
    s.AddObject(u"k=1", 77);
    s.Add(u"j=0");
    EXPECT_EQ(s.Add(u"K=1"), 1); // dupIgnore
    EXPECT_EQ(s.Count(), 2);
    EXPECT_THROW(s.Put(0, u"x"), EStringListError);
    EXPECT_THROW(s.Insert(0, u"x"), EStringListError);
    // A sorted list still takes a forced value, in order, keeping the line's object.
    s.SetValueForce(u"k", u"2");
    EXPECT_EQ(s.IndexOf(u"k=2"), 1);
    EXPECT_EQ(s.Objects(1), 77);
    s.Duplicates = TDuplicates::dupError;
    EXPECT_THROW(s.Add(u"j=0"), EStringListError);
}

TEST(StringValueList, SortsAndFindsByName) {
    TStringValueList l;
    l.Add(u"b=2");
    l.Add(u"a=1");
    EXPECT_EQ(l.Strings(0), u"a=1");
    EXPECT_EQ(l.IndexOfName(u"b"), 1);
    EXPECT_EQ(l.IndexOf(u"a"), 0); // Key=1 and Key compare equal
    int changes = 0, changing = 0;
    l.OnChange = [&](TStringList&) { ++changes; };
    l.OnChanging = [&](TStringList&) { ++changing; };
    l.Put(1, u"b=3");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(l.Strings(0), u"a=1");
    EXPECT_EQ(l.Strings(1), u"b=3");
    l.Put(0, u"z=0"); // re-sorted
    EXPECT_EQ(l.Strings(1), u"z=0");
    try {
        l.Put(2, u"c=1");
        FAIL() << "no exception";
    } catch (const EStringListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (2)");
    }
    EXPECT_THROW(l.Put(-1, u"c=1"), EStringListError);
    // A name already there is not added twice.
    EXPECT_EQ(l.Add(u"b=4"), 0);
    EXPECT_EQ(l.Count(), 2);
}

TEST(StringValueList, NamesWithCharactersBelowSeparatorStaySearchable) {
    // '.', '-' and digits order below '='; names are compared whole, so every line is
    // found again whatever the insertion order.
    const char16_t* lines[] = {u"a.b=1", u"a=2", u"a-c=3", u"a0=4", u"ab=5", u"a"};
    TStringValueList l;
    for (const char16_t* s : lines)
        l.Add(s);
    EXPECT_EQ(l.Count(), 5); // "a" equals "a=2"
    for (const char16_t* name : {u"a.b", u"a", u"a-c", u"a0", u"ab"})
        EXPECT_GE(l.IndexOfName(name), 0)
            << std::string(name, name + std::char_traits<char16_t>::length(name));
    EXPECT_EQ(l.Values(u"a.b"), u"1");
    EXPECT_EQ(l.Values(u"A"), u"2");
    l.SetCaseSensitive(true);
    EXPECT_EQ(l.IndexOfName(u"A"), -1);
    EXPECT_GE(l.IndexOfName(u"a-c"), 0);
}
