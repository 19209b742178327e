#include "tests/support/component_fixture.h"

#include <gtest/gtest.h>

using namespace vell::tk;
using namespace vell::tk::fixture;
using vell::TDuplicates;

namespace {

// "-n" before a change and "+n" after it, n being the line count at that moment.
struct EventLog {
    std::string text;
    explicit EventLog(TStrings& list) {
        list.OnChanging = [this](TStrings* s) { text += "-" + std::to_string(s->Count()) + " "; };
        list.OnChange = [this](TStrings* s) { text += "+" + std::to_string(s->Count()) + " "; };
    }
};

std::string joined(const TStrings& list) {
    std::string out;
    for (int i = 0; i < list.Count(); ++i) {
        for (char16_t c : list.Strings(i))
            out += static_cast<char>(c);
        out += ' ';
    }
    return out;
}

} // namespace

TEST(StringList, SortedOrderDuplicatesAndFind) {
    struct Case {
        TDuplicates duplicates;
        bool caseSensitive;
        std::string lines;
        bool raised;
    } cases[] = {
        {TDuplicates::dupIgnore, false, "a B c ", false},
        {TDuplicates::dupAccept, false, "a b B c ", false},
        {TDuplicates::dupError, false, "a B c ", true},
        {TDuplicates::dupIgnore, true, "B a b c ", false},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.SetSorted(true);
        list.SetDuplicates(c.duplicates);
        list.SetCaseSensitive(c.caseSensitive);
        bool raised = false;
        for (const char16_t* s : {u"c", u"B", u"a", u"b"}) {
            try {
                list.Add(s);
            } catch (const vell::EStringListError&) {
                raised = true;
            }
        }
        EXPECT_EQ(joined(list), c.lines) << static_cast<int>(c.duplicates) << c.caseSensitive;
        EXPECT_EQ(raised, c.raised);
    }
    TStringList list;
    list.SetText(u"delta\r\nalpha\r\ncharlie\r\n");
    EXPECT_EQ(joined(list), "delta alpha charlie ");
    list.SetSorted(true);
    EXPECT_EQ(joined(list), "alpha charlie delta ");
    int index = -1;
    EXPECT_TRUE(list.Find(u"CHARLIE", index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(list.Find(u"bravo", index));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(list.IndexOf(u"Delta"), 2);
    EXPECT_THROW(list.Put(0, u"x"), vell::EStringListError);
    EXPECT_THROW(list.Insert(0, u"x"), vell::EStringListError);
    EXPECT_EQ(joined(list), "alpha charlie delta ");
}

TEST(StringList, OnePairOfEventsPerChangeOrBracket) {
    TStringList list;
    list.SetSorted(true);
    EventLog log(list);
    list.Add(u"b");
    list.Add(u"a");
    EXPECT_EQ(log.text, "-0 +1 -1 +2 ");
    log.text.clear();
    list.BeginUpdate();
    list.Add(u"c");
    list.BeginUpdate();
    list.Delete(0);
    list.EndUpdate();
    list.Add(u"d");
    EXPECT_EQ(log.text, "-2 ");
    list.EndUpdate();
    EXPECT_EQ(log.text, "-2 +3 ");
    // Nothing changed: no events.
    log.text.clear();
    list.BeginUpdate();
    list.EndUpdate();
    list.Add(u"c"); // ignored duplicate
    list.SetSorted(true);
    EXPECT_THROW(list.Put(0, u"x"), vell::EStringListError);
    EXPECT_EQ(log.text, "");
    // Assign, text and streaming are one change each.
    TStrings source;
    source.SetText(u"z\r\ny\r\n");
    list.Assign(&source);
    EXPECT_EQ(joined(list), "y z ");
    list.SetText(u"q");
    TReader::ReadDefinedProperty(list, "Strings", vell::forms::parseValue("('n' 'm' 'n')"), nullptr);
    EXPECT_EQ(joined(list), "m n ");
    EXPECT_EQ(log.text, "-3 +2 -2 +1 -1 +2 ");
}

TEST(StringList, PublishedSortedListReadsAndWritesItsLines) {
    TRoot root(nullptr);
    int changing = 0, changed = 0;
    root.Order()->OnChanging = [&](TStrings*) { ++changing; };
    root.Order()->OnChange = [&](TStrings*) { ++changed; };
    TReader(&root).ReadRootComponent("object R: TRoot\n Order.Strings = ('b' 'a' 'b')\nend");
    EXPECT_EQ(joined(*root.Order()), "a b ");
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
    TRoot other(nullptr);
    TReader(&other).ReadSkinLine(&other, "Order.Strings", "('x' 'c')");
    EXPECT_EQ(joined(*other.Order()), "c x ");
}
