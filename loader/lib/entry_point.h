// The loader's entry point after module start-up: the main application's version, the
// crash-report bridge, the single instance, the test failure, and the loading box.
#pragma once
#include <string>
#include <vector>

namespace vell::loader {

inline constexpr const wchar_t* kProductName = L"Vellora";

// What argument 1 asks for.
enum class Request { TestFailure, LoadingBox, Nothing };
Request RequestOf(const std::wstring& argument1);

// Steps 2 to 6 for the command-line tokens (program path first). Returns when the program
// is to end normally; the test failure and any other unhandled failure leave through the
// crash-reporting engine, and a second instance ends the process at once.
void RunEntryPoint(const std::vector<std::wstring>& tokens);

} // namespace vell::loader
