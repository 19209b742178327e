// A page of the gallery: a form read from a description, with the handlers its controls
// bind to by name, rendered into a 32-bit image (its window and every child window, with
// their alpha) over a checkerboard so that translucency shows.
#pragma once
#include "toolkit/forms.h"

#include <string>
#include <vector>

namespace vell::image {
class TPngImage;
}

namespace vell::gallery {

class TGalleryPage : public tk::TForm {
    VELL_CLASS_INFO()
  public:
    explicit TGalleryPage(tk::TComponent* AOwner);

    // Paint-box handler: diagonal stripes in the sender's colour and font colour, with
    // its name written over them.
    void PaintStripes(tk::TObject* Sender);
};

// A page as it shows (its window and every child window, with their alpha) over a
// checkerboard; the caller releases the image.
image::TPngImage* RenderPage(tk::TWinControl& Page);

void RegisterGalleryClasses();

// The page descriptions in Folder (*.form): file names in name order.
std::vector<std::wstring> PageFiles(const std::wstring& Folder);
// A file's bytes (empty when it cannot be read).
std::string ReadPageFile(const std::wstring& Path);
// A page read from its description: an instance of the root's class when that is a form
// (a layer form, say), else a TGalleryPage. A failure frees the page and passes on.
tk::TCustomForm* LoadPage(const std::string& Text, tk::TComponent* Owner);

} // namespace vell::gallery
