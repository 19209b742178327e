#include "core/skin/skin_colors.h"

#include "core/color/colors.h"
#include "core/number/int_text.h"
#include "core/text/strings.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <unordered_map>

namespace vell::skin {

namespace {

std::uint32_t swapRedBlue(std::uint32_t v) {
    return (v & 0xFF00FF00u) | (v & 0xFF) << 16 | (v >> 16 & 0xFF);
}

bool isLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// "r,g,b": exactly three integers, each cut to its low byte.
bool parseTriple(std::u16string_view v, std::uint32_t& out) {
    std::uint32_t result = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = v.find(u',');
        if ((i < 2) != (comma != std::u16string_view::npos)) return false;
        int part;
        if (!ParseIntText(v.substr(0, comma), part)) return false;
        result = result << 8 | (std::uint32_t(part) & 0xFF);
        if (comma != std::u16string_view::npos) v.remove_prefix(comma + 1);
    }
    out = result;
    return true;
}

TRccColorItem* resolvedItem(std::uint32_t key) {
    TRccColorItem* item = FindColorItem(key);
    return item && item->NameIndex != kUnresolvedColor ? item : nullptr;
}

} // namespace

// Enters the colour item now (references resolve against it) and keeps its line for the
// name list; the item's NameIndex is set when the line has its place.
void SkinColorLoader::enter(std::u16string line, std::u16string_view ident, std::uint32_t bgr, bool canTint) {
    const std::uint32_t key = ColorNameKey(ident);
    EnterSkinColor(ident, 0, bgr, bgr, canTint);
    lines_.push_back(Line{std::move(line), key});
}

// One sort instead of one sorted insertion per line. The list orders and compares lines by
// name; of lines with the same name only the first added stays (the list ignores later
// duplicates), so a name the list already holds keeps its line.
void SkinColorLoader::addLinesToNames() {
    TStringValueList& names = SkinColorNames();
    std::stable_sort(lines_.begin(), lines_.end(),
                     [&](const Line& a, const Line& b) { return names.CompareStrings(a.text, b.text) < 0; });
    std::vector<const Line*> fresh;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        int at;
        if (i > 0 && names.CompareStrings(lines_[i - 1].text, lines_[i].text) == 0) continue;
        if (names.Find(lines_[i].text, at)) continue;
        fresh.push_back(&lines_[i]);
    }
    names.BeginUpdate();
    names.SetSorted(false); // appends now; sorted again once below
    for (const Line* line : fresh)
        names.AddObject(line->text, PtrInt(line->key));
    names.SetSorted(true);
    names.EndUpdate();
    for (int i = 0; i < names.Count(); ++i) {
        TRccColorItem* item = FindColorItem(TColor(names.Objects(i)));
        if (item && item->NameIndex >= 0) item->NameIndex = i;
    }
    lines_.clear();
}

bool ParseSkinColor(std::u16string_view v, ColorOrder order, bool sectionTint, std::uint32_t& color,
                    bool& canTint) {
    canTint = sectionTint;
    unsigned value = 0;
    bool swap = true;
    if (v.empty()) return false;
    // The forms in order; a prefixed form applies only when hex digits follow.
    if ((v.front() == u'&' || v.front() == u'#') && ParseHexDigits(v.substr(1), value)) {
        canTint = v.front() == u'#';
    } else if (v.front() == u'$' && ParseHexDigits(v.substr(1), value)) {
        swap = false;
    } else if (v.find(u',') != std::u16string_view::npos) {
        std::uint32_t triple;
        if (!parseTriple(v, triple)) return false;
        value = triple;
        swap = order == ColorOrder::RGB;
    } else if (order == ColorOrder::BGR) {
        int number;
        if (ParseIntText(v, number))
            value = unsigned(number);
        else if (!ParseHexDigits(v, value))
            return false;
        swap = false;
    } else if (!ParseHexDigits(v, value)) {
        return false;
    }
    color = swap ? swapRedBlue(value) : value;
    return true;
}

bool ColorReferenceTarget(std::u16string_view value, std::u16string_view& target) {
    if (value.empty() || value.front() != u'[') return false;
    target = value.substr(1);
    if (!target.empty() && target.back() == u']') target.remove_suffix(1);
    if (!target.empty() && !isLetter(target.front())) target.remove_prefix(1);
    return true;
}

void SkinColorLoader::AddSection(std::u16string_view section, const std::vector<std::u16string>& lines,
                                 ColorOrder order) {
    const std::u16string prefix = std::u16string(section) + u".";
    auto nameOf = [](const std::u16string& line) {
        return std::u16string_view(line).substr(0, line.find(u'='));
    };
    auto valueOf = [](const std::u16string& line) {
        const std::size_t sep = line.find(u'=');
        return sep == std::u16string::npos ? std::u16string_view()
                                           : std::u16string_view(line).substr(sep + 1);
    };
    // The settings lines (their first occurrence) are taken out before the colours.
    bool tint = false;
    bool haveType = false, haveClass = false, haveTint = false;
    std::vector<const std::u16string*> colours;
    for (const std::u16string& line : lines) {
        const std::u16string_view name = nameOf(line);
        if (!haveType && text::sameTextAscii(name, u"type")) {
            haveType = true;
            order = text::sameTextAscii(valueOf(line), u"BGR") ? ColorOrder::BGR : ColorOrder::RGB;
        } else if (!haveClass && text::sameTextAscii(name, u"class")) {
            haveClass = true;
        } else if (!haveTint && text::sameTextAscii(name, u"tint")) {
            haveTint = true;
            tint = text::sameTextAscii(valueOf(line), u"true");
        } else {
            colours.push_back(&line);
        }
    }
    for (const std::u16string* line : colours) {
        const std::u16string_view value = valueOf(*line);
        if (value.empty()) continue;
        if (std::u16string_view target; ColorReferenceTarget(value, target)) {
            pending_.push_back(Pending{prefix + *line, ColorNameKey(target)});
            continue;
        }
        std::uint32_t colour;
        bool canTint;
        if (!ParseSkinColor(value, order, tint, colour, canTint)) continue;
        enter(prefix + *line, prefix + std::u16string(nameOf(*line)), colour, canTint);
    }
}

// References resolve in passes: each pass visits the pending entries from last to first,
// and an entry resolves once the colour it names has an item, so an entry may also
// resolve from one visited earlier in the same pass. Passes go on while one resolves
// anything. Run literally that costs the square of the entries for a long chain; instead
// the pass and place at which each entry resolves are worked out first (earliest first,
// as a shortest-path search over the colours), and the entries are then entered in
// exactly that order, so every entry sees the values it would have seen.
void SkinColorLoader::ResolveReferences() {
    const std::size_t n = pending_.size();
    // The moment an entry resolves: its pass, then its place in the pass (later entries
    // are visited first).
    struct When {
        std::size_t pass, entry;
        bool operator>(const When& o) const { return pass != o.pass ? pass > o.pass : entry < o.entry; }
    };
    std::vector<std::uint32_t> ownKey(n);
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> waiting; // colour -> entries naming it
    std::priority_queue<When, std::vector<When>, std::greater<When>> queue;
    for (std::size_t i = 0; i < n; ++i) {
        const std::u16string& line = pending_[i].line;
        ownKey[i] = ColorNameKey(std::u16string_view(line).substr(0, line.find(u'=')));
        if (resolvedItem(pending_[i].target))
            queue.push(When{1, i});
        else
            waiting[pending_[i].target].push_back(i);
    }
    std::vector<bool> done(n, false);
    std::vector<std::size_t> order;
    while (!queue.empty()) {
        const When w = queue.top();
        queue.pop();
        if (done[w.entry]) continue;
        done[w.entry] = true;
        order.push_back(w.entry);
        auto it = waiting.find(ownKey[w.entry]);
        if (it == waiting.end()) continue;
        // Entries after this one in the list are visited later in the same pass.
        for (std::size_t m : it->second)
            if (!done[m]) queue.push(When{m < w.entry ? w.pass : w.pass + 1, m});
        waiting.erase(it);
    }
    for (std::size_t i : order) {
        const TRccColorItem* target = resolvedItem(pending_[i].target);
        if (!target) continue; // cannot happen: the order above guarantees it
        const std::u16string& line = pending_[i].line;
        const std::size_t sep = line.find(u'=');
        const std::u16string_view afterBracket = std::u16string_view(line).substr(sep + 2);
        bool canTint = target->CanTint;
        if (!afterBracket.empty() && afterBracket.front() == u'#') canTint = true;
        if (!afterBracket.empty() && afterBracket.front() == u'&') canTint = false;
        enter(line, std::u16string_view(line).substr(0, sep), target->BGR_org, canTint);
    }
    pending_.clear();
    addLinesToNames();
}

SkinColorLock::SkinColorLock() {
    SkinColorNames().Lock();
    ColorItemTable().Lock();
}

SkinColorLock::~SkinColorLock() {
    ColorItemTable().UnLock();
    SkinColorNames().UnLock();
}

void TintSkinColors(std::uint32_t tint) {
    SkinColorLock lock;
    TStringValueList& names = SkinColorNames();
    std::unordered_map<std::uint32_t, std::uint32_t> tinted;
    for (int i = 0; i < names.Count(); ++i) {
        TRccColorItem* item = FindColorItem(TColor(names.Objects(i)));
        if (!item || !item->CanTint) continue;
        if (tint == clNone) {
            item->BGR = item->BGR_org;
            continue;
        }
        auto [it, fresh] = tinted.try_emplace(item->BGR_org, 0);
        if (fresh) it->second = TintColorValue(item->BGR_org, tint);
        item->BGR = it->second;
    }
}

} // namespace vell::skin
