// The gallery: every page description beside the program (pages\*.form, in name order) is
// read into a form with the demo skin, shown, and written as an image to the folder named
// by the first argument (default: shots\ beside the program). Exit code 0 when every page
// was read and written, 1 otherwise (the failing page is named on standard error).
#include "core/text/utf.h"
#include "gallery/gallery_page.h"
#include "gallery/hint_page.h"
#include "platform/image/engine_startup.h"
#include "platform/image/png_image.h"
#include "platform/win/environment.h"
#include "rdcontrol/controls/register_controls.h"
#include "rdcontrol/picture/picture_formats.h"
#include "rdcontrol/resource/resource.h"
#include "rdcontrol/skinstyle/skin_style.h"
#include "toolkit/forms.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace vell;

namespace {

std::vector<std::wstring> pageFiles(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW f;
    HANDLE h = ::FindFirstFileW((folder + L"*.form").c_str(), &f);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(f.cFileName);
    while (::FindNextFileW(h, &f));
    ::FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

std::string readFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void pump() {
    MSG m;
    for (int i = 0; i < 50 && ::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE); ++i) {
        ::TranslateMessage(&m);
        ::DispatchMessageW(&m);
    }
}

// The form class the description's root names (a layer form, say); the gallery's page
// class when it names none that is a form.
tk::TCustomForm* createPage(const std::string& Text) {
    const size_t colon = Text.find(':'), end = Text.find_first_of("\r\n");
    std::string cls = colon < end ? Text.substr(colon + 1, end - colon - 1) : std::string();
    cls.erase(0, cls.find_first_not_of(' '));
    cls.erase(cls.find_last_not_of(' ') + 1);
    if (const tk::ClassInfo* info = tk::FindClass(cls); info && info->createComponent)
        if (auto* form = dynamic_cast<tk::TCustomForm*>(info->createComponent(tk::Application()))) return form;
    return new gallery::TGalleryPage(tk::Application());
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring here = env::ProgramFolder();
    const std::wstring out = argc > 1 ? std::wstring(argv[1]) + L"\\" : here + L"shots\\";
    const std::wstring product = here + L"..\\product\\";
    ::CreateDirectoryW(out.c_str(), nullptr);

    image::StartImageEngine();
    rd::RegisterPictureFormats();
    rd::StartResourceModule();
    rd::LoadWebResLibrary(text::fromWide(product));
    rd::RegisterSkinStyle();
    rd::RegisterSkinnedControls();
    gallery::RegisterGalleryClasses();
    const std::u16string skin = text::fromWide(product) + u"skin\\";
    rd::TResource::SetRootPath(skin);
    rd::TResource::Register(skin + u"public.rcc", true);
    rd::TResource::Register(skin + u"black.dll", false);

    int failures = 0;
    for (const std::wstring& name : pageFiles(here + L"pages\\")) {
        const std::wstring stem = name.substr(0, name.size() - 5);
        try {
            const std::string text = readFile(here + L"pages\\" + name);
            tk::TCustomForm* page = createPage(text);
            page->ReadDescription(text);
            page->Show();
            pump();
            image::TPngImage* png = gallery::RenderPage(*page);
            png->SaveToFile(out + stem + L".png");
            png->ReleaseRef();
            tk::Free(page);
            std::fprintf(stdout, "gallery: %ls.png\n", stem.c_str());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "gallery: page %ls: %s\n", name.c_str(), e.what());
            ++failures;
        }
    }
    try { // skinned hints show as windows of their own: the page is taken from the screen
        image::TPngImage* png = gallery::RenderHintShowcase();
        png->SaveToFile(out + L"05-hints.png");
        png->ReleaseRef();
        std::fprintf(stdout, "gallery: 05-hints.png\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gallery: hints: %s\n", e.what());
        ++failures;
    }
    rd::UnloadCache(true);
    return failures ? 1 : 0;
}
