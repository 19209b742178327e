#include "platform/text/alpha_text.h"

#include "core/draw/gauss.h"
#include "core/pixel/tables.h"
#include "platform/image/dc_registry.h"
#include "platform/intercept/alpha_paint.h"
#include "platform/intercept/draw_redirects.h"
#include "platform/intercept/platform_calls.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

namespace vell {
namespace {

constexpr int kShadowBlurRadius = 3;
constexpr int kShadowOffset = 1;   // right and down
constexpr int kCoverageBoost = 22; // added to the coverage of plain (aliased) fonts
constexpr COLORREF kColorNone = 0x1FFFFFFF;

// Set while the renderer calls the platform's own text functions.
thread_local bool tInside = false;

class InsideGuard {
  public:
    InsideGuard() { tInside = true; }
    ~InsideGuard() { tInside = false; }
};

// The DC's colours and background mode, put back on every way out.
class DcColors {
  public:
    explicit DcColors(HDC dc)
        : dc_(dc), text_(::GetTextColor(dc)), back_(::GetBkColor(dc)), mode_(::GetBkMode(dc)) {}
    ~DcColors() {
        ::SetTextColor(dc_, text_);
        ::SetBkColor(dc_, back_);
        ::SetBkMode(dc_, mode_);
    }
    COLORREF text() const { return text_; }
    COLORREF back() const { return back_; }
    int mode() const { return mode_; }

  private:
    HDC dc_;
    COLORREF text_, back_;
    int mode_;
};

uint8_t Opacity(COLORREF c) {
    const uint8_t top = static_cast<uint8_t>(c >> 24);
    return top == 0 ? 255 : top;
}

COLORREF Plain(COLORREF c) {
    return c & 0x00FFFFFF;
}

bool FontAntialiased(HDC dc) {
    LOGFONTW lf{};
    HGDIOBJ font = ::GetCurrentObject(dc, OBJ_FONT);
    if (!font || !::GetObjectW(font, sizeof(lf), &lf)) return false;
    return lf.lfQuality == ANTIALIASED_QUALITY || lf.lfQuality == CLEARTYPE_QUALITY ||
           lf.lfQuality == CLEARTYPE_NATURAL_QUALITY;
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

void Blit(HDC to, int tx, int ty, int w, int h, HDC from, int fx, int fy) {
    Platform().BitBlt(to, tx, ty, w, h, from, fx, fy, SRCCOPY);
}

// Paints `color` with its opacity (premultiplied) over `r`, cut to `clip` when given.
void PaintBackground(HDC dc, RECT r, const RECT* clip, COLORREF color) {
    if (clip && !::IntersectRect(&r, &r, clip)) return;
    alpha::ScratchLease dot(-1, 1, 1);
    if (!dot) return;
    const uint8_t a = Opacity(color);
    uint8_t* p = dot->row(0);
    p[0] = pixel::preMul(a, GetBValue(color));
    p[1] = pixel::preMul(a, GetGValue(color));
    p[2] = pixel::preMul(a, GetRValue(color));
    p[3] = a;
    alpha::CompositeOntoDC(dc, r, *dot, 0, 0, 1, 1, 255);
}

// What one text call needs from the renderer.
struct TextJob {
    HDC dc;
    RECT box;           // the text as the platform places it
    const RECT* bgClip; // where a background may be painted (null: no limit)
    bool shadow;
    std::function<int()> draw; // the platform call with the DC's current colours
    // Centred text: each of `lines` lines, `linePitch` pixels apart from box.top, has its
    // ink put in the middle of [centreLeft, centreRight). linePitch 0: drawn as placed.
    int linePitch = 0;
    int lines = 1;
    int centreLeft = 0, centreRight = 0;
};

// Fills the area white, draws the text black and copies the result into `mask`; the
// target is restored from `backup` afterwards.
void CaptureBlackOnWhite(const TextJob& job, const RECT& area, const alpha::ScratchImage& backup,
                         const alpha::ScratchImage& mask, int* result) {
    const int w = Width(area), h = Height(area);
    Platform().BitBlt(job.dc, area.left, area.top, w, h, nullptr, 0, 0, WHITENESS);
    ::SetTextColor(job.dc, RGB(0, 0, 0));
    ::SetBkMode(job.dc, TRANSPARENT);
    const int r = job.draw();
    if (result) *result = r;
    ::GdiFlush();
    Blit(mask.dc.get(), 0, 0, w, h, job.dc, area.left, area.top);
    Blit(job.dc, area.left, area.top, w, h, backup.dc.get(), 0, 0);
    ::GdiFlush();
}

// Darkness of a captured black-on-white pixel: 0 = untouched white, 255 = full ink.
inline int Ink(const uint8_t* p, bool antialiased) {
    if (antialiased) return 255 - pixel::preMul(p[2], p[2]);
    return 255 - ((p[2] * 77 + p[1] * 151 + p[0] * 28) >> 8);
}

inline bool White(const uint8_t* p) {
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

// Blurs the premultiplied top-left w x h pixels of a scratch image with the shadow radius.
void BlurShadow(const alpha::ScratchImage& img, int w, int h) {
    draw::TPixelData data;
    data.Width = w;
    data.Height = h;
    data.Stride = img.stride();
    data.Format = draw::pfBits32;
    data.BitsPerPixel = 32;
    data.Scan0 = img.row(0);
    try {
        draw::BlurPixels(data, data, kShadowBlurRadius, kShadowBlurRadius / 2.0);
    } catch (...) {
        // an unblurred shadow is still a shadow
    }
}

// Turns a captured shadow into black with alpha = ink, thickens it one pixel downwards and
// blurs it.
void BuildShadow(const alpha::ScratchImage& mask, int w, int h, bool antialiased) {
    for (int y = 0; y < h; ++y) {
        uint8_t* p = mask.row(y);
        for (int x = 0; x < w; ++x, p += 4) {
            const uint8_t a = White(p) ? 0 : pixel::preMul(static_cast<uint8_t>(Ink(p, antialiased)), 255);
            p[0] = p[1] = p[2] = 0;
            p[3] = a;
        }
    }
    // Drawn onto itself one row lower: bottom-up, so each row still sees its original upper row.
    for (int y = h - 1; y >= 1; --y) {
        uint8_t* d = mask.row(y);
        const uint8_t* s = mask.row(y - 1);
        for (int x = 0; x < w; ++x)
            d[x * 4 + 3] = pixel::screen(d[x * 4 + 3], s[x * 4 + 3]);
    }
    BlurShadow(mask, w, h);
}

// Converts a captured text into premultiplied text colour with alpha = coverage x opacity.
void BuildTextMask(const alpha::ScratchImage& mask, int w, int h, bool antialiased, COLORREF color,
                   uint8_t opacity) {
    for (int y = 0; y < h; ++y) {
        uint8_t* p = mask.row(y);
        for (int x = 0; x < w; ++x, p += 4) {
            if (White(p)) {
                p[0] = p[1] = p[2] = p[3] = 0;
                continue;
            }
            int c = Ink(p, antialiased);
            if (!antialiased) c = std::min(c + kCoverageBoost, 255);
            const uint8_t a = pixel::preMul(static_cast<uint8_t>(c), opacity);
            p[0] = pixel::preMul(a, GetBValue(color));
            p[1] = pixel::preMul(a, GetGValue(color));
            p[2] = pixel::preMul(a, GetRValue(color));
            p[3] = a;
        }
    }
}

// Puts the ink of each line of a black-on-white capture of `area` in the middle of the
// job's centring width. The platform centres a line by the width it measures, which is
// not always the width it draws (Wine measures joined Arabic by its unjoined letters, up
// to a fifth wider); centring the ink lands every line in the middle on every platform.
// Lines move within the area and, unless the call draws unclipped, within its rectangle.
void CentreLinesByInk(const TextJob& job, const RECT& area, const alpha::ScratchImage& mask) {
    const int w = Width(area), h = Height(area);
    const int lines = std::max(job.lines, 1);
    auto lineOf = [&](int y) {
        return std::clamp<int>((area.top + y - job.box.top) / job.linePitch, 0, lines - 1);
    };
    std::vector<int> first(size_t(lines), w), last(size_t(lines), -1);
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = mask.row(y);
        const size_t k = size_t(lineOf(y));
        for (int x = 0; x < w; ++x)
            if (!White(p + x * 4)) {
                first[k] = std::min(first[k], x);
                last[k] = std::max(last[k], x);
            }
    }
    int keepFrom = 0, keepTo = w; // columns that may hold ink after the move
    if (job.bgClip) {
        keepFrom = std::clamp<int>(job.bgClip->left - area.left, 0, w);
        keepTo = std::clamp<int>(job.bgClip->right - area.left, 0, w);
    }
    std::vector<int> shift(size_t(lines), 0);
    for (size_t k = 0; k < size_t(lines); ++k) {
        if (last[k] < 0) continue;
        const int inkWidth = last[k] - first[k] + 1;
        const int want = job.centreLeft - area.left + (job.centreRight - job.centreLeft - inkWidth) / 2;
        shift[k] = std::clamp(want - first[k], -first[k], w - 1 - last[k]);
    }
    for (int y = 0; y < h; ++y) {
        const int dx = shift[size_t(lineOf(y))];
        if (dx == 0) continue;
        uint8_t* row = mask.row(y);
        if (dx > 0) {
            std::memmove(row + dx * 4, row, size_t(w - dx) * 4);
            std::memset(row, 255, size_t(dx) * 4);
        } else {
            std::memmove(row, row - dx * 4, size_t(w + dx) * 4);
            std::memset(row + (w + dx) * 4, 255, size_t(-dx) * 4);
        }
        std::memset(row, 255, size_t(keepFrom) * 4);
        std::memset(row + keepTo * 4, 255, size_t(w - keepTo) * 4);
    }
}

bool AllOpaque(const alpha::ScratchImage& img, int w, int h) {
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = img.row(y);
        for (int x = 0; x < w; ++x)
            if (p[x * 4 + 3] != 255) return false;
    }
    return true;
}

RECT Offset(RECT r, int dx, int dy) {
    ::OffsetRect(&r, dx, dy);
    return r;
}

// The soft shadow of text on an opaque background: the block is drawn white on the inverted
// background over white, inverted (drawn pixels opaque, the rest transparent), captured,
// blurred and composited at the shadow offset.
void OpaqueBlockShadow(const TextJob& job, const RECT& area, COLORREF back) {
    const int w = Width(area), h = Height(area);
    alpha::ScratchLease backup(alpha::kSlotPicture, w, h);
    alpha::ScratchLease shadow(-1, w, h);
    if (!backup || !shadow) return;
    ::GdiFlush();
    Blit(backup->dc.get(), 0, 0, w, h, job.dc, area.left, area.top);
    Platform().BitBlt(job.dc, area.left, area.top, w, h, nullptr, 0, 0, WHITENESS);
    ::SetTextColor(job.dc, RGB(255, 255, 255));
    ::SetBkColor(job.dc, alpha::InvertedColor(back));
    job.draw();
    ::GdiFlush();
    alpha::InvertArea(job.dc, area);
    ::GdiFlush();
    Blit(shadow->dc.get(), 0, 0, w, h, job.dc, area.left, area.top);
    Blit(job.dc, area.left, area.top, w, h, backup->dc.get(), 0, 0);
    ::GdiFlush();
    BlurShadow(*shadow, w, h);
    alpha::CompositeOntoDC(job.dc, Offset(area, kShadowOffset, kShadowOffset), *shadow, 0, 0, w, h, 255);
}

// Lets the platform draw and makes exactly the pixels it wrote opaque: the area is first
// made opaque, so written pixels are the ones the platform left with alpha 0; every other
// pixel gets its old value back.
int DrawMarkingOpaque(const TextJob& job, const RECT& area) {
    const int w = Width(area), h = Height(area);
    alpha::ScratchLease backup(alpha::kSlotPicture, w, h);
    alpha::ScratchLease after(alpha::kSlotDraw, w, h);
    if (!backup || !after) {
        const int result = job.draw();
        ::GdiFlush();
        MakeAlphaOpaque(job.dc, area.left, area.top, w, h, false, true);
        return result;
    }
    ::GdiFlush();
    Blit(backup->dc.get(), 0, 0, w, h, job.dc, area.left, area.top);
    MakeAlphaOpaque(job.dc, area.left, area.top, w, h, false, true);
    const int result = job.draw();
    ::GdiFlush();
    Blit(after->dc.get(), 0, 0, w, h, job.dc, area.left, area.top);
    ::GdiFlush();
    for (int y = 0; y < h; ++y) {
        uint8_t* p = after->row(y);
        const uint8_t* old = backup->row(y);
        for (int x = 0; x < w * 4; x += 4) {
            if (p[x + 3] == 0)
                p[x + 3] = 255;
            else
                std::copy_n(old + x, 4, p + x);
        }
    }
    Blit(job.dc, area.left, area.top, w, h, after->dc.get(), 0, 0);
    ::GdiFlush();
    return result;
}

// Runs a text call on an alpha DC. `fallback` gives the platform's result when the text
// could not be rendered (the target is then left untouched).
int Render(const TextJob& job, const std::function<int()>& fallback) {
    HDC dc = job.dc;
    TEXTMETRICW tm{};
    RECT clip{};
    if (!::GetTextMetricsW(dc, &tm)) return 0;
    const int region = ::GetClipBox(dc, &clip);
    if (region == ERROR || region == NULLREGION) return 0;

    RECT area = job.box;
    ::InflateRect(&area, tm.tmAveCharWidth / 2 + 5, std::max<int>(tm.tmExternalLeading, 1) + 5);
    if (!::IntersectRect(&area, &area, &clip)) return fallback();
    const int w = Width(area), h = Height(area);

    DcColors colors(dc);
    const COLORREF textColor = colors.text();
    const uint8_t opacity = Opacity(textColor);
    const bool antialiased = FontAntialiased(dc);

    if (colors.mode() == OPAQUE) {
        const COLORREF back = colors.back();
        if (back == kColorNone) {
            ::SetBkMode(dc, TRANSPARENT);
        } else if (Opacity(back) == 255 && opacity == 255) {
            // Both opaque: the platform draws; exactly the pixels it wrote become opaque.
            if (job.shadow) OpaqueBlockShadow(job, area, back);
            ::SetTextColor(dc, Plain(textColor));
            ::SetBkColor(dc, Plain(back));
            return DrawMarkingOpaque(job, area);
        } else {
            PaintBackground(dc, job.box, job.bgClip, back);
            ::SetBkMode(dc, TRANSPARENT);
        }
    }

    alpha::ScratchLease backup(alpha::kSlotPicture, w, h);
    alpha::ScratchLease mask(alpha::kSlotDraw, w, h);
    if (!backup || !mask) return fallback();
    ::GdiFlush();
    Blit(backup->dc.get(), 0, 0, w, h, dc, area.left, area.top);
    ::GdiFlush();

    alpha::ScratchLease shadow(-1, job.shadow ? w : 0, job.shadow ? h : 0);
    const RECT shadowAt = Offset(area, kShadowOffset, kShadowOffset);

    if (!antialiased && opacity == 255 && job.linePitch == 0 && AllOpaque(*backup, w, h)) {
        if (shadow) {
            CaptureBlackOnWhite(job, area, *backup, *shadow, nullptr);
            BuildShadow(*shadow, w, h, antialiased);
            alpha::CompositeOntoDC(dc, shadowAt, *shadow, 0, 0, w, h, opacity);
        }
        ::SetTextColor(dc, Plain(textColor));
        const int result = job.draw();
        ::GdiFlush();
        MakeAlphaOpaque(dc, area.left, area.top, w, h, false, true);
        return result;
    }

    int result = 0;
    CaptureBlackOnWhite(job, area, *backup, *mask, &result);
    if (job.linePitch > 0) CentreLinesByInk(job, area, *mask);
    if (shadow) {
        for (int y = 0; y < h; ++y)
            std::copy_n(mask->row(y), size_t(w) * 4, shadow->row(y));
        BuildShadow(*shadow, w, h, antialiased);
    }
    BuildTextMask(*mask, w, h, antialiased, Plain(textColor), opacity);
    if (shadow) alpha::CompositeOntoDC(dc, shadowAt, *shadow, 0, 0, w, h, opacity);
    alpha::CompositeOntoDC(dc, area, *mask, 0, 0, w, h, 255);
    return result;
}

bool EmptyText(LPCWSTR text, int count) {
    if (!text) return true;
    if (count == -1 || count == 1) return text[0] == 0;
    return count <= 0;
}

bool NeedsMeasuring(UINT format) {
    return (format & (DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM | DT_WORDBREAK | DT_NOCLIP)) != 0;
}

// The shared body of DrawTextW and DrawTextExW; `call` runs the platform function.
// `centreByInk`: centred lines are put in the middle by their ink (not with margins).
int DrawTextCommon(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format, bool centreByInk,
                   const std::function<int(LPCWSTR, int, LPRECT, UINT)>& call) {
    const UINT plainFormat = format & ~DT_VELL_SHADOW;
    auto platform = [&] {
        InsideGuard inside;
        return call(text, count, rect, plainFormat);
    };
    if ((format & DT_CALCRECT) || tInside || EmptyText(text, count) || !rect) return platform();
    if (!(format & DT_NOCLIP) && ::IsRectEmpty(rect)) return platform();
    if (!::IsRectEmpty(rect) && !::RectVisible(dc, rect)) return platform();
    if (!IsAlphaDC(dc)) return platform();

    // Word-broken text with an ellipsis is drawn as given: the platform shortens it the same
    // way for the mask as it would on any DC, and the measured box is never smaller.
    LPCWSTR drawText = text;
    const int drawCount = count;

    RECT box = *rect;
    // An opaque background covers only the text's own extent, so that is measured too.
    if (NeedsMeasuring(format) || ::GetBkMode(dc) == OPAQUE) {
        RECT calc = *rect;
        {
            InsideGuard inside;
            call(drawText, drawCount, &calc, (plainFormat & ~(DT_VCENTER | DT_BOTTOM)) | DT_CALCRECT);
        }
        const int tw = Width(calc), th = Height(calc);
        int left = rect->left, top = rect->top;
        if (format & DT_CENTER)
            left = rect->left + (Width(*rect) - tw) / 2;
        else if (format & DT_RIGHT)
            left = rect->right - tw;
        if (format & DT_SINGLELINE) {
            if (format & DT_VCENTER)
                top = rect->top + (Height(*rect) - th) / 2;
            else if (format & DT_BOTTOM)
                top = rect->bottom - th;
        }
        box = {left, top, left + tw, top + th};
    }

    RECT drawRect = *rect;
    TextJob job{dc, box, (format & DT_NOCLIP) ? nullptr : rect, (format & DT_VELL_SHADOW) != 0, [&] {
                    InsideGuard inside;
                    RECT r = drawRect;
                    return call(drawText, drawCount, &r, plainFormat);
                }};
    TEXTMETRICW tm{};
    if (centreByInk && (format & DT_CENTER) && ::GetTextMetricsW(dc, &tm)) {
        job.linePitch =
            std::max<int>(tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0), 1);
        job.lines = (format & DT_SINGLELINE) ? 1 : std::max(Height(box) / job.linePitch, 1);
        job.centreLeft = rect->left;
        job.centreRight = rect->right;
    }
    const int result = Render(job, [&] {
        RECT r = *rect;
        InsideGuard inside;
        return call(drawText, drawCount, &r, plainFormat | DT_CALCRECT);
    });
    return result;
}

// Width of an ExtTextOut run with explicit advances.
int AdvanceWidth(const INT* dx, UINT count, UINT options) {
    int w = 0;
    const UINT step = (options & ETO_PDY) ? 2 : 1;
    for (UINT i = 0; i < count; ++i)
        w += dx[i * step];
    return w;
}

// The shared body of TextOutW and ExtTextOutW.
BOOL TextOutCommon(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                   const INT* dx, const std::function<BOOL(int, int, UINT)>& call) {
    auto platform = [&] {
        InsideGuard inside;
        return call(x, y, options);
    };
    if (tInside || !text || count == 0 || static_cast<int>(count) < 0) return platform();
    const bool rectUsed = rect && (options & (ETO_CLIPPED | ETO_OPAQUE));
    if (rectUsed && (::IsRectEmpty(rect) || !::RectVisible(dc, rect))) return platform();
    if (!IsAlphaDC(dc)) return platform();

    TEXTMETRICW tm{};
    if (!::GetTextMetricsW(dc, &tm)) return FALSE;
    SIZE size{};
    if (options & ETO_GLYPH_INDEX)
        ::GetTextExtentPointI(dc, const_cast<WORD*>(reinterpret_cast<const WORD*>(text)),
                              static_cast<int>(count), &size);
    else
        ::GetTextExtentPoint32W(dc, text, static_cast<int>(count), &size);
    if (dx) size.cx = AdvanceWidth(dx, count, options);
    size.cy = std::max<LONG>(size.cy, tm.tmHeight);

    const UINT align = ::GetTextAlign(dc);
    POINT at{x, y};
    const bool updateCP = (align & TA_UPDATECP) != 0;
    if (updateCP) ::GetCurrentPositionEx(dc, &at);
    const POINT start = at;
    // Box containing the text as the platform places it, for every alignment.
    if ((align & TA_CENTER) == TA_CENTER)
        at.x -= size.cx / 2 + 1;
    else if (align & TA_RIGHT)
        at.x -= size.cx;
    if ((align & TA_BASELINE) == TA_BASELINE)
        at.y -= tm.tmHeight - tm.tmDescent;
    else if (align & TA_BOTTOM)
        at.y -= size.cy;
    RECT box{at.x, at.y, at.x + size.cx + 2, at.y + size.cy};

    // An opaque rectangle is this renderer's background: painted with its opacity, then the
    // text is drawn without it.
    UINT drawOptions = options;
    DcColors colors(dc);
    if (rectUsed && (options & ETO_OPAQUE)) {
        if (colors.back() != kColorNone) PaintBackground(dc, *rect, nullptr, colors.back());
        drawOptions &= ~ETO_OPAQUE;
    }

    TextJob job{dc, box, (rect && (options & ETO_CLIPPED)) ? rect : nullptr, false, [&] {
                    InsideGuard inside;
                    if (updateCP) ::MoveToEx(dc, start.x, start.y, nullptr);
                    return static_cast<int>(call(x, y, drawOptions));
                }};
    return Render(job, [] { return TRUE; }) != 0;
}

} // namespace

int WINAPI AlphaDrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format) {
    return DrawTextCommon(dc, text, count, rect, format, true, [dc](LPCWSTR t, int n, LPRECT r, UINT f) {
        return Platform().DrawTextW(dc, t, n, r, f);
    });
}

int WINAPI AlphaDrawTextExW(HDC dc, LPWSTR text, int count, LPRECT rect, UINT format,
                            LPDRAWTEXTPARAMS params) {
    const bool noMargins = !params || (params->iLeftMargin == 0 && params->iRightMargin == 0);
    return DrawTextCommon(dc, text, count, rect, format, noMargins,
                          [dc, text, params](LPCWSTR t, int n, LPRECT r, UINT f) {
                              // The platform may write into a modifiable text; the caller's buffer when it is
                              // the caller's text.
                              LPWSTR buffer = t == text ? text : const_cast<LPWSTR>(t);
                              return Platform().DrawTextExW(dc, buffer, n, r, f, params);
                          });
}

BOOL WINAPI AlphaTextOutW(HDC dc, int x, int y, LPCWSTR text, int count) {
    return TextOutCommon(
        dc, x, y, 0, nullptr, text, count < 0 ? 0 : static_cast<UINT>(count), nullptr,
        [dc, text, count](int px, int py, UINT) { return Platform().TextOutW(dc, px, py, text, count); });
}

BOOL WINAPI AlphaExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                             const INT* dx) {
    return TextOutCommon(dc, x, y, options, rect, text, count, dx,
                         [dc, rect, text, count, dx](int px, int py, UINT o) {
                             return Platform().ExtTextOutW(dc, px, py, o, rect, text, count, dx);
                         });
}

void InstallAlphaTextRenderer() {
    AlphaTextRenderer r;
    r.DrawTextW = &AlphaDrawTextW;
    r.DrawTextExW = &AlphaDrawTextExW;
    r.TextOutW = &AlphaTextOutW;
    r.ExtTextOutW = &AlphaExtTextOutW;
    SetAlphaTextRenderer(r);
}

} // namespace vell
