// Customers of the current business as XML text.
#pragma once

#include <string>

#include "platform/db/Database.h"

namespace kovrin::modKovrin {

// Every customer (types 1 and 3) as "<Kovrin>" CR LF, one Customer element and CR LF per row,
// "</Kovrin>" CR LF.
std::string GetCustomersXML(bool& blnDebug);
// The customer with the foreign key in the same frame; 8255 when there is none.
std::string GetCustomerByForeignKeyXML(const std::string& strForeignKey, bool& blnDebug);
// The Customer element of the recordset's current row; "" at its end.
std::string PopulateCustomerXML(const db::Recordset& rs);

}  // namespace kovrin::modKovrin
