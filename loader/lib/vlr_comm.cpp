#include "loader/lib/vlr_comm.h"

#include "platform/win/environment.h"

namespace vell::loader {

std::wstring ProductLogFileName(const std::wstring& dataFolder, const std::wstring& programPath) {
    std::wstring name = programPath.substr(programPath.find_last_of(L"\\/") + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return dataFolder + L"Logs\\" + name + L".log";
}

void PlaceLogFile() {
    const std::wstring path = ProductLogFileName(env::GetProductDataFolder(), env::ProgramPath());
    (void)path; // handed to the log service once it is part of the build
}

} // namespace vell::loader
