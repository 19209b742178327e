#include "core/rdg/reference_text.h"

#include "core/number/int_text.h"
#include "core/text/strings.h"

#include <climits>

namespace vell::rdg {

using design::TDesignRect;
using design::TSuperStretchMode;

namespace {

std::u16string u16(std::string_view s) {
    return std::u16string(s.begin(), s.end());
}

std::u16string joinInts(std::initializer_list<int> values) {
    std::string r;
    for (int v : values) {
        if (!r.empty()) r += ',';
        r += std::to_string(v);
    }
    return u16(r);
}

char16_t foldAscii(char16_t c) {
    return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
}

bool sameAscii(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    return true;
}

// The value of a key, when the list has the key.
bool lookup(TStringValueList& list, const std::u16string& name, std::u16string& value) {
    const int index = list.IndexOfName(name);
    if (index < 0) return false;
    value = list.ValueFromIndex(index);
    return true;
}

void removeLines(TStringValueList& list, const std::u16string& name) {
    for (int index; (index = list.IndexOfName(name)) >= 0;)
        list.Delete(index);
}

// The line name=value (none when value is empty) in place of every line of that name.
void setOnly(TStringValueList& list, const std::u16string& name, const std::u16string& value) {
    removeLines(list, name);
    if (!value.empty()) list.SetValueForce(name, value);
}

// "a,b,c": each part an integer, 0 for anything unreadable or missing.
std::vector<int> intList(std::u16string_view s, std::size_t count) {
    std::vector<int> r(count, 0);
    std::size_t i = 0, start = 0;
    while (i < count && start <= s.size()) {
        std::size_t comma = s.find(u',', start);
        std::u16string_view part =
            s.substr(start, comma == std::u16string_view::npos ? s.npos : comma - start);
        if (!ParseIntText(part, r[i])) r[i] = 0;
        ++i;
        if (comma == std::u16string_view::npos) break;
        start = comma + 1;
    }
    return r;
}

// Reads one optional value: the "!" key first (which marks it custom), else the plain
// key. apply(value, fromCustomKey) does the reading; nothing happens once custom.
template <typename Apply> void readKey(TStringValueList& list, const char* key, bool custom, Apply&& apply) {
    if (custom) return;
    std::u16string value;
    if (lookup(list, u16(key) + u"!", value))
        apply(value, true);
    else if (lookup(list, u16(key), value))
        apply(value, false);
}

void applyPlayScript(RdgValues& v) {
    v.PlayImgNameBase.clear();
    v.PlayScript.clear();
    v.PlayIndexList.reset();
    const std::u16string& name = v.ImgName;
    if (name.empty() || name.back() != u'>') return;
    const std::size_t open = name.find(u'<');
    if (open == std::u16string::npos) return;
    v.PlayImgNameBase = name.substr(0, open);
    const std::u16string rest = name.substr(open + 1);
    v.PlayScript = rest.substr(0, rest.find(u'>'));
    if (v.PlayScript.empty()) return;
    std::u16string lower = v.PlayScript;
    for (char16_t& c : lower)
        if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
    auto list = std::make_unique<PlayList>(compilePlayScript(lower, v.Duration, v.DurationCustom));
    if (list->entries.empty()) return;
    v.PlayIndex = 0;
    v.PlayFirst = 0;
    v.PlayLast = int(list->entries.size()) - 1;
    v.PlayIndexList = std::move(list);
}

} // namespace

void RdgValues::Reset(TDesignRect& imgOpt) {
    ImgName.clear();
    Duration = -1;
    PlayImgNameBase.clear();
    PlayScript.clear();
    PlayIndexList.reset();
    PlayIndex = -1;
    PlayFirst = PlayLast = 0;
    ImgOptCustom = SrcClipCustom = ImgAlphaCustom = DurationCustom = false;
    SmoothFilter = kSmoothDefault;
    imgOpt.AssignTo(nullptr);
    AlphaBlendValue = -1;
    SrcClip = ClipRect{};
}

void LoadFromStrings(RdgValues& v, TDesignRect& imgOpt, const std::vector<std::u16string>& strs,
                     bool selfUpdate, bool initParams) {
    if (initParams) v.Reset(imgOpt);
    v.Values.BeginUpdate();
    v.Values.Clear();
    for (const std::u16string& line : strs)
        v.Values.Add(line);
    v.Values.EndUpdate();
    TStringValueList& list = v.Values;

    // A plain duration does not make the duration the reference's own: the play
    // script's d= items may still change it.
    readKey(list, "duration", v.DurationCustom, [&](const std::u16string& s, bool custom) {
        int d;
        if (!ParseIntText(s, d)) return;
        v.Duration = d;
        v.DurationCustom = custom;
    });
    readKey(list, "imgrect", v.SrcClipCustom, [&](const std::u16string& s, bool) {
        std::vector<int> r = intList(s, 4);
        v.SrcClip = ClipRect{r[0], r[1], r[2], r[3]};
        v.SrcClipCustom = true;
    });
    readKey(list, "imgalpha", v.ImgAlphaCustom, [&](const std::u16string& s, bool custom) {
        int a;
        if (!ParseIntText(s, a)) return;
        // The opacity indexes 256-entry tables when drawing: anything outside 0..255
        // is "not set" below and opaque above.
        a = a < 0 ? -1 : a > 255 ? 255 : a;
        v.AlphaBlendValue = a;
        v.ImgAlphaCustom = custom || a != -1;
    });
    readKey(list, "imgopt", v.ImgOptCustom, [&](const std::u16string& s, bool custom) {
        std::vector<int> r = intList(s, 5);
        TDesignRect before;
        imgOpt.AssignTo(&before);
        imgOpt.SetValue(r[0], r[1], r[2], r[3]);
        const bool validMode = r[4] >= 0 && r[4] < design::kStretchModeCount;
        imgOpt.SetStretchMode(validMode ? TSuperStretchMode(r[4]) : design::sdmDefault);
        v.ImgOptCustom = custom || !imgOpt.Equals(&before);
    });
    if (v.SmoothFilter == kSmoothDefault) {
        std::u16string s;
        int f;
        if (lookup(list, u"imgsmooth", s) && ParseIntText(s, f) && f >= kSmoothDefault && f <= kSmooth)
            v.SmoothFilter = std::uint8_t(f);
    }
    if (!selfUpdate) {
        std::u16string name;
        if (lookup(list, u"imgname", name)) v.ImgName = name;
        applyPlayScript(v);
    }
}

std::vector<std::u16string> SaveToStrings(const RdgValues& v, const TDesignRect& imgOpt,
                                          const std::vector<std::u16string>* definition) {
    TStringValueList out;
    for (int i = 0; i < v.Values.Count(); ++i)
        out.Add(v.Values.Strings(i));
    const bool durationUnread = !v.DurationCustom && out.IndexOfName(u"duration!") >= 0;
    if (definition) {
        // A linked reference holds the definition's lines under their plain names ("!"
        // dropped), so that is how they are recognised here.
        for (const std::u16string& line : *definition) {
            const std::size_t sep = line.find(u'=');
            std::u16string name = line.substr(0, sep);
            if (!name.empty() && name.back() == u'!') name.pop_back();
            const std::u16string value =
                sep == std::u16string::npos ? std::u16string() : line.substr(sep + 1);
            const int index = out.IndexOfName(name);
            if (index >= 0 && sameAscii(out.ValueFromIndex(index), value)) out.Delete(index);
        }
    }
    // A plain clip, opacity or option line makes its value the reference's own when read.
    // Where the reference does not hold that value as its own (a line copied from a
    // definition, or one a "!" line kept from being read), the line is not written, so
    // the text reads back to the same values. A plain duration is never the reference's
    // own and stays, unless a "!" line kept it from being read.
    const bool ownAlpha = v.ImgAlphaCustom && v.AlphaBlendValue != -1;
    if (!v.SrcClipCustom) removeLines(out, u"imgrect");
    if (!ownAlpha) removeLines(out, u"imgalpha");
    if (!v.ImgOptCustom) removeLines(out, u"imgopt");
    if (durationUnread) removeLines(out, u"duration");
    // Each key the reference writes stands once: a repeated line could read back first.
    const ClipRect& c = v.SrcClip;
    setOnly(out, u"imgname", v.ImgName);
    setOnly(out, u"imgrect!", v.SrcClipCustom ? joinInts({c.Left, c.Top, c.Right, c.Bottom}) : u"");
    setOnly(out, u"imgalpha!", ownAlpha ? joinInts({v.AlphaBlendValue}) : u"");
    setOnly(out, u"imgsmooth", v.SmoothFilter != kSmoothDefault ? joinInts({v.SmoothFilter}) : u"");
    setOnly(out, u"imgopt!",
            v.ImgOptCustom ? joinInts({imgOpt.Left(), imgOpt.Top(), imgOpt.Right(), imgOpt.Bottom(),
                                       int(imgOpt.StretchMode())})
                           : u"");
    setOnly(out, u"duration!", v.DurationCustom ? joinInts({v.Duration}) : u"");
    std::vector<std::u16string> lines;
    for (int i = 0; i < out.Count(); ++i)
        lines.push_back(out.Strings(i));
    return lines;
}

void CopyDefinition(RdgValues& v, design::TDesignRect& opt, const RdgValues& dv,
                    const design::TDesignRect& dOpt) {
    // The definition's lines, under their plain names; the name stays this graphic's.
    for (int i = 0; i < dv.Values.Count(); ++i) {
        std::u16string name = dv.Values.Names(i);
        if (!name.empty() && name.back() == u'!') name.pop_back();
        if (name.empty() || text::sameTextAscii(name, u"imgname")) continue;
        v.Values.SetValueForce(name, dv.Values.ValueFromIndex(i));
    }
    if (v.SmoothFilter == kSmoothDefault) v.SmoothFilter = dv.SmoothFilter;
    if (!v.ImgOptCustom) opt.CopyFrom(dOpt);
    if (!v.ImgAlphaCustom || v.AlphaBlendValue == -1) v.AlphaBlendValue = dv.AlphaBlendValue;
    if (!v.SrcClipCustom) v.SrcClip = dv.SrcClip;
    if (!v.DurationCustom) v.Duration = dv.Duration;
    v.PlayFirst = dv.PlayFirst;
    v.PlayLast = dv.PlayLast;
    if (v.PlayIndex < v.PlayFirst) v.PlayIndex = v.PlayFirst;
    v.PlayImgNameBase = dv.PlayImgNameBase;
    v.PlayScript = dv.PlayScript;
    if (dv.PlayIndexList) v.PlayIndexList = std::make_unique<PlayList>(*dv.PlayIndexList);
    if (!v.PlayImgNameBase.empty()) {
        v.Values.SetValueForce(u"PlayImgName", v.PlayImgNameBase);
        v.Values.SetValueForce(u"PlayScript", v.PlayScript);
    }
}

} // namespace vell::rdg
