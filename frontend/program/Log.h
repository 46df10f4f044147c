// What the front-end did, one line per event: to stderr and to kovrin-frontend.log in the
// installation's folder (when it can be written), so a run started by the library without a console
// still leaves a trace next to the library's own debug log.
#pragma once

#include <filesystem>
#include <string_view>

namespace kovrin::frontend::app {

// From now on lines also go to the log file in `folder` (the installation's, Settings.h).
void logInto(const std::filesystem::path& folder);
void log(std::string_view message);

}  // namespace kovrin::frontend::app
