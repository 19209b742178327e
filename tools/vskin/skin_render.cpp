#include "tools/vskin/skin_render.h"

#include "core/design/design_rect.h"
#include "core/design/nine_slice.h"
#include "core/draw/compose.h"
#include "core/pixel/tables.h"
#include "core/png/codec.h"
#include "core/rdg/reference_text.h"
#include "core/text/strings.h"
#include "core/text/utf.h"
#include "tools/vskin/files.h"

#include <memory>

namespace vell::vskin {

namespace {

// One reference graphic of the chain: its values after it copied its definition's.
struct Link {
    rdg::RdgValues v;
    design::TDesignRect opt;
};

constexpr int kMaxChain = 64;

bool bracketed(const std::u16string& name) {
    return name.size() >= 2 && name.front() == u'[' && name.back() == u']';
}

// The name a reference shows now: an animation's first frame, else its imgname.
std::u16string shownName(const rdg::RdgValues& v) {
    if (!v.PlayImgNameBase.empty() && v.PlayIndexList)
        for (const rdg::PlayEntry& e : v.PlayIndexList->entries)
            if (e.kind == rdg::PlayEntryKind::Frame) return rdg::FrameName(v.PlayImgNameBase, e.value);
    return v.ImgName;
}

// Resolves link's definitions (innermost first, so each copies a settled definition) and
// appends them to chain; returns the root picture's name.
std::u16string resolve(SkinSet& set, Link& link, std::vector<std::unique_ptr<Link>>& chain) {
    std::u16string name = shownName(link.v);
    if (!bracketed(name)) return name;
    if (chain.size() >= kMaxChain)
        throw ToolError("the image definitions link in a loop at " + text::utf16ToUtf8(name));
    std::vector<std::u16string> lines;
    {
        std::lock_guard guard(set.Caches().ImageDefinitionsLock);
        const skin::TRdValueStrings* def = skin::FindImageDefinition(set.Caches(), name);
        if (!def) throw ToolError("the skin defines no image " + text::utf16ToUtf8(name));
        for (int i = 0; i < def->Count(); ++i)
            lines.push_back(def->Strings(i));
    }
    chain.push_back(std::make_unique<Link>());
    Link& d = *chain.back();
    rdg::LoadFromStrings(d.v, d.opt, lines, false, true);
    const std::u16string root = resolve(set, d, chain);
    rdg::CopyDefinition(link.v, link.opt, d.v, d.opt);
    return root;
}

draw::SmoothFilter filterOf(std::uint8_t smooth) {
    return smooth == rdg::kSmoothFast ? draw::SmoothFilter::FastSmooth
           : smooth == rdg::kSmooth   ? draw::SmoothFilter::Smooth
                                      : draw::SmoothFilter::None;
}

} // namespace

std::vector<std::u16string> ReferenceLines(std::u16string_view reference) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    while (start <= reference.size()) {
        std::size_t end = reference.find_first_of(u";\r\n", start);
        if (end == std::u16string_view::npos) end = reference.size();
        const std::u16string_view line = text::trim(reference.substr(start, end - start));
        if (!line.empty()) lines.emplace_back(line);
        start = end + 1;
    }
    return lines;
}

std::vector<std::uint8_t> RenderReference(SkinSet& set, const std::vector<std::u16string>& reference, int w,
                                          int h) {
    Link top;
    rdg::LoadFromStrings(top.v, top.opt, reference, false, true);
    std::vector<std::unique_ptr<Link>> chain;
    const std::u16string rootName = resolve(set, top, chain);
    if (rootName.empty()) throw ToolError("the reference names no picture (imgname)");
    std::vector<std::uint8_t> file;
    if (!set.Read(rootName, file))
        throw ToolError(text::utf16ToUtf8(rootName) + ": no package holds this picture");
    png::BgraImage root;
    try {
        root = png::decodeToBgra(file);
    } catch (const std::exception& e) {
        throw ToolError(text::utf16ToUtf8(rootName) + ": the picture does not decode: " + e.what());
    }

    // The root's clip and opacity: the first set along the chain, else the picture's.
    rdg::ClipRect clip = top.v.SrcClip;
    bool clipSet = clip.IsSet();
    int alpha = top.v.AlphaBlendValue;
    for (const auto& link : chain) {
        if (alpha == -1) alpha = link->v.AlphaBlendValue;
        if (!clipSet && link->v.SrcClip.IsSet()) {
            clip = link->v.SrcClip;
            clipSet = true;
        }
    }
    if (alpha == -1) alpha = 255;
    if (!clipSet) clip = rdg::ClipRect{0, 0, int(root.width), int(root.height)};

    std::vector<std::uint8_t> pixels(std::size_t(w) * std::size_t(h) * 4, 0);
    const draw::DrawTarget target{pixels.data(), std::ptrdiff_t(w) * 4, w, h, true};
    const draw::DrawSource source{root.pixels.data(),
                                  std::ptrdiff_t(root.width) * 4,
                                  int(root.width),
                                  int(root.height),
                                  draw::SourceLayout::Bgra32,
                                  nullptr,
                                  0,
                                  nullptr,
                                  0,
                                  true};
    const int srcW = clip.Right - clip.Left, srcH = clip.Bottom - clip.Top;
    if (root.width == 0 || root.height == 0 || srcW <= 0 || srcH <= 0 || alpha <= 0) return pixels;
    auto paint = [&](const design::SliceRect& d, const design::SliceRect& s) {
        draw::ComposeParams cp;
        cp.dstX = d.x, cp.dstY = d.y, cp.dstW = d.w, cp.dstH = d.h;
        cp.srcX = s.x + clip.Left, cp.srcY = s.y + clip.Top, cp.srcW = s.w, cp.srcH = s.h;
        cp.alpha = std::uint8_t(alpha > 255 ? 255 : alpha);
        cp.smooth = filterOf(top.v.SmoothFilter);
        cp.hasClip = true;
        cp.clip = draw::ClipRect{0, 0, w, h};
        draw::compose(target, source, cp);
    };
    const design::SliceRect dest{0, 0, w, h};
    const design::TDesignRect& o = top.opt;
    const bool slices = o.Left() || o.Top() || o.Right() || o.Bottom() || o.StretchMode() == design::sdmFill;
    if (slices) {
        // Through the nine-slice engine at full opacity: the pieces take the picture's.
        design::paintNineSlice(srcW, srcH, dest,
                               design::SliceMargins{o.Left(), o.Top(), o.Right(), o.Bottom()},
                               o.StretchMode(), &dest, paint);
    } else {
        paint(dest, design::SliceRect{0, 0, srcW, srcH});
    }
    return pixels;
}

} // namespace vell::vskin
