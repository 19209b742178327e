// Small helpers shared by the image tests.
#pragma once
#include "platform/image/png_image.h"

#include <memory>

namespace vell::image::test {

// Frees an image the way its users do (a release) when the test is done with it.
struct PngRelease {
    void operator()(TPngImage* p) const {
        if (p) p->ReleaseRef();
    }
};
using PngPtr = std::unique_ptr<TPngImage, PngRelease>;

inline PngPtr blank(int type, int depth, int cx, int cy, bool dc = false, bool rgb32 = true) {
    PngPtr p(new TPngImage);
    p->MakeBlank(type, depth, cx, cy, dc, rgb32);
    return p;
}

inline uint8_t* px(TPngImage& img, int x, int y) {
    return static_cast<uint8_t*>(img.GetScanline(y)) + x * (img.Header()->BitCount() / 8);
}

// A graphic that links to another one, as reference graphics do; it records what it hears.
class Linker : public TRdGraphic {
  public:
    explicit Linker(TRdGraphic* target) : target_(target) { target->AddLink(this); }
    ~Linker() override {
        if (target_) target_->RemoveLink(this);
    }
    int GetWidth() const override { return 0; }
    int GetHeight() const override { return 0; }
    void SetSize(int, int) override {}
    bool GetEmpty() const override { return true; }
    void Draw(HDC, const RECT&) override {}
    void LoadFromStream(TStream&) override {}
    void SaveToStream(TStream&) override {}
    uint8_t* GetAlphaScanline(int) override { return nullptr; }
    void* GetScanline(int) override { return nullptr; }
    TColor GetPixels(int, int) override { return 0; }
    void SetPixels(int, int, TColor) override {}
    void ChangedEx(intptr_t modFlag, TGraphic* sender) override {
        ++heard;
        lastFlag = modFlag;
        lastSender = sender;
    }
    TRdGraphic* target() const { return target_; }
    int heard = 0;
    intptr_t lastFlag = 0;
    TGraphic* lastSender = nullptr;

  protected:
    bool LinksTo(const TRdGraphic* t) const override { return t == target_; }
    void ClearLinkTo(const TRdGraphic* t) override {
        if (t == target_) target_ = nullptr;
    }

  private:
    TRdGraphic* target_;
};

} // namespace vell::image::test
