#include "core/forms/description.h"
#include "core/forms/value.h"

#include <gtest/gtest.h>

using namespace vell::forms;

namespace {

std::string errorOf(std::string_view text) {
    try {
        parseValue(text);
    } catch (const ParseError& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(Literal, StringsJoinPiecesCodesAndPlus) {
    struct Case {
        const char* text;
        std::u16string expected;
    } cases[] = {
        {"'abc'#13#10'def'", u"abc\r\ndef"},
        {"'it''s'", u"it's"},
        {"''", u""},
        {"#65#66", u"AB"},
        {"'a' +\n  'b' + #67", u"abC"},
        {"'gr\xC3\xBC\xC3\x9F'", u"gr\u00FC\u00DF"},
    };
    for (const Case& c : cases) {
        Value v = parseValue(c.text);
        EXPECT_EQ(v.kind, ValueKind::String) << c.text;
        EXPECT_TRUE(v.text == c.expected) << c.text;
    }
}

TEST(Literal, WordsNumbersAndIdentifiers) {
    struct Case {
        const char* text;
        ValueKind kind;
        int64_t integer;
        double number;
        const char* ident;
    } cases[] = {
        {"12", ValueKind::Integer, 12, 0, ""},
        {"-7", ValueKind::Integer, -7, 0, ""},
        {"$FF", ValueKind::Integer, 255, 0, ""},
        {"2147483648", ValueKind::Int64, 2147483648LL, 0, ""},
        {"$FFFFFFFF", ValueKind::Int64, 0xFFFFFFFFLL, 0, ""},
        {"-2147483648", ValueKind::Integer, -2147483648LL, 0, ""},
        {"1.5", ValueKind::Extended, 0, 1.5, ""},
        {"2E3", ValueKind::Extended, 0, 2000, ""},
        {"2.5s", ValueKind::Single, 0, 2.5, ""},
        {"12.5c", ValueKind::Currency, 0, 0.00125, ""},
        {"45000.5d", ValueKind::Date, 0, 45000.5, ""},
        {"True", ValueKind::True, 0, 0, ""},
        {"FALSE", ValueKind::False, 0, 0, ""},
        {"nil", ValueKind::Nil, 0, 0, ""},
        {"Null", ValueKind::Null, 0, 0, ""},
        {"clRed", ValueKind::Ident, 0, 0, "clRed"},
        {"text.cl_txt_hot", ValueKind::Ident, 0, 0, "text.cl_txt_hot"},
        {"_x1", ValueKind::Ident, 0, 0, "_x1"},
    };
    for (const Case& c : cases) {
        Value v = parseValue(c.text);
        EXPECT_EQ(v.kind, c.kind) << c.text;
        EXPECT_EQ(v.integer, c.integer) << c.text;
        EXPECT_DOUBLE_EQ(v.number, c.number) << c.text;
        EXPECT_EQ(v.ident, c.ident) << c.text;
    }
}

TEST(Literal, ListsSetsCollectionsAndBinary) {
    Value list = parseValue("(1 'x'\n foo (2))");
    ASSERT_EQ(list.kind, ValueKind::List);
    ASSERT_EQ(list.list.size(), 4u);
    EXPECT_EQ(list.list[1].text, u"x");
    EXPECT_EQ(list.list[2].ident, "foo");
    EXPECT_EQ(list.list[2].line, 2);
    EXPECT_EQ(list.list[3].list.at(0).integer, 2);

    EXPECT_EQ(parseValue("[fsBold, fsItalic]").set, (std::vector<std::string>{"fsBold", "fsItalic"}));
    EXPECT_TRUE(parseValue("[ ]").set.empty());
    EXPECT_EQ(parseValue("[1, 'a']").set, (std::vector<std::string>{"1", "#97"}));

    Value coll = parseValue("<\n item\n  Caption = 'a'\n  Font.Color = clRed\n end\n item [2]\n end>");
    ASSERT_EQ(coll.kind, ValueKind::Collection);
    ASSERT_EQ(coll.items.size(), 2u);
    EXPECT_FALSE(coll.items[0].order.has_value());
    ASSERT_EQ(coll.items[0].properties.size(), 2u);
    EXPECT_EQ(coll.items[0].properties[1].path, "Font.Color");
    EXPECT_EQ(coll.items[0].properties[1].value.at(0).ident, "clRed");
    EXPECT_EQ(coll.items[1].order.value_or(-1), 2);
    EXPECT_TRUE(parseValue("<>").items.empty());

    EXPECT_EQ(parseValue("{0A 1b\n FF}").bytes, (std::vector<uint8_t>{0x0A, 0x1B, 0xFF}));
    EXPECT_TRUE(parseValue("{}").bytes.empty());
}

TEST(Literal, MalformedTextRaisesNamedErrorsWithLine) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"'abc", "Invalid string constant on line 1"},
        {"('a'\n'b)", "Invalid string constant on line 2"},
        {"'a' + 5", "String expected on line 1"},
        {"#", "Invalid string constant on line 1"},
        {"#99999", "Invalid string constant on line 1"},
        {"[fsBold, 3.5]", "Identifier expected on line 1"},
        {"[(1)]", "Identifier expected on line 1"},
        {"['ab']", "Identifier expected on line 1"},
        {"[a b]", ", expected on line 1"},
        {"{0A1}", "Invalid binary value on line 1"},
        {"{0G}", "Invalid binary value on line 1"},
        {"{0A", "Invalid binary value on line 1"},
        {"(1 2", ") expected on line 1"},
        {"<item A = 1>", "Identifier expected on line 1"},
        {"<thing end>", "item expected on line 1"},
        {"<item A 1 end>", "= expected on line 1"},
        {"@", "Invalid property value on line 1"},
        {"", "Invalid property value on line 1"},
        {"99999999999999999999", "Number expected on line 1"},
        {"$", "Number expected on line 1"},
        {"12 13", "Invalid property value on line 1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorOf(c.text), c.message) << c.text;
}

TEST(Literal, DeepNestingFailsCleanly) {
    std::string deep(100000, '(');
    EXPECT_EQ(errorOf(deep), "Invalid property value on line 1");
}

TEST(Literal, FirstValueOnlyWhenAsked) {
    EXPECT_EQ(parseValue("12 rest of text", false).integer, 12);
    EXPECT_TRUE(isLiteralStart("'x'"));
    EXPECT_TRUE(isLiteralStart("<"));
    EXPECT_FALSE(isLiteralStart("clRed"));
    EXPECT_FALSE(isLiteralStart(""));
    EXPECT_FALSE(isLiteralStart(" 'x'"));
}

TEST(Description, ReadsNestedObjectsInOrder) {
    const char* text = "\xEF\xBB\xBFobject frm_Main: TMainForm\r\n"
                       "  Caption = 'Main'\r\n"
                       "  Lines.Strings = (\r\n    'one'\r\n    'two')\r\n"
                       "  object pnl_Main: TPanel\n"
                       "    object img_A: TImage\n    end\n"
                       "  end\n"
                       "  object TTimer\n  end\n"
                       "end\n";
    ObjectDescription d = parseDescription(text);
    EXPECT_EQ(d.name, "frm_Main");
    EXPECT_EQ(d.className, "TMainForm");
    ASSERT_EQ(d.properties.size(), 2u);
    EXPECT_EQ(d.properties[1].path, "Lines.Strings");
    EXPECT_EQ(d.properties[1].value.at(0).list.size(), 2u);
    ASSERT_EQ(d.children.size(), 2u);
    EXPECT_EQ(d.children[0].name, "pnl_Main");
    EXPECT_EQ(d.children[0].line, 6);
    EXPECT_EQ(d.children[0].children.at(0).className, "TImage");
    EXPECT_EQ(d.children[1].name, "");
    EXPECT_EQ(d.children[1].className, "TTimer");
}

TEST(Description, MalformedDescriptionsRaiseParseErrors) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"", "object expected on line 1"},
        {"thing A: B end", "object expected on line 1"},
        {"object A: TA\n  X = 1\n", "end expected on line 3"},
        {"object A: TA\n  X 1\nend", "= expected on line 2"},
        {"object A: \n", "Identifier expected on line 2"},
        {"object A: TA\n  X = 'open\nend", "Invalid string constant on line 2"},
        {"object A: TA\nend\nobject B: TB\nend", "end of description expected on line 3"},
        {"object A: TA\n  object B: TB\nend", "end expected on line 3"},
    };
    for (const Case& c : cases) {
        std::string got = "no error";
        try {
            parseDescription(c.text);
        } catch (const ParseError& e) {
            got = e.what();
        }
        EXPECT_EQ(got, c.message) << c.text;
    }
    std::string deep;
    for (int i = 0; i < 500; ++i)
        deep += "object A: T\n";
    EXPECT_THROW(parseDescription(deep), ParseError);
}
