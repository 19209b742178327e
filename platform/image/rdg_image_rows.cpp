// TRdgImage's pixel access: rows and pixels of the clip region, and AssignTo.
//
// A row that lies inside the root picture is the root's own memory. A row that reaches
// outside it (a clip with a negative Left, past the right edge, above or below the
// picture) is copied into a padded buffer whose outside part is zero; the buffers stay
// allocated and are reused by the next call.
#include "platform/image/png_image.h"
#include "platform/image/rdg_image.h"
#include "platform/image/rdg_image_internal.h"

#include <algorithm>
#include <cstring>

namespace vell::image {

using namespace rdg_detail;

namespace {

// Padded rows are as wide as the clip; a clip wider than any picture could be gives no
// row instead of a buffer of gigabytes.
constexpr int kMaxPaddedWidth = 1 << 20;

struct RowSource {
    TPngImage* root = nullptr;
    rdg::ClipRect clip;
    int row = 0; // the root's row
    bool inside = false;
};

// Fills `buffer` with the clip's row: zero outside the root, the root's bytes where the
// row overlaps it (`src` is the root's row, or null when the row is outside the root).
uint8_t* paddedRow(std::vector<uint8_t>& buffer, const uint8_t* src, const RowSource& s, int bytes) {
    const int width = spanOf(s.clip.Left, s.clip.Right);
    if (width > kMaxPaddedWidth) return nullptr;
    const size_t need = size_t(width) * 4; // room for four bytes a pixel whatever the layout
    if (buffer.size() < need) buffer.resize(need);
    std::memset(buffer.data(), 0, need);
    if (src) {
        const int from = std::max(0, s.clip.Left), to = std::min(s.root->Width(), s.clip.Right);
        if (from < to)
            std::memcpy(buffer.data() + size_t(from - s.clip.Left) * size_t(bytes),
                        src + size_t(from) * size_t(bytes), size_t(to - from) * size_t(bytes));
    }
    return buffer.data();
}

} // namespace

// The root and the row of the clip's line y, or no root.
static bool rowSource(TRdgImage& g, int y, RowSource& s) {
    int alpha;
    s.root = g.RootPngLnk(&s.clip, &alpha);
    if (!s.root || s.root->GetEmpty() || !s.root->HeaderOrNull()) return false;
    if (y < 0 || y >= spanOf(s.clip.Top, s.clip.Bottom)) return false;
    s.root->EnsureExpanded(); // the layout of deferred data is known once it is decoded
    s.row = addSat(s.clip.Top, y);
    s.inside = s.clip.Left >= 0 && s.clip.Right <= s.root->Width() && s.row >= 0 && s.row < s.root->Height();
    return true;
}

void* TRdgImage::GetScanline(int lineIndex) {
    RowSource s;
    if (!rowSource(*this, lineIndex, s)) return nullptr;
    const int bits = s.root->HeaderOrNull()->BitCount();
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return nullptr;
    const int bytes = bits / 8;
    const bool rowInRoot = s.row >= 0 && s.row < s.root->Height();
    auto* src = rowInRoot ? static_cast<uint8_t*>(s.root->GetScanline(s.row)) : nullptr;
    if (s.inside) return src ? src + size_t(s.clip.Left) * size_t(bytes) : nullptr;
    return paddedRow(FTmpScanLine, src, s, bytes);
}

uint8_t* TRdgImage::GetAlphaScanline(int lineIndex) {
    RowSource s;
    if (!rowSource(*this, lineIndex, s)) return nullptr;
    const bool rowInRoot = s.row >= 0 && s.row < s.root->Height();
    uint8_t* src = rowInRoot ? s.root->GetAlphaScanline(s.row) : nullptr;
    if (s.inside) return src ? src + s.clip.Left : nullptr;
    return paddedRow(FTmpAlphaLine, src, s, 1);
}

TColor TRdgImage::GetPixels(int x, int y) {
    rdg::ClipRect clip;
    TPngImage* root = RootPngLnk(&clip);
    if (!root || root->GetEmpty()) return 0;
    return root->GetPixels(addSat(x, clip.Left), addSat(y, clip.Top));
}

void TRdgImage::SetPixels(int x, int y, TColor value) {
    rdg::ClipRect clip;
    TPngImage* root = RootPngLnk(&clip);
    if (!root || root->GetEmpty()) return;
    root->SetPixels(addSat(x, clip.Left), addSat(y, clip.Top), value);
}

void TRdgImage::AssignTo(TPngImage& dest) {
    rdg::ClipRect clip;
    int alpha;
    TPngImage* root = RootPngLnk(&clip, &alpha);
    if (&dest == root) return;
    if (!root || !root->HeaderOrNull()) {
        dest.Assign(nullptr);
        return;
    }
    const int bits = root->HeaderOrNull()->BitCount();
    if (bits == 8 || bits == 24 || bits == 32) {
        dest.Assign(root); // shares the decoded pixels
    } else {
        dest.ClonePng(root);
        dest.ConvertTo32Bit();
    }
    // Any clip other than the whole picture is cut out, also one of the picture's size
    // that lies elsewhere.
    const rdg::ClipRect whole{0, 0, root->Width(), root->Height()};
    if (!(clip == whole)) {
        const int w = spanOf(clip.Left, clip.Right), h = spanOf(clip.Top, clip.Bottom);
        if (w > kMaxPaddedWidth || h > kMaxPaddedWidth)
            dest.Assign(nullptr);
        else
            dest.Resize(w, h, 0, true, clip.Left, clip.Top);
    }
    if (dest.GetEmpty()) return;
    dest.SetAlphaBlendValue(uint8_t(std::clamp(alpha, 0, 255)));
    dest.SetSmoothFilter(SmoothFilter());
    dest.EnsureDevurChunk();
}

} // namespace vell::image
