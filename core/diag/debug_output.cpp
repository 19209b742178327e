#include "core/diag/debug_output.h"

#include <atomic>

namespace vell {

namespace {
std::atomic<DebugOutputSink> gSink{nullptr};
std::atomic<bool> gDesignMode{false};
std::atomic<bool> gSkinDebugTrace{false};
} // namespace

void SetDebugOutputSink(DebugOutputSink sink) {
    gSink.store(sink);
}

void DebugOutput(std::u16string_view text) {
    if (DebugOutputSink sink = gSink.load()) sink(text);
}

void SetDesignMode(bool on) {
    gDesignMode.store(on);
}
bool IsDesignMode() {
    return gDesignMode.load();
}

void SetSkinDebugTrace(bool on) {
    gSkinDebugTrace.store(on);
}
bool IsSkinDebugTrace() {
    return gSkinDebugTrace.load();
}

} // namespace vell
