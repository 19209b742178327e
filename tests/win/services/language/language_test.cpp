#include "services/language/product_language.h"
#include "tests/support/temp_dir.h"

#include "core/text/codec.h"
#include "core/text/utf.h"

#include <gtest/gtest.h>

using namespace vell;
using vell::testing::TempDir;
using vell::testing::writeFile;
using Lines = std::vector<std::u16string>;

namespace {

const std::u16string kShipped = text::fromWide(L"" VELL_SOURCE_DIR L"\\languages");

std::string utf8Bom(const std::string& s) {
    return "\xEF\xBB\xBF" + s;
}

// A product data folder with Config.ini naming `language` (none when empty) and a language
// folder holding the given files.
struct Product {
    TempDir dir;
    std::u16string data = dir / u"data\\";
    std::u16string lang = dir / u"Language";
    Product(const std::string& language,
            std::initializer_list<std::pair<std::u16string, std::string>> files) {
        ::CreateDirectoryW(text::wcs(data), nullptr);
        ::CreateDirectoryW(text::wcs(lang), nullptr);
        if (!language.empty()) writeFile(data + u"Config.ini", "[Main]\r\nLanguage=" + language + "\r\n");
        for (const auto& [name, bytes] : files)
            writeFile(lang + u"\\" + name, bytes);
    }
    ~Product() { FreeProductLanguage(); }
};

const std::string kEnglish =
    utf8Bom("[Main]\r\nDisplayName=English\r\n[VLR_MainBoxLan]\r\nTip_Launching=Launching "
            "%s...\r\n[VLR_M]\r\nLan_ButtonOK=OK!\r\nEmpty=\r\n");

} // namespace

TEST(ShippedLanguages, EveryFileHasTheBoxTextsAndItsOwnName) {
    TLanguage lan(u"VLR", kShipped);
    const auto& names = lan.GetLanRealNames();
    ASSERT_GE(lan.GetLanNames().size(), 3u);
    ASSERT_EQ(names.size(), lan.GetLanNames().size());
    for (const auto& name : Lines(lan.GetLanNames())) {
        lan.SetLanByName(name);
        ASSERT_EQ(lan.GetCurrentLan(), name);
        EXPECT_NE(lan.GetCurrentRealLan(), u"") << text::utf16ToUtf8(name);
        for (const char16_t* key : {u"Tip_Launching", u"Tip_DisplayChanging"}) {
            const std::u16string v = lan.ReadString(u"VLR_MainBoxLan", key, u"");
            EXPECT_NE(v.find(u"%s"), std::u16string::npos) << text::utf16ToUtf8(name);
            EXPECT_EQ(v.find(u"%s"), v.rfind(u"%s")) << text::utf16ToUtf8(name);
        }
        EXPECT_NE(lan.GetM(u"Lan_ButtonOK"), u"") << text::utf16ToUtf8(name);
    }
    lan.SetLanByName(u"English");
    EXPECT_EQ(lan.ReadString(u"VLR_MainBoxLan", u"Tip_Launching", u""), u"Launching %s...");
    EXPECT_EQ(lan.ReadString(u"VLR_MainBoxLan", u"Tip_DisplayChanging", u""),
              u"Screen changing. Reconfiguring %s...");
    lan.SetLanByRealName(u"\u0627\u0644\u0639\u0631\u0628\u064A\u0629"); // Arabic by its own name
    EXPECT_EQ(lan.GetCurrentLan(), u"Arabic");
}

TEST(ProductLanguage, ConfiguredLanguageAndFallBacks) {
    struct Case {
        const char* config; // empty: no Config.ini
        bool arabicFile;
        const char16_t* current;
        const char16_t* ok;
        bool rtl;
    } cases[] = {
        {"", false, u"English", u"OK!", false},
        {"Missing", false, u"English", u"OK!", false},
        {"Arabic", false, u"English", u"OK!", true}, // flag from the name, texts from English
        {"Arabic", true, u"Arabic", u"\u0645\u0648\u0627\u0641\u0642", true},
        {"arabic", false, u"English", u"OK!", false}, // the flag compares with case
        {"..\\data\\Config", false, u"English", u"OK!", false},
    };
    for (const auto& c : cases) {
        Product p(c.config, {{u"English.lng", kEnglish}});
        if (c.arabicFile)
            writeFile(p.lang + u"\\Arabic.lng",
                      utf8Bom("[VLR_M]\r\nLan_ButtonOK=\xD9\x85\xD9\x88\xD8\xA7\xD9\x81\xD9\x82\r\n"));
        InitProductLanguage(p.data, p.lang);
        ASSERT_NE(ProductLanguage(), nullptr);
        EXPECT_EQ(ProductLanguage()->GetCurrentLan(), c.current) << c.config;
        EXPECT_EQ(CommonTexts().ButtonOK, c.ok) << c.config;
        EXPECT_EQ(CommonTexts().ButtonCancel, u"Cancel") << c.config;
        EXPECT_EQ(LanguageIsRightToLeft(), c.rtl) << c.config;
    }
}

TEST(ProductLanguage, WithoutAnyLanguageFileEverythingIsDefault) {
    Product p("German", {});
    InitProductLanguage(p.data, p.lang);
    EXPECT_EQ(ProductLanguage()->GetCurrentLan(), u"");
    EXPECT_EQ(ProductLanguage()->ReadString(u"VLR_MainBoxLan", u"Tip_Launching", u"Launching %s..."),
              u"Launching %s...");
    EXPECT_EQ(CommonTexts().WindowMax, u"Maximum");
    EXPECT_EQ(CommonTexts().Later, u"Later");
    EXPECT_EQ(CommonTexts().Reboot, u"Reboot");
    FreeProductLanguage();
    EXPECT_EQ(ProductLanguage(), nullptr);
    EXPECT_EQ(CommonTexts().ButtonOK, u"");
}

TEST(Language, LookUps) {
    Product p("", {{u"English.lng", kEnglish + "\r\n[Form]\r\nMsg=one<BR>two<br>\r\n"}});
    TLanguage lan(u"VLR", p.lang);
    lan.SetLanByName(u"English");
    EXPECT_EQ(lan.ReadString(u"Form", u"Msg", u""), u"one\r\ntwo\r\n");
    EXPECT_EQ(lan.ReadString(u"Form", u"Missing", u"a<Br>b"), u"a\r\nb"); // defaults too
    EXPECT_EQ(lan.GetM(u"lan_buttonok"), u"OK!");
    EXPECT_EQ(lan.GetM(u"EMPTY", u"default"), u""); // present but empty
    EXPECT_EQ(lan.GetM(u"Nope", u"default"), u"default");
    EXPECT_EQ(lan.GetM(u"Nope"), u"");
    EXPECT_EQ(lan.GetMList().Count(), 2);
    auto msgs = lan.GetLanMessage(u"vlr_m");
    ASSERT_EQ(msgs->Count(), 2);
    EXPECT_EQ(msgs->Strings(0), u"Lan_ButtonOK=OK!");
    EXPECT_EQ(lan.GetLanMessage(u"None")->Count(), 0);
    EXPECT_EQ(lan.GetCurrentRealLan(), u"English");
}

TEST(Language, UnreadableOrDamagedFiles) {
    std::string binary;
    for (int i = 0; i < 5000; ++i)
        binary.push_back(static_cast<char>(i * 37 + (i >> 5)));
    Product p("", {{u"English.lng", kEnglish},
                   {u"Empty.lng", ""},
                   {u"Binary.lng", binary},
                   {u"Cut.lng", std::string("\xFF\xFE[\0V\0L\0R\0_\0M\0]\0\n\0A\0=", 21)}});
    TLanguage lan(u"VLR", p.lang + u"\\"); // a trailing backslash is dropped
    for (const char16_t* name : {u"Empty", u"Binary", u"Cut"}) {
        lan.SetLanByName(name);
        EXPECT_EQ(lan.GetCurrentLan(), name);
        EXPECT_EQ(lan.GetCurrentRealLan(), name); // no DisplayName: the file name stands in
        EXPECT_EQ(lan.GetM(u"Lan_ButtonOK", u"dflt"), u"dflt");
    }

    // A file that cannot be read keeps the texts loaded before it.
    lan.SetLanByName(u"English");
    writeFile(p.lang + u"\\Locked.lng", "[VLR_M]\r\nLan_ButtonOK=locked\r\n");
    HANDLE lock = ::CreateFileW(text::wcs(p.lang + u"\\Locked.lng"), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                0, nullptr);
    lan.SetLanByName(u"Locked");
    ::CloseHandle(lock);
    EXPECT_EQ(lan.GetCurrentLan(), u"Locked");
    EXPECT_EQ(lan.GetM(u"Lan_ButtonOK"), u"OK!");
}

TEST(Language, InstalledLanguagesAndDisplayNames) {
    Product p("", {{u"English.lng", kEnglish},
                   {u"Klingon.lng", utf8Bom("[Main]\r\nDisplayName=tlhIngan Hol\r\n")},
                   {u"Other.lngx", ""},
                   {u"NoName.lng", ""}});
    ::CreateDirectoryW(text::wcs(p.lang + u"\\Folder.lng"), nullptr);
    TLanguage lan(u"VLR", p.lang);
    Lines names = lan.GetLanNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Lines{u"English", u"Klingon", u"NoName"}));
    EXPECT_TRUE(lan.GetLanRealNames().size() == 3);
    lan.SetLanByRealName(u"TLHINGAN HOL");
    EXPECT_EQ(lan.GetCurrentLan(), u"Klingon");
    EXPECT_EQ(lan.GetCurrentRealLan(), u"tlhIngan Hol");
    lan.SetLanByRealName(u"Unknown");
    EXPECT_EQ(lan.GetCurrentLan(), u"Klingon");
}
