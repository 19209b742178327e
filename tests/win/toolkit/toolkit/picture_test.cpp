#include "core/component/reader.h"
#include "core/io/stream.h"
#include "tests/support/toolkit_helpers.h"
#include "platform/image/graphic.h"
#include "platform/image/png_image.h"

#include <gtest/gtest.h>

using namespace vell;
using namespace vell::tk;
using namespace vell::tk::test;

namespace {

// A picture of one colour; streams as width, height and colour (3 x 4 bytes).
class TSolidGraphic : public image::TGraphic {
  public:
    int w = 0, h = 0;
    COLORREF colour = 0;
    int GetWidth() const override { return w; }
    int GetHeight() const override { return h; }
    void SetSize(int width, int height) override { w = width, h = height; }
    bool GetEmpty() const override { return w == 0 || h == 0; }
    void Draw(HDC dc, const RECT& r) override {
        win::UniqueBrush b(::CreateSolidBrush(colour));
        ::FillRect(dc, &r, b.get());
    }
    void LoadFromStream(TStream& s) override {
        int32_t v[3];
        s.ReadBuffer(v, sizeof(v));
        w = v[0], h = v[1], colour = static_cast<COLORREF>(v[2]);
    }
    void SaveToStream(TStream& s) override {
        int32_t v[3] = {w, h, static_cast<int32_t>(colour)};
        s.WriteBuffer(v, sizeof(v));
    }
    void Assign(image::TGraphic* src) override {
        auto* o = dynamic_cast<TSolidGraphic*>(src);
        if (!o) image::TGraphic::Assign(src);
        w = o->w, h = o->h, colour = o->colour;
    }
};

struct Registered {
    Registered() { TPicture::RegisterFileFormat<TSolidGraphic>(u"sld", u"Solid colour", "TSolidGraphic"); }
} registered;

class TPictureForm : public TForm {
    VELL_CLASS_INFO()
  public:
    using TForm::TForm;
};
const ClassInfo& TPictureForm::StaticClass() {
    static const ClassInfo info = ClassBuilder<TPictureForm>("TPictureForm", &TForm::StaticClass()).build();
    return info;
}

} // namespace

TEST(Picture, DataRoundTripsThroughTheFormatRegistry) {
    TPicture a;
    auto g = std::make_unique<TSolidGraphic>();
    g->w = 7, g->h = 5, g->colour = RGB(10, 20, 30);
    a.SetGraphic(std::move(g));
    TFiler writer(nullptr, false);
    a.DefineProperties(writer);
    const TFiler::Definition* data = writer.Find("Data");
    ASSERT_NE(data, nullptr);
    ASSERT_TRUE(data->hasData);
    forms::Value v = data->write();
    ASSERT_EQ(v.bytes.size(), 1u + 13u + 12u);
    EXPECT_EQ(v.bytes[0], 13);

    TPicture b;
    ASSERT_TRUE(TReader::ReadDefinedProperty(b, "Data", v, nullptr));
    auto* copy = dynamic_cast<TSolidGraphic*>(b.Graphic());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->w, 7);
    EXPECT_EQ(copy->colour, RGB(10, 20, 30));

    TPicture c;
    c.Assign(&a);
    EXPECT_EQ(c.Width(), 7);
    EXPECT_NE(c.Graphic(), a.Graphic());

    struct Case {
        std::vector<uint8_t> bytes;
        const char* message;
    } bad[] = {
        {{40, 'T'}, "Invalid picture data"},
        {{3, 'T', 'X', 'Y'}, "Unknown picture class TXY"},
        {{13, 'T', 'S', 'o', 'l', 'i', 'd', 'G', 'r', 'a', 'p', 'h', 'i', 'c', 1, 2}, "stream"},
    };
    for (const Case& k : bad) {
        forms::Value bv;
        bv.kind = forms::ValueKind::Binary;
        bv.bytes = k.bytes;
        std::string got = "no error";
        try {
            TReader::ReadDefinedProperty(b, "Data", bv, nullptr);
        } catch (const std::exception& e) {
            got = e.what();
        }
        if (std::string(k.message) == "stream")
            EXPECT_NE(got, "no error");
        else
            EXPECT_EQ(got, k.message);
    }
    EXPECT_THROW(b.LoadFromFile(u"C:\\x\\picture.unknown"), EInvalidGraphic);
}

TEST(Picture, ImageFromADescriptionSizesAndDrawsItsPicture) {
    TPicture source;
    auto g = std::make_unique<TSolidGraphic>();
    g->w = 30, g->h = 20, g->colour = RGB(200, 0, 0);
    source.SetGraphic(std::move(g));
    TFiler writer(nullptr, false);
    source.DefineProperties(writer);
    std::string hex;
    for (uint8_t byte : writer.Find("Data")->write().bytes) {
        static const char* digits = "0123456789ABCDEF";
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    std::string text =
        "object f: TPictureForm\n ClientWidth = 100\n ClientHeight = 60\n BorderStyle = bsNone\n"
        " Color = clWhite\n object img: TImage\n  Left = 10\n  Top = 10\n  AutoSize = True\n"
        "  Picture.Data = {" +
        hex +
        "}\n end\n object big: TImage\n  Left = 50\n  Top = 0\n"
        "  Width = 50\n  Height = 60\n  Stretch = True\n  Picture.Data = {" +
        hex + "}\n end\nend";
    TPictureForm form(nullptr);
    form.ReadDescription(text);
    auto* img = dynamic_cast<TImage*>(form.FindComponent("img"));
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(str(boundsOf(*img)), str(RECT{10, 10, 30, 20}));
    Surface s(100, 60, RGB(1, 2, 3));
    form.PaintTo(s.dc(), 0, 0);
    EXPECT_EQ(s.at(5, 5), RGB(255, 255, 255));
    EXPECT_EQ(s.at(15, 15), RGB(200, 0, 0));
    EXPECT_EQ(s.at(45, 35), RGB(255, 255, 255));
    EXPECT_EQ(s.at(98, 58), RGB(200, 0, 0)); // stretched over the whole control
}

TEST(Picture, GivesUpItsReferenceToASharedImage) {
    // The picture holds one reference of a counted image; whoever else holds one keeps it.
    image::TPngImage* png = image::TPngImage::CreateBlank(6, 8, 4, 3, false, false, true, false);
    png->AddRef();
    int changes = 0;
    {
        TPicture picture;
        picture.OnChange = [&](TPicture*) { ++changes; };
        picture.SetGraphic(std::unique_ptr<image::TGraphic>(png));
        EXPECT_EQ(picture.Width(), 4);
        EXPECT_EQ(png->RefCount(), 2);
    }
    ASSERT_EQ(png->RefCount(), 1) << "the picture freed an image that was still in use";
    EXPECT_EQ(png->Width(), 4);
    // Changes of the surviving image no longer reach the gone picture.
    const int before = changes;
    png->Changed(png);
    EXPECT_EQ(changes, before);

    // Replacing the graphic releases the old one the same way.
    png->AddRef();
    TPicture picture;
    picture.SetGraphic(std::unique_ptr<image::TGraphic>(png));
    picture.SetGraphic(nullptr);
    EXPECT_EQ(png->RefCount(), 1);
    png->ReleaseRef();
}
