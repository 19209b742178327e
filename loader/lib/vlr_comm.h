// The product helper module: the loader's log goes to the product's data folder.
#pragma once

namespace vell::loader {

// Module start-up: points the log at product data folder + "Logs\" + program name + ".log".
void PlaceLogFile();

} // namespace vell::loader
