// TRdgImage: construction, reference text, links and definitions, properties, size and
// drawing. The animation is in rdg_image_play.cpp, rows, pixels and AssignTo in
// rdg_image_rows.cpp.
#include "platform/image/rdg_image.h"

#include "core/pixel/tables.h"
#include "core/rdg/rdg_file.h"
#include "platform/image/nine_slice_draw.h"
#include "platform/image/png_image.h"
#include "platform/image/rdg_image_internal.h"
#include "platform/image/resolver.h"
#include "platform/timer/rd_timer.h"

#include <span>

namespace vell::image {

using namespace rdg_detail;
using design::TDesignRect;

struct TRdgImage::RootCache {
    TPngImage* root = nullptr; // null: to be computed
    rdg::ClipRect clip;
    int alpha = -1;
};

namespace {

bool sameAsciiText(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = char16_t(x - 32);
        if (y >= u'a' && y <= u'z') y = char16_t(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::vector<std::u16string> linesOf(const TStringList& list) {
    std::vector<std::u16string> lines;
    lines.reserve(size_t(list.Count()));
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(list.Strings(i));
    return lines;
}

void setLines(TStringList& list, const std::vector<std::u16string>& lines) {
    list.BeginUpdate();
    list.Clear();
    for (const std::u16string& line : lines)
        list.Add(line);
    list.EndUpdate();
}

// Whether the option makes the nine-slice engine run (margins, or tiling).
bool slices(const TDesignRect& o) {
    return o.Left() || o.Top() || o.Right() || o.Bottom() || o.StretchMode() == design::sdmFill;
}

} // namespace

// ---- construction ------------------------------------------------------------------------

TRdgImage::TRdgImage() : FRoot(std::make_unique<RootCache>()) {
    FImgOpt.OnChange = [this](TDesignRect&) { ImgOptChanged(); };
}

TRdgImage::TRdgImage(const std::u16string& imgName) : TRdgImage() {
    FV.ImgName = imgName;
    LoadFromStrings(linesOf(FV.Values), false, false);
}

TRdgImage::~TRdgImage() {
    SetPlayLink(nullptr);
    SetImageLink(nullptr, true);
    // References to this graphic let go while it is still whole.
    UnlinkAll();
    FImgOpt.OnChange = nullptr;
}

// ---- reference text ----------------------------------------------------------------------

void TRdgImage::LoadFromStrings(const std::vector<std::u16string>& strs, bool selfUpdate, bool initParams) {
    ClearRootCache();
    FLoadingOpt = true;
    try {
        rdg::LoadFromStrings(FV, FImgOpt, strs, selfUpdate, initParams);
    } catch (...) {
        FLoadingOpt = false;
        throw;
    }
    FLoadingOpt = false;
    if (FTimer) {
        FTimer->SetEnabled(false);
        const int count = ListCount();
        if (count > 0 && FV.PlayIndex >= 0) {
            const int pos = selfUpdate ? 0 : FV.PlayIndexList->firstMarker;
            if (pos >= 0 && pos < count) {
                const rdg::PlayEntry& e = FV.PlayIndexList->entries[size_t(pos)];
                if (e.kind == rdg::PlayEntryKind::Duration)
                    FTimer->SetInterval(uint32_t(e.value < 0 ? 0 : e.value));
            }
        }
    }
    if (!selfUpdate) {
        SetPlayLink(nullptr);
        SetImageLink(nullptr, true);
        ChangedEx(1, nullptr);
    }
}

std::vector<std::u16string> TRdgImage::SaveToStrings() const {
    if (TRdgImage* d = Definition()) {
        const std::vector<std::u16string> definition = linesOf(d->FV.Values);
        return rdg::SaveToStrings(FV, FImgOpt, &definition);
    }
    return rdg::SaveToStrings(FV, FImgOpt, nullptr);
}

void TRdgImage::LoadFromStream(TStream& stream) {
    const std::string bytes = stream.ReadRest();
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    LoadFromStrings(rdg::ReadRdgText(std::span<const uint8_t>(data, bytes.size())), false, true);
}

void TRdgImage::SaveToStream(TStream& stream) {
    const std::string text = rdg::WriteRdgText(SaveToStrings());
    stream.WriteBuffer(text.data(), int64_t(text.size()));
}

// ---- links -------------------------------------------------------------------------------

TRdgImage* TRdgImage::Definition() const {
    return asRdg(FImgLnk);
}

// A link that leads back to this graphic would make every change and every walk go round
// for ever; such a link is not made. Links are only ever made here, so checking the
// target's existing links is enough. A chain too long or too branched to check is
// refused as well.
static bool leadsTo(TRdGraphic* from, const TRdGraphic* to, int depth, int& budget) {
    if (!from) return false;
    if (from == to || depth >= kMaxChainDepth || --budget < 0) return true;
    TRdgImage* r = asRdg(from);
    if (!r) return false;
    return leadsTo(r->ImgLnk(), to, depth + 1, budget) || leadsTo(r->PlayImgLnk(), to, depth + 1, budget);
}

static bool leadsTo(TRdGraphic* from, const TRdGraphic* to) {
    int budget = 4 * kMaxChainDepth;
    return leadsTo(from, to, 0, budget);
}

// Moves one of the two links to `target`, under the targets' own locks (AddLink and
// RemoveLink); a target that is going away or leads back here leaves the link empty.
void TRdgImage::Relink(TRdGraphic*& link, TRdGraphic* target) {
    if (target && leadsTo(target, this)) target = nullptr;
    if (link) link->RemoveLink(this);
    link = target;
    if (target && !target->AddLink(this)) link = nullptr;
    ClearRootCache();
}

void TRdgImage::SetImageLink(TRdGraphic* target, bool noCopy) {
    if (target == FImgLnk) return;
    Relink(FImgLnk, target);
    if (!noCopy)
        if (TRdgImage* d = Definition()) CopyDefinition(*d);
}

void TRdgImage::SetPlayLink(TRdGraphic* target) {
    if (target != FPlayImgLnk) Relink(FPlayImgLnk, target);
}

bool TRdgImage::LinksTo(const TRdGraphic* target) const {
    return FImgLnk == target || FPlayImgLnk == target;
}

void TRdgImage::ClearLinkTo(const TRdGraphic* target) {
    if (FImgLnk == target) FImgLnk = nullptr;
    if (FPlayImgLnk == target) FPlayImgLnk = nullptr;
    ClearRootCache();
}

void TRdgImage::CopyDefinition(TRdgImage& d) {
    const rdg::RdgValues& dv = d.FV;
    rdg::CopyDefinition(FV, FImgOpt, dv, d.FImgOpt);
    if (FV.Duration > 0 && FTimer && ListCount() > 0) {
        const rdg::PlayEntry& first = FV.PlayIndexList->entries.front();
        if (first.kind == rdg::PlayEntryKind::Duration) {
            FV.Duration = first.total;
            FTimer->SetInterval(uint32_t(first.value < 0 ? 0 : first.value));
        }
    }
    ClearRootCache();
}

void TRdgImage::ClearRootCache() {
    FRoot->root = nullptr;
}

TPngImage* TRdgImage::RootPngLnk(rdg::ClipRect* absClip, int* alpha) {
    RootCache& c = *FRoot;
    if (!c.root) {
        rdg::ClipRect clip = FV.SrcClip;
        bool clipSet = clip.IsSet();
        int a = FV.AlphaBlendValue;
        TRdGraphic* g = ResolveLink();
        for (int depth = 0; g && depth < kMaxChainDepth; ++depth) {
            if (TRdgImage* r = asRdg(g)) {
                if (a == -1) a = r->FV.AlphaBlendValue;
                if (!clipSet && r->FV.SrcClip.IsSet()) {
                    clip = r->FV.SrcClip;
                    clipSet = true;
                }
                g = r->ResolveLink();
                continue;
            }
            if (auto* png = dynamic_cast<TPngImage*>(g)) {
                if (a == -1) a = png->AlphaBlendValue();
                if (!clipSet) clip = rdg::ClipRect{0, 0, png->Width(), png->Height()};
                c.root = png;
                c.clip = clip;
                c.alpha = a;
            }
            break;
        }
    }
    if (absClip) *absClip = c.root ? c.clip : rdg::ClipRect{};
    if (alpha) *alpha = c.root ? c.alpha : -1;
    return c.root;
}

void TRdgImage::NotifyLinks(TGraphic* sender) {
    ClearRootCache();
    TRdGraphic::NotifyLinks(sender);
}

void TRdgImage::ChangedEx(intptr_t modFlag, TGraphic* sender) {
    if (modFlag == 0 && (!sender || sender == FImgLnk))
        if (TRdgImage* d = Definition()) CopyDefinition(*d);
    TRdGraphic::ChangedEx(modFlag, sender);
}

// ---- properties --------------------------------------------------------------------------

std::vector<std::u16string> TRdgImage::Values() const {
    return linesOf(FV.Values);
}

void TRdgImage::SetImgName(const std::u16string& value) {
    if (value == FV.ImgName) return;
    FV.ImgName = value;
    SetPlayLink(nullptr);
    SetImageLink(nullptr, true);
    LoadFromStrings({u"imgname=" + value}, false, true);
}

TDesignRect* TRdgImage::ImgOpt() {
    GetWidth();
    return &FImgOpt;
}

void TRdgImage::SetImgOpt(const TDesignRect* value) {
    if (value) {
        FImgOpt.Assign(value);
        return;
    }
    FV.ImgOptCustom = false;
    if (TRdgImage* d = Definition())
        d->FImgOpt.AssignTo(&FImgOpt);
    else
        FImgOpt.AssignTo(nullptr);
    Changed(this);
}

void TRdgImage::ImgOptChanged() {
    if (FLoadingOpt) return;
    FV.ImgOptCustom = true;
    // A forced "not empty" gets thirds of the picture as its margins.
    if (FImgOpt.ChangeEmpty()) {
        const int w = GetWidth() / 3, h = GetHeight() / 3;
        FImgOpt.SetValue(w, h, w, h);
    }
    Changed(this);
}

void TRdgImage::SetSrcClip(const rdg::ClipRect& value) {
    FV.SrcClip = value;
    FV.SrcClipCustom = true;
    SetWidth(diffSat(value.Left, value.Right));
}

int TRdgImage::AlphaBlendValue() {
    if (FV.AlphaBlendValue != -1) return FV.AlphaBlendValue;
    TRdGraphic* g = ResolveLink();
    for (int depth = 0; g && depth < kMaxChainDepth; ++depth) {
        if (TRdgImage* r = asRdg(g)) {
            if (r->FV.AlphaBlendValue != -1) return r->FV.AlphaBlendValue;
            g = r->ResolveLink();
            continue;
        }
        // The picture's own opacity; it is not copied into this graphic, so a picture
        // that changes its opacity later is followed.
        if (auto* png = dynamic_cast<TPngImage*>(g)) return png->AlphaBlendValue();
        break;
    }
    return -1;
}

void TRdgImage::SetAlphaBlendValue(int value) {
    value = value < -1 ? -1 : value > 255 ? 255 : value;
    if (value == FV.AlphaBlendValue) return;
    FV.AlphaBlendValue = value;
    FV.ImgAlphaCustom = value != -1;
    Changed(this);
}

void TRdgImage::SetSmoothFilter(TPngSmoothFilter value) {
    if (uint8_t(value) == FV.SmoothFilter) return;
    FV.SmoothFilter = uint8_t(value);
    Changed(this);
}

bool TRdgImage::CustomValues() const {
    return FV.ImgAlphaCustom || FV.ImgOptCustom || FV.SrcClipCustom || FV.SmoothFilter != rdg::kSmoothDefault;
}

// ---- size --------------------------------------------------------------------------------

namespace {
// Width or height: the first clip along the chain, else the picture the chain ends in.
int chainSize(const TRdgImage* self, bool width) {
    TRdGraphic* g = const_cast<TRdgImage*>(self);
    for (int depth = 0; g && depth < kMaxChainDepth; ++depth) {
        TRdgImage* r = asRdg(g);
        if (!r) return width ? g->Width() : g->Height();
        const rdg::ClipRect& c = r->SrcClip();
        if (c.IsSet()) return width ? spanOf(c.Left, c.Right) : spanOf(c.Top, c.Bottom);
        g = r->ResolveLink();
    }
    return 0;
}
} // namespace

int TRdgImage::GetWidth() const {
    return chainSize(this, true);
}
int TRdgImage::GetHeight() const {
    return chainSize(this, false);
}

void TRdgImage::SetWidth(int value) {
    FV.SrcClip.Right = addSat(FV.SrcClip.Left, value);
    ClearRootCache();
    std::vector<uint8_t>().swap(FTmpScanLine);
    std::vector<uint8_t>().swap(FTmpAlphaLine);
    Changed(this);
}

void TRdgImage::SetHeight(int value) {
    FV.SrcClip.Bottom = addSat(FV.SrcClip.Top, value);
    Changed(this);
}

void TRdgImage::SetSize(int width, int height) {
    SetWidth(width);
    SetHeight(height);
}

bool TRdgImage::GetEmpty() const {
    return FV.ImgName.empty() && !FImgLnk;
}

bool TRdgImage::GetTransparent() const {
    TPngImage* root = const_cast<TRdgImage*>(this)->RootPngLnk();
    return root ? root->GetTransparent() : true;
}

bool TRdgImage::SupportsPartialTransparency() {
    TPngImage* root = RootPngLnk();
    return root && root->TransparencyMode() == ptmPartial;
}

// ---- assignment --------------------------------------------------------------------------

void TRdgImage::Assign(TGraphic* source) {
    if (!source) {
        FV.Values.Clear();
        SetPlayLink(nullptr);
        SetImageLink(nullptr, true);
        FV.Reset(FImgOpt);
        lastPlayTick = 0;
        if (FTimer) FTimer->SetEnabled(false);
        ChangedEx(1, nullptr);
        return;
    }
    TRdgImage* src = asRdg(source);
    if (!src) {
        TRdGraphic::Assign(source);
        return;
    }
    if (src == this) return;
    const rdg::RdgValues& sv = src->FV;
    setLines(FV.Values, linesOf(sv.Values));
    if (src->FPlayImgLnk) SetPlayLink(src->FPlayImgLnk);
    SetImageLink(src->FImgLnk, true);
    FV.SrcClip = sv.SrcClip;
    FV.ImgName = sv.ImgName;
    FV.Duration = sv.Duration;
    FV.PlayIndex = sv.PlayIndex;
    FV.PlayFirst = sv.PlayFirst;
    FV.PlayLast = sv.PlayLast;
    FV.PlayImgNameBase = sv.PlayImgNameBase;
    FV.PlayScript = sv.PlayScript;
    lastPlayTick = 0;
    if (FTimer) FTimer->SetEnabled(false);
    FV.PlayIndexList = sv.PlayIndexList ? std::make_unique<rdg::PlayList>(*sv.PlayIndexList) : nullptr;
    if (FTimer && src->FTimer) FTimer->SetInterval(src->FTimer->Interval());
    FV.AlphaBlendValue = sv.AlphaBlendValue;
    FV.SmoothFilter = sv.SmoothFilter;
    src->FImgOpt.AssignTo(&FImgOpt);
    FV.ImgOptCustom = sv.ImgOptCustom;
    FV.SrcClipCustom = sv.SrcClipCustom;
    FV.ImgAlphaCustom = sv.ImgAlphaCustom;
    FV.DurationCustom = sv.DurationCustom;
    ChangedEx(1, nullptr);
}

// ---- drawing -----------------------------------------------------------------------------

void TRdgImage::DrawWhole(HDC dc, const RECT& rect, int opacity) {
    StartPlay();
    rdg::ClipRect clip;
    int alpha;
    TPngImage* root = RootPngLnk(&clip, &alpha);
    if (!root || root->GetEmpty()) return;
    // Only an option that the engine slices with goes there: an option with no margins
    // (say stretch mode alone) would come back here to be stretched.
    if (slices(FImgOpt)) {
        BLENDFUNCTION blend{AC_SRC_OVER, 0, uint8_t(opacity < 0 ? 255 : opacity), AC_SRC_ALPHA};
        DrawDesignGraphicBlend(blend, this, dc, &FImgOpt, rect);
        return;
    }
    const int effective = opacity < 0 ? alpha : pixel::mul(uint8_t(opacity), uint8_t(alpha));
    root->DrawRect(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, clip.Left,
                   clip.Top, spanOf(clip.Left, clip.Right), spanOf(clip.Top, clip.Bottom), effective,
                   root->GrayMode(), SmoothFilter(), nullptr);
}

void TRdgImage::Draw(HDC dc, const RECT& rect) {
    DrawWhole(dc, rect, -1);
}

void TRdgImage::DrawTransparent(HDC dc, const RECT& rect, uint8_t opacity) {
    DrawWhole(dc, rect, opacity);
}

void TRdgImage::DrawRect(HDC DstDC, int DstX, int DstY, int DstW, int DstH, int SrcX, int SrcY, int SrcW,
                         int SrcH, int Alpha, bool Gray, TPngSmoothFilter Smooth, TPngImage* DstPng) {
    StartPlay();
    rdg::ClipRect clip;
    int alpha;
    TPngImage* root = RootPngLnk(&clip, &alpha);
    if (!root || root->GetEmpty()) return;
    root->DrawRect(DstDC, DstX, DstY, DstW, DstH, addSat(SrcX, clip.Left), addSat(SrcY, clip.Top), SrcW, SrcH,
                   Alpha < 0 ? alpha : Alpha, Gray, Smooth == psfDefault ? SmoothFilter() : Smooth, DstPng);
}

} // namespace vell::image
