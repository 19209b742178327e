#include "core/io/stream.h"
#include "platform/image/rdg_image.h"
#include "rdcontrol/picture/picture_formats.h"
#include "rdg_helpers.h"
#include "toolkit/picture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/toolkit_helpers.h"

#include <gtest/gtest.h>

using namespace vell;
using namespace vell::image;
using namespace vell::image::test;
using tk::TPicture;

namespace {

class PictureFormats : public ::testing::Test {
  protected:
    PictureFormats() {
        rd::RegisterPictureFormats();
        resolver.add(u"images/a.png", coordPicture(50, 50, 1));
    }

    // Reads one defined property of the picture the way the form reader does.
    static void read(TPicture& picture, const char* name, const forms::Value& v) {
        tk::TFiler filer(nullptr, true);
        picture.DefineProperties(filer);
        const tk::TFiler::Definition* d = filer.Find(name);
        ASSERT_NE(d, nullptr) << name;
        d->read(v);
    }

    static forms::Value text(std::u16string s) {
        forms::Value v;
        v.kind = forms::ValueKind::String;
        v.text = std::move(s);
        return v;
    }

    static forms::Value data(const std::string& className, const std::string& bytes) {
        forms::Value v;
        v.kind = forms::ValueKind::Binary;
        v.bytes.push_back(uint8_t(className.size()));
        v.bytes.insert(v.bytes.end(), className.begin(), className.end());
        v.bytes.insert(v.bytes.end(), bytes.begin(), bytes.end());
        return v;
    }

    static std::string pngBytes() {
        TMemoryStream s;
        coordPicture(3, 2, 5)->SaveToStream(s);
        return s.Bytes();
    }

    FakeResolver resolver;
};

class TRdgPictureForm : public tk::TForm {
    VELL_CLASS_INFO()
  public:
    using TForm::TForm;
};
const tk::ClassInfo& TRdgPictureForm::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TRdgPictureForm>("TRdgPictureForm", &tk::TForm::StaticClass()).build();
    return info;
}

} // namespace

TEST_F(PictureFormats, RegistersPngAndRdgReplacingEarlierPngFormats) {
    TPicture::RegisterFileFormat<TRdgImage>(u"png", u"Old", "TOldPng");
    TPicture::RegisterFileFormat<TRdgImage>(u"", u"No extension", "TNoExtension");
    rd::RegisterPictureFormats();
    const tk::TPictureFormat* png = TPicture::FindFormatByExtension(u"png");
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(png->ClassName, "TPngImage");
    EXPECT_EQ(png->Description, u"Png Image");
    EXPECT_EQ(TPicture::FindFormatByClassName("TOldPng"), nullptr);
    EXPECT_EQ(TPicture::FindFormatByClassName("TNoExtension"), nullptr);
    const tk::TPictureFormat* rdg = TPicture::FindFormatByExtension(u"RDG");
    ASSERT_NE(rdg, nullptr);
    EXPECT_EQ(rdg->Description, u"Rdg Image");
    EXPECT_TRUE(rdg->Type == typeid(TRdgImage));
}

TEST_F(PictureFormats, TextMakesAReferenceGraphic) {
    TPicture picture;
    int changes = 0;
    picture.OnChange = [&](TPicture*) { ++changes; };
    read(picture, "Text", text(u"imgname=images/a.png\r\nimgrect!=0,0,5,6"));
    auto* rdg = dynamic_cast<TRdgImage*>(picture.Graphic());
    ASSERT_NE(rdg, nullptr);
    EXPECT_EQ(picture.Width(), 5);
    EXPECT_EQ(picture.Height(), 6);
    EXPECT_GT(changes, 0);

    // A list of strings; the graphic that is there reads it itself.
    forms::Value list;
    list.kind = forms::ValueKind::List;
    list.list = {text(u"imgname=images/a.png"), text(u"imgalpha=30")};
    read(picture, "Text", list);
    EXPECT_EQ(picture.Graphic(), rdg);
    EXPECT_EQ(picture.Width(), 50);
    EXPECT_EQ(rdg->AlphaBlendValue(), 30);

    // Written back as the reference's own lines, only for a reference that names something.
    tk::TFiler writer(nullptr, false);
    picture.DefineProperties(writer);
    const tk::TFiler::Definition* d = writer.Find("Text");
    ASSERT_TRUE(d && d->hasData);
    const forms::Value out = d->write();
    ASSERT_EQ(out.kind, forms::ValueKind::List);
    std::vector<std::u16string> lines;
    for (const forms::Value& item : out.list)
        lines.push_back(item.text);
    EXPECT_EQ(lines, rdg->SaveToStrings());

    TPicture empty;
    tk::TFiler emptyWriter(nullptr, false);
    empty.DefineProperties(emptyWriter);
    EXPECT_FALSE(emptyWriter.Find("Text")->hasData);

    forms::Value number;
    number.kind = forms::ValueKind::Integer;
    EXPECT_THROW(read(picture, "Text", number), tk::EFilerError);
}

TEST_F(PictureFormats, DataClassNamesAndPngSniffing) {
    struct Case {
        const char* className;
        bool png;
    };
    const std::string png = pngBytes();
    for (const Case& c : {Case{"TPngImage", true}, Case{"TPNGGraphic", true}, Case{"RIdIzevAzo", true},
                          Case{"TSomethingElse", true}, Case{"TRdgImage", true}}) {
        TPicture picture;
        read(picture, "Data", data(c.className, png));
        auto* img = dynamic_cast<TPngImage*>(picture.Graphic());
        ASSERT_NE(img, nullptr) << c.className;
        EXPECT_EQ(img->Width(), 3);
        EXPECT_EQ(img->GetPixels(2, 1) & 0xFF, 5u); // red holds the picture's tag
    }

    // Other data of an unknown class leaves the picture empty; a known class reads its own.
    TPicture unknown;
    unknown.SetGraphic(std::make_unique<TRdgImage>(u"images/a.png"));
    read(unknown, "Data", data("TSomethingElse", "not a picture at all"));
    EXPECT_EQ(unknown.Graphic(), nullptr);

    TPicture rdg;
    read(rdg, "Data", data("TRdgImage", "imgname=images/a.png\r\nimgrect!=0,0,4,4\r\n"));
    ASSERT_NE(dynamic_cast<TRdgImage*>(rdg.Graphic()), nullptr);
    EXPECT_EQ(rdg.Width(), 4);
}

TEST_F(PictureFormats, LoadFromFileByExtension) {
    vell::testing::TempDir dir;
    vell::testing::writeFile(dir / u"pic.PNG", pngBytes());
    vell::testing::writeFile(dir / u"ref.rdg", "\xEF\xBB\xBFimgname=images/a.png\r\nimgrect!=1,1,8,9\r\n");
    vell::testing::writeFile(dir / u"pic.xyz", "whatever");

    TPicture picture;
    picture.LoadFromFile(dir / u"pic.PNG");
    EXPECT_NE(dynamic_cast<TPngImage*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 3);
    picture.LoadFromFile(dir / u"ref.rdg");
    EXPECT_NE(dynamic_cast<TRdgImage*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 7);

    try {
        picture.LoadFromFile(dir / u"pic.xyz");
        FAIL() << "no error";
    } catch (const tk::EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Unknown picture file extension (.xyz)");
    }
    EXPECT_EQ(picture.Width(), 7); // the picture keeps what it had
}

TEST_F(PictureFormats, AFormDescriptionShowsAReferencePicture) {
    // The 50 x 50 picture a.png (pixel (x, y) is red 1, green y, blue x) stretched over
    // 100 x 60 with margins 16 that keep their size.
    TRdgPictureForm form(nullptr);
    form.ReadDescription(
        "object f: TRdgPictureForm\n ClientWidth = 100\n ClientHeight = 60\n BorderStyle = bsNone\n"
        " object img: TImage\n  Left = 0\n  Top = 0\n  Width = 100\n  Height = 60\n"
        "  Stretch = True\n  Picture.Text = 'imgname=images/a.png'\n  PictureOption.Left = 16\n"
        "  PictureOption.Top = 16\n  PictureOption.Right = 16\n  PictureOption.Bottom = 16\n end\nend");
    auto* img = dynamic_cast<tk::TImage*>(form.FindComponent("img"));
    ASSERT_NE(img, nullptr);
    ASSERT_NE(dynamic_cast<TRdgImage*>(img->Picture()->Graphic()), nullptr);
    tk::test::Surface s(100, 60, RGB(255, 255, 255));
    form.PaintTo(s.dc(), 0, 0);
    EXPECT_EQ(s.at(0, 0), RGB(1, 0, 0));
    EXPECT_EQ(s.at(15, 15), RGB(1, 15, 15));
    EXPECT_EQ(s.at(99, 59), RGB(1, 49, 49));
    EXPECT_EQ(s.at(84, 44), RGB(1, 34, 34));
}
