#include "core/component/writer.h"
#include "core/forms/value.h"
#include "tests/support/component_fixture.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace vell::tk;
using namespace vell::tk::fixture;

namespace {

using Mode = TReader::TSkinMode;

// A root with three empty collection items, so that indexed paths have items to reach.
struct Target {
    TRoot root{nullptr};
    Target() {
        for (int i = 0; i < 3; ++i)
            root.Items()->Add();
    }
    std::string lines() { return WritePropertyLines(root, &root); }
};

// The lines of `after` that `before` does not have, in order.
std::string newLines(const std::string& after, const std::string& before) {
    std::istringstream in(after);
    std::string out, line;
    while (std::getline(in, line))
        if (before.find(line + "\n") == std::string::npos) out += line.substr(0, line.size() - 1) + "|";
    return out;
}

struct Case {
    const char* lines;   // applied as one block
    const char* changed; // the property lines that changed, "|" after each
    const char* raised;  // the error in Raise mode, "" when none
};

const Case kCases[] = {
    // Plain-text values converted by the property's kind.
    {"Count=12", "Count=12|", ""},
    {"Count=$FF\nMask=0x10", "Count=255|Mask=16|", ""},
    {"Mask=4294967295", "Mask=4294967295|", ""},
    {"Mask=4294967296", "", "Invalid Ident value: Mask=4294967296"},
    {"Shade=shDark", "Shade=shDark|", ""},
    {"Shade=shLight", "", "Invalid Ident value: Shade=shLight"},
    {"Kind=KTWO", "Kind=kTwo|", ""},
    {"Kind=kFour", "", "Invalid property value"},
    {"Flag=true", "Flag=True|", ""},
    {"Styles=stBold,stUnderline", "Styles=[stBold, stUnderline]|", ""},
    {"Styles= stItalic , ", "Styles=[stItalic]|", ""},
    {"Styles=stBold\nStyles=", "", ""},
    {"Styles=stBold,stNone", "", "Invalid property element: stNone"},
    {"Ratio=1.5\nSingle=2.5s", "Ratio=1.5|Single=2.5s|", ""},
    {"Ratio=abc\nBig=12x", "", ""},
    {"Letter=xyz", "Letter='x'|", ""},
    {"Letter=", "", ""},
    {"Caption= a b ", "Caption=' a b '|", ""},
    // Literals, as in form descriptions.
    {"Styles=[stBold, stUnderline]", "Styles=[stBold, stUnderline]|", ""},
    {"Caption='a'#13#10'b'", "Caption='a'#13#10'b'|", ""},
    {"Caption='open", "", "Invalid string constant on line 1"},
    {"Count=(1)", "", "Invalid property value"},
    {"Lines.Strings=('a' 'b')", "Lines.Strings=('a' 'b')|", ""},
    {"Items=<item Caption = 'z' end>", "Items[0].Caption='z'|", ""},
    {"Sub.Data={0A0B}", "Sub.Data={0A0B}|", ""},
    {"Sub.Data=0A", "", "Invalid property value"},
    // Paths: nested objects and collection items; what is not there is passed over.
    {"Sub.Width=4\nItems[1].Caption=mid", "Items[1].Caption='mid'|Sub.Width=4|", ""},
    {"Sub.Again.Again.Width=5", "Sub.Width=5|", ""},
    {"Items[3].Caption=x\nItems[x].Caption=x\nItems[].Value=1\nCount[0].Value=1", "", ""},
    {"Nothing=1\nSub.Nothing.Deep=1\nSub.Width.X=1\n=1\nno line", "", ""},
    // Read-only properties, events and references are not for skin lines.
    {"Sub=\nOnPing=RootPing\nBuddy=Root", "", ""},
    // A setter that refuses the value: an error of the line, passed over when skipping.
    {"Lines=\nCount=3", "Count=3|", "Cannot assign a nil to a TStrings"},
};

} // namespace

TEST(SkinLines, AppliedByKindPathAndMode) {
    const std::string base = Target().lines();
    for (const Case& c : kCases) {
        Target skip;
        TReader(&skip.root).ReadSkinLines(&skip.root, c.lines);
        EXPECT_EQ(newLines(skip.lines(), base), c.changed) << c.lines;

        Target raise;
        std::string error;
        try {
            TReader(&raise.root).ReadSkinLines(&raise.root, c.lines, Mode::Raise);
        } catch (const std::exception& e) {
            error = e.what();
        }
        EXPECT_EQ(error, c.raised) << c.lines;
    }
}

TEST(SkinLines, FormDescriptionsReachCollectionItemsByIndex) {
    TRoot root(nullptr);
    TReader(&root).ReadRootComponent(
        "object R: TRoot\n Items = <item end item end>\n Items[1].Caption = 'b'\nend");
    ASSERT_EQ(root.Items()->Count(), 2);
    EXPECT_EQ(static_cast<TItem*>(root.Items()->Items(1))->Caption(), u"b");
    TRoot other(nullptr);
    try {
        TReader(&other).ReadRootComponent("object R: TRoot\n Items[0].Caption = 'x'\nend");
        ADD_FAILURE() << "no error";
    } catch (const EFilerError& e) {
        EXPECT_STREQ(e.what(), "Error reading R.Items[0].Caption on line 2: List index out of bounds (0)");
    }
}
