// Data procedures of the Kovrin object itself: the business list, the licensed-dealer number of
// the current business, and the database's error table.
#pragma once

#include <string>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin::modKovrin {

Variant GetKovrinBusinessList(bool& blnDebug);
std::string GetOsekMorshe(bool& blnDebug);
void AddErrorToKovrin(const std::string& strErrMessage, bool& blnDebug);

}  // namespace kovrin::modKovrin
