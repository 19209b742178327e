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
#include "rdcontrol/library.h"
#include "rdcontrol/picture/picture_formats.h"
#include "rdcontrol/resource/resource.h"
#include "toolkit/forms.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace vell;

namespace {

void pump() {
    MSG m;
    for (int i = 0; i < 50 && ::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE); ++i) {
        ::TranslateMessage(&m);
        ::DispatchMessageW(&m);
    }
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
    rd::StartSkinnedLibrary();
    gallery::RegisterGalleryClasses();
    const std::u16string skin = text::fromWide(product) + u"skin\\";
    rd::TResource::SetRootPath(skin);
    rd::TResource::Register(skin + u"public.rcc", true);
    rd::TResource::Register(skin + u"black.dll", false);

    int failures = 0;
    for (const std::wstring& name : gallery::PageFiles(here + L"pages\\")) {
        const std::wstring stem = name.substr(0, name.size() - 5);
        try {
            tk::TCustomForm* page =
                gallery::LoadPage(gallery::ReadPageFile(here + L"pages\\" + name), tk::Application());
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
        png->SaveToFile(out + L"07-hints.png");
        png->ReleaseRef();
        std::fprintf(stdout, "gallery: 07-hints.png\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gallery: hints: %s\n", e.what());
        ++failures;
    }
    rd::UnloadCache(true);
    return failures ? 1 : 0;
}
