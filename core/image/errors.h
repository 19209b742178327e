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
    public:                                                                                                  \
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
template <typename E>
[[noreturn]] void raiseError(const std::string& text) {
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
inline constexpr const char* kCouldNotLoadResource = "The png image could not be loaded from the resource ID.";
inline constexpr const char* kInvalidFileHeader =
    "The file being read is not a valid \"Portable Network Graphics\" image because it contains an invalid "
    "header. This file may be corrupted, try obtaining it again";
inline constexpr const char* kIHDRNotFirst =
    "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n(IHDR chunk is not "
    "the first)";
inline constexpr const char* kUnknownCriticalChunk =
    "This \"Portable Network Graphics\" image contains an unknown critical part which could not be decoded.";
inline constexpr const char* kInvalidCRC = "This \"Portable Network Graphics\" image is not valid because it "
                                           "contains invalid pieces of data (crc error)";
inline constexpr const char* kInvalidIHDR = "The \"Portable Network Graphics\" image could not be loaded because "
                                            "one of its main piece of data (ihdr) might be corrupted";
inline constexpr const char* kSizeExceeds =
    "This \"Portable Network Graphics\" image is not supported because either its width or height exceeds the "
    "maximum size of 65535 pixels.";
inline constexpr const char* kUnknownCompression = "This \"Portable Network Graphics\" image is encoded with an "
                                                   "unknown compression scheme which could not be decoded.";
inline constexpr const char* kUnknownInterlace = "This \"Portable Network Graphics\" image uses an unknown "
                                                 "interlace scheme which could not be decoded.";
inline constexpr const char* kMissingMultipleIDAT =
    "This \"Portable Network Graphics\" image is invalid because it has missing image parts.";
inline constexpr const char* kZLIBError =
    "Could not decompress the image because it contains invalid compressed data.\r\n Description: ";
inline constexpr const char* kAddExistentCritical =
    "The program tried to add a existent critical chunk to the current image which is not allowed.";
inline constexpr const char* kAddToInvalidImage =
    "It's not allowed to add a new chunk because the current image is invalid.";
inline constexpr const char* kChunksNotCompatible = "The chunks must be compatible to be assigned.";
} // namespace msg

} // namespace image
} // namespace vell
