// clsWin: the system's error texts.
#pragma once

#include <cstdint>
#include <string>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin {

class KOVRIN_API clsWin : public Object {
public:
    // The system's text for a status of the registry store, ending with "\r\n" as the system's
    // texts do ("The system cannot find the file specified.\r\n" for 2); for any other number
    // "Error (n) is not defined.".
    std::string ApiErrorText(int32_t errNum) const;
};

}  // namespace kovrin
