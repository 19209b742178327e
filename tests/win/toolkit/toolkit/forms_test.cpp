#include "tests/support/toolkit_helpers.h"

#include <gtest/gtest.h>

using namespace vell::tk;
using namespace vell::tk::test;

namespace {

std::vector<std::string>* gOrder = nullptr;

// The form of the RCDATA resource "TFRM_RESOURCETEST" (fixtures/resource_form.txt).
class Tfrm_ResourceTest : public TForm {
    VELL_CLASS_INFO()
  public:
    using TForm::TForm;
    int hookedMessages = 0;
    void FormCreate(TObject*) {
        if (gOrder) gOrder->push_back("create");
    }
    void FormShow(TObject*) {
        if (gOrder) gOrder->push_back("show");
    }
    void EventsMessage(MSG&, bool&) { ++hookedMessages; }

  protected:
    void CreateParams(TCreateParams& p) override {
        TForm::CreateParams(p);
        p.ExStyle |= WS_EX_TOOLWINDOW;
    }
};
const ClassInfo& Tfrm_ResourceTest::StaticClass() {
    static const ClassInfo info = ClassBuilder<Tfrm_ResourceTest>("Tfrm_ResourceTest", &TForm::StaticClass())
                                      .method("FormCreate", &Tfrm_ResourceTest::FormCreate)
                                      .method("FormShow", &Tfrm_ResourceTest::FormShow)
                                      .method("EventsMessage", &Tfrm_ResourceTest::EventsMessage)
                                      .build();
    return info;
}

class Tfrm_NoResource : public TForm {
    VELL_CLASS_INFO()
  public:
    using TForm::TForm;
};
const ClassInfo& Tfrm_NoResource::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<Tfrm_NoResource>("Tfrm_NoResource", &TForm::StaticClass()).build();
    return info;
}

struct AppFixture : ::testing::Test {
    void TearDown() override { FreeApplication(); }
};

bool gSafetyFired = false;
void CALLBACK safetyTimer(HWND, UINT, UINT_PTR, DWORD) {
    gSafetyFired = true;
    ::PostQuitMessage(0);
}

std::wstring windowClassOf(HWND w) {
    wchar_t name[64] = {};
    ::GetClassNameW(w, name, 64);
    return name;
}

} // namespace

TEST_F(AppFixture, MainFormFromResourceRunsAndClosingItEndsTheLoop) {
    std::vector<std::string> order;
    gOrder = &order;
    Application()->Initialize();
    Application()->SetMainFormOnTaskBar(true);
    auto* form = Application()->CreateForm<Tfrm_ResourceTest>();
    ASSERT_EQ(Application()->MainForm(), form);
    EXPECT_EQ(order, (std::vector<std::string>{"create"}));
    EXPECT_EQ(form->Name(), "frm_ResourceTest");
    EXPECT_EQ(form->ClientWidth(), 200);
    EXPECT_EQ(form->ClientHeight(), 120);
    ASSERT_NE(form->FindComponent("lbl_Tip"), nullptr);

    HWND w = form->Handle();
    EXPECT_EQ(windowClassOf(w), L"Tfrm_ResourceTest");
    LONG ex = ::GetWindowLongW(w, GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(ex & WS_EX_APPWINDOW);
    EXPECT_EQ(::GetWindowLongW(w, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);

    bool closed = false;
    form->OnClose = [&](TObject*, TCloseAction&) { closed = true; };
    ::PostMessageW(w, WM_CLOSE, 0, 0);
    gSafetyFired = false;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 10000, safetyTimer);
    Application()->Run();
    ::KillTimer(nullptr, timer);
    gOrder = nullptr;

    EXPECT_FALSE(gSafetyFired);
    EXPECT_TRUE(Application()->Terminated());
    EXPECT_TRUE(closed);
    EXPECT_EQ(order, (std::vector<std::string>{"create", "show"}));
    EXPECT_GT(form->hookedMessages, 0);
    int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(form->Left(), (sw - 200) / 2);
    EXPECT_EQ(form->Top(), (sh - 120) / 2);
}

TEST_F(AppFixture, MessageHookSeesEveryMessageBeforeDispatch) {
    struct TRecForm : TForm {
        using TForm::TForm;
        std::vector<std::string>* log = nullptr;
        void WndProc(TMessage& m) override {
            if (m.Msg == WM_USER + 1 || m.Msg == WM_USER + 2)
                log->push_back("window " + std::to_string(m.Msg - WM_USER));
            TForm::WndProc(m);
        }
    };
    std::vector<std::string> log;
    TRecForm form(nullptr);
    form.log = &log;
    HWND w = form.Handle();
    Application()->OnMessage = [&](MSG& m, bool& handled) {
        if (m.hwnd == w && (m.message == WM_USER + 1 || m.message == WM_USER + 2))
            log.push_back("app " + std::to_string(m.message - WM_USER));
    };
    TApplicationEvents events(nullptr);
    events.OnMessage = [&](MSG& m, bool& handled) {
        if (m.hwnd != w) return;
        if (m.message == WM_USER + 1 || m.message == WM_USER + 2)
            log.push_back("events " + std::to_string(m.message - WM_USER));
        if (m.message == WM_USER + 2) handled = true; // stops it before the window
    };
    ::PostMessageW(w, WM_USER + 1, 0, 0);
    ::PostMessageW(w, WM_USER + 2, 0, 0);
    Application()->ProcessMessages();
    EXPECT_EQ(log, (std::vector<std::string>{"app 1", "events 1", "window 1", "app 2", "events 2"}));
}

TEST_F(AppFixture, FormWithoutDescriptionAndMalformedDescriptionsFailCleanly) {
    EXPECT_THROW(Application()->CreateForm<Tfrm_NoResource>(), EResNotFound);
    EXPECT_EQ(Application()->MainForm(), nullptr);
    EXPECT_EQ(Application()->ComponentCount(), 0);

    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"object f: Tfrm_NoResource\n object p: TNoSuchPanel\n end\nend",
         "Class TNoSuchPanel not found on line 2"},
        {"object f: Tfrm_NoResource\n object p: TPanel\n  Align = alSideways\n end\nend",
         "Error reading p.Align on line 3: Invalid property value"},
        {"object f: Tfrm_NoResource\n OnCreate = NoSuchHandler\nend",
         "Error reading f.OnCreate on line 2: Method NoSuchHandler not found"},
        {"object f: Tfrm_NoResource\n object p: TPanel\n  Left = 'x\n end\nend",
         "Invalid string constant on line 3"},
        {"object f: Tfrm_NoResource\n object p: TPanel\n  DesignSize = (1)\n end\nend",
         "Error reading p.DesignSize on line 3: Invalid property value"},
        {"\xFF\xFE garbage", "object expected on line 1"},
    };
    for (const Case& c : cases) {
        Tfrm_NoResource form(nullptr);
        std::string got = "no error";
        try {
            form.ReadDescription(c.text);
        } catch (const std::exception& e) {
            got = e.what();
        }
        EXPECT_EQ(got, c.message) << c.text;
        EXPECT_EQ(form.ComponentCount(), 0);
        EXPECT_EQ(form.ControlCount(), 0);
    }
}

TEST(Graphics, HandlesAreSharedAndDiscardedOnRequest) {
    TFont a, b;
    a.SetName(u"Tahoma");
    b.SetName(u"Tahoma");
    a.SetHeight(-13);
    b.SetHeight(-13);
    HFONT ha = a.Handle();
    ASSERT_NE(ha, nullptr);
    EXPECT_EQ(b.Handle(), ha);
    b.SetStyle(TFontStyles{fsBold});
    EXPECT_NE(b.Handle(), ha);

    // A canvas keeps what it has selected alive through a discard.
    Surface s(4, 4, 0);
    TCanvas canvas;
    canvas.SetHandle(s.dc());
    canvas.SetFont(&a);
    canvas.TextWidth(u"x");
    HGDIOBJ selected = ::GetCurrentObject(s.dc(), OBJ_FONT);
    DiscardCachedGraphicsObjects();
    EXPECT_EQ(CachedGraphicsObjectCount(), 0u);
    EXPECT_EQ(::GetObjectType(selected), static_cast<DWORD>(OBJ_FONT));
    HFONT fresh = a.Handle();
    EXPECT_NE(fresh, nullptr);
    EXPECT_EQ(::GetObjectType(fresh), static_cast<DWORD>(OBJ_FONT));
    canvas.SetHandle(nullptr);

    TBrush brush;
    brush.SetColor(clBtnFace);
    LOGBRUSH lb{};
    ::GetObjectW(brush.Handle(), sizeof(lb), &lb);
    EXPECT_EQ(lb.lbColor, ColorToRGB(clBtnFace));
}

TEST(Reflection, ToolkitClassesPublishTheirPropertiesBaseFirst) {
    std::vector<std::string> names;
    for (const PropInfo* p : TPanel::StaticClass().propertyList())
        names.push_back(p->name);
    ASSERT_GE(names.size(), 6u);
    EXPECT_EQ((std::vector<std::string>(names.begin(), names.begin() + 6)),
              (std::vector<std::string>{"Name", "Tag", "Left", "Top", "Width", "Height"}));
    EXPECT_EQ(names.back(), "VerticalAlignment");
    TFont f;
    EXPECT_FALSE(TFont::StaticClass().findProperty("Size")->isStored(f));
    EXPECT_NE(FindClass("TApplicationEvents"), nullptr);
}
