// Reading several registry values of one key at one moment, for values another program writes
// together (the installation's "Path" and "File").
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin::core {

// Each value as clsRegistry.GetValue reads it (the same defaults, errors and source name), all
// read in one transaction of the store, so values written together are never seen half old and
// half new. A failure of the store names the first value in its description.
std::vector<Variant> GetValuesTogether(int32_t hive, const std::string& sKeyName,
                                       const std::vector<std::string>& valueNames,
                                       const std::optional<Variant>& varDefault);

}  // namespace kovrin::core
