// Pictures of the skinned library in the framework's picture holder (TPicture):
//  - the formats "PNG" ("Png Image", TPngImage) and "RDG" ("Rdg Image", TRdgImage);
//  - Picture.Text in form descriptions: the reference text of a TRdgImage, a string or
//    a list of strings (errors while reading it carry the prefix "rdg:");
//  - Picture.Data naming "TPngImage", "TPNGGraphic" or "RIdIzevAzo" reads a TPngImage,
//    and data of any other class that starts with the PNG signature reads as one too.
// RegisterPictureFormats runs once at start-up, before any form is read.
#pragma once

namespace vell::rd {

void RegisterPictureFormats();
// Undoes it: the two formats and both hooks go (module shut-down).
void UnregisterPictureFormats();

} // namespace vell::rd
