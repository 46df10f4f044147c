// The automation interface of KovrinAPI32: every public class with its members in slot order, and
// the enumerations. Dispatch, the type library text (KovrinAPI32.tlb.txt) and the interface page
// (docs/automation-interface.md) are made from this one table.
//
// Argument and result types come from the C++ signatures. Adding a member is one line at its place
// in slot order; members are numbered by position, so a new member goes after the existing ones
// to keep every earlier number.
#include <KovrinAPI/Customer.h>
#include <KovrinAPI/Enums.h>
#include <KovrinAPI/Invoice.h>
#include <KovrinAPI/InvoiceKabala.h>
#include <KovrinAPI/Item.h>
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/LineItem.h>
#include <KovrinAPI/PriceList.h>
#include <KovrinAPI/ReceiptLineItem.h>
#include <KovrinAPI/TimeBillItem.h>
#include <KovrinAPI/TrxCode.h>
#include <KovrinAPI/Utils.h>
#include <KovrinAPI/clsBusinessDetails.h>
#include <KovrinAPI/clsRegistry.h>
#include <KovrinAPI/clsWin.h>

#include "automation/Binding.h"

namespace kovrin::automation {
namespace {

// GetVatRate has one optional date, which receives today's date when it was 0.
double getVatRate(Kovrin& k, std::optional<Date>& datDate) {
    return datDate ? k.GetVatRate(*datDate) : k.GetVatRate();
}

// Assigning an object to a line list stores a reference to it, anything else a copy.
template <class C, void (C::*Let)(const Variant&), void (C::*Set)(const ObjectRef&)>
void putLines(C& o, Variant v) {
    if (v.isObject()) (o.*Set)(v.object());
    else (o.*Let)(v);
}

template <class T>
Class describe(const char* clsid, std::vector<Member> members) {
    std::string name = interfaceName(typeid(T));
    Class c{name, "KovrinAPI." + name, clsid, typeid(T), creator<T>(), std::move(members)};
    for (std::size_t i = 0; i < c.members.size(); ++i) c.members[i].id = static_cast<int32_t>(i + 1);
    return c;
}

Library build() {
    Library lib;
    lib.name = "KovrinAPI";
    lib.libid = "{B8A0BB99-1464-4E8A-95B8-F22B8442052C}";
    lib.version = "3.2";
    Variant zero(int32_t{0});

    lib.classes.push_back(describe<Kovrin>("{59457965-14EE-4DEB-B0EB-7D4D8D6BF211}", {
        method("CreateInvoice", &Kovrin::CreateInvoice,
               {"iCustomersID", "datInvoiceDate", "strComments", "fltRebatePercent", "curRebateAmount", "blnRoundTotal",
                "fltVAT", "blnChargeVAT", "strInvoiceDetails", "iTrxCodesID", "iInvoiceType", "varLineItems",
                "datDueDate"}),
        method("CreateInvoiceXML", &Kovrin::CreateInvoiceXML, {"strXML"}),
        method("GetInvoiceByNumber", &Kovrin::GetInvoiceByNumber, {"iInvoiceNumber"}),
        method("GetInvoices", &Kovrin::GetInvoices, {}),
        method("GetInvoicesByQueryXML", &Kovrin::GetInvoicesByQueryXML, {"iInvoiceNumber"}),
        method("DisplayInvoice", &Kovrin::DisplayInvoice, {"iInvoiceNumber"}),
        method("PrintInvoice", &Kovrin::PrintInvoice, {"iInvoiceNumber", opt("Lang", int32_t{1})}),
        method("CreateInvoiceIska", &Kovrin::CreateInvoiceIska,
               {"iCustomersID", "datInvoiceDate", "strComments", "fltRebatePercent", "curRebateAmount", "blnRoundTotal",
                "fltVAT", "blnChargeVAT", "strInvoiceDetails", "iTrxCodesID", "iInvoiceType", "varLineItems",
                "datDueDate"}),
        method("DisplayInvoiceIska", &Kovrin::DisplayInvoiceIska, {"iInvoiceNumber"}),
        method("PrintInvoiceIska", &Kovrin::PrintInvoiceIska, {"iInvoiceNumber"}),
        method("CreateInvoiceZikui", &Kovrin::CreateInvoiceZikui,
               {"iCustomersID", "datInvoiceDate", "strComments", "fltRebatePercent", "curRebateAmount", "blnRoundTotal",
                "fltVAT", "blnChargeVAT", "strInvoiceDetails", "iTrxCodesID", "iInvoiceType", "varLineItems"}),
        method("CreateInvoiceZikuiXML", &Kovrin::CreateInvoiceZikuiXML, {"strXML"}),
        method("DisplayInvoiceZikui", &Kovrin::DisplayInvoiceZikui, {"iInvoiceNumber"}),
        method("PrintInvoiceZikui", &Kovrin::PrintInvoiceZikui, {"iInvoiceNumber"}),
        method("CreateReceipt", &Kovrin::CreateReceipt,
               {"iCustomersID", "datReceiptDate", "curTotal", "curTax", "curNetPmt", "strDetails", "strInvoiceNumbers",
                "varReceiptLineItems", opt("strCurrency", "NIS"), opt("curRate", Currency(1))}),
        method("CreateReceiptXML", &Kovrin::CreateReceiptXML, {"strXML"}),
        method("DisplayReceipt", &Kovrin::DisplayReceipt, {"iReceiptNumber"}),
        method("PrintReceipt", &Kovrin::PrintReceipt, {"iReceiptNumber", opt("Lang", int32_t{1})}),
        method("CreateRefund", &Kovrin::CreateRefund,
               {"iCustomersID", "datRefundDate", "curTotal", "strDetails", "varReceiptLineItems"}),
        method("CreateRefundXML", &Kovrin::CreateRefundXML, {"strXML"}),
        method("DisplayRefund", &Kovrin::DisplayRefund, {"iReceiptNumber"}),
        method("PrintRefund", &Kovrin::PrintRefund, {"iRefundNumber"}),
        method("GetInvoicesKabala", &Kovrin::GetInvoicesKabala, {}),
        method("GetInvoiceKabalaByNumber", &Kovrin::GetInvoiceKabalaByNumber, {"iInvoiceKabalaNumber"}),
        method("CreateInvoiceKabala", &Kovrin::CreateInvoiceKabala,
               {"iCustomersID", "datInvoiceDate", "strComments", "fltRebatePercent", "curRebateAmount", "blnRoundTotal",
                "fltVAT", "blnChargeVAT", "strInvoiceDetails", "iTrxCodesID", "varLineItems", "curTotal", "curTax",
                "curNetPmt", "varReceiptLineItems"}),
        method("CreateInvoiceKabalaXML", &Kovrin::CreateInvoiceKabalaXML, {"strXML"}),
        method("DisplayInvoiceKabala", &Kovrin::DisplayInvoiceKabala, {"iInvoiceNumber"}),
        method("PrintInvoiceKabala", &Kovrin::PrintInvoiceKabala, {"iInvoiceNumber"}),
        method("GetPriceLists", &Kovrin::GetPriceLists, {}),
        method("GetItems", &Kovrin::GetItems, {}),
        method("CreateCustomer", &Kovrin::CreateCustomer,
               {"strBusinessName", "strOsekMorshe", "strContactFirstName", "strContactLastName", "strAddress1",
                "strAddress2", "strCity", "strPostalCode", "strPhone1", "strPhone2", "strFax", "strEMail",
                "strComments", "curOpenBalance", "strBankAccountNumber", "strBankBranch", "iBankID", "iListNum",
                "curCharge", "strCurrencyName", "strForeignKey", opt("iPaymentTermsID", zero),
                opt("iPaymentDays", zero), opt("lngCustomerNumber", zero), opt("strExtra1", ""),
                opt("strExtra2", "")}),
        method("UpdateCustomerByForeignKey", &Kovrin::UpdateCustomerByForeignKey,
               {"strBusinessName", "strOsekMorshe", "strContactFirstName", "strContactLastName", "strForeignKey",
                opt("strAddress1", ""), opt("strAddress2", ""), opt("strCity", ""), opt("strPostalCode", ""),
                opt("strPhone1", ""), opt("strPhone2", ""), opt("strFax", ""), opt("strEMail", ""),
                opt("strBankAccountNumber", ""), opt("strBankBranch", ""), opt("iBankID", zero),
                opt("iListNum", zero), opt("curCharge", Currency(0)), opt("strCurrencyName", "")}),
        method("UpdateCustomer", &Kovrin::UpdateCustomer, {"objCustomer"}),
        method("GetCustomers", &Kovrin::GetCustomers, {}),
        method("GetCustomersXML", &Kovrin::GetCustomersXML, {}),
        method("GetCustomerByForeignKey", &Kovrin::GetCustomerByForeignKey, {"strForeignKey"}),
        method("GetCustomerByID", &Kovrin::GetCustomerByID, {"lngCustomerID"}),
        method("GetCustomerByForeignKeyXML", &Kovrin::GetCustomerByForeignKeyXML, {"strForeignKey"}),
        method("GetCustomerBalanceByID", &Kovrin::GetCustomerBalanceByID,
               {"iCustomerID", opt("blnIncludingInvoicesIska", false)}),
        method("GetCustomerBalanceByForeignKey", &Kovrin::GetCustomerBalanceByForeignKey,
               {"strForeignKey", opt("blnIncludingInvoicesIska", false)}),
        method("GetCustomersBalance", &Kovrin::GetCustomersBalance,
               {"datDateTo", opt("blnIncludingInvoicesIska", false), opt("lngTimeOutSeconds", int32_t{20})}),
        method("GetSuppliers", &Kovrin::GetSuppliers, {}),
        method("GetTrxCodes", &Kovrin::GetTrxCodes, {}),
        method("GetTrxCodesXML", &Kovrin::GetTrxCodesXML, {}),
        method("CreateTimeBill", &Kovrin::CreateTimeBill,
               {"iCustomersID", "datStart", "datEnd", "strDescription", "strAppointmentID", "iInvoiceNumber",
                "curRate", "strCurrency"}),
        method("GetExchangeRates", &Kovrin::GetExchangeRates, {}),
        method("GetKovrinBusinessList", &Kovrin::GetKovrinBusinessList, {}),
        method("GetExchangeRate", &Kovrin::GetExchangeRate, {"strCurrency"}),
        method("GetBanks", &Kovrin::GetBanks, {}),
        method("GetPaymentTypes", &Kovrin::GetPaymentTypes, {}),
        method("AddErrorToKovrin", &Kovrin::AddErrorToKovrin, {"strErrMessage"}),
        KOVRIN_PROPERTY(Kovrin, KovrinPath),
        KOVRIN_PROPERTY(Kovrin, AccessPath),
        method("RunKovrin", &Kovrin::RunKovrin, {}),
        KOVRIN_READONLY(Kovrin, Version),
        KOVRIN_READONLY(Kovrin, Clock),
        KOVRIN_PROPERTY(Kovrin, BusinessID),
        method("GetKovrinRegSetting", &Kovrin::GetKovrinRegSetting, {"EntryName", byval("varDefault")}),
        method("SetKovrinRegSetting", &Kovrin::SetKovrinRegSetting, {"EntryName", byval("Value")}),
        KOVRIN_PROPERTY(Kovrin, DebugMode),
        method("SetKovrinPrinter", &Kovrin::SetKovrinPrinter, {"strPrinterName"}),
        writeOnly("BackupTimeOutSeconds", &Kovrin::BackupTimeOutSeconds),
        method("PerformBackup", &Kovrin::PerformBackup, {}),
        method("GetOsekMorshe", &Kovrin::GetOsekMorshe, {}),
        KOVRIN_PROPERTY(Kovrin, MailServer),
        KOVRIN_PROPERTY(Kovrin, MailServerUserName),
        KOVRIN_PROPERTY(Kovrin, MailServerPassword),
        KOVRIN_PROPERTY(Kovrin, PDFTimeout),
        method("SendMail", &Kovrin::SendMail,
               {"strSubject", "strForm", "strFromName", "strReceipients", "strReceipientsCC", "strReceipientsBCC",
                "strHTMLBody", opt("strAttachmentFileName", "")}),
        method("SendDocByMail", &Kovrin::SendDocByMail,
               {"iDocNumber", "iObjectType", "strSubject", "strForm", "strFromName", "strReceipients",
                "strReceipientsCC", "strReceipientsBCC", "strHTMLBody"}),
        method("GetVatRate", &getVatRate, {"datDate"}),
        method("RefreshCustomerBalance", &Kovrin::RefreshCustomerBalance, {"datDateTo"}),
        method("GetSystemParameter", &Kovrin::GetSystemParameter, {"strParameterName"}),
    }));

    lib.classes.push_back(describe<Customer>("{4EEE9068-CD4E-4E49-A780-5262288D5499}", {
        KOVRIN_PROPERTY(Customer, CustomersID),
        KOVRIN_PROPERTY(Customer, CustomersNumber),
        KOVRIN_PROPERTY(Customer, ForeignKey),
        KOVRIN_PROPERTY(Customer, BusinessName),
        KOVRIN_PROPERTY(Customer, OsekMorshe),
        KOVRIN_PROPERTY(Customer, Address1),
        KOVRIN_PROPERTY(Customer, Address2),
        KOVRIN_PROPERTY(Customer, City),
        KOVRIN_PROPERTY(Customer, PostalCode),
        KOVRIN_PROPERTY(Customer, ContactFirstName),
        KOVRIN_PROPERTY(Customer, ContactLastName),
        KOVRIN_PROPERTY(Customer, Phone1),
        KOVRIN_PROPERTY(Customer, Phone2),
        KOVRIN_PROPERTY(Customer, Fax),
        KOVRIN_PROPERTY(Customer, EMail),
        KOVRIN_PROPERTY(Customer, BankAccountNumber),
        KOVRIN_PROPERTY(Customer, BankBranchNumber),
        KOVRIN_PROPERTY(Customer, BankID),
        KOVRIN_PROPERTY(Customer, Charge),
        KOVRIN_PROPERTY(Customer, ChargeCurrency),
        KOVRIN_PROPERTY(Customer, PriceListNum),
        KOVRIN_PROPERTY(Customer, PaymentTerms),
        KOVRIN_PROPERTY(Customer, PaymentDays),
        KOVRIN_PROPERTY(Customer, Extra1),
        KOVRIN_PROPERTY(Customer, Extra2),
        KOVRIN_READONLY(Customer, IsChanged),
    }));

    lib.classes.push_back(describe<Invoice>("{BC7FB0DF-88B7-4E99-8510-4D2B1086162E}", {
        property("varInvoiceLines", KOVRIN_GETTER(Invoice, varInvoiceLines),
                 &putLines<Invoice, &Invoice::varInvoiceLines, &Invoice::setVarInvoiceLines>),
        KOVRIN_PROPERTY(Invoice, datDueDate),
        KOVRIN_PROPERTY(Invoice, iCasesID),
        KOVRIN_PROPERTY(Invoice, iTrxCodesID),
        KOVRIN_PROPERTY(Invoice, strReceiptNumbers),
        KOVRIN_PROPERTY(Invoice, iStatusID),
        KOVRIN_PROPERTY(Invoice, blnChargeVAT),
        KOVRIN_PROPERTY(Invoice, curGrandTotal),
        KOVRIN_PROPERTY(Invoice, curVAT),
        KOVRIN_PROPERTY(Invoice, curTotalNoVat),
        KOVRIN_PROPERTY(Invoice, curTotalBeforeVat),
        KOVRIN_PROPERTY(Invoice, curRebateRoundAmount),
        KOVRIN_PROPERTY(Invoice, blnRebateRound),
        KOVRIN_PROPERTY(Invoice, curRebateAmount),
        KOVRIN_PROPERTY(Invoice, fltRebatePrcnt),
        KOVRIN_PROPERTY(Invoice, curTotal1),
        KOVRIN_PROPERTY(Invoice, vcComments),
        KOVRIN_PROPERTY(Invoice, vcDetails),
        KOVRIN_PROPERTY(Invoice, vcFax1),
        KOVRIN_PROPERTY(Invoice, vcPhone2),
        KOVRIN_PROPERTY(Invoice, vcPhone1),
        KOVRIN_PROPERTY(Invoice, vcContactDetails),
        KOVRIN_PROPERTY(Invoice, vcPostalCode),
        KOVRIN_PROPERTY(Invoice, vcCity),
        KOVRIN_PROPERTY(Invoice, vcAddress2),
        KOVRIN_PROPERTY(Invoice, vcAddress1),
        KOVRIN_PROPERTY(Invoice, vcBusinessName),
        KOVRIN_PROPERTY(Invoice, iCustomersID),
        KOVRIN_PROPERTY(Invoice, datxDate),
        KOVRIN_PROPERTY(Invoice, iInvoiceNumber),
        KOVRIN_PROPERTY(Invoice, vcOsekMorshe),
    }));

    lib.classes.push_back(describe<InvoiceKabala>("{1DA08404-6C6B-4ED9-B192-51C23C8A099E}", {
        KOVRIN_PROPERTY(InvoiceKabala, curNetPmt),
        KOVRIN_PROPERTY(InvoiceKabala, curTax),
        property("varReceiptLines", KOVRIN_GETTER(InvoiceKabala, varReceiptLines),
                 &putLines<InvoiceKabala, &InvoiceKabala::varReceiptLines, &InvoiceKabala::setVarReceiptLines>),
        property("varInvoiceLines", KOVRIN_GETTER(InvoiceKabala, varInvoiceLines),
                 &putLines<InvoiceKabala, &InvoiceKabala::varInvoiceLines, &InvoiceKabala::setVarInvoiceLines>),
        KOVRIN_PROPERTY(InvoiceKabala, iCasesID),
        KOVRIN_PROPERTY(InvoiceKabala, iTrxCodesID),
        KOVRIN_PROPERTY(InvoiceKabala, iStatusID),
        KOVRIN_PROPERTY(InvoiceKabala, blnChargeVAT),
        KOVRIN_PROPERTY(InvoiceKabala, curGrandTotal),
        KOVRIN_PROPERTY(InvoiceKabala, curVAT),
        KOVRIN_PROPERTY(InvoiceKabala, curTotalNoVat),
        KOVRIN_PROPERTY(InvoiceKabala, curTotalBeforeVat),
        KOVRIN_PROPERTY(InvoiceKabala, curRebateRoundAmount),
        KOVRIN_PROPERTY(InvoiceKabala, blnRebateRound),
        KOVRIN_PROPERTY(InvoiceKabala, curRebateAmount),
        KOVRIN_PROPERTY(InvoiceKabala, fltRebatePrcnt),
        KOVRIN_PROPERTY(InvoiceKabala, curTotal1),
        KOVRIN_PROPERTY(InvoiceKabala, curTotal),
        KOVRIN_PROPERTY(InvoiceKabala, vcComments),
        KOVRIN_PROPERTY(InvoiceKabala, vcDetails),
        KOVRIN_PROPERTY(InvoiceKabala, vcFax1),
        KOVRIN_PROPERTY(InvoiceKabala, vcPhone2),
        KOVRIN_PROPERTY(InvoiceKabala, vcPhone1),
        KOVRIN_PROPERTY(InvoiceKabala, vcContactDetails),
        KOVRIN_PROPERTY(InvoiceKabala, vcPostalCode),
        KOVRIN_PROPERTY(InvoiceKabala, vcCity),
        KOVRIN_PROPERTY(InvoiceKabala, vcAddress2),
        KOVRIN_PROPERTY(InvoiceKabala, vcAddress1),
        KOVRIN_PROPERTY(InvoiceKabala, vcBusinessName),
        KOVRIN_PROPERTY(InvoiceKabala, iCustomersID),
        KOVRIN_PROPERTY(InvoiceKabala, datxDate),
        KOVRIN_PROPERTY(InvoiceKabala, datDueDate),
        KOVRIN_PROPERTY(InvoiceKabala, iInvoiceKabalaNumber),
        KOVRIN_PROPERTY(InvoiceKabala, vcOsekMorshe),
    }));

    lib.classes.push_back(describe<LineItem>("{00332CE9-C1DD-4DB1-85E4-0F75FA54930F}", {
        KOVRIN_PROPERTY(LineItem, ItemsID),
        KOVRIN_PROPERTY(LineItem, ItemDescription),
        KOVRIN_PROPERTY(LineItem, UnitPrice),
        KOVRIN_PROPERTY(LineItem, ItemQuantity),
        KOVRIN_READONLY(LineItem, ExtendedPrice),
        KOVRIN_PROPERTY(LineItem, ItemCurrency),
        KOVRIN_PROPERTY(LineItem, CurrencyRate),
        KOVRIN_PROPERTY(LineItem, ChargeVAT),
    }));

    lib.classes.push_back(describe<ReceiptLineItem>("{38637634-AF31-4262-9458-8676239AEE4C}", {
        KOVRIN_PROPERTY(ReceiptLineItem, PaymentTypesID),
        KOVRIN_PROPERTY(ReceiptLineItem, AccountNumber),
        KOVRIN_PROPERTY(ReceiptLineItem, Branch),
        KOVRIN_PROPERTY(ReceiptLineItem, Bank),
        KOVRIN_PROPERTY(ReceiptLineItem, Check),
        KOVRIN_PROPERTY(ReceiptLineItem, CheckDate),
        KOVRIN_PROPERTY(ReceiptLineItem, Amount),
    }));

    lib.classes.push_back(describe<TrxCode>("{3F075E25-6A72-49F5-B6CD-9317E62715D9}", {
        KOVRIN_PROPERTY(TrxCode, TrxCodesID),
        KOVRIN_PROPERTY_AS(TrxCode, "TrxCode", TrxCodeNumber),
        KOVRIN_PROPERTY(TrxCode, TrxCodeDescription),
        KOVRIN_PROPERTY(TrxCode, PLCodesID),
    }));

    lib.classes.push_back(describe<PriceList>("{7DAC3E7E-1CBF-4077-A098-0350B7D33A77}", {
        KOVRIN_PROPERTY(PriceList, Comments),
        KOVRIN_PROPERTY(PriceList, ProfitPercent),
        KOVRIN_PROPERTY(PriceList, ListNum),
        KOVRIN_PROPERTY(PriceList, ListID),
    }));

    lib.classes.push_back(describe<Item>("{1E31AC39-F2BF-4A36-B7E4-C0A3E2CBB58D}", {
        KOVRIN_PROPERTY(Item, ItemsID),
        KOVRIN_PROPERTY(Item, ItemDescription),
        KOVRIN_PROPERTY(Item, CatalogNumber),
        KOVRIN_PROPERTY(Item, ItemName),
    }));

    lib.classes.push_back(describe<TimeBillItem>("{E5B2D277-DD8F-4929-9C05-CBB576DBC877}", {
        KOVRIN_PROPERTY(TimeBillItem, CustomerID),
        KOVRIN_PROPERTY(TimeBillItem, StartDate),
        KOVRIN_PROPERTY(TimeBillItem, EndDate),
        KOVRIN_PROPERTY(TimeBillItem, Rate),
        KOVRIN_PROPERTY(TimeBillItem, Description),
        KOVRIN_PROPERTY(TimeBillItem, AppointmentID),
        KOVRIN_PROPERTY(TimeBillItem, InvoiceNumber),
    }));

    lib.classes.push_back(describe<clsBusinessDetails>("{65C6802D-C141-40EF-8008-778E054E2A82}", {
        KOVRIN_PROPERTY(clsBusinessDetails, BusinessID),
        KOVRIN_PROPERTY(clsBusinessDetails, BusinessName),
        KOVRIN_PROPERTY(clsBusinessDetails, OsekMorshe),
    }));

    lib.classes.push_back(describe<Utils>("{31D0DBF5-A778-48D7-9216-3524BC5DA755}", {
        method("GetPaymentTypes", &Utils::GetPaymentTypes, {"DebugMode"}),
        method("GetBanks", &Utils::GetBanks, {"DebugMode"}),
        method("GetExchangeRates", &Utils::GetExchangeRates, {"DebugMode"}),
        method("GetExchangeRate", &Utils::GetExchangeRate, {"strCurrency", "DebugMode"}),
        method("GetVatRate", &Utils::GetVatRate, {"datDate", "DebugMode"}),
        method("GetSystemParameter", &Utils::GetSystemParameter, {"strParameterName", "DebugMode"}),
        method("SaveKovrinRegSettings", &Utils::SaveKovrinRegSettings, {"strItem", "Value"}),
        method("GetKovrinRegSettings", &Utils::GetKovrinRegSettings, {"strItem", "varDefault"}),
    }));

    lib.classes.push_back(describe<clsRegistry>("{0DE43A47-B2E7-45E7-BA74-72291353B527}", {
        method("HiveToString", &clsRegistry::HiveToString, {"hive"}),
        method("SaveValue", &clsRegistry::SaveValue, {"hKey", "strPath", "strvalue", "strData"}),
        method("SaveDWORDValue", &clsRegistry::SaveDWORDValue, {"hKey", "strPath", "strvalue", "strData"}),
        method("GetValue", &clsRegistry::GetValue, {"hive", "sKeyName", "sValueName", "varDefault"}),
        method("GetValueEx", &clsRegistry::GetValueEx, {byval("lhKey"), byval("szValueName"), "vValue"}),
        KOVRIN_READONLY(clsRegistry, HKEY_CLASSES_ROOT),
        KOVRIN_READONLY(clsRegistry, HKEY_CURRENT_USER),
        KOVRIN_READONLY(clsRegistry, HKEY_LOCAL_MACHINE),
        KOVRIN_READONLY(clsRegistry, HKEY_USERS),
    }));

    lib.classes.push_back(describe<clsWin>("{EE3547FC-21CE-43CF-B934-E76D21FAAE40}", {
        method("ApiErrorText", &clsWin::ApiErrorText, {byval("errNum")}),
    }));

    // The values are read from the C++ enumerations, so the two cannot differ.
#define KOVRIN_VALUE(E, N) {#N, static_cast<int32_t>(E::N)}
    lib.enums = {
        {"ObjectType", {KOVRIN_VALUE(ObjectType, Invoice), KOVRIN_VALUE(ObjectType, RECEIPT),
                        KOVRIN_VALUE(ObjectType, EXPENSES), KOVRIN_VALUE(ObjectType, HIYUV),
                        KOVRIN_VALUE(ObjectType, INVOICE_KABALA), KOVRIN_VALUE(ObjectType, INVOICE_ZIKUI),
                        KOVRIN_VALUE(ObjectType, REFUND), KOVRIN_VALUE(ObjectType, ORDER_),
                        KOVRIN_VALUE(ObjectType, SHIPPING), KOVRIN_VALUE(ObjectType, PROPOSAL)}},
        {"InvoiceTypes", {KOVRIN_VALUE(InvoiceTypes, INVOICE_TYPE_STD), KOVRIN_VALUE(InvoiceTypes, INVOICE_TYPE_W)}},
        {"PaymentTerms", {KOVRIN_VALUE(PaymentTerms, Net), KOVRIN_VALUE(PaymentTerms, Cash)}},
        {"Languages", {KOVRIN_VALUE(Languages, Hebrew), KOVRIN_VALUE(Languages, English)}},
    };
#undef KOVRIN_VALUE
    return lib;
}

}  // namespace

const Library& typeLibrary() {
    static const Library lib = build();
    return lib;
}

}  // namespace kovrin::automation
