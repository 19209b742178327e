// The abstract picture and the engine's graphic base.
//
// TGraphic is the picture interface the rest of the system draws and streams: size,
// emptiness, transparency, palette, the modified flag and change event, drawing into a
// device context, and streaming. TRdGraphic adds the list of reference graphics that
// currently point at it, so they hear of its changes and drop their links when it goes.
#pragma once
#include "core/color/colors.h"
#include "core/containers/quick_list.h"
#include "core/io/stream.h"
#include "platform/image/png_types.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace vell::image {

using ::vell::TColor;

class TGraphic;
class TPngImage;
using TNotifyEvent = std::function<void(TGraphic* sender)>;

class TGraphic {
  public:
    TGraphic() = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;
    virtual ~TGraphic() = default;

    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    virtual void SetWidth(int value) { SetSize(value, GetHeight()); }
    virtual void SetHeight(int value) { SetSize(GetWidth(), value); }
    virtual void SetSize(int width, int height) = 0;
    virtual bool GetEmpty() const = 0;
    virtual bool GetTransparent() const { return transparent_; }
    virtual void SetTransparent(bool value);
    virtual HPALETTE GetPalette() const { return nullptr; }
    virtual void SetPalette(HPALETTE) {}

    int Width() const { return GetWidth(); }
    int Height() const { return GetHeight(); }
    bool Empty() const { return GetEmpty(); }
    bool Transparent() const { return GetTransparent(); }

    bool Modified() const { return modified_; }
    // Setting True signals a change; setting False only clears the flag.
    void SetModified(bool value);
    TNotifyEvent OnChange;

    // Draws the whole picture stretched into `rect` of `dc`.
    virtual void Draw(HDC dc, const RECT& rect) = 0;
    // The same with an opacity; a picture that has none of its own draws as Draw does.
    virtual void DrawTransparent(HDC dc, const RECT& rect, uint8_t opacity) { Draw(dc, rect); }
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    void LoadFromFile(const std::wstring& path);
    void SaveToFile(const std::wstring& path);

    // Copies another picture; the base accepts only null (which it refuses too).
    virtual void Assign(TGraphic* source);

    // Marks the picture modified and fires OnChange.
    virtual void Changed(TGraphic* sender);

  protected:
    bool modified_ = false;
    bool transparent_ = false;
};

// Base of the engine's graphics. Reference graphics (which themselves are TRdGraphic)
// enter themselves into the list of the graphic they point at.
class TRdGraphic : public TGraphic {
  public:
    TRdGraphic() = default;
    ~TRdGraphic() override;

    // modFlag: 1 clears Modified, 0 or -1 leave it, any other value is the address of a
    // bool copied into Modified. Then NotifyLinks(sender or this), then OnChange(this).
    virtual void ChangedEx(intptr_t modFlag, TGraphic* sender);
    // Calls ChangedEx(0, sender) on every linked graphic, under this graphic's lock.
    virtual void NotifyLinks(TGraphic* sender);
    virtual uint8_t* GetAlphaScanline(int lineIndex) = 0;
    virtual void* GetScanline(int lineIndex) = 0;
    virtual TColor GetPixels(int x, int y) = 0;
    virtual void SetPixels(int x, int y, TColor value) = 0;
    // Draws the source rectangle (SrcX, SrcY, SrcW, SrcH) into the destination rectangle:
    // into DstPng when given, else onto DstDC. Alpha -1 is the graphic's own opacity
    // (values above 255 count as 255); Smooth psfDefault its own filter. A graphic
    // without pixels of its own draws nothing.
    virtual void DrawRect(HDC DstDC, int DstX, int DstY, int DstW, int DstH, int SrcX, int SrcY, int SrcW,
                          int SrcH, int Alpha, bool Gray, TPngSmoothFilter Smooth, TPngImage* DstPng) {}
    // The whole graphic through DrawRect at that opacity (255: its own).
    void DrawTransparent(HDC dc, const RECT& rect, uint8_t opacity) override;

    void Changed(TGraphic* sender) override;

    // The link list. AddLink returns false once the graphic is going away.
    bool AddLink(TRdGraphic* link);
    void RemoveLink(TRdGraphic* link);
    int LinkCount();

  protected:
    // Reference graphics answer whether their play link or image link points at `target`,
    // and clear those links when asked; plain graphics link to nothing.
    virtual bool LinksTo(const TRdGraphic* target) const { return false; }
    virtual void ClearLinkTo(const TRdGraphic* target) {}
    // Every linked graphic that points here drops its link and then hears ChangedEx(-1, null);
    // the list is then closed. Run by the destructor; derived classes may run it earlier.
    void UnlinkAll();

  private:
    TPointerQuick* links(bool create);
    // Null: no list yet; the value 1: links are closed; else the list, made on first use.
    std::atomic<TPointerQuick*> FRdgList{nullptr};
    std::recursive_mutex monitor_;
};

} // namespace vell::image
