#include "CustomerStore.h"

#include <KovrinAPI/runtime/Procedure.h>
#include <KovrinAPI/runtime/Text.h>

#include "api/core/Connection.h"
#include "api/core/DebugLog.h"
#include "api/core/Rows.h"
#include "api/core/State.h"
#include "api/core/modUtils.h"

namespace kovrin::modKovrin {

using modUtils::SqlLong;
using modUtils::SqlStr;
using core::longOrZero;
using core::textOf;

namespace {

// The SET part the two updates share, up to and including the currency symbol.
std::string customerSetClause(const std::string& name, const std::string& osek, const std::string& address1,
                              const std::string& address2, const std::string& city, const std::string& postalCode,
                              const std::string& firstName, const std::string& lastName, const std::string& phone1,
                              const std::string& phone2, const std::string& fax, const std::string& email,
                              const std::string& account, const std::string& branch, int32_t bankId, int32_t listNum,
                              Currency charge, const std::string& symbol) {
    return std::string("UPDATE Customers SET ") + "  vcBusinessName =" + SqlStr(name, 0) +
           ", vcעוסקמורשה=" + SqlStr(osek, 0) + ", vcAddress1=" + SqlStr(address1, 0) +
           ", vcAddress2=" + SqlStr(address2, 0) + ", vcCity=" + SqlStr(city, 0) +
           ", vcPostalCode=" + SqlStr(postalCode, 0) + ", vcContactFirstName=" + SqlStr(firstName, 0) +
           ", vcContactLastName= " + SqlStr(lastName, 0) + ", vcPhone1=" + SqlStr(phone1, 0) +
           ", vcPhone2=" + SqlStr(phone2, 0) + ", vcFax1=" + SqlStr(fax, 0) + ", iCustomersTypesID=1" +
           ", vcEMail=" + SqlStr(email, 0) + ", vcAccountNumber=" + SqlStr(account, 0) +
           " ,vcBranch=" + SqlStr(branch, 0) + " ,iBanksID=" + SqlLong(bankId) + ", iListNum=" + SqlLong(listNum) +
           ", curCharge=" + charge.toString() + ", vcCurrencySymbol=" + SqlStr(symbol, 0);
}

}  // namespace

int32_t CreateCustomer(const NewCustomer& c, bool& blnDebug) {
    return passOn("modKovrin.CreateCustomer", [&](Line& line) {
        line(10);
        if (blnDebug) modUtils::LogDebug("modKovrin.CreateCustomer", "");
        line(20);
        OpenConnection(blnDebug);
        // The next number, the insert and the new key are one write transaction, so two programs
        // creating customers at once can neither share a number nor read each other's key.
        core::WriteTransaction transaction;
        line(30);
        int32_t number = c.customerNumber;
        if (number == 0) {
            db::Recordset rs = core::query("SELECT Max(iCustomerNumber) FROM Customers WHERE iBusinessID = " + core::businessIdText());
            int32_t highest = longOrZero(rs.Fields(0));
            rs.Close();
            if (highest == INT32_MAX) raiseError(err::Overflow);
            number = highest + 1;
        }
        line(40);
        std::string symbol = modUtils::CurrencyNameToSymbol(Variant(c.currencyName));
        line(50);
        std::string sql =
            "INSERT INTO Customers (iCustomerNumber, vcBusinessName, vcעוסקמורשה,   vcAddress1, vcAddress2, vcCity, "
            "vcPostalCode,  vcContactFirstName, vcContactLastName,  vcPhone1, vcPhone2, vcFax1, iCustomersTypesID, "
            "vcEMail, vcCreditCard, iExpMonth, iExpYear, vcComments, curOpenBalance,  vcAccountNumber,vcBranch,iBanksID, "
            "iListNum, curCharge, vcCurrencySymbol,iPaymentTermsID, iPaymentDays,  vcForeignKey, vcExtra1, vcExtra2, "
            "iBusinessID)  VALUES(" +
            std::to_string(number) + "," + SqlStr(c.businessName, 50) + "," + SqlStr(c.osekMorshe, 9) + ", " +
            SqlStr(c.address1, 255) + "," + SqlStr(c.address2, 255) + "," + SqlStr(c.city, 25) + "," +
            SqlStr(c.postalCode, 25) + ", " + SqlStr(c.contactFirstName, 25) + "," + SqlStr(c.contactLastName, 25) +
            ", " + SqlStr(c.phone1, 0) + ", " + SqlStr(c.phone2, 0) + ", " + SqlStr(c.fax, 0) + ", 1, " +
            SqlStr(c.email, 50) + "," + SqlStr("", 0) + "," + "0" + ", " + "0" + ", " + SqlStr(c.comments, 255) + "," +
            c.openBalance.toString() + "," + SqlStr(c.bankAccountNumber, 0) + "," + SqlStr(c.bankBranch, 0) + "," +
            SqlLong(c.bankId) + "," + std::to_string(c.listNum) + "," + c.charge.toString() + "," +
            SqlStr(symbol, 5) + "," + std::to_string(c.paymentTermsId) + "," + std::to_string(c.paymentDays) + "," +
            SqlStr(c.foreignKey, 50) + "," + SqlStr(c.extra1, 255) + "," + SqlStr(c.extra2, 0) + "," + core::businessIdText() + ")";
        core::execute(sql);
        line(60);
        db::Recordset rs = core::query("SELECT @@IDENTITY");
        int32_t id = CLng(rs.Fields(0));
        rs.Close();
        line(70);
        transaction.commit();
        CloseAll();
        return id;
    });
}

Variant UpdateCustomerByForeignKey(const ForeignKeyUpdate& u, bool& blnDebug) {
    return passOn("modKovrin.UpdateCustomerByForeignKey", [&](Line& line) {
        line(10);
        if (blnDebug) modUtils::LogDebug("modKovrin.UpdateCustomerByForeignKey", "strForeignKey", Variant(u.foreignKey));
        line(20);
        OpenConnection(blnDebug);
        line(30);
        std::string name = text::left(u.businessName, 50);
        std::string symbol = modUtils::CurrencyNameToSymbol(Variant(u.currencyName));
        std::string key = text::trim(u.foreignKey);
        line(40);
        core::execute(customerSetClause(name, u.osekMorshe, u.address1, u.address2, u.city, u.postalCode,
                                        u.contactFirstName, u.contactLastName, u.phone1, u.phone2, u.fax, u.email,
                                        u.bankAccountNumber, u.bankBranch, u.bankId, u.listNum, u.charge, symbol) +
                      " WHERE vcForeignKey=" + SqlStr(key, 0) + " AND iBusinessID=" + core::businessIdText());
        line(50);
        CloseAll();
        return Variant();
    });
}

void UpdateCustomer(const Customer& c, bool& blnDebug) {
    passOn("modKovrin.UpdateCustomer", [&](Line& line) {
        line(10);
        if (blnDebug) modUtils::LogDebug("modKovrin.UpdateCustomer", "CustomersID", Variant(c.CustomersID()));
        line(20);
        OpenConnection(blnDebug);
        line(30);
        std::string symbol = modUtils::CurrencyNameToSymbol(Variant(c.ChargeCurrency()));
        line(40);
        core::execute(customerSetClause(text::left(c.BusinessName(), 50), c.OsekMorshe(),
                                        text::left(text::trim(c.Address1()), 255), text::left(text::trim(c.Address2()), 255),
                                        c.City(), c.PostalCode(), text::left(text::trim(c.ContactFirstName()), 25),
                                        text::left(text::trim(c.ContactLastName()), 25), c.Phone1(), c.Phone2(), c.Fax(),
                                        text::left(text::trim(c.EMail()), 50), c.BankAccountNumber(),
                                        c.BankBranchNumber(), c.BankID(), c.PriceListNum(), c.Charge(), symbol) +
                      ", vcForeignKey=" + SqlStr(text::left(text::trim(c.ForeignKey()), 50), 0) +
                      " WHERE iCustomersID=" + std::to_string(c.CustomersID()) + " AND iBusinessID=" + core::businessIdText());
        line(50);
        CloseAll();
    });
}

Variant GetCustomers(bool& blnDebug) {
    return core::recordList<Customer>("modKovrin.GetCustomers",
                                      "SELECT * FROM Customers WHERE iCustomersTypesID IN (1,3) AND iBusinessID=" + core::businessIdText(),
                                      blnDebug, [&](Customer& c, const db::Recordset& rs) { PopulateCustomer(c, rs, blnDebug); });
}

Variant GetSuppliers(bool& blnDebug) {
    return core::recordList<Customer>("modKovrin.GetSuppliers",
                                      "SELECT * FROM Customers WHERE iCustomersTypesID IN (2,4) AND iBusinessID=" + core::businessIdText(),
                                      blnDebug, [&](Customer& c, const db::Recordset& rs) { PopulateCustomer(c, rs, blnDebug); });
}

std::shared_ptr<Customer> GetCustomerByID(int32_t lngCustomerID, bool& blnDebug) {
    return passOn("modKovrin.GetCustomerByID", [&](Line& line) {
        line(10);
        if (blnDebug) modUtils::LogDebug("modKovrin.GetCustomerByID", "iCustomersID", Variant(lngCustomerID));
        line(20);
        auto customer = std::make_shared<Customer>();
        OpenConnection(blnDebug);
        line(30);
        db::Recordset rs = core::query("SELECT * FROM Customers WHERE iCustomersID=" + std::to_string(lngCustomerID) +
                                        " AND iBusinessID=" + core::businessIdText());
        line(40);
        PopulateCustomer(*customer, rs, blnDebug);
        line(50);
        rs.Close();
        return customer;
    });
}

std::shared_ptr<Customer> GetCustomerByForeignKey(const std::string& strForeignKey, bool& blnDebug) {
    return passOn("modKovrin.GetCustomerByForeignKey", [&](Line& line) {
        line(10);
        if (blnDebug) modUtils::LogDebug("modKovrin.GetCustomerByForeignKey", "strCustomersForeignKey", Variant(strForeignKey));
        line(20);
        auto customer = std::make_shared<Customer>();
        OpenConnection(blnDebug);
        line(30);
        db::Recordset rs = core::query("SELECT * FROM Customers WHERE vcForeignKey=" + SqlStr(text::trim(strForeignKey), 0) +
                                        " AND iBusinessID=" + core::businessIdText());
        line(40);
        if (rs.Eof())
            raiseError(8255, "Customer not found. Foreign Key: " + strForeignKey + ", BusinessID: " + core::businessIdText());
        line(50);
        PopulateCustomer(*customer, rs, blnDebug);
        line(60);
        rs.Close();
        CloseAll();
        return customer;
    });
}

void PopulateCustomer(Customer& c, const db::Recordset& rs, bool& blnDebug) {
    passOn("modKovrin.PopulateCustomer", [&](Line& line) {
        line(10);
        if (blnDebug) modUtils::LogDebug("modKovrin.PopulateCustomer", "");
        line(20);
        if (rs.Eof()) return;
        // Null text reads as the empty text, a Null number as 0.
        auto text = [&](const char* column) { return textOf(rs.Fields(column)); };
        line(30);
        c.CustomersID(longOrZero(rs.Fields("iCustomersID")));
        c.CustomersNumber(longOrZero(rs.Fields("iCustomerNumber")));
        c.BusinessName(text("vcBusinessName"));
        c.OsekMorshe(text("vcעוסקמורשה"));
        c.Address1(text("vcAddress1"));
        c.Address2(text("vcAddress2"));
        c.City(text("vcCity"));
        c.PostalCode(text("vcPostalCode"));
        c.ContactFirstName(text("vcContactFirstName"));
        c.ContactLastName(text("vcContactLastName"));
        c.Phone1(text("vcPhone1"));
        c.Phone2(text("vcPhone2"));
        c.Fax(text("vcFax1"));
        c.EMail(text("vcEMail"));
        c.ForeignKey(text("vcForeignKey"));
        line(40);
        c.BankID(longOrZero(rs.Fields("iBanksID")));
        c.BankAccountNumber(text("vcAccountNumber"));
        c.BankBranchNumber(text("vcBranch"));
        line(50);
        if (Variant list = rs.Fields("iListNum"); !list.isNull()) c.PriceListNum(CLng(list));
        line(60);
        Variant charge = rs.Fields("curCharge");
        c.Charge(charge.isNull() ? Currency() : CCur(charge));
        line(70);
        c.ChargeCurrency(modUtils::CurrencySymbolToName(Variant(text("vcCurrencySymbol"))));
        c.Extra1(text("vcExtra1"));
        c.Extra2(text("vcExtra2"));
    });
}

}  // namespace kovrin::modKovrin
