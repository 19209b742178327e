#include "core/skin/tint_patterns.h"

#include "core/containers/string_list.h"
#include "core/skin/match_spec.h"
#include "core/text/strings.h"

namespace vell::skin {

bool IsTintablePath(const TStringList* patterns, std::u16string_view path) {
    if (!patterns) return false;
    bool tintable = false;
    for (int i = 0; i < patterns->Count(); ++i) {
        const std::u16string& line = patterns->Strings(i);
        const std::size_t sep = line.find(patterns->NameValueSeparator);
        if (sep == std::u16string::npos) {
            if (MatchSpec(path, line)) tintable = true;
            continue;
        }
        if (!MatchSpec(path, std::u16string_view(line).substr(0, sep))) continue;
        const std::u16string_view value = std::u16string_view(line).substr(sep + 1);
        tintable = !text::sameTextAscii(value, u"false") && value != u"0";
    }
    return tintable;
}

} // namespace vell::skin
