// The library's own settings (text values under "SOFTWARE\Kovrin" in the local-machine hive), as
// the library's modules read them.
#pragma once

#include <string>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin::modUtils {

// The setting `item` as text (a number stored as such comes back in decimal); `defaultValue`,
// converted to text, when there is none. Errors pass on as "modUtils.GetKovrinRegSettings".
std::string GetKovrinRegSettings(const std::string& item, const Variant& defaultValue);

}  // namespace kovrin::modUtils
