// The codec's message texts (raised through image::raiseError, which adds "2.701 ").
#pragma once

namespace vell::png::msg {

inline constexpr const char* kInvalidFileHeader = "The file being read is not a valid \"Portable Network "
                                                  "Graphics\" image because it contains an invalid header. "
                                                  "This file may be corrupted, try obtaining it again";
inline constexpr const char* kIhdrNotFirst = "This \"Portable Network Graphics\" image is not supported or "
                                             "it might be invalid.\r\n(IHDR chunk is not the first)";
inline constexpr const char* kUnknownCriticalChunk =
    "This \"Portable Network Graphics\" image contains an unknown critical part which could not be decoded.";
inline constexpr const char* kInvalidCrc = "This \"Portable Network Graphics\" image is not valid because it "
                                           "contains invalid pieces of data (crc error)";
inline constexpr const char* kInvalidIhdr =
    "The \"Portable Network Graphics\" image could not be loaded because one of "
    "its main piece of data (ihdr) might be corrupted";
inline constexpr const char* kSizeExceeds =
    "This \"Portable Network Graphics\" image is not supported because either "
    "its width or height exceeds the maximum size of 65535 pixels.";
inline constexpr const char* kUnknownCompression =
    "This \"Portable Network Graphics\" image is encoded with an unknown "
    "compression scheme which could not be decoded.";
inline constexpr const char* kUnknownInterlace =
    "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not be decoded.";
inline constexpr const char* kMissingMultipleIdat =
    "This \"Portable Network Graphics\" image is invalid because it has missing image parts.";
inline constexpr const char* kZlibError =
    "Could not decompress the image because it contains invalid compressed data.\r\n Description: ";
inline constexpr const char* kOverLimit = "The image needs more memory than the set limit allows";

} // namespace vell::png::msg
