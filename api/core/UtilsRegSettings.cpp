// Utils: the library's settings under "SOFTWARE\Kovrin" in the local-machine hive.
#include <KovrinAPI/Utils.h>

#include <KovrinAPI/clsRegistry.h>
#include <KovrinAPI/runtime/Procedure.h>

namespace kovrin {

void Utils::SaveKovrinRegSettings(const std::string& strItem, const Variant& Value) {
    passOn("clsUtils.SaveKovrinRegSettings", [&](Line& line) {
        line(10);
        clsRegistry reg;
        reg.SaveValue(reg.HKEY_LOCAL_MACHINE(), "SOFTWARE\\Kovrin", strItem, Value);
    });
}

std::string Utils::GetKovrinRegSettings(const std::string& strItem, const Variant& varDefault) {
    return passOn("clsUtils.GetKovrinRegSettings", [&](Line& line) {
        line(10);
        clsRegistry reg;
        return CStr(reg.GetValue(reg.HKEY_LOCAL_MACHINE(), "SOFTWARE\\Kovrin", strItem, varDefault));
    });
}

}  // namespace kovrin
