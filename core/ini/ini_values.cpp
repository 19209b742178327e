#include "core/ini/ini_values.h"

#include "core/text/strings.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace vell::ini {
namespace {

// The ASCII characters of `s`, or nothing when it holds any other character.
std::optional<std::string> asciiOf(std::u16string_view s) {
    std::string out(s.size(), '\0');
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] >= 0x80) return std::nullopt;
        out[i] = static_cast<char>(s[i]);
    }
    return out;
}

std::u16string widen(std::string_view s) {
    return std::u16string(s.begin(), s.end());
}

bool isHexPrefix(std::u16string_view s) {
    return s.size() >= 3 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X');
}

std::optional<uint64_t> parseHex(std::u16string_view digits, size_t maxDigits) {
    if (digits.empty() || digits.size() > maxDigits) return std::nullopt;
    uint64_t v = 0;
    for (char16_t c : digits) {
        int d;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        else
            return std::nullopt;
        v = (v << 4) | static_cast<uint64_t>(d);
    }
    return v;
}

std::optional<int64_t> parseDecimal(std::u16string_view s) {
    const auto a = asciiOf(s);
    if (!a || a->empty()) return std::nullopt;
    const char* b = a->data();
    const char* e = b + a->size();
    if (*b == '+') ++b;
    if (b != a->data() && b != e && *b == '-') return std::nullopt;
    if (b == e || *b == '+') return std::nullopt;
    int64_t v = 0;
    const auto r = std::from_chars(b, e, v);
    if (r.ec != std::errc() || r.ptr != e) return std::nullopt;
    return v;
}

constexpr int64_t kMsPerDay = 86400000;

// Days from 1899-12-30 to the given civil date (proleptic Gregorian).
int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25569; // 1970-01-01 is day 25569
}

void civilFromDays(int64_t days, int* y, int* m, int* d) {
    const int64_t z = days - 25569 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *y = static_cast<int>(yoe + era * 400 + (*m <= 2));
}

int daysInMonth(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

// Splits `s` at `sep` into at most `max` unsigned decimal fields of 1 to `width` digits.
bool fields(std::u16string_view s, char16_t sep, int min, int max, int width, int* out, int* count) {
    int n = 0;
    size_t pos = 0;
    for (;;) {
        if (n == max) return false;
        const size_t end = std::min(s.find(sep, pos), s.size());
        const auto f = s.substr(pos, end - pos);
        if (f.empty() || f.size() > static_cast<size_t>(width)) return false;
        int v = 0;
        for (char16_t c : f) {
            if (c < u'0' || c > u'9') return false;
            v = v * 10 + (c - u'0');
        }
        out[n++] = v;
        if (end == s.size()) break;
        pos = end + 1;
    }
    *count = n;
    return n >= min;
}

} // namespace

std::u16string FormatInt64(int64_t v) {
    return widen(std::to_string(v));
}

std::optional<int64_t> ParseInt64(std::u16string_view s) {
    if (isHexPrefix(s)) {
        const auto v = parseHex(s.substr(2), 16);
        if (!v) return std::nullopt;
        return static_cast<int64_t>(*v);
    }
    return parseDecimal(s);
}

std::optional<int32_t> ParseInt32(std::u16string_view s) {
    if (isHexPrefix(s)) {
        const auto v = parseHex(s.substr(2), 8);
        if (!v) return std::nullopt;
        return static_cast<int32_t>(static_cast<uint32_t>(*v));
    }
    const auto v = parseDecimal(s);
    if (!v || *v < std::numeric_limits<int32_t>::min() || *v > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(*v);
}

std::u16string FormatFloat(double v) {
    if (std::isnan(v)) return u"NAN";
    if (std::isinf(v)) return v > 0 ? u"INF" : u"-INF";
    if (v == 0) return u"0";
    // d.dddddddddddddde+XX: 15 significant digits. to_chars ignores the C locale, which
    // could otherwise put a decimal comma here.
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
    std::string s(buf, r.ptr);
    const size_t epos = s.find('e');
    const int exp10 = std::atoi(s.c_str() + epos + 1);
    std::string mant = s.substr(0, epos);
    const bool neg = mant[0] == '-';
    if (neg) mant.erase(0, 1);
    std::string digits = mant.substr(0, 1) + mant.substr(2);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string out = neg ? "-" : "";
    if (exp10 >= -5 && exp10 < 15) {
        if (exp10 < 0) {
            out += "0." + std::string(static_cast<size_t>(-exp10 - 1), '0') + digits;
        } else if (digits.size() <= static_cast<size_t>(exp10) + 1) {
            out += digits + std::string(static_cast<size_t>(exp10) + 1 - digits.size(), '0');
        } else {
            out += digits.substr(0, static_cast<size_t>(exp10) + 1) + "." +
                   digits.substr(static_cast<size_t>(exp10) + 1);
        }
    } else {
        out += digits.substr(0, 1);
        if (digits.size() > 1) out += "." + digits.substr(1);
        out += "E" + std::to_string(exp10);
    }
    return widen(out);
}

std::optional<double> ParseFloat(std::u16string_view s) {
    auto a = asciiOf(text::trim(s));
    if (!a || a->empty()) return std::nullopt;
    for (char& c : *a)
        if (c == ',') c = '.';
    if (*a == "NAN") return std::numeric_limits<double>::quiet_NaN();
    if (*a == "INF" || *a == "+INF") return std::numeric_limits<double>::infinity();
    if (*a == "-INF") return -std::numeric_limits<double>::infinity();
    const char* b = a->data();
    const char* e = b + a->size();
    if (*b == '+' && ++b != e && *b == '-') return std::nullopt;
    // from_chars would also take "inf", "nan" and hexadecimal forms; only plain decimals here.
    for (const char* p = b; p != e; ++p)
        if (!((*p >= '0' && *p <= '9') || *p == '.' || *p == 'e' || *p == 'E' || *p == '-' || *p == '+'))
            return std::nullopt;
    double v = 0;
    const auto r = std::from_chars(b, e, v);
    if (r.ec != std::errc() || r.ptr != e) return std::nullopt;
    return v;
}

bool EncodeDateTime(const DateTimeParts& p, TDateTime* out) {
    if (p.year < 1 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
        p.day > daysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 ||
        p.second < 0 || p.second > 59 || p.msec < 0 || p.msec > 999)
        return false;
    const double days = static_cast<double>(daysFromCivil(p.year, p.month, p.day));
    const double time =
        static_cast<double>(((p.hour * 60 + p.minute) * 60 + p.second) * 1000 + p.msec) / kMsPerDay;
    *out = days < 0 ? days - time : days + time;
    return true;
}

DateTimeParts DecodeDateTime(TDateTime v) {
    DateTimeParts p;
    if (!std::isfinite(v) || std::fabs(v) > 3e6) return p;
    double whole = std::trunc(v);
    int64_t ms = std::llround(std::fabs(v - whole) * kMsPerDay);
    if (ms >= kMsPerDay) { // rounding reached the next midnight
        ms -= kMsPerDay;
        whole += v < 0 ? -1 : 1;
    }
    civilFromDays(static_cast<int64_t>(whole), &p.year, &p.month, &p.day);
    p.hour = static_cast<int>(ms / 3600000);
    p.minute = static_cast<int>(ms / 60000 % 60);
    p.second = static_cast<int>(ms / 1000 % 60);
    p.msec = static_cast<int>(ms % 1000);
    return p;
}

std::u16string FormatDateTime(TDateTime v) {
    const DateTimeParts p = DecodeDateTime(v);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d:%03d", p.month, p.day, p.year, p.hour,
                  p.minute, p.second, p.msec);
    return widen(buf);
}

std::optional<TDateTime> ParseDateTime(std::u16string_view s) {
    s = text::trim(s);
    if (s.empty()) return std::nullopt;
    DateTimeParts p;
    std::u16string_view datePart, timePart;
    const size_t blank = s.find(u' ');
    if (blank != std::u16string_view::npos) {
        datePart = s.substr(0, blank);
        timePart = text::trim(s.substr(blank + 1));
    } else if (s.find(u'/') != std::u16string_view::npos) {
        datePart = s;
    } else {
        timePart = s;
    }
    int f[4], n = 0;
    if (!datePart.empty()) {
        if (!fields(datePart, u'/', 3, 3, 4, f, &n)) return std::nullopt;
        p.month = f[0], p.day = f[1], p.year = f[2];
        const size_t yearDigits = datePart.size() - datePart.rfind(u'/') - 1;
        if (yearDigits <= 2) p.year += p.year < 50 ? 2000 : 1900;
    }
    if (!timePart.empty()) {
        if (!fields(timePart, u':', 2, 4, 3, f, &n)) return std::nullopt;
        if (n < 4 && timePart.size() - timePart.rfind(u':') - 1 > 2) return std::nullopt;
        p.hour = f[0], p.minute = f[1];
        p.second = n > 2 ? f[2] : 0;
        p.msec = n > 3 ? f[3] : 0;
    }
    TDateTime out;
    if (!EncodeDateTime(p, &out)) return std::nullopt;
    return out;
}

} // namespace vell::ini
