#include "core/color/colors.h"

#include "core/checksum/crc32.h"
#include "core/diag/debug_output.h"
#include "core/draw/tint.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace vell {

// ---- Built-in names and system colours ----

namespace {

constexpr TColor Sys(int n) {
    return 0xFF000000u | static_cast<TColor>(n);
}

constexpr BuiltInColor kBuiltIn[] = {
    {u"clBlack", 0x00000000},
    {u"clMaroon", 0x00000080},
    {u"clGreen", 0x00008000},
    {u"clOlive", 0x00008080},
    {u"clNavy", 0x00800000},
    {u"clPurple", 0x00800080},
    {u"clTeal", 0x00808000},
    {u"clGray", 0x00808080},
    {u"clSilver", 0x00C0C0C0},
    {u"clRed", 0x000000FF},
    {u"clLime", 0x0000FF00},
    {u"clYellow", 0x0000FFFF},
    {u"clBlue", 0x00FF0000},
    {u"clFuchsia", 0x00FF00FF},
    {u"clAqua", 0x00FFFF00},
    {u"clWhite", 0x00FFFFFF},
    {u"clMoneyGreen", 0x00C0DCC0},
    {u"clSkyBlue", 0x00F0CAA6},
    {u"clCream", 0x00F0FBFF},
    {u"clMedGray", 0x00A4A0A0},
    {u"clActiveBorder", Sys(10)},
    {u"clActiveCaption", Sys(2)},
    {u"clAppWorkSpace", Sys(12)},
    {u"clBackground", Sys(1)},
    {u"clBtnFace", Sys(15)},
    {u"clBtnHighlight", Sys(20)},
    {u"clBtnShadow", Sys(16)},
    {u"clBtnText", Sys(18)},
    {u"clCaptionText", Sys(9)},
    {u"clDefault", clDefault},
    {u"clGradientActiveCaption", Sys(27)},
    {u"clGradientInactiveCaption", Sys(28)},
    {u"clGrayText", Sys(17)},
    {u"clHighlight", Sys(13)},
    {u"clHighlightText", Sys(14)},
    {u"clHotLight", Sys(26)},
    {u"clInactiveBorder", Sys(11)},
    {u"clInactiveCaption", Sys(3)},
    {u"clInactiveCaptionText", Sys(19)},
    {u"clInfoBk", Sys(24)},
    {u"clInfoText", Sys(23)},
    {u"clMenu", Sys(4)},
    {u"clMenuBar", Sys(30)},
    {u"clMenuHighlight", Sys(29)},
    {u"clMenuText", Sys(7)},
    {u"clNone", clNone},
    {u"clScrollBar", Sys(0)},
    {u"cl3DDkShadow", Sys(21)},
    {u"cl3DLight", Sys(22)},
    {u"clWindow", Sys(5)},
    {u"clWindowFrame", Sys(6)},
    {u"clWindowText", Sys(8)},
};
static_assert(sizeof kBuiltIn / sizeof kBuiltIn[0] == 52);

constexpr std::uint32_t RGBValue(int r, int g, int b) {
    return static_cast<std::uint32_t>(r) | static_cast<std::uint32_t>(g) << 8 |
           static_cast<std::uint32_t>(b) << 16;
}

// The classic Windows scheme, by system colour number.
constexpr std::uint32_t kClassic[] = {
    RGBValue(212, 208, 200), // 0 scroll bar
    RGBValue(58, 110, 165),  // 1 background
    RGBValue(10, 36, 106),   // 2 active caption
    RGBValue(128, 128, 128), // 3 inactive caption
    RGBValue(212, 208, 200), // 4 menu
    RGBValue(255, 255, 255), // 5 window
    RGBValue(0, 0, 0),       // 6 window frame
    RGBValue(0, 0, 0),       // 7 menu text
    RGBValue(0, 0, 0),       // 8 window text
    RGBValue(255, 255, 255), // 9 caption text
    RGBValue(212, 208, 200), // 10 active border
    RGBValue(212, 208, 200), // 11 inactive border
    RGBValue(128, 128, 128), // 12 application work space
    RGBValue(10, 36, 106),   // 13 highlight
    RGBValue(255, 255, 255), // 14 highlight text
    RGBValue(212, 208, 200), // 15 button face
    RGBValue(128, 128, 128), // 16 button shadow
    RGBValue(128, 128, 128), // 17 grey text
    RGBValue(0, 0, 0),       // 18 button text
    RGBValue(212, 208, 200), // 19 inactive caption text
    RGBValue(255, 255, 255), // 20 button highlight
    RGBValue(64, 64, 64),    // 21 3D dark shadow
    RGBValue(212, 208, 200), // 22 3D light
    RGBValue(0, 0, 0),       // 23 info text
    RGBValue(255, 255, 225), // 24 info background
    RGBValue(181, 181, 181), // 25 button alternate face
    RGBValue(0, 0, 128),     // 26 hot light
    RGBValue(166, 202, 240), // 27 gradient active caption
    RGBValue(192, 192, 192), // 28 gradient inactive caption
    RGBValue(10, 36, 106),   // 29 menu highlight
    RGBValue(212, 208, 200), // 30 menu bar
};

std::atomic<SystemColorProvider> gSystemColors{nullptr};

std::u16string Widen(const char* text) {
    std::u16string out;
    for (; *text; ++text)
        out += static_cast<char16_t>(static_cast<unsigned char>(*text));
    return out;
}

std::u16string Hex(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(v));
    return Widen(buf);
}

// Reads a 32-bit integer: decimal with an optional sign, or hexadecimal after "$" (or
// "0x"). Anything else, including overflow, is not a number.
bool ParseInteger(std::u16string_view text, TColor& out) {
    size_t i = 0;
    bool negative = false;
    int base = 10;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    if (i < text.size() && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) return false;
    std::uint64_t v = 0;
    for (; i < text.size(); ++i) {
        char16_t c = text[i];
        int d;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        else
            return false;
        v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        if (v > 0xFFFFFFFFull) return false;
    }
    if (base == 10 && v > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return false;
    std::uint32_t u = static_cast<std::uint32_t>(v);
    out = negative ? 0u - u : u;
    return true;
}

PtrInt Key(TColor c) {
    return static_cast<PtrInt>(static_cast<std::int32_t>(c));
}

TRccColorItem* ItemOf(PtrInt value) {
    return reinterpret_cast<TRccColorItem*>(value);
}

// While MergeVclColor empties the table, skin and unresolved items are collected here
// instead of being freed.
TRccColorItem* gKeptItems = nullptr;
bool gKeeping = false;

bool Resolved(const TRccColorItem& item) {
    return item.NameIndex != kUnresolvedColor;
}

void MarkUnresolved(TRccColorItem& item) {
    item.NameIndex = kUnresolvedColor;
    item.BGR = kUnresolvedBGR;
    item.BGR_org = kUnresolvedBGR;
    item.CanTint = false;
}

// Enters `item` under `key`, freeing whatever item was there.
void Replace(TPointerHash& table, TColor key, TRccColorItem* item) {
    PtrInt old = 0;
    if (table.Find(Key(key), nullptr, &old)) {
        table.Modify(Key(key), reinterpret_cast<PtrInt>(item));
        if (ItemOf(old) != item) delete ItemOf(old);
    } else {
        table.Add(Key(key), reinterpret_cast<PtrInt>(item));
    }
}

void EnterBuiltIns(TPointerHash& table) {
    for (const BuiltInColor& c : kBuiltIn) {
        auto* item = new TRccColorItem{c.Name, kBuiltInColor, 0, 0, c.Value, false, nullptr};
        Replace(table, ColorNameKey(c.Name), item);
    }
    for (const BuiltInColor& c : kBuiltIn) {
        auto* item = new TRccColorItem{c.Name, kBuiltInColor, 0, 0, c.Value, false, nullptr};
        Replace(table, c.Value, item);
    }
}

TPointerHash* CreateTable() {
    auto* table = new TPointerHash(512);
    table->DisposeEvent = [](TBaseHash&, THashItem& entry) {
        TRccColorItem* item = ItemOf(entry.Value);
        if (gKeeping && item->NameIndex != kBuiltInColor) {
            item->Next = gKeptItems;
            gKeptItems = item;
        } else {
            delete item;
        }
    };
    EnterBuiltIns(*table);
    return table;
}

// Holds the table's lock for a scope.
class TableLock {
  public:
    TableLock() : table_(ColorItemTable()) { table_.Lock(); }
    ~TableLock() { table_.UnLock(); }
    TPointerHash& table() { return table_; }

  private:
    TPointerHash& table_;
};

TRccColorItem* Lookup(TPointerHash& table, TColor key) {
    PtrInt value = 0;
    return table.Find(Key(key), nullptr, &value) ? ItemOf(value) : nullptr;
}

} // namespace

std::span<const BuiltInColor> BuiltInColors() {
    return kBuiltIn;
}

std::uint32_t ClassicSystemColor(int index) {
    constexpr int n = sizeof kClassic / sizeof kClassic[0];
    return index >= 0 && index < n ? kClassic[index] : 0;
}

void SetSystemColorProvider(SystemColorProvider provider) {
    gSystemColors.store(provider);
}

TPointerHash& ColorItemTable() {
    // Lives for the whole process: colour values may be resolved during shut-down.
    static TPointerHash* table = CreateTable();
    return *table;
}

TStringValueList& SkinColorNames() {
    static TStringValueList* list = new TStringValueList;
    return *list;
}

// ---- Names and values ----

TColor ColorNameKey(std::u16string_view Name) {
    std::uint32_t crc = 0;
    for (char16_t c : Name) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(c & 0xFF),
                                       static_cast<std::uint8_t>(c >> 8)};
        crc = checksum::crc32Update(crc, bytes, 2);
    }
    return crc | 0xFF000000u;
}

bool SkinIdentToColor(std::u16string_view Ident, TColor& Color) {
    TColor key = 0;
    bool isNumber = ParseInteger(Ident, key);
    if (!isNumber) key = ColorNameKey(Ident);
    TableLock lock;
    if (TRccColorItem* item = Lookup(lock.table(), key)) {
        Color = item->Color;
        return true;
    }
    if (!isNumber) {
        auto* item = new TRccColorItem;
        item->Ident = std::u16string(Ident);
        item->Color = key;
        lock.table().Add(Key(key), reinterpret_cast<PtrInt>(item));
        if (IsDesignMode()) DebugOutput(u"warning non-color: " + item->Ident + u" [" + Hex(key) + u"]");
    }
    Color = key;
    return true;
}

bool SkinColorToIdent(TColor Color, std::u16string& Ident) {
    TableLock lock;
    TRccColorItem* item = Lookup(lock.table(), Color);
    if (!item) return false;
    Ident = item->Ident;
    return true;
}

void SkinGetColorValues(const std::function<void(const std::u16string&)>& Proc) {
    std::vector<std::u16string> names;
    {
        TStringValueList& list = SkinColorNames();
        list.Lock();
        for (int i = 0; i < list.Count(); ++i) {
            const std::u16string& line = list.Strings(i);
            names.push_back(line.substr(0, line.find(list.NameValueSeparator)));
        }
        list.UnLock();
    }
    for (const std::u16string& name : names)
        Proc(name);
    for (const BuiltInColor& c : kBuiltIn)
        Proc(c.Name);
}

std::uint32_t SkinColorToRGB(TColor Color) {
    if (Color < 0xFF000000u) return Color;
    if ((Color & 0x00FFFFFFu) < 256) {
        int index = static_cast<int>(Color & 0xFF);
        SystemColorProvider provider = gSystemColors.load();
        return provider ? provider(index) : ClassicSystemColor(index);
    }
    {
        TableLock lock;
        TRccColorItem* item = Lookup(lock.table(), Color);
        if (item && Resolved(*item)) return item->BGR;
    }
    if (IsDesignMode()) DebugOutput(u"warning non-color: [" + Hex(Color) + u"]");
    return kUnresolvedBGR;
}

TRccColorItem* FindColorItem(TColor Key) {
    TableLock lock;
    return Lookup(lock.table(), Key);
}

TColor FindColorByName(std::u16string_view Text, TColor Default) {
    TColor key = 0;
    if (!ParseInteger(Text, key)) key = ColorNameKey(Text);
    TableLock lock;
    TRccColorItem* item = Lookup(lock.table(), key);
    return item && Resolved(*item) ? item->Color : Default;
}

std::uint8_t ColorAlpha(TColor Color) {
    if (Color == clNone) return 0;
    if (Color == clDefault) return 255;
    std::uint32_t top = SkinColorToRGB(Color) >> 24;
    return static_cast<std::uint8_t>(top != 0 ? top : 255);
}

std::uint32_t TintColorValue(TColor Color, TColor Tint) {
    const std::uint32_t c = SkinColorToRGB(Color);
    const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    const auto grey = static_cast<std::uint8_t>((r * 77 + g * 151 + b * 28) >> 8);
    // One straight-alpha pixel, so the colour's opacity byte survives the tint.
    std::uint8_t px[4] = {grey, grey, grey, static_cast<std::uint8_t>(c >> 24)};
    draw::TPixelData data;
    data.Width = data.Height = 1;
    data.Stride = 4;
    data.Format = draw::pfBits32;
    data.BitsPerPixel = 32;
    data.Flags = draw::pdStraightAlpha;
    data.Scan0 = px;
    const std::uint32_t t = SkinColorToRGB(Tint);
    const std::uint32_t tint =
        ((t >> 16) & 0xFF) | (t & 0xFF00) | (t & 0xFF) << 16 | 0xFF000000u; // blue first
    draw::TintPixels(data, tint);
    std::uint32_t out = px[2] | px[1] << 8 | px[0] << 16 | static_cast<std::uint32_t>(px[3]) << 24;
    if (px[3] == 0xFF) out &= 0x00FFFFFFu;
    return out;
}

// ---- Rebuilding ----

void MergeVclColor() {
    TableLock lock;
    TPointerHash& table = lock.table();

    gKeptItems = nullptr;
    gKeeping = true;
    table.Clear();
    gKeeping = false;
    TRccColorItem* kept = gKeptItems;
    gKeptItems = nullptr;

    int running = 0;
    for (TRccColorItem* item = kept; item;) {
        TRccColorItem* next = item->Next;
        item->Next = nullptr;
        if (IsDesignMode() && !Resolved(*item)) {
            char num[16];
            std::snprintf(num, sizeof num, "%d", running++);
            DebugOutput(u"MergeVclColor, non-color[" + Widen(num) + u"]: " + item->Ident);
        }
        MarkUnresolved(*item);
        table.Add(Key(item->Color), reinterpret_cast<PtrInt>(item));
        item = next;
    }
    EnterBuiltIns(table);
}

TRccColorItem* EnterSkinColor(std::u16string_view Ident, std::int32_t NameIndex, std::uint32_t BGR_org,
                              std::uint32_t BGR, bool CanTint) {
    TColor key = ColorNameKey(Ident);
    TableLock lock;
    TRccColorItem* item = Lookup(lock.table(), key);
    if (!item || item->NameIndex == kBuiltInColor) {
        item = new TRccColorItem;
        Replace(lock.table(), key, item);
    }
    item->Ident = std::u16string(Ident);
    item->NameIndex = NameIndex;
    item->BGR = BGR;
    item->BGR_org = BGR_org;
    item->Color = key;
    item->CanTint = CanTint;
    return item;
}

} // namespace vell
