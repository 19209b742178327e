#include "loader/lib/command_line.h"

namespace vell::loader {

namespace {

bool isSeparator(wchar_t c) { return c >= 1 && c <= 32; }

wchar_t lowerAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c; }

} // namespace

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
    std::vector<std::wstring> tokens;
    // A NUL ends the command line as it would end the system's string.
    const std::wstring line = commandLine.substr(0, commandLine.find(L'\0'));
    size_t i = 0;
    const size_t n = line.size();
    for (;;) {
        for (;;) {
            while (i < n && isSeparator(line[i])) ++i;
            if (i + 1 < n && line[i] == L'"' && line[i + 1] == L'"')
                i += 2;
            else
                break;
        }
        if (i >= n) break;
        std::wstring token;
        while (i < n && !isSeparator(line[i])) {
            if (line[i] == L'"') {
                ++i;
                while (i < n && line[i] != L'"') token += line[i++];
                if (i < n) ++i;
            } else {
                token += line[i++];
            }
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

std::wstring Argument(const std::vector<std::wstring>& tokens, size_t index) {
    return index < tokens.size() ? tokens[index] : std::wstring();
}

bool EqualsIgnoreCase(const std::wstring& text, const std::wstring& expected) {
    if (text.size() != expected.size()) return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (lowerAscii(text[i]) != lowerAscii(expected[i])) return false;
    return true;
}

bool ContainsIgnoreCase(const std::wstring& text, const std::wstring& part) {
    if (part.empty()) return true;
    if (part.size() > text.size()) return false;
    for (size_t at = 0; at + part.size() <= text.size(); ++at) {
        size_t k = 0;
        while (k < part.size() && lowerAscii(text[at + k]) == lowerAscii(part[k])) ++k;
        if (k == part.size()) return true;
    }
    return false;
}

} // namespace vell::loader
