// Skin lines in both directions.
//
// TSkinReader applies the lines of a skin section to the object a skin class skins, with
// the skin's rules on top of the framework's skin-line reading: paths listed in the skin
// class's IgnoreValues (whole, by a dotted prefix, by an indexed item or a collection's
// bare name) are skipped; a picture the owner has of its own is kept unless the skin class
// forces skin pictures, and a reference picture a skin set gets a "SkinRcc" line naming
// the skin package; a skin line that sets the Height or Size of a font with a base height
// moves the base and applies the process's size step again.
//
// TSkinWriter writes an object's present values as skin-section text: the lines a skin
// author can paste into a skin file to give another object the same look.
#pragma once
#include "core/component/reader.h"
#include "core/component/writer.h"

#include <string>

namespace vell::rd {

class TRdSkinClass;

class TSkinReader : public tk::TReader {
  public:
    explicit TSkinReader(TRdSkinClass& Skin);

    // One line of the section. A value the property cannot take raises; a line that names
    // nothing changes nothing.
    void ApplyLine(const std::u16string& Path, const std::u16string& Value);

  protected:
    bool SkinPathIgnored(std::string_view Path) override;
    bool SkinValueAllowed(tk::TPersistent* Instance, std::string_view Name) override;
    void SkinValueRead(tk::TPersistent* Instance, std::string_view Name, bool Published) override;

  private:
    TRdSkinClass& FSkin;
};

class TSkinWriter : public tk::TWriter {
  public:
    explicit TSkinWriter(tk::TComponent* Root);

    // "[Section]", "class=ClassName", then one line "Path=Value" per stored property of
    // Instance, each ended by CR LF. Left out: properties of the skin class type, the
    // position and size (Left, Top, Width, Height, TabOrder), and the texts (Caption,
    // Text, Lines.Strings, DesignSize) of the object and of its collection items.
    std::u16string SectionText(tk::TPersistent& Instance, const std::string& Section,
                               const std::string& ClassName);
};

// The reference picture's text has a "SkinRcc" line: a skin set it.
bool FromSkin(const tk::TPersistent* Picture);

} // namespace vell::rd
