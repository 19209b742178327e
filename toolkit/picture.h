// The picture holder: owns one graphic of any registered format, loads files by extension
// and streams its graphic as the defined property "Data" (the graphic's class name as a
// short string, then the graphic's own stream). Formats register themselves by file
// extension and class name; other defined properties (a reference text, say) can be added
// process-wide with SetPictureDefinePropertiesHook.
#pragma once
#include "core/component/classes.h"

#include <span>
#include <typeindex>

namespace vell::image {
class TGraphic;
}

namespace vell::tk {

class EInvalidGraphic : public ::vell::Exception {
  public:
    using ::vell::Exception::Exception;
};

// Ends the picture's hold on a graphic: reference-counted images give up their reference
// (others may still use them), every other graphic is deleted.
struct TGraphicRelease {
    void operator()(image::TGraphic* Graphic) const;
};
using TGraphicHolder = std::unique_ptr<image::TGraphic, TGraphicRelease>;

struct TPictureFormat {
    std::u16string Extension; // without the dot, compared without case
    std::u16string Description;
    std::string ClassName;
    std::type_index Type = typeid(void);
    std::function<std::unique_ptr<image::TGraphic>()> Create;
};

class TPicture : public TPersistent {
    VELL_CLASS_INFO()
  public:
    TPicture();
    ~TPicture() override;

    image::TGraphic* Graphic() const { return FGraphic.get(); }
    // Takes the caller's hold on the graphic (null empties the picture); a reference-counted
    // image is released, not deleted, when the picture lets it go.
    void SetGraphic(std::unique_ptr<image::TGraphic> Value);
    int Width() const;
    int Height() const;
    bool Empty() const;

    // Raises EInvalidGraphic for an unregistered extension; file errors pass on.
    void LoadFromFile(const std::u16string& FileName);
    void Assign(const TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;

    std::function<void(TPicture*)> OnChange;
    void Changed();

    // Registration of a graphic class for an extension.
    template <class G>
    static void RegisterFileFormat(std::u16string Extension, std::u16string Description,
                                   std::string ClassName) {
        RegisterFormat(TPictureFormat{std::move(Extension), std::move(Description), std::move(ClassName),
                                      typeid(G), [] { return std::make_unique<G>(); }});
    }
    static void RegisterFormat(TPictureFormat Format);
    static void UnregisterFormat(const std::string& ClassName);
    // The latest registration of the extension wins.
    static const TPictureFormat* FindFormatByExtension(std::u16string_view Extension);
    static const TPictureFormat* FindFormatByClassName(std::string_view ClassName);
    static const TPictureFormat* FindFormatOf(const image::TGraphic& Graphic);

  private:
    void TakeGraphic(TGraphicHolder Value);
    void ReadData(const std::vector<uint8_t>& Bytes);
    std::vector<uint8_t> WriteData() const;

    TGraphicHolder FGraphic;
};

using TPictureDefinePropertiesHook = std::function<void(TPicture& Picture, TFiler& Filer)>;
void SetPictureDefinePropertiesHook(TPictureDefinePropertiesHook Hook);
bool HasPictureDefinePropertiesHook();

// Chooses the graphic that reads a "Data" block, from the class name stored before the
// graphic's data and that data; null leaves the picture empty. Without a hook the
// registered format of that class name reads it, and an unknown class is an error.
using TPictureDataClassHook = std::function<std::unique_ptr<image::TGraphic>(std::string_view ClassName,
                                                                             std::span<const uint8_t> Data)>;
void SetPictureDataClassHook(TPictureDataClassHook Hook);

} // namespace vell::tk
