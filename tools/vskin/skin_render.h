// Drawing a picture reference the way a skinned control draws it, without Windows: the
// reference resolves through the packages (image definitions included) to its root
// picture, and is drawn into a transparent w x h image by the nine-slice rules of its
// imgopt with the engine's own compositor. An animation draws its first frame.
#pragma once
#include "tools/vskin/skin_set.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vell::vskin {

// "imgname=images/a.png;imgopt=16,16,16,16,1": lines separated by ";" or line breaks.
std::vector<std::u16string> ReferenceLines(std::u16string_view reference);

// Premultiplied BGRA rows, w * 4 bytes each. A reference that resolves to no picture, or
// to one that does not decode, is a ToolError.
std::vector<std::uint8_t> RenderReference(SkinSet& set, const std::vector<std::u16string>& reference, int w,
                                          int h);

} // namespace vell::vskin
