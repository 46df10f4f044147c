// Time bills: one row of TimeBills per appointment of the current business.
#include <cmath>

#include <KovrinAPI/Customer.h>
#include <KovrinAPI/runtime/Procedure.h>

#include "RefData.h"
#include "api/core/Connection.h"
#include "api/core/DebugLog.h"
#include "api/core/State.h"
#include "api/core/modUtils.h"
#include "api/customers/CustomerStore.h"

namespace kovrin::modKovrin {

using modUtils::SqlDate;
using modUtils::SqlStr;

namespace {

// Minutes from 30 December 1899 to the start of the moment's minute.
long long minuteOf(Date d) {
    CalendarTime t = d.toCalendar();  // seconds rounded, so 09:19:59.9999 is 09:20:00
    auto day = std::llround(Date::fromCalendar(t.year, t.month, t.day).serial());
    return day * 1440 + t.hour * 60 + t.minute;
}

// The minute boundaries crossed from start to end, divided by 60 (90 minutes give 1.5).
double hoursBetween(Date datStart, Date datEnd) {
    return static_cast<double>(minuteOf(datEnd) - minuteOf(datStart)) / 60.0;
}

}  // namespace

int32_t CreateTimeBill(int32_t iCustomersID, Date datStart, Date datEnd, const std::string& strDescription,
                       const std::string& strAppointmentID, const std::string& iInvoiceNumber,
                       const std::optional<Currency>& curRate, const std::optional<std::string>& strCurrency,
                       bool& blnDebug) {
    return passOn("modKovrin.CreateTimeBill", [&](Line& line) {
        const std::string business = core::businessIdText();
        line(10);
        if (blnDebug) modUtils::LogDebug("modKovrin.CreateTimeBill", "");
        line(20);
        Currency rate = curRate.value_or(Currency());
        std::string currency = strCurrency.value_or(std::string());
        if (!curRate || !strCurrency) {
            // Leaves the connection open; a customer that does not exist gives 0 and "NIS".
            auto customer = GetCustomerByID(iCustomersID, blnDebug);
            if (!curRate) rate = customer->Charge();
            if (!strCurrency) currency = customer->ChargeCurrency();
        }
        line(30);
        OpenConnection(blnDebug);
        line(40);
        // Checked before anything is written, so an unknown currency leaves the earlier bill alone.
        const std::string symbol = modUtils::CurrencyNameToSymbol(Variant(currency));
        const double hours = hoursBetween(datStart, datEnd);
        // The replacement and the read of the new key are one write transaction: the earlier bill
        // goes only if the new one is stored, and no other writer can slip a row in between.
        core::WriteTransaction transaction;
        line(50);
        if (!strAppointmentID.empty())
            core::execute("DELETE FROM TimeBills WHERE nvcAppointmentID=" + SqlStr(strAppointmentID, 0) +
                          " AND iBusinessID=" + business);
        line(60);
        core::execute(
            "INSERT INTO TimeBills (iCustomersID, datStart,   datEnd, fltHours, curRate, vcCurrencySymbol, "
            "nvcDescription, nvcAppointmentID, iInvoiceTypeLink, iInvoiceNumber, iBusinessID)  VALUES(" +
            std::to_string(iCustomersID) + "," + SqlDate(datStart) + ", " + SqlDate(datEnd) + "," + toText(hours) +
            "," + rate.toString() + ", " + SqlStr(symbol, 0) + "," + SqlStr(strDescription, 0) + "," +
            SqlStr(strAppointmentID, 0) + ", " + "1" + ", " + SqlStr(iInvoiceNumber, 0) + "," + business + ")");
        line(70);
        db::Recordset rs = core::query("SELECT @@IDENTITY");
        const int32_t id = CLng(rs.Fields(0));
        rs.Close();
        line(80);
        transaction.commit();
        CloseAll();
        return id;
    });
}

}  // namespace kovrin::modKovrin
