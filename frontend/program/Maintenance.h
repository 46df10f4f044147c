// The two maintenance macros: a backup copy of the database and the balance refresh.
#pragma once

#include <filesystem>
#include <string>

#include "Store.h"

namespace kovrin::frontend::app {

// Copies the database, consistently while others may be writing, to
// <database folder>/Backup/<file stem>-<yyyymmdd-hhmmss>.sqlite and answers the copy's path.
// The copy is made under a temporary name and renamed when complete.
std::filesystem::path backupDatabase(Store& store);

// The date (and time) up to which balances are taken, from the command line's "dd/mm/yyyy" or
// "dd/mm/yyyy hh:mm[:ss]". A date alone takes in the whole day.
struct BalanceDate {
    std::string until;      // documents dated before this 'YYYY-MM-DD HH:MM:SS' count
    std::string shortDate;  // dd/mm/yyyy, as the library compares it
};
BalanceDate parseBalanceDate(const std::string& text);

// Fills tblCustomerBalance (and tblCustomerBalanceIska, which counts the Iska invoices too) with
// every customer's balance up to the date, and sets each business's qryCustomerBalanceDate, in
// one transaction. Answers the number of customers.
int refreshBalances(Store& store, const BalanceDate& date);

}  // namespace kovrin::frontend::app
