// Sends the core's diagnostics to the debugger output.
#pragma once

namespace vell {

void InstallDebugOutputSink();

} // namespace vell
