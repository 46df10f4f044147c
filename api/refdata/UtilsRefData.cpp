// The reference-data methods of Utils: payment types, banks, exchange rates, the VAT rate on a
// date and the system parameters of the current business. They use the library's shared
// connection, so each holds the process-wide lock for its whole run.
#include <KovrinAPI/Utils.h>
#include <KovrinAPI/runtime/Procedure.h>
#include <KovrinAPI/runtime/Text.h>

#include <mutex>

#include "RefData.h"
#include "api/core/Connection.h"
#include "api/core/DebugLog.h"
#include "api/core/State.h"
#include "api/core/modUtils.h"
#include "api/core/Rows.h"

namespace kovrin {

namespace {

// The first field of the first row as text; the empty text when there is no row.
std::string firstFieldText(const std::string& sql, bool& debug) {
    modKovrin::OpenConnection(debug);
    db::Recordset rs = core::query(sql);
    std::string value = rs.Eof() ? std::string() : core::textOf(rs.Fields(0));
    rs.Close();
    modKovrin::CloseAll();
    return value;
}

}  // namespace

Variant Utils::GetPaymentTypes(bool DebugMode) {
    std::lock_guard guard(core::state().lock);
    return passOn("clsUtils.GetPaymentTypes", [&](Line& line) {
        line(10);
        if (DebugMode) modUtils::LogDebug("clsUtils.GetPaymentTypes", "");
        line(20);
        return modKovrin::GetPaymentTypes(DebugMode);
    });
}

Variant Utils::GetBanks(bool DebugMode) {
    std::lock_guard guard(core::state().lock);
    return passOn("clsUtils.GetBanks", [&](Line& line) {
        line(10);
        if (DebugMode) modUtils::LogDebug("clsUtils.GetBanks", "");
        line(20);
        return modKovrin::GetBanks(DebugMode);
    });
}

std::string Utils::GetExchangeRates(bool DebugMode) {
    std::lock_guard guard(core::state().lock);
    return passOn("clsUtils.GetExchangeRates", [&](Line& line) {
        line(10);
        if (DebugMode) modUtils::LogDebug("clsUtils.GetExchangeRates", "");
        line(20);
        modKovrin::OpenConnection(DebugMode);
        line(30);
        db::Recordset rs = core::query("SELECT * FROM Currencies");
        std::string rates;
        while (!rs.Eof()) {
            line(40);
            Variant rate = rs.Fields("curRate");
            rates += "|" + core::textOf(rs.Fields("vcCode")) + ";" + (rate.isNull() ? std::string() : CCur(rate).toString());
            line(50);
            rs.MoveNext();
        }
        line(60);
        rs.Close();
        modKovrin::CloseAll();
        return rates;
    });
}

Currency Utils::GetExchangeRate(const std::string& strCurrency, bool DebugMode) {
    std::lock_guard guard(core::state().lock);
    return passOn("clsUtils.GetExchangeRate", [&](Line& line) {
        line(10);
        if (DebugMode) modUtils::LogDebug("clsUtils.GetExchangeRate", "");
        line(20);
        modKovrin::OpenConnection(DebugMode);
        line(30);
        db::Recordset rs = core::query("SELECT * FROM Currencies WHERE vcCode=" + modUtils::SqlStr(strCurrency, 0));
        line(40);
        Currency rate;  // 0 when the currency is unknown or has no rate
        if (!rs.Eof()) {
            Variant v = rs.Fields("curRate");
            if (!v.isNull()) rate = CCur(v);
        }
        line(50);
        rs.Close();
        modKovrin::CloseAll();
        return rate;
    });
}

std::string Utils::GetVatRate(Date datDate, bool DebugMode) {
    std::lock_guard guard(core::state().lock);
    return passOn("clsUtils.GetVatRate", [&](Line& line) {
        line(10);
        if (DebugMode) {
            // Built in place: moving a temporary Variant in here makes GCC 12 warn falsely under ASan.
            const std::optional<Variant> value(std::in_place, datDate);
            modUtils::LogDebug("clsUtils.GetVatRate", "datDate", value);
        }
        line(20);
        // The rate of the latest period that starts on or before the date.
        return firstFieldText("SELECT TOP 1 fltVATRate FROM VATRates WHERE  " + modUtils::SqlDate(datDate) +
                                  " >= datStartDate ORDER BY datStartDate DESC",
                              DebugMode);
    });
}

std::string Utils::GetSystemParameter(const std::string& strParameterName, bool DebugMode) {
    std::lock_guard guard(core::state().lock);
    return passOn("clsUtils.GetSystemParameter", [&](Line& line) {
        line(10);
        if (DebugMode) modUtils::LogDebug("clsUtils.GetSystemParameter", "strParameterName", Variant(strParameterName));
        line(20);
        // The name's quotes are doubled, so a name with ' is looked up rather than breaking the SQL.
        return firstFieldText("SELECT vcParameterValue FROM sysSystemParameters WHERE iBusinessID=" +
                                  core::businessIdText() + " AND vcParameterName='" +
                                  text::replaceAll(strParameterName, "'", "''") + "'",
                              DebugMode);
    });
}

}  // namespace kovrin
