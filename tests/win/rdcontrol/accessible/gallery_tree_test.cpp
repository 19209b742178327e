// Every control of every gallery page is reachable through the page window's accessible
// tree, each once: the tree has as many objects as the page has controls.
#include "gallery/gallery_page.h"
#include "platform/image/engine_startup.h"
#include "rdcontrol/register_controls.h"
#include "rdcontrol/picture/picture_formats.h"
#include "toolkit/accessible.h"
#include "toolkit/forms.h"

#include <windows.h>

#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vell;

namespace {

// The objects below A, counted the way a reader walks them.
int countTree(IAccessible* A) {
    long count = 0;
    if (A->get_accChildCount(&count) != S_OK || count <= 0) return 0;
    std::vector<VARIANT> children(static_cast<size_t>(count));
    long got = 0;
    EXPECT_EQ(::AccessibleChildren(A, 0, count, children.data(), &got), S_OK);
    int n = 0;
    for (long i = 0; i < got; ++i) {
        VARIANT& v = children[static_cast<size_t>(i)];
        if (v.vt != VT_DISPATCH) continue; // a simple element (a link), no control
        IAccessible* c = nullptr;
        v.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&c));
        v.pdispVal->Release();
        if (!c) continue;
        n += 1 + countTree(c);
        c->Release();
    }
    return n;
}

int countControls(tk::TComponent* Owner) {
    int n = 0;
    for (int i = 0; i < Owner->ComponentCount(); ++i) {
        tk::TComponent* c = Owner->Components(i);
        // A form (a shadow behind the page) is a window of its own with a tree of its own.
        if (dynamic_cast<tk::TControl*>(c) && !dynamic_cast<tk::TCustomForm*>(c)) ++n;
        n += countControls(c);
    }
    return n;
}

} // namespace

TEST(GalleryTree, EveryControlOfEveryPageIsReachable) {
    ::CoInitialize(nullptr);
    image::StartImageEngine();
    rd::RegisterSkinnedControls();
    rd::RegisterPictureFormats();
    gallery::RegisterGalleryClasses();
    const std::wstring folder = std::wstring(L"" VELL_SOURCE_DIR) + L"\\gallery\\pages\\";
    const std::vector<std::wstring> files = gallery::PageFiles(folder);
    ASSERT_GE(files.size(), 7u);
    for (const std::wstring& file : files) {
        SCOPED_TRACE(std::string(file.begin(), file.end()));
        tk::TCustomForm* page = gallery::LoadPage(gallery::ReadPageFile(folder + file), nullptr);
        page->Show();
        IAccessible* root = nullptr;
        ASSERT_EQ(::AccessibleObjectFromWindow(page->Handle(), OBJID_CLIENT, __uuidof(IAccessible),
                                               reinterpret_cast<void**>(&root)),
                  S_OK);
        const int controls = countControls(page);
        EXPECT_GE(controls, 2);
        EXPECT_EQ(countTree(root), controls);
        root->Release();
        delete page;
    }
    ::CoUninitialize();
}
