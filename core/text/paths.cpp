#include "core/text/paths.h"

namespace vell::text {
namespace {
bool isSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

size_t nameStart(std::u16string_view path) {
    size_t i = path.size();
    while (i > 0 && !isSeparator(path[i - 1]) && path[i - 1] != u':')
        --i;
    return i;
}
} // namespace

std::u16string ExtractFilePath(std::u16string_view path) {
    return std::u16string(path.substr(0, nameStart(path)));
}

std::u16string ExtractFileName(std::u16string_view path) {
    return std::u16string(path.substr(nameStart(path)));
}

std::u16string ChangeFileExt(std::u16string_view path, std::u16string_view ext) {
    const size_t start = nameStart(path);
    const size_t dot = path.rfind(u'.');
    const size_t end = (dot != std::u16string_view::npos && dot >= start) ? dot : path.size();
    std::u16string out(path.substr(0, end));
    out.append(ext);
    return out;
}

std::u16string ExcludeTrailingBackslash(std::u16string_view path) {
    if (!path.empty() && isSeparator(path.back())) path.remove_suffix(1);
    return std::u16string(path);
}

std::u16string IncludeTrailingBackslash(std::u16string_view path) {
    std::u16string out(path);
    if (!out.empty() && !isSeparator(out.back())) out.push_back(u'\\');
    return out;
}

} // namespace vell::text
