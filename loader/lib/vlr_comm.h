// The product helper module: where the loader's log file lives.
#pragma once
#include <string>

namespace vell::loader {

// `dataFolder` + "Logs\" + the program's file name with the extension ".log".
std::wstring ProductLogFileName(const std::wstring& dataFolder, const std::wstring& programPath);

// Module start-up: points the log at the product's log folder.
void PlaceLogFile();

} // namespace vell::loader
