// Every control of every gallery page is reachable through the page window's accessible
// tree, each once: the tree has as many objects as the page has controls.
#include "gallery/gallery_page.h"
#include "platform/image/engine_startup.h"
#include "rdcontrol/controls/register_controls.h"
#include "rdcontrol/picture/picture_formats.h"
#include "toolkit/accessible.h"
#include "toolkit/forms.h"

#include <windows.h>

#include <oleacc.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace vell;

namespace {

std::vector<std::wstring> pages(const std::wstring& Folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW f;
    HANDLE h = ::FindFirstFileW((Folder + L"*.form").c_str(), &f);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(Folder + f.cFileName);
    while (::FindNextFileW(h, &f));
    ::FindClose(h);
    return names;
}

std::string readFile(const std::wstring& Path) {
    std::ifstream in(Path.c_str(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The page's form class as the gallery makes it: the root's class when it is a form.
tk::TCustomForm* createPage(const std::string& Text) {
    const size_t colon = Text.find(':'), end = Text.find_first_of("\r\n");
    std::string cls = colon < end ? Text.substr(colon + 1, end - colon - 1) : std::string();
    cls.erase(0, cls.find_first_not_of(' '));
    cls.erase(cls.find_last_not_of(' ') + 1);
    if (const tk::ClassInfo* info = tk::FindClass(cls); info && info->createComponent)
        if (auto* form = dynamic_cast<tk::TCustomForm*>(info->createComponent(nullptr))) return form;
    return new gallery::TGalleryPage(nullptr);
}

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
        v.pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&c));
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
    const std::vector<std::wstring> files = pages(std::wstring(L"" VELL_SOURCE_DIR) + L"\\gallery\\pages\\");
    ASSERT_GE(files.size(), 7u);
    for (const std::wstring& file : files) {
        SCOPED_TRACE(std::string(file.begin(), file.end()));
        const std::string text = readFile(file);
        tk::TCustomForm* page = createPage(text);
        page->ReadDescription(text);
        page->Show();
        IAccessible* root = nullptr;
        ASSERT_EQ(::AccessibleObjectFromWindow(page->Handle(), OBJID_CLIENT, IID_IAccessible,
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
