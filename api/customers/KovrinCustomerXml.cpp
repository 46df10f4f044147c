// The customer XML operations of Kovrin.
#include <KovrinAPI/Kovrin.h>

#include "CustomerXml.h"
#include "api/core/Operation.h"

namespace kovrin {

using core::logAndPassOn;
using core::logEntry;

std::string Kovrin::GetCustomersXML() {
    return logAndPassOn(debugMode_, "Kovrin.GetCustomersXML", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetCustomersXML");
        line(50);
        return modKovrin::GetCustomersXML(debugMode_);
    });
}

std::string Kovrin::GetCustomerByForeignKeyXML(const std::string& strForeignKey) {
    return logAndPassOn(debugMode_, "Kovrin.GetCustomerByForeignKeyXML", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetCustomerByForeignKeyXML", "Foreign Key", Variant(strForeignKey));
        line(50);
        return modKovrin::GetCustomerByForeignKeyXML(strForeignKey, debugMode_);
    });
}

}  // namespace kovrin
