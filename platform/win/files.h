// File-system helpers over Win32, with UTF-16 paths. None of them raises: failures come
// back as false and the Win32 error code.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace vell::win {

bool FileExists(const std::u16string& path);      // an existing file (not a folder)
bool DirectoryExists(const std::u16string& path); // an existing folder
// Creates the folder with all missing parents; true when it exists afterwards.
bool ForceDirectories(const std::u16string& path, DWORD* error = nullptr);

// Reads a whole file, opened for reading with every kind of sharing allowed. Files above
// `maxSize` bytes are refused with ERROR_FILE_TOO_LARGE.
bool ReadWholeFile(const std::u16string& path, std::string& out, DWORD* error = nullptr,
                   uint64_t maxSize = 256u << 20);

// Creates or overwrites the file with `bytes`.
bool WriteWholeFile(const std::u16string& path, const std::string& bytes, DWORD* error = nullptr);
// As WriteWholeFile, but the bytes go to a new file in the same folder first, which then
// replaces the old one: a failure half-way never leaves a truncated file behind. An
// existing file keeps its attributes and security descriptor (the platform's replace-file
// call). The new file is "<name>.~<pid>-<tid>.tmp" while it is written and ".new" in place
// of ".tmp" once it is whole; such files that an ended process left behind are removed on
// the next replacement of the same file.
bool ReplaceWholeFile(const std::u16string& path, const std::string& bytes, DWORD* error = nullptr);
// When the file is missing because a process ended while a replacement swapped the files,
// puts the newest whole new file of such an ended process in its place; true when it did.
bool RestoreInterruptedReplacement(const std::u16string& path);

// The full path of a loaded module (the program itself for null).
std::u16string ModuleFileName(HMODULE module = nullptr);

// Makes the core's text decoding use the system's ANSI code page for text without a
// byte-order mark. Linking this file does it at start-up already.
void UseSystemAnsiCodePage();

} // namespace vell::win
