#include "core/png/codec.h"
#include "tests/tools/vskin/fixture.h"
#include "tools/vskin/skin_check.h"

#include <gtest/gtest.h>

using namespace vell;
using namespace vell::vskin;
using namespace vell::vskintest;

namespace {

std::string decodeMessage(const std::string& bytes) {
    try {
        png::decodeToBgra(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(decodes)";
}

// The findings of public.rcc and skin.dll, the package named by its file name.
std::vector<std::string> findings(const Files& publicFiles, const Files& skinFiles) {
    ScratchFolder dir;
    WritePackage(dir.path() / "public.rcc", publicFiles);
    WritePackage(dir.path() / "skin.dll", skinFiles);
    SkinSet set({(dir.path() / "public.rcc").string(), (dir.path() / "skin.dll").string()});
    std::vector<std::string> out;
    for (Finding f : CheckSkin(set)) {
        f.at.package = std::filesystem::path(f.at.package).filename().string();
        out.push_back(FormatFinding(f));
    }
    return out;
}

const std::string kSkinMain = "[validate]\r\nskinname=skin\r\n";
const std::string kBadPng = "\x89PNG\r\n\x1a\nnot really";

// A picture whose image data no longer matches its CRC.
std::string damagedPng() {
    std::string png = Png(4, 4);
    png[png.find("IDAT") + 6] ^= 0x55;
    return png;
}

} // namespace

// Each package is broken in one way and gives exactly its finding.
TEST(VskinCheck, EachBrokenPackageGivesItsFinding) {
    struct Case {
        const char* what;
        Files publicFiles;
        Files skinFiles;
        std::vector<std::string> expected;
    } cases[] = {
        {"nothing wrong",
         {{"main.ini", "[panel]\nclass=TRdPanel\nColor=clNone\n"}},
         {{"main.ini", kSkinMain}},
         {}},
        {"a section names a missing picture",
         {{"main.ini",
           "[image_bg]\nclass=TRdImage\nPicture.Text=('imgname=images/none.png' 'imgopt=4,4,4,4,1')\n"}},
         {{"main.ini", kSkinMain}},
         {"public.rcc:main.ini:3: error: imgname names images/none.png, which no package holds"}},
        {"a picture does not decode",
         {{"main.ini", ""}},
         {{"main.ini", kSkinMain + "[bg]\nclass=image\nimgname=images/bad.png\n"},
          {"images/bad.png", kBadPng}},
         {"skin.dll:images/bad.png:0: error: picture does not decode: " + decodeMessage(kBadPng)}},
        {"a picture's data is damaged",
         {{"main.ini", ""}},
         {{"main.ini", kSkinMain + "[bg]\nclass=image\nimgname=images/bad.png\n"},
          {"images/bad.png", damagedPng()}},
         {"skin.dll:images/bad.png:0: error: picture data is damaged (a CRC or the compressed data): the "
          "product "
          "draws it transparent"}},
        {"a colour reference names no colour",
         {{"main.ini", ""}},
         {{"main.ini", kSkinMain}, {"color_setting.ini", "[text]\ncl_a=&102030\ncl_b=[#text.cl_none]\n"}},
         {"skin.dll:color_setting.ini:3: error: colour reference [#text.cl_none] names no colour"}},
        {"colour references run in a cycle",
         {{"main.ini", ""}},
         {{"main.ini", kSkinMain}, {"color_setting.ini", "[text]\ncl_a=[text.cl_b]\ncl_b=[&text.cl_a]\n"}},
         {"skin.dll:color_setting.ini:2: error: colour reference [text.cl_b] runs in a cycle: text.cl_a -> "
          "text.cl_b -> text.cl_a",
          "skin.dll:color_setting.ini:3: error: colour reference [&text.cl_a] runs in a cycle: text.cl_b -> "
          "text.cl_a -> text.cl_b"}},
        {"a colour value does not parse",
         {{"main.ini", ""}},
         {{"main.ini", kSkinMain + "[ui]\nclass=color\ncl_x=#12345G\n"}},
         {"skin.dll:main.ini:5: error: colour value #12345G of ui.cl_x does not parse"}},
        {"a skin line names an undefined colour",
         {{"main.ini", "[label]\nclass=TRdLabel\nFont.Color=text.cl_missing\n"}},
         {{"main.ini", kSkinMain}},
         {"public.rcc:main.ini:3: error: colour text.cl_missing is not defined"}},
        {"a parent is missing",
         {{"main.ini", "[panel_box]\nclass=TRdPanel\nparent=panel\n[panel]\nclass=TRdImage\n"}},
         {{"main.ini", kSkinMain}},
         {"public.rcc:main.ini:3: error: parent [panel] is no section of class TRdPanel (that section has "
          "class TRdImage)"}},
        {"parents run in a cycle",
         {{"main.ini", ""}},
         {{"main.ini", kSkinMain + "[a]\nclass=TRdPanel\nparent=b\n[b]\nclass=TRdPanel\nparent=a\n"}},
         {"skin.dll:main.ini:5: error: parent chain runs in a cycle: [a] -> [b] -> [a]"}},
        {"a section is its own parent",
         {{"main.ini", "[a]\nclass=TRdPanel\nparent=A\n"}},
         {{"main.ini", kSkinMain}},
         {"public.rcc:main.ini:3: error: section [a] names itself as parent"}},
        {"a definition names a missing definition",
         {{"main.ini", ""}},
         {{"main.ini", kSkinMain + "[d1]\nclass=image\nimgname=[d2]\n"}},
         {"skin.dll:main.ini:5: error: imgname names the image definition [d2], which the skin does not "
          "define"}},
        {"a key and a section stand twice",
         {{"main.ini", "[x]\nclass=TRdPanel\nColor=1\ncolor=2\n[X]\nWidth=3\n"}},
         {{"main.ini", kSkinMain}},
         {"public.rcc:main.ini:4: error: key color appears twice in [x] (first on line 3)",
          "public.rcc:main.ini:5: error: section [X] appears again; only the first (line 1) is read"}},
        {"a tint pattern matches nothing",
         {{"main.ini", ""}},
         {{"main.ini",
           kSkinMain +
               "[p]\nclass=image\nimgname=images/a.png\n[tintpng]\nimages/*.png\nicons/*.png=false\n"},
          {"images/a.png", Png(2, 2)}},
         {"skin.dll:main.ini:8: error: tint pattern icons/*.png matches no picture"}},
        {"text in an encoding the product misreads",
         {{"main.ini", std::string("\xFF\xFE\x00\x00", 4)}},
         {{"main.ini", kSkinMain}, {"extra.ini", "[a]\nx=1\ny=caf\xC3\xA9\n"}},
         {"public.rcc:main.ini:0: error: UTF-32 text: the product reads UTF-8 or UTF-16 with a byte-order "
          "mark",
          "skin.dll:extra.ini:3: error: UTF-8 text without a byte-order mark: the product reads it in the "
          "ANSI code "
          "page; save it with a byte-order mark"}},
        {"a picture no line names",
         {{"main.ini", ""}},
         {{"main.ini", kSkinMain}, {"images/orphan.png", Png(2, 2)}},
         {"skin.dll:images/orphan.png:0: warning: no line names this picture"}},
        {"a reference text file and an animation name missing pictures",
         {{"main.ini", ""}},
         {{"main.ini", kSkinMain + "[spin]\nclass=image\nimgname=images/f_%d.png<0-1>\n"},
          {"images/f_0.png", Png(2, 2)},
          {"btn.rdg", "\xEF\xBB\xBFimgalpha=200\r\nimgname=images/gone.png\r\n"}},
         {"skin.dll:btn.rdg:2: error: imgname names images/gone.png, which no package holds",
          "skin.dll:main.ini:5: error: imgname names images/f_1.png, which no package holds"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(findings(c.publicFiles, c.skinFiles), c.expected) << c.what;
}
