// Shared pieces of the toolkit tests and of the tests of the layers above it: a windowless
// block that fills itself and records its mouse traffic, and a 32-bit DIB to paint into.
#pragma once
#include "platform/win/dib_section.h"
#include "toolkit/forms.h"
#include "toolkit/stdctrls.h"

#include <algorithm>
#include <string>
#include <vector>

namespace vell::tk::test {

class TBlock : public TGraphicControl {
  public:
    TBlock(TWinControl* parent, RECT bounds, COLORREF fill) : TGraphicControl(nullptr), fill(fill) {
        SetBounds(bounds.left, bounds.top, bounds.right, bounds.bottom); // left, top, width, height
        SetParent(parent);
    }
    COLORREF fill;
    bool hit = true;
    int paints = 0;
    std::vector<std::string> log;

    void WndProc(TMessage& m) override {
        if (m.Msg == CM_HITTEST && !hit) {
            m.Result = 0;
            return;
        }
        if (m.Msg == CM_MOUSEENTER) log.push_back("enter");
        if (m.Msg == CM_MOUSELEAVE) log.push_back("leave");
        TGraphicControl::WndProc(m);
    }

  protected:
    void Paint() override {
        ++paints;
        Canvas()->Brush()->SetColor(fill);
        RECT r = GetClientRect();
        Canvas()->FillRect(r);
    }
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
        log.push_back("down " + std::to_string(x) + "," + std::to_string(y));
    }
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override {
        log.push_back("up " + std::to_string(x) + "," + std::to_string(y));
    }
    void MouseMove(TShiftState s, int x, int y) override {
        log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    }
    void Click() override { log.push_back("click"); }
};

class TNestedBlock;

// A windowless container with a scroll offset that nests windowless children, the way a
// skinned library's containers do: it finds them and routes the mouse to them.
class TNestBox : public TBlock {
  public:
    TNestBox(TWinControl* parent, RECT bounds) : TBlock(parent, bounds, 0) {}
    ~TNestBox() override;
    std::vector<TControl*> kids;
    POINT scroll{0, 0};
    POINT lastPoint{0, 0};

    POINT ScrollOffset() const override { return scroll; }
    TControl* ControlAtPos(POINT Pos, bool AllowDisabled, bool AllowWinControls = false,
                           bool AllLevels = false) override {
        POINT content{Pos.x + scroll.x, Pos.y + scroll.y};
        for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
            TControl* k = *it;
            RECT b = k->GetBoundsRect();
            if (!k->Visible() || !::PtInRect(&b, content)) continue;
            POINT local{content.x - k->Left(), content.y - k->Top()};
            if (AllLevels)
                if (TControl* deeper = k->ControlAtPos(local, AllowDisabled, AllowWinControls, true))
                    return deeper;
            return k;
        }
        return nullptr;
    }
    void WndProc(TMessage& m) override {
        if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST && m.Msg != WM_MOUSEWHEEL) {
            POINT p = MessagePoint(this, m);
            lastPoint = p;
            TControl* capture = GetCaptureControl();
            TControl* target =
                capture && capture != this && ContainsControl(capture) ? capture : ControlAtPos(p, false);
            if (target) {
                POINT content{p.x + scroll.x, p.y + scroll.y};
                SendPointMessage(target, m.Msg, m.WParam, target->ParentToClient(content, this));
                return;
            }
        }
        TBlock::WndProc(m);
    }
};

// A windowless child of a TNestBox: its window is the box's, its container the box.
class TNestedBlock : public TBlock {
  public:
    TNestedBlock(TNestBox* box, RECT bounds) : TBlock(nullptr, bounds, 0), box(box) {
        FParent = box->Parent();
        box->kids.push_back(this);
    }
    ~TNestedBlock() override {
        if (box) box->kids.erase(std::find(box->kids.begin(), box->kids.end(), this));
    }
    TControl* Container() const override { return box; }
    TNestBox* box;
};

inline TNestBox::~TNestBox() {
    while (!kids.empty())
        delete kids.back();
}

// A memory DC with a top-down 32-bit DIB selected, filled with one colour.
class Surface {
  public:
    Surface(int w, int h, COLORREF background) : w_(w), h_(h), dib_(win::DibSection::create(w, h)) {
        dc_.reset(::CreateCompatibleDC(nullptr));
        old_ = ::SelectObject(dc_.get(), dib_.handle());
        RECT r{0, 0, w, h};
        win::UniqueBrush b(::CreateSolidBrush(background));
        ::FillRect(dc_.get(), &r, b.get());
    }
    ~Surface() { ::SelectObject(dc_.get(), old_); }
    HDC dc() const { return dc_.get(); }
    // The pixel as 0x00BBGGRR.
    COLORREF at(int x, int y) const {
        ::GdiFlush();
        const uint8_t* p = dib_.bits() + (static_cast<size_t>(y) * w_ + x) * 4;
        return RGB(p[2], p[1], p[0]);
    }

  private:
    int w_, h_;
    win::DibSection dib_;
    win::UniqueMemoryDC dc_;
    HGDIOBJ old_ = nullptr;
};

inline RECT boundsOf(const TControl& c) {
    return RECT{c.Left(), c.Top(), c.Width(), c.Height()};
}
inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline std::string str(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

} // namespace vell::tk::test
