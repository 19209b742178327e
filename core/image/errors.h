// The image engine's exception family. Every message starts with the engine version
// "2.701" and one blank; raiseError builds it. All classes derive directly from
// vell::Exception, the general exception class of the system.
#pragma once
#include <stdexcept>
#include <string>

namespace vell {

// The general exception class: every failure the system raises on purpose is one.
class Exception : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

namespace image {

inline constexpr const char* kEngineVersion = "2.701";

#define VELL_IMAGE_ERROR(Name)                                                                               \
    class Name : public ::vell::Exception {                                                                  \
      public:                                                                                                \
        using ::vell::Exception::Exception;                                                                  \
    };
VELL_IMAGE_ERROR(EPNGOutMemory)
VELL_IMAGE_ERROR(EPngError)
VELL_IMAGE_ERROR(EPngInvalidCRC)
VELL_IMAGE_ERROR(EPngInvalidIHDR)
VELL_IMAGE_ERROR(EPNGMissingMultipleIDAT)
VELL_IMAGE_ERROR(EPNGZLIBError)
VELL_IMAGE_ERROR(EPNGInvalidFileHeader)
VELL_IMAGE_ERROR(EPNGIHDRNotFirst)
VELL_IMAGE_ERROR(EPNGSizeExceeds)
VELL_IMAGE_ERROR(EPNGUnknownCriticalChunk)
VELL_IMAGE_ERROR(EPNGUnknownCompression)
VELL_IMAGE_ERROR(EPNGUnknownInterlace)
VELL_IMAGE_ERROR(EPNGCouldNotLoadResource)
VELL_IMAGE_ERROR(EPNGCannotChangeTransparent)
VELL_IMAGE_ERROR(EPNGHeaderNotPresent)
VELL_IMAGE_ERROR(EPNGInvalidNewSize)
VELL_IMAGE_ERROR(EPNGInvalidSpec)
#undef VELL_IMAGE_ERROR

// Raises E with the message "2.701 " + text.
template <typename E> [[noreturn]] void raiseError(const std::string& text) {
    throw E(std::string(kEngineVersion) + " " + text);
}

// The engine's fixed message texts.
namespace msg {
inline constexpr const char* kInvalidNewSize = "The new size provided for image resizing is invalid.";
inline constexpr const char* kInvalidSpec =
    "The \"Portable Network Graphics\" could not be created because invalid image type parameters have being "
    "provided.";
inline constexpr const char* kHeaderNotPresent =
    "This operation is not valid because the current image contains no valid header.";
inline constexpr const char* kShareRefCount = "PNG, ShareImageData.RefCount <= 0";
inline constexpr const char* kOnlyPngImage = "only support TPngimage! ";
inline constexpr const char* kCannotChangeTransparent =
    "Setting bit transparency color is not allowed for png images containing alpha value for each pixel "
    "(COLOR_RGBALPHA and COLOR_GRAYSCALEALPHA)";
// The codec's own texts are in core/png/messages.h.
inline constexpr const char* kCouldNotLoadResource =
    "The png image could not be loaded from the resource ID.";
inline constexpr const char* kAddExistentCritical =
    "The program tried to add a existent critical chunk to the current image which is not allowed.";
inline constexpr const char* kAddToInvalidImage =
    "It's not allowed to add a new chunk because the current image is invalid.";
inline constexpr const char* kChunksNotCompatible = "The chunks must be compatible to be assigned.";
} // namespace msg

} // namespace image
} // namespace vell
