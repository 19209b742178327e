// What the loader tests share: fresh work folders, starting programs with a changed
// environment, reading files back.
#pragma once
#include <windows.h>

#include <map>
#include <string>

namespace loadertest {

// VELL_PRODUCT_DIR / VELL_PROBE_DIR + "\" + name.
std::wstring ProductFile(const std::wstring& name);
std::wstring ProbeFile(const std::wstring& name);

// An empty folder of its own below the build tree, with a trailing backslash.
std::wstring FreshFolder(const std::wstring& name);
void RemoveTree(const std::wstring& path);
bool Exists(const std::wstring& path);

// A product folder: VellLoading.exe and the stand-ins asked for, copied into `folder`.
void MakeProductFolder(const std::wstring& folder, bool withVellhub, bool withSender);

struct Started {
    HANDLE process = nullptr;
    DWORD pid = 0;
};
// Starts `commandLine` with `environment` laid over this process's variables.
Started Start(const std::wstring& commandLine, const std::map<std::wstring, std::wstring>& environment = {},
              bool suspended = false, HANDLE* thread = nullptr);
// Waits for the end and closes the handle: the exit code, or ~0u on time-out.
DWORD Finish(Started& started, DWORD timeoutMs = 60000);
// Start and Finish.
DWORD RunProgram(const std::wstring& commandLine,
                 const std::map<std::wstring, std::wstring>& environment = {});

std::string ReadBytes(const std::wstring& path);
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

} // namespace loadertest
