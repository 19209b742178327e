// Image engine start-up and shut-down in one process: start, stop, start again behaves the
// same each time, and the process's GDI and user object counts return after each stop.
#include "platform/image/dc_registry.h"
#include "platform/image/engine_startup.h"
#include "platform/win/dib_section.h"
#include "platform/win/handles.h"
#include "tests/support/gui_handles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

using namespace vell;

namespace {

// A registered 8 x 8 alpha surface, cleared to transparent black.
class AlphaSurface {
  public:
    AlphaSurface()
        : dc_(::CreateCompatibleDC(nullptr)), dib_(win::DibSection::create(8, 8, 32)),
          sel_(dc_.get(), dib_.handle()) {
        MakeDC32(dc_.get(), this);
    }
    ~AlphaSurface() { RemoveDC32(dc_.get(), this); }
    HDC dc() const { return dc_.get(); }
    std::uint32_t at(int x, int y) const {
        ::GdiFlush();
        std::uint32_t v;
        std::memcpy(&v, dib_.bits() + (y * 8 + x) * 4, 4);
        return v;
    }

  private:
    win::UniqueMemoryDC dc_;
    win::DibSection dib_;
    win::SelectObjectGuard sel_;
};

// What drawing does on an alpha surface: a half-transparent fill, and whether text leaves
// any opacity behind.
struct Behaviour {
    std::uint32_t fill;
    bool textOpaque;
    bool operator==(const Behaviour&) const = default;
};

Behaviour draw() {
    Behaviour b{};
    {
        AlphaSurface s;
        win::UniqueBrush brush(::CreateSolidBrush(0x80FF0000)); // blue at opacity 128
        RECT r{0, 0, 4, 4};
        ::FillRect(s.dc(), &r, brush.get());
        b.fill = s.at(1, 1);
    }
    {
        AlphaSurface s;
        RECT r{0, 0, 8, 8};
        ::DrawTextW(s.dc(), L"W", 1, &r, DT_SINGLELINE | DT_NOCLIP);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                b.textOpaque |= (s.at(x, y) >> 24) != 0;
    }
    return b;
}

} // namespace

TEST(ImageEngine, StartStopAndStartAgainBehaveTheSameAndReturnTheirHandles) {
    const Behaviour platform = draw();
    EXPECT_EQ(platform.fill >> 24, 0u) << "the platform's fill leaves the alpha byte alone";
    const DWORD gdi = testgui::GdiObjects(), user = testgui::UserObjects();
    Behaviour first{};
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        image::StartImageEngine();
        const Behaviour started = draw();
        EXPECT_EQ(started.fill, 0x80000080u); // premultiplied blue at opacity 128
        EXPECT_TRUE(started.textOpaque);
        if (round == 0) first = started;
        EXPECT_EQ(started, first);
        image::StopImageEngine();
        EXPECT_EQ(draw(), platform);
        EXPECT_EQ(testgui::GdiObjects(), gdi);
        EXPECT_EQ(testgui::UserObjects(), user);
    }
}
