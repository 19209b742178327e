#include "core/skin/match_spec.h"

#include "core/text/strings.h"

namespace vell::skin {

namespace {

// Greedy matching with one backtrack point: linear in practice, at most
// |path| x |spec| steps, never exponential.
bool matchOne(std::u16string_view s, std::u16string_view p) {
    if (p == u"*.*") return true;
    std::size_t si = 0, pi = 0, starP = std::u16string_view::npos, starS = 0;
    while (si < s.size()) {
        if (pi < p.size() && (p[pi] == u'?' || text::upperChar(p[pi]) == text::upperChar(s[si]))) {
            ++si;
            ++pi;
        } else if (pi < p.size() && p[pi] == u'*') {
            starP = pi++;
            starS = si;
        } else if (starP != std::u16string_view::npos) {
            pi = starP + 1;
            si = ++starS;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == u'*')
        ++pi;
    return pi == p.size();
}

} // namespace

bool MatchSpec(std::u16string_view path, std::u16string_view pattern) {
    while (!pattern.empty()) {
        std::size_t semi = pattern.find(u';');
        std::u16string_view spec = pattern.substr(0, semi);
        while (!spec.empty() && spec.front() == u' ')
            spec.remove_prefix(1);
        if (!spec.empty() && matchOne(path, spec)) return true;
        if (semi == std::u16string_view::npos) break;
        pattern.remove_prefix(semi + 1);
    }
    return false;
}

} // namespace vell::skin
