// The loader's modules in start-up order. Shut-down runs in reverse. A module that is not
// part of the build yet keeps its place with empty steps; giving it its steps is one line.
#include "loader/lib/module_list.h"

#include "loader/lib/dpi_awareness.h"
#include "loader/lib/vlr_comm.h"
#include "core/text/utf.h"
#include "platform/image/engine_startup.h"
#include "platform/win/environment.h"
#include "rdcontrol/library.h"
#include "rdcontrol/hint/skin_hint.h"
#include "rdcontrol/picture/picture_formats.h"
#include "rdcontrol/resource/resource.h"
#include "services/bugreport/send_bug_report.h"
#include "services/language/product_language.h"
#include "services/log/log.h"

#include <objbase.h>

namespace vell::loader {

namespace {

bool g_comStarted = false;

void startCom() {
    g_comStarted = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}
void stopCom() {
    if (g_comStarted) ::CoUninitialize();
    g_comStarted = false;
}

// The engine's registries and hooks, and the picture formats of the skinned library.
void startImageEngine() {
    image::StartImageEngine();
    rd::RegisterPictureFormats();
}

void stopImageEngine() {
    rd::UnregisterPictureFormats();
    image::StopImageEngine();
}

void startLanguage() {
    InitProductLanguage(text::fromWide(env::GetProductDataFolder()));
}

constexpr Module kModules[] = {
    {"log service", nullptr, FreeLogManager},
    {"INI service", nullptr, nullptr}, // its date and number formats are constants
    {"DPI awareness", dpi::Startup, nullptr},
    {"image engine", startImageEngine, stopImageEngine},
    {"resource packages", rd::StartResourceModule, rd::StopResourceModule},
    {"skin styles", rd::StartSkinnedLibrary, rd::StopSkinnedLibrary},
    {"hints", rd::RegisterSkinHints, rd::StopSkinHints},
    {"VLR_Comm", PlaceLogFile, nullptr},
    {"COM", startCom, stopCom},
    {"crash-report bridge", bugreport::RegisterBugReportHandler, bugreport::ClearBugReportSettings},
    {"VLR_LangUnit", startLanguage, FreeProductLanguage},
};

} // namespace

std::span<const Module> LoaderModules() {
    return kModules;
}

} // namespace vell::loader
