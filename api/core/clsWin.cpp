// clsWin: the system's texts for the statuses of the registry store.
#include <KovrinAPI/clsWin.h>

#include <KovrinAPI/runtime/Procedure.h>

#include "platform/registry/Status.h"

namespace kovrin {

std::string clsWin::ApiErrorText(int32_t errNum) const {
    return passOn("clsWin.ApiErrorText", [&](Line& line) -> std::string {
        line(10);
        const std::string_view text = registry::status::text(errNum);
        line(20);
        if (text.empty()) return "Error (" + std::to_string(errNum) + ") is not defined.";
        line(30);
        return std::string(text) + "\r\n";  // the system's texts end with a line break
    });
}

}  // namespace kovrin
