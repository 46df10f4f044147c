// Every form of SQL text the library builds, run against a real database file: what is stored,
// what is read back, and the Variant type of each value.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DbTest.h"

using namespace kovrin;
using namespace kovrin::test;

namespace {

// The tables the statements below touch, declared with the Jet column types.
const char* const Schema[] = {
    "CREATE TABLE BusinessDetails (iBusinessID INTEGER PRIMARY KEY, vcBusinessName TEXT(50), [vcמספרעוסקמורשה] TEXT(9))",
    "CREATE TABLE Customers (iCustomersID INTEGER PRIMARY KEY AUTOINCREMENT, iCustomerNumber LONG, "
    "vcBusinessName TEXT(50), vcעוסקמורשה TEXT(9), vcAddress1 TEXT(255), vcAddress2 TEXT(255), vcCity TEXT(25), "
    "vcPostalCode TEXT(25), vcContactFirstName TEXT(25), vcContactLastName TEXT(25), vcPhone1 TEXT, vcPhone2 TEXT, "
    "vcFax1 TEXT, iCustomersTypesID LONG, vcEMail TEXT(50), vcCreditCard TEXT, iExpMonth SMALLINT, iExpYear SMALLINT, "
    "vcComments TEXT(255), curOpenBalance CURRENCY, vcAccountNumber TEXT, vcBranch TEXT, iBanksID LONG, iListNum LONG, "
    "curCharge CURRENCY, vcCurrencySymbol TEXT(5), iPaymentTermsID LONG, iPaymentDays LONG, vcForeignKey TEXT(50), "
    "vcExtra1 TEXT(255), vcExtra2 MEMO, iBusinessID LONG NOT NULL)",
    "CREATE TABLE Errors (iErrorsID COUNTER PRIMARY KEY, vcErrorDescription TEXT(255), iBusinessID LONG)",
    "CREATE TABLE VATRates (datStartDate DATETIME, fltVATRate DOUBLE)",
    "CREATE TABLE UsysInvoices (iInvoicesID INTEGER PRIMARY KEY AUTOINCREMENT, iBusinessID LONG, iInvoiceNumber LONG, "
    "datxdate DATETIME, iCustomersID LONG, vcBusinessName TEXT(50), vcAddress1 TEXT(255), vcAddress2 TEXT(255), "
    "vcCity TEXT, vcPostalCode TEXT, vcContactDetails TEXT(50), vcPhone1 TEXT, vcPhone2 TEXT, vcFax1 TEXT, "
    "vcComments TEXT(255), vcDetails TEXT(255), curTotal1 CURRENCY, fltRebatePrcnt DOUBLE, curRebateAmount CURRENCY, "
    "blnRebateRound BIT, curRebateRoundAmount CURRENCY, curTotalBeforeVat CURRENCY, curTotalNoVat CURRENCY, "
    "curVat CURRENCY, curGrandTotal CURRENCY, blnChargeVat BIT, iTrxCodesID LONG, iInvoiceType LONG, "
    "datDueDate DATETIME, vcCustomerOsekMorshe TEXT(9), iStatusID SMALLINT, UNIQUE (iBusinessID, iInvoiceNumber))",
    "CREATE TABLE InvoiceLines (iInvoiceLinesID INTEGER PRIMARY KEY AUTOINCREMENT, iBusinessID LONG, iInvoicesID LONG "
    "REFERENCES UsysInvoices (iInvoicesID), iItemsID LONG, vcItemDescription TEXT(255), blnChargeVAT BIT, "
    "iItemQty DOUBLE, curUnitPrice CURRENCY, curExtendedPrice CURRENCY, vcCurrencySymbol TEXT(5), curRate DOUBLE, "
    "curLineVat CURRENCY)",
    "CREATE VIEW apiGetNextNumberInvoiceHiyuv AS SELECT iBusinessID, Max(iInvoiceNumber) + 1 AS iInvoiceNum "
    "FROM UsysInvoices GROUP BY iBusinessID",
    "CREATE TABLE UsysReceipts (iReceiptsID INTEGER PRIMARY KEY AUTOINCREMENT, iBusinessID LONG, iReceiptNumber LONG, "
    "datxDate DATETIME, iInvoiceNumber TEXT(255), curTotal CURRENCY, curTax CURRENCY, curNetPmt CURRENCY)",
    "CREATE TABLE ReceiptLines (iReceiptLinesID INTEGER PRIMARY KEY AUTOINCREMENT, iBusinessID LONG, iReceiptsID LONG, "
    "iPaymentTypesID LONG, vcAccountNumber TEXT, vcDetails3 TEXT, vcDetails2 TEXT, vcDetails1 TEXT, vcDetails4 TEXT, "
    "curAmount CURRENCY)",
    "CREATE TABLE TimeBills (iTimeBillsID INTEGER PRIMARY KEY AUTOINCREMENT, iCustomersID LONG, datStart DATETIME, "
    "datEnd DATETIME, fltHours DOUBLE, curRate CURRENCY, vcCurrencySymbol TEXT(5), nvcDescription MEMO, "
    "nvcAppointmentID TEXT(255), iInvoiceTypeLink LONG, iInvoiceNumber LONG, iBusinessID LONG)",
    "CREATE TABLE Currencies (vcCode TEXT(3) PRIMARY KEY, curRate CURRENCY)",
    "CREATE TABLE sysSystemParameters (iBusinessID LONG, vcParameterName TEXT(50), vcParameterValue TEXT(255))",
    "CREATE TABLE tblCustomerBalance (iBusinessID LONG, vcBusinessName TEXT(50), curBalance CURRENCY)",
};

// A statement (expected empty) or a query with the rows it must give, values and types exact.
struct Step {
    std::string sql;
    Rows expected;
    bool isQuery = true;
};
Step run(std::string sql) { return {std::move(sql), {}, false}; }
Step expect(std::string sql, Rows rows) { return {std::move(sql), std::move(rows), true}; }

void play(TestDb& db, const std::vector<Step>& steps) {
    for (const Step& s : steps) {
        SCOPED_TRACE(s.sql);
        if (!s.isQuery) {
            ASSERT_NO_THROW(db.exec(s.sql));
            continue;
        }
        Rows got;
        ASSERT_NO_THROW(got = db.rows(s.sql));
        EXPECT_EQ(got, s.expected);
    }
}

class SqlForms : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* ddl : Schema) db.exec(ddl);
    }
    TestDb db;
};

}  // namespace

TEST_F(SqlForms, BusinessListAndLicensedDealerNumberWithHebrewColumn) {
    play(db, {
        run("INSERT INTO BusinessDetails (iBusinessID, vcBusinessName, [vcמספרעוסקמורשה]) VALUES (0, 'template', NULL)"),
        run("INSERT INTO BusinessDetails (iBusinessID, vcBusinessName, vcמספרעוסקמורשה) VALUES (1, 'קוברין בע\"מ', '512345678')"),
        run("INSERT INTO BusinessDetails (iBusinessID, vcBusinessName, [vcמספרעוסקמורשה]) VALUES (2, 'Second', '000')"),
        expect("SELECT iBusinessID, vcBusinessName, [vcמספרעוסקמורשה] FROM BusinessDetails WHERE iBusinessID > 0",
               {{L(1), Variant("קוברין בע\"מ"), Variant("512345678")}, {L(2), Variant("Second"), Variant("000")}}),
        expect("SELECT vcמספרעוסקמורשה FROM BusinessDetails  WHERE iBusinessID=1", {{Variant("512345678")}}),
        expect("SELECT vcמספרעוסקמורשה FROM BusinessDetails  WHERE iBusinessID=7", {}),
    });
}

TEST_F(SqlForms, CustomerInsertUpdateAndListing) {
    const std::string insert =
        "INSERT INTO Customers (iCustomerNumber, vcBusinessName, vcעוסקמורשה,   vcAddress1, vcAddress2, vcCity, "
        "vcPostalCode,  vcContactFirstName, vcContactLastName,  vcPhone1, vcPhone2, vcFax1, iCustomersTypesID, vcEMail, "
        "vcCreditCard, iExpMonth, iExpYear, vcComments, curOpenBalance,  vcAccountNumber,vcBranch,iBanksID, iListNum, "
        "curCharge, vcCurrencySymbol,iPaymentTermsID, iPaymentDays,  vcForeignKey, vcExtra1, vcExtra2, iBusinessID)  "
        "VALUES(";
    play(db, {
        expect("SELECT Max(iCustomerNumber) FROM Customers WHERE iBusinessID = 1", {{Null()}}),
        run(insert + "1,'O''Brien & Sons','123456789', 'רחוב הרצל 1',NULL,'תל אביב',NULL, 'Dana',NULL, NULL, NULL, NULL, "
                     "1, 'dana@example.com',NULL,0, 0, '# [x] \"y\" -- True',-12.5,NULL,NULL,NULL,0,100.2567,'₪',1,30,"
                     "'FK-1',NULL,NULL,1)"),
        run(insert + "2,'Supplier',NULL, NULL,NULL,NULL,NULL, NULL,NULL, NULL, NULL, NULL, 1, NULL,NULL,0, 0, NULL,0,"
                     "NULL,NULL,NULL,0,0,'$',1,0,NULL,NULL,NULL,1)"),
        run("UPDATE Customers SET iCustomersTypesID=2 WHERE iCustomerNumber=2"),
        expect("SELECT Max(iCustomerNumber) FROM Customers WHERE iBusinessID = 1", {{L(2)}}),
        expect("SELECT @@IDENTITY", {{L(2)}}),
        expect("SELECT vcBusinessName, vcעוסקמורשה, vcAddress1, vcAddress2, vcCity, iExpMonth, vcComments, curOpenBalance, "
               "iListNum, curCharge, vcCurrencySymbol FROM Customers WHERE iCustomersTypesID IN (1,3) AND iBusinessID=1",
               {{Variant("O'Brien & Sons"), Variant("123456789"), Variant("רחוב הרצל 1"), Null(), Variant("תל אביב"),
                 Variant(int16_t{0}), Variant("# [x] \"y\" -- True"), Cur("-12.5"), L(0), Cur("100.2567"), Variant("₪")}}),
        expect("SELECT iCustomerNumber FROM Customers WHERE iCustomersTypesID IN (2,4) AND iBusinessID=1", {{L(2)}}),
        run("UPDATE Customers SET   vcBusinessName ='Cohen ''n'' Co', vcעוסקמורשה='987654321', vcAddress1=NULL, "
            "vcAddress2=NULL, vcCity='חיפה', vcPostalCode=NULL, vcContactFirstName=NULL, vcContactLastName= 'Levi', "
            "vcPhone1=NULL, vcPhone2=NULL, vcFax1=NULL, iCustomersTypesID=1, vcEMail=NULL, vcAccountNumber='12345' ,"
            "vcBranch=NULL ,iBanksID=NULL, iListNum=NULL, curCharge=3.95, vcCurrencySymbol='$' WHERE vcForeignKey='FK-1' "
            "AND iBusinessID=1"),
        expect("SELECT vcBusinessName, vcעוסקמורשה, vcCity, vcContactLastName, vcAccountNumber, iListNum, curCharge "
               "FROM Customers WHERE iCustomersTypesID IN (1, 3) AND iBusinessID=1",
               {{Variant("Cohen 'n' Co"), Variant("987654321"), Variant("חיפה"), Variant("Levi"), Variant("12345"), Null(),
                 Cur("3.95")}}),
        expect("SELECT iCustomerNumber FROM Customers WHERE vcForeignKey='FK-1' AND iBusinessID=1", {{L(1)}}),
        expect("SELECT iCustomerNumber FROM Customers WHERE vcForeignKey=NULL AND iBusinessID=1", {}),
    });
}

TEST_F(SqlForms, ErrorTextInDoubleQuotes) {
    play(db, {
        run("INSERT INTO Errors ( vcErrorDescription, iBusinessID ) VALUES(\"Error 13 in \"\"X\"\": it's [bad] #1\", 1)"),
        run("INSERT INTO Errors ( vcErrorDescription, iBusinessID ) VALUES(\"שגיאה\", 1)"),
        expect("SELECT vcErrorDescription, iBusinessID FROM Errors",
               {{Variant("Error 13 in \"X\": it's [bad] #1"), L(1)}, {Variant("שגיאה"), L(1)}}),
    });
}

TEST_F(SqlForms, VatRateOfADateTakesTheLatestStartOnOrBeforeIt) {
    play(db, {
        run("INSERT INTO VATRates (datStartDate, fltVATRate) VALUES (#03/01/2004 00:00#, 17)"),
        run("INSERT INTO VATRates (datStartDate, fltVATRate) VALUES (#07/01/2009 00:00#, 16.5)"),
        run("INSERT INTO VATRates (datStartDate, fltVATRate) VALUES (#01/01/2010 00:00#, 16)"),
        expect("SELECT TOP 1 fltVATRate FROM VATRates WHERE  #08/21/2011 10:25# >= datStartDate ORDER BY datStartDate DESC",
               {{Variant(16.0)}}),
        expect("SELECT TOP 1 fltVATRate FROM VATRates WHERE  #12/31/2009 23:59# >= datStartDate ORDER BY datStartDate DESC",
               {{Variant(16.5)}}),
        expect("SELECT TOP 1 fltVATRate FROM VATRates WHERE  #01/01/2010 00:00# >= datStartDate ORDER BY datStartDate DESC",
               {{Variant(16.0)}}),
        expect("SELECT TOP 1 fltVATRate FROM VATRates WHERE  #01/01/2000 00:00# >= datStartDate ORDER BY datStartDate DESC", {}),
        expect("SELECT TOP 1 fltVATRate FROM VATRates WHERE  NULL >= datStartDate ORDER BY datStartDate DESC", {}),
        expect("SELECT datStartDate FROM VATRates WHERE fltVATRate=16.5", {{Dt(2009, 7, 1)}}),
    });
}

TEST_F(SqlForms, InvoiceHeaderLinesAndNextNumber) {
    const std::string header =
        "INSERT INTO UsysInvoices (iBusinessID, iInvoiceNumber, datxdate, iCustomersID, vcBusinessName, vcAddress1, "
        "vcAddress2, vcCity, vcPostalCode, vcContactDetails, vcPhone1, vcPhone2, vcFax1, vcComments, vcDetails, curTotal1, "
        "fltRebatePrcnt, curRebateAmount, blnRebateRound, curRebateRoundAmount , curTotalBeforeVat, curTotalNoVat, "
        "curVat, curGrandTotal, blnChargeVat , iTrxCodesID, iInvoiceType, datDueDate, vcCustomerOsekMorshe) VALUES(";
    const std::string line =
        "INSERT INTO InvoiceLines (iBusinessID, iInvoicesID, iItemsID, vcItemDescription, blnChargeVAT, iItemQty, "
        "curUnitPrice, curExtendedPrice, vcCurrencySymbol, curRate, curLineVat)  VALUES(";
    play(db, {
        expect("SELECT iInvoiceNum FROM apiGetNextNumberInvoiceHiyuv  WHERE iBusinessID=1", {}),
        run(header + "1,1,#08/21/2011 10:25#,5,'Cohen',NULL,NULL,NULL,NULL,'Dana Levi',NULL, NULL,NULL, NULL, 'פרטים',100,"
                     "2.5, 2.5,1, 0.47,97.03,0,16.4951,113.5251,1,3, 1,NULL,'123456789')"),
        run(header + "1,2,#08/22/2011 00:00#,5,'Cohen',NULL,NULL,NULL,NULL,NULL,NULL, NULL,NULL, NULL, NULL,0,0, 0,0, "
                     "0,0,0,0,0,0,3, 1,#09/21/2011 00:00#,NULL)"),
        expect("SELECT iInvoicesID FROM UsysInvoices WHERE iInvoiceNumber=1 AND iBusinessID=1", {{L(1)}}),
        run(line + "1,1,7, 'Widget \"A\"',-1,2,9.9,29.7,'$',1.5,5.049)"),
        run(line + "1,1,0, 'No VAT',0,-1.5,10,-15,'₪',1,0)"),
        expect("SELECT iInvoiceNum FROM apiGetNextNumberInvoiceHiyuv  WHERE iBusinessID=1", {{L(3)}}),
        expect("SELECT datxdate, vcDetails, curTotal1, fltRebatePrcnt, blnRebateRound, curVat, curGrandTotal, blnChargeVat, "
               "datDueDate, iStatusID FROM UsysInvoices WHERE iInvoiceNumber=1 AND iBusinessID=1",
               {{Dt(2011, 8, 21, 10, 25), Variant("פרטים"), Cur("100"), Variant(2.5), Variant(true), Cur("16.4951"),
                 Cur("113.5251"), Variant(true), Null(), Null()}}),
        expect("SELECT datxdate, blnRebateRound, datDueDate FROM UsysInvoices WHERE iInvoiceNumber=2 AND iBusinessID=1",
               {{Dt(2011, 8, 22), Variant(false), Dt(2011, 9, 21)}}),
        expect("SELECT vcItemDescription, blnChargeVAT, iItemQty, curUnitPrice, curExtendedPrice, vcCurrencySymbol, curRate, "
               "curLineVat FROM InvoiceLines WHERE iInvoicesID=1",
               {{Variant("Widget \"A\""), Variant(true), Variant(2.0), Cur("9.9"), Cur("29.7"), Variant("$"), Variant(1.5),
                 Cur("5.049")},
                {Variant("No VAT"), Variant(false), Variant(-1.5), Cur("10"), Cur("-15"), Variant("₪"), Variant(1.0), Cur("0")}}),
    });
}

TEST_F(SqlForms, ReceiptHeaderUpdateAndPaymentLines) {
    play(db, {
        run("INSERT INTO UsysReceipts (iBusinessID, iReceiptNumber, datxDate, iInvoiceNumber, curTotal, curTax, curNetPmt) "
            " VALUES(1,7, #08/21/2011 10:25#, '3,4',0, 0, 0)"),
        expect("SELECT iReceiptsID FROM UsysReceipts WHERE iReceiptNumber=7 AND iBusinessID=1", {{L(1)}}),
        run("INSERT INTO ReceiptLines (iBusinessID, iReceiptsID, iPaymentTypesID, vcAccountNumber, vcDetails3, vcDetails2, "
            "vcDetails1, vcDetails4, curAmount)  VALUES(1,1,2, '1234',NULL,'12','000123',#09/01/2011 00:00#,-250.5)"),
        run("UPDATE UsysReceipts SET curTotal=-250.5, curTax=0, curNetPmt=-250.5 WHERE iReceiptNumber=7 AND iBusinessID= 1"),
        expect("SELECT iInvoiceNumber, curTotal, curNetPmt FROM UsysReceipts WHERE iReceiptNumber=7 AND iBusinessID=1",
               {{Variant("3,4"), Cur("-250.5"), Cur("-250.5")}}),
        // A date literal put into a text column is stored as its ISO text, which reads back as a date.
        expect("SELECT vcDetails2, vcDetails1, vcDetails4, curAmount FROM ReceiptLines WHERE iReceiptsID=1 AND iBusinessID=1",
               {{Variant("12"), Variant("000123"), Variant("2011-09-01 00:00:00"), Cur("-250.5")}}),
    });
}

TEST_F(SqlForms, TimeBillReplacedByAppointment) {
    const std::string insert =
        "INSERT INTO TimeBills (iCustomersID, datStart,   datEnd, fltHours, curRate, vcCurrencySymbol, nvcDescription, "
        "nvcAppointmentID, iInvoiceTypeLink, iInvoiceNumber, iBusinessID)  VALUES(";
    play(db, {
        run("DELETE FROM TimeBills WHERE nvcAppointmentID='A''1' AND iBusinessID=1"),
        run(insert + "5,#08/21/2011 10:00#, #08/21/2011 11:30#,1.5,200, '₪','Meeting',NULL, 1, NULL,1)"),
        run(insert + "5,#08/21/2011 10:00#, #08/21/2011 10:20#,0.333333333333333,200, '₪','ייעוץ','A''1', 1, '12',1)"),
        run("DELETE FROM TimeBills WHERE nvcAppointmentID='A''1' AND iBusinessID=1"),
        run(insert + "5,NULL, NULL,0,150.75, '$',NULL,'A''1', 1, '12',1)"),
        expect("SELECT @@IDENTITY", {{L(3)}}),
        expect("SELECT iTimeBillsID, datStart, datEnd, fltHours, curRate, nvcDescription, nvcAppointmentID, iInvoiceNumber "
               "FROM TimeBills ORDER BY iTimeBillsID",
               {{L(1), Dt(2011, 8, 21, 10, 0), Dt(2011, 8, 21, 11, 30), Variant(1.5), Cur("200"), Variant("Meeting"), Null(),
                 Null()},
                {L(3), Null(), Null(), Variant(0.0), Cur("150.75"), Null(), Variant("A'1"), L(12)}}),
    });
}

TEST_F(SqlForms, ReferenceLookupsBalancesAndParameters) {
    play(db, {
        run("INSERT INTO Currencies (vcCode, curRate) VALUES ('USD', 3.95)"),
        run("INSERT INTO Currencies (vcCode, curRate) VALUES (\"EUR\", 4.8)"),
        expect("SELECT * FROM Currencies WHERE vcCode='USD'", {{Variant("USD"), Cur("3.95")}}),
        expect("SELECT * FROM Currencies WHERE vcCode=NULL", {}),
        run("INSERT INTO sysSystemParameters VALUES (1, 'qryCustomerBalanceDate', '2011-12-31')"),
        expect("SELECT vcParameterValue FROM sysSystemParameters WHERE iBusinessID=1 AND vcParameterName='qryCustomerBalanceDate'",
               {{Variant("2011-12-31")}}),
        run("INSERT INTO tblCustomerBalance VALUES (1, 'Zeta', 10), (1, 'Alpha', -3.5), (2, 'Other', 1)"),
        expect("SELECT * from tblCustomerBalance WHERE iBusinessID=1 ORDER BY vcBusinessName;",
               {{L(1), Variant("Alpha"), Cur("-3.5")}, {L(1), Variant("Zeta"), Cur("10")}}),
    });
}
