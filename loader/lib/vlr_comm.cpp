#include "loader/lib/vlr_comm.h"

#include "core/text/utf.h"
#include "platform/win/environment.h"
#include "services/log/log.h"

namespace vell::loader {

void PlaceLogFile() {
    PlaceLogInProductFolder(text::fromWide(env::GetProductDataFolder()));
}

} // namespace vell::loader
