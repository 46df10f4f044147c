// Kovrin: the object through which callers reach the bookkeeping database.
//
// Creating one finds the database and the Access executable through the registry (error 6367 when
// there is no installation) and resets the process-wide settings: KovrinPath, AccessPath and
// BusinessID are shared by every Kovrin object of the process. DebugMode and the mail settings
// belong to each object. Every operation reports failures as kovrin::Error with the number and
// description of the first failure and the call path in its source, for example
// "Kovrin.CreateCustomer[50]\modKovrin.CreateCustomer[40]\...". Operations are serialised by a
// process-wide lock, so several threads may call them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <KovrinAPI/Enums.h>
#include <KovrinAPI/runtime/Error.h>
#include <KovrinAPI/runtime/Variant.h>

namespace kovrin {

class Customer;
class Invoice;
class InvoiceKabala;

class KOVRIN_API Kovrin : public Object {
public:
    Kovrin();

    // ---- database, business, version -------------------------------------------------------
    // Full path of the bookkeeping database file (process-wide).
    std::string KovrinPath() const;
    void KovrinPath(const std::string& value);
    // Full path of the Access executable that starts the front-end (process-wide).
    std::string AccessPath() const;
    void AccessPath(const std::string& value);
    // The library's version, "3.2.74" for this build.
    std::string Version() const;
    // The current local date and time as general date text.
    std::string Clock() const;
    // The business all operations read and write (process-wide). Setting it also records it as
    // "LastBusinessID" in the registry.
    int32_t BusinessID() const;
    void BusinessID(int32_t value);
    // The licensed-dealer number of the current business; empty when the business has no row.
    std::string GetOsekMorshe();
    // Every business of the database (iBusinessID > 0) as an array of clsBusinessDetails; Empty
    // when there is none.
    Variant GetKovrinBusinessList();

    // ---- errors and the debug log ----------------------------------------------------------
    // While on, each operation writes entries to kovrinapi<version>.txt next to the database.
    bool DebugMode() const;
    void DebugMode(bool value);
    // Records a message (its first 255 characters) in the database's error table.
    void AddErrorToKovrin(const std::string& strErrMessage);

    // ---- settings in the library's machine-wide registry key -------------------------------
    Variant GetKovrinRegSetting(const std::string& EntryName, Variant varDefault);
    void SetKovrinRegSetting(const std::string& EntryName, Variant Value);

    // ---- customers ---------------------------------------------------------------------------
    int32_t CreateCustomer(const std::string& strBusinessName, const std::string& strOsekMorshe,
                           const std::string& strContactFirstName, const std::string& strContactLastName,
                           const std::string& strAddress1, const std::string& strAddress2, const std::string& strCity,
                           const std::string& strPostalCode, const std::string& strPhone1, const std::string& strPhone2,
                           const std::string& strFax, const std::string& strEMail, const std::string& strComments,
                           Currency curOpenBalance, const std::string& strBankAccountNumber,
                           const std::string& strBankBranch, int32_t iBankID, int32_t iListNum, Currency curCharge,
                           const std::string& strCurrencyName, const std::string& strForeignKey,
                           std::optional<PaymentTerms> iPaymentTermsID = std::nullopt,
                           std::optional<int32_t> iPaymentDays = std::nullopt,
                           std::optional<int32_t> lngCustomerNumber = std::nullopt,
                           std::optional<std::string> strExtra1 = std::nullopt,
                           std::optional<std::string> strExtra2 = std::nullopt);
    Variant UpdateCustomerByForeignKey(const std::string& strBusinessName, const std::string& strOsekMorshe,
                                       const std::string& strContactFirstName, const std::string& strContactLastName,
                                       const std::string& strForeignKey,
                                       std::optional<std::string> strAddress1 = std::nullopt,
                                       std::optional<std::string> strAddress2 = std::nullopt,
                                       std::optional<std::string> strCity = std::nullopt,
                                       std::optional<std::string> strPostalCode = std::nullopt,
                                       std::optional<std::string> strPhone1 = std::nullopt,
                                       std::optional<std::string> strPhone2 = std::nullopt,
                                       std::optional<std::string> strFax = std::nullopt,
                                       std::optional<std::string> strEMail = std::nullopt,
                                       std::optional<std::string> strBankAccountNumber = std::nullopt,
                                       std::optional<std::string> strBankBranch = std::nullopt,
                                       std::optional<int32_t> iBankID = std::nullopt,
                                       std::optional<int32_t> iListNum = std::nullopt,
                                       std::optional<Currency> curCharge = std::nullopt,
                                       std::optional<std::string> strCurrencyName = std::nullopt);
    void UpdateCustomer(const std::shared_ptr<Customer>& objCustomer);
    // Arrays of Customer, or Empty when there is none.
    Variant GetCustomers();
    Variant GetSuppliers();
    // A record at its initial values when there is no such customer.
    std::shared_ptr<Customer> GetCustomerByID(int32_t lngCustomerID);
    // Error 8255 when there is no such customer.
    std::shared_ptr<Customer> GetCustomerByForeignKey(const std::string& strForeignKey);

    // ---- documents ----
    // Each creates one document in the current business and returns its number. A document is
    // written as one transaction: header, lines, payments and totals are stored together or not
    // at all, and concurrent writers never get the same number. The variables passed by
    // non-const reference receive the values applied once the document is stored: fltVAT the VAT
    // rate as a fraction (17 gives 0.17; 0 without VAT; the rate of the invoice date when 0 was
    // given), the rebate percent and amount actually applied, blnRoundTotal false for a type
    // other than INVOICE_TYPE_STD, and for receipts the recomputed curTotal and curNetPmt.
    // varLineItems is an array of LineItem (a standard invoice sets ChargeVAT on each), and
    // varReceiptLineItems an array of ReceiptLineItem; either may be Empty.
    int32_t CreateInvoice(int32_t iCustomersID, Date datInvoiceDate, const std::string& strComments,
                          double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal, double& fltVAT,
                          bool blnChargeVAT, const std::string& strInvoiceDetails, int32_t iTrxCodesID,
                          InvoiceTypes iInvoiceType, const Variant& varLineItems,
                          std::optional<Date> datDueDate = std::nullopt);
    // An "Iska" invoice, stored as a debit (Hiyuv) invoice.
    int32_t CreateInvoiceIska(int32_t iCustomersID, Date datInvoiceDate, const std::string& strComments,
                              double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal, double& fltVAT,
                              bool blnChargeVAT, const std::string& strInvoiceDetails, int32_t iTrxCodesID,
                              InvoiceTypes iInvoiceType, const Variant& varLineItems,
                              std::optional<Date> datDueDate = std::nullopt);
    // A credit invoice, due today; its lines are stored with negative quantities.
    int32_t CreateInvoiceZikui(int32_t iCustomersID, Date datInvoiceDate, const std::string& strComments,
                               double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal,
                               double& fltVAT, bool blnChargeVAT, const std::string& strInvoiceDetails,
                               int32_t iTrxCodesID, int32_t iInvoiceType, const Variant& varLineItems);
    // The net payment is the sum of the payments (a payment of 0 is not stored), the total the net
    // payment plus curTax. "NIS" (the default) always has the rate 1.
    int32_t CreateReceipt(int32_t iCustomersID, Date datReceiptDate, Currency& curTotal, Currency curTax,
                          Currency& curNetPmt, const std::string& strDetails, const std::string& strInvoiceNumbers,
                          const Variant& varReceiptLineItems, std::optional<std::string> strCurrency = std::nullopt,
                          std::optional<Currency> curRate = std::nullopt);
    // A refund's payments and totals are stored negative; curTotal receives the stored total.
    int32_t CreateRefund(int32_t iCustomersID, Date datRefundDate, Currency& curTotal, const std::string& strDetails,
                         const Variant& varReceiptLineItems);
    // A standard invoice due today and its payments in one document. A negative payment is refused
    // (error 13) and nothing is stored.
    int32_t CreateInvoiceKabala(int32_t iCustomersID, Date datInvoiceDate, const std::string& strComments,
                                double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal,
                                double& fltVAT, bool blnChargeVAT, const std::string& strInvoiceDetails,
                                int32_t iTrxCodesID, const Variant& varLineItems, Currency& curTotal, Currency curTax,
                                Currency& curNetPmt, const Variant& varReceiptLineItems);

    // ---- document retrieval and XML ----
    // The documents of the current business by ascending number, as new records with their lines
    // (in the order stored) and, for invoice-receipts, their payment lines: an array with no
    // elements when there is none.
    Variant GetInvoices();
    Variant GetInvoicesKabala();
    // One document by number; error 8257 when the current business has none with that number.
    std::shared_ptr<Invoice> GetInvoiceByNumber(int32_t iInvoiceNumber);
    std::shared_ptr<InvoiceKabala> GetInvoiceKabalaByNumber(int32_t iInvoiceKabalaNumber);
    // One invoice with its lines as XML text, "<Kovrin>" CR LF <Document type="Invoice"> CR LF
    // "</Kovrin>" CR LF; error 8257 as above.
    Variant GetInvoicesByQueryXML(int32_t iInvoiceNumber);
    // Create a document from XML text and return its number. Fields are found by element name
    // anywhere in the text, lines as the LineItem and ReceiptLineItem elements. A text that does
    // not parse fails with the parser's number and reason (the source says where); a document
    // naming neither CustomerID nor CustomerForeignKey fails with 2377, an unknown foreign key with
    // 8255; a field that does not convert with 13. A failure leaves the database untouched.
    int32_t CreateInvoiceXML(const std::string& strXML);
    int32_t CreateInvoiceZikuiXML(const std::string& strXML);
    int32_t CreateInvoiceKabalaXML(const std::string& strXML);
    int32_t CreateReceiptXML(const std::string& strXML);
    int32_t CreateRefundXML(const std::string& strXML);
    // The customers (types 1 and 3) of the current business as XML, one Customer element each.
    std::string GetCustomersXML();
    // One customer by foreign key as XML; error 8255 when there is none.
    std::string GetCustomerByForeignKeyXML(const std::string& strForeignKey);

    // ---- reference data ----------------------------------------------------------------------
    Variant GetTrxCodes();
    std::string GetTrxCodesXML();
    Variant GetPriceLists();
    Variant GetItems();
    Variant GetBanks();
    Variant GetPaymentTypes();
    std::string GetExchangeRates();
    Currency GetExchangeRate(const std::string& strCurrency);
    // The VAT rate in force on the date. A zero date means today, and the caller's variable
    // receives today's date.
    double GetVatRate(Date& datDate);
    double GetVatRate();
    Variant GetSystemParameter(const std::string& strParameterName);

    // ---- time bills --------------------------------------------------------------------------
    // A rate or currency left out is taken from the customer.
    int32_t CreateTimeBill(int32_t iCustomersID, Date datStart, Date datEnd, const std::string& strDescription,
                           const std::string& strAppointmentID, const std::string& iInvoiceNumber,
                           std::optional<Currency> curRate = std::nullopt,
                           std::optional<std::string> strCurrency = std::nullopt);

    // ---- front-end bridge, balances and mail ----
    // These start the bookkeeping front-end (the program at AccessPath) on the database, with a
    // macro and the document number on its command line, and return at once without waiting for
    // it. A front-end program that does not exist: error 53 "File not found".

    // A plain start of the front-end. Always Empty.
    Variant RunKovrin();
    // Display a document in the front-end. The Variant results are always Empty.
    void DisplayInvoice(int32_t iInvoiceNumber);
    Variant DisplayInvoiceIska(int32_t iInvoiceNumber);
    Variant DisplayInvoiceZikui(int32_t iInvoiceNumber);
    Variant DisplayReceipt(int32_t iReceiptNumber);
    Variant DisplayRefund(int32_t iReceiptNumber);
    Variant DisplayInvoiceKabala(int32_t iInvoiceNumber);
    // Print a document in the front-end. Lang: Hebrew (the default) or any other value for English.
    void PrintInvoice(int32_t iInvoiceNumber, std::optional<Languages> Lang = std::nullopt);
    void PrintInvoiceIska(int32_t iInvoiceNumber);
    void PrintInvoiceZikui(int32_t iInvoiceNumber);
    void PrintReceipt(int32_t iReceiptNumber, std::optional<Languages> Lang = std::nullopt);
    void PrintRefund(int32_t iRefundNumber);
    void PrintInvoiceKabala(int32_t iInvoiceNumber);
    // Has the front-end recompute the balance tables to the date; returns at once.
    void RefreshCustomerBalance(Date datDateTo);
    // Has the front-end back up the database and waits (polling once a second, at most
    // BackupTimeOutSeconds times) for the backup file's path, which it returns. No answer in time:
    // error 6367 "Timeout after N seconds".
    std::string PerformBackup();
    void BackupTimeOutSeconds(int32_t value);
    // The front-end's default printer for the current business.
    void SetKovrinPrinter(const std::string& strPrinterName);

    // The customer's balance as the front-end's balance queries compute it (with the debit
    // "Iska" invoices when asked). No such customer: error 3021.
    double GetCustomerBalanceByID(int32_t iCustomerID, std::optional<bool> blnIncludingInvoicesIska = std::nullopt);
    // Balances by foreign key are not supported: always -1.
    double GetCustomerBalanceByForeignKey(const std::string& strForeignKey,
                                          std::optional<bool> blnIncludingInvoicesIska = std::nullopt);
    // The balance report of every customer of the business as XML. When the balance tables were
    // computed to another date, the front-end recomputes them first and the call waits up to
    // lngTimeOutSeconds (default 20) for it: error 2679 "Timeout after N seconds." otherwise.
    std::string GetCustomersBalance(Date datDateTo, std::optional<bool> blnIncludingInvoicesIska = std::nullopt,
                                    std::optional<int32_t> lngTimeOutSeconds = std::nullopt);

    // SMTP settings of this object: the server ("host" or "host:port"), user name and password
    // (no authentication when both are empty).
    std::string MailServer() const;
    void MailServer(const std::string& value);
    std::string MailServerUserName() const;
    void MailServerUserName(const std::string& value);
    std::string MailServerPassword() const;
    void MailServerPassword(const std::string& value);
    // The longest wait for the PDF of SendDocByMail, in milliseconds (default 10000).
    double PDFTimeout() const;
    void PDFTimeout(double value);
    // Sends one HTML mail; recipients, copies and blind copies are lists separated by ",". A mail
    // the server does not accept is an error whose description ends with " Log: " and the SMTP
    // conversation (credentials left out).
    void SendMail(const std::string& strSubject, const std::string& strForm, const std::string& strFromName,
                  const std::string& strReceipients, const std::string& strReceipientsCC,
                  const std::string& strReceipientsBCC, const std::string& strHTMLBody,
                  std::optional<std::string> strAttachmentFileName = std::nullopt);
    // Has the front-end print the document to PDF and mails the PDF as the only attachment. The PDF
    // printer's and the front-end's printer settings are put back whether or not it succeeds.
    void SendDocByMail(int32_t iDocNumber, ObjectType iObjectType, const std::string& strSubject,
                       const std::string& strForm, const std::string& strFromName, const std::string& strReceipients,
                       const std::string& strReceipientsCC, const std::string& strReceipientsBCC,
                       const std::string& strHTMLBody);

    // ---- allocation numbers ----
    // A tax invoice or invoice-receipt needs the Tax Authority's allocation number (nine digits)
    // when its VAT is above 0, its customer has a licensed-dealer number, and its total before VAT
    // reaches the threshold in force on its date. Credit and Iska invoices never need one.
    //
    // When a provider is registered (docs/allocation.md), CreateInvoice, CreateInvoiceKabala and
    // their XML forms ask it for a new document that needs a number, after the document is
    // stored; a failure there does not fail the creation (it is written to the error table) and
    // the document stays without a number until RequestAllocationNumber or SetAllocationNumber.

    // The threshold (amount before VAT) in force on the date; 0 before 5 May 2024, when no
    // document needs a number. A zero date means today.
    Currency GetAllocationThreshold(Date datDate);
    // Stores the number on a document of kind Invoice or INVOICE_KABALA (8403 for another): nine
    // digits, leading zeros kept (8401 otherwise); no such document: 8257. The number it already
    // has is accepted again; another one is refused (8402).
    void SetAllocationNumber(ObjectType iObjectType, int32_t iDocNumber, const std::string& strAllocationNumber);
    // The document's stored number, or else the registered provider's answer, stored and returned.
    // Failures leave the document as it was and may be retried: no provider 8404, it could not be
    // started 8405, refused 8406 (the description has its reason), failed or gave no valid answer
    // 8407, did not answer in time 8408.
    std::string RequestAllocationNumber(ObjectType iObjectType, int32_t iDocNumber);
    // 0 no number needed (and none stored), 1 needed and missing, 2 has one. Kinds other than
    // Invoice and INVOICE_KABALA answer 0; no such document: 8257.
    int32_t AllocationNumberStatus(ObjectType iObjectType, int32_t iDocNumber);
    // Off (the default): PrintInvoice, PrintInvoiceKabala and SendDocByMail refuse a document
    // that needs an allocation number and has none (8409). On: they go on without it.
    bool AllowMissingAllocationNumber() const;
    void AllowMissingAllocationNumber(bool value);

private:
    // Receipts (kind 2) and refunds (kind 13) from XML.
    int32_t CreateReceiptXML1(int32_t kind, const std::string& strXML);

    bool debugMode_ = false;
    std::string mailServer_;
    std::string mailServerUserName_;
    std::string mailServerPassword_;
    int32_t backupTimeOutSeconds_ = 60;
    double pdfTimeout_ = 10000;
    bool allowMissingAllocationNumber_ = false;
};

}  // namespace kovrin
