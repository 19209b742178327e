// The text forms of typed INI values. They never depend on the user's locale: numbers use
// "." and no grouping, dates are "mm/dd/yyyy hh:nn:ss:zzz". Parsers return nothing for
// text that is not a complete value of their kind.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vell {

// Days since 1899-12-30; the fraction is the time of day. Before that day the fraction
// still counts forward from midnight (-1.25 is 1899-12-29 06:00).
using TDateTime = double;

struct DateTimeParts {
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0, msec = 0;
};

namespace ini {

std::u16string FormatInt64(int64_t v);
// Decimal with an optional sign, or "0x"/"0X" and 1 to 16 hexadecimal digits (taken as the
// bits of the value). Out-of-range decimals fail.
std::optional<int64_t> ParseInt64(std::u16string_view s);
// As ParseInt64 within 32 bits; hexadecimal up to 8 digits.
std::optional<int32_t> ParseInt32(std::u16string_view s);

// General format with up to 15 significant digits: fixed notation for decimal exponents
// from -5 to 14, else d.dddEn (1E20, 1.5E-7); "NAN", "INF", "-INF".
std::u16string FormatFloat(double v);
// Every "," counts as "."; surrounding blanks are ignored.
std::optional<double> ParseFloat(std::u16string_view s);

// Returns false for a date or time outside the calendar (year 1 to 9999).
bool EncodeDateTime(const DateTimeParts& p, TDateTime* out);
// Rounds to the millisecond.
DateTimeParts DecodeDateTime(TDateTime v);
// "mm/dd/yyyy hh:nn:ss:zzz".
std::u16string FormatDateTime(TDateTime v);
// Month/day/year with "/", optionally followed by a blank and hh:nn[:ss[:zzz]]; or a time
// alone (on day 0). A year of one or two digits is 2000-2049 or 1950-1999.
std::optional<TDateTime> ParseDateTime(std::u16string_view s);

} // namespace ini
} // namespace vell
