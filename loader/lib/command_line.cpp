#include "loader/lib/command_line.h"

#include "core/text/strings.h"
#include "core/text/utf.h"

namespace vell::loader {

namespace {

bool isSeparator(wchar_t c) {
    return c >= 1 && c <= 32;
}

} // namespace

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
    std::vector<std::wstring> tokens;
    // A NUL ends the command line as it would end the system's string.
    const std::wstring line = commandLine.substr(0, commandLine.find(L'\0'));
    size_t i = 0;
    const size_t n = line.size();
    for (;;) {
        for (;;) {
            while (i < n && isSeparator(line[i]))
                ++i;
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
                while (i < n && line[i] != L'"')
                    token += line[i++];
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
    return text::sameTextAscii(text::fromWide(text), text::fromWide(expected));
}

bool ContainsIgnoreCase(const std::wstring& text, const std::wstring& part) {
    return text::containsAsciiNoCase(text::fromWide(text), text::fromWide(part));
}

} // namespace vell::loader
