#include "loader/lib/entry_point.h"

#include "core/image/errors.h"
#include "loader/lib/command_line.h"
#include "loader/lib/full_screen.h"
#include "loader/lib/loading_box.h"
#include "loader/lib/single_instance.h"
#include "platform/win/environment.h"
#include "services/bugreport/send_bug_report.h"

namespace vell::loader {

Request RequestOf(const std::wstring& argument1) {
    if (EqualsIgnoreCase(argument1, L"/testbugreport")) return Request::TestFailure;
    if (ContainsIgnoreCase(argument1, L"VLR")) return Request::LoadingBox;
    return Request::Nothing;
}

void RunEntryPoint(const std::vector<std::wstring>& tokens) {
    const std::wstring version = env::GetMainAppVersion();
    bugreport::ConfigureBugReport(version, false, kProductName, L"", L"", L"");
    CheckSingleInstance();
    const Request request = RequestOf(Argument(tokens, 1));
    if (request == Request::TestFailure) throw Exception("testbugreport");
    if (request == Request::LoadingBox && !IsForegroundFullScreen()) RunLoadingBox(Argument(tokens, 2));
}

} // namespace vell::loader
