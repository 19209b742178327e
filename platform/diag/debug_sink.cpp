#include "platform/diag/debug_sink.h"

#include "core/diag/debug_output.h"

#include <windows.h>

#include <string>

namespace vell {

namespace {
void ToDebugger(std::u16string_view text) {
    std::wstring line(text.begin(), text.end()); // wchar_t is UTF-16 here
    ::OutputDebugStringW(line.c_str());
}
} // namespace

void InstallDebugOutputSink() {
    SetDebugOutputSink(ToDebugger);
}

} // namespace vell
