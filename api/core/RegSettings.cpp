#include "RegSettings.h"

#include <KovrinAPI/clsRegistry.h>
#include <KovrinAPI/runtime/Procedure.h>

namespace kovrin::modUtils {

std::string GetKovrinRegSettings(const std::string& item, const Variant& defaultValue) {
    return passOn("modUtils.GetKovrinRegSettings", [&](Line& line) {
        line(10);
        clsRegistry reg;
        return CStr(reg.GetValue(reg.HKEY_LOCAL_MACHINE(), "SOFTWARE\\Kovrin", item, defaultValue));
    });
}

}  // namespace kovrin::modUtils
