// Allocation numbers: the threshold lookup, the rule, storing a number, and asking the provider.
//
// The provider is a program the business registers (its own connection to the Tax Authority). It
// gets the document as JSON on standard input and answers on standard output with
// {"number":"123456789"} or {"refused":"reason"}. It runs outside any write transaction, so the
// database is not held while it works; its answer is stored in a transaction of its own.
#include "Allocation.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>

#include <nlohmann/json.hpp>

#include <KovrinAPI/LineItem.h>
#include <KovrinAPI/clsRegistry.h>
#include <KovrinAPI/runtime/Procedure.h>
#include <KovrinAPI/runtime/Text.h>

#include "DocumentRead.h"
#include "DocumentSupport.h"
#include "api/core/BusinessData.h"
#include "api/core/Connection.h"
#include "api/core/DebugLog.h"
#include "api/core/Rows.h"
#include "api/core/State.h"
#include "api/core/modUtils.h"
#include "platform/process/CommandLine.h"
#include "api/documents/DocumentKinds.h"
#include "platform/process/Run.h"

namespace kovrin::modKovrin {

namespace {

using namespace allocationErrors;
using Json = nlohmann::ordered_json;

constexpr int32_t InvoiceKind = documents::number(ObjectType::Invoice);
constexpr int32_t InvoiceKabalaKind = documents::number(ObjectType::INVOICE_KABALA);

const char* headerTable(int32_t kind) { return documents::findKind(kind)->header; }
std::string kindWord(int32_t kind) { return kind == InvoiceKind ? "Invoice" : "Invoice/Kabala"; }
std::string documentName(int32_t kind, int32_t number) { return kindWord(kind) + " " + std::to_string(number); }

void requireTaxInvoiceKind(int32_t kind) {
    if (kind != InvoiceKind && kind != InvoiceKabalaKind)
        raiseError(WrongKind, "Allocation numbers belong to invoices (1) and invoice-receipts (7) only, not to object type " +
                                  std::to_string(kind) + ".");
}

// Text from outside (a provider's answer) made safe for a message: no control characters, and
// not longer than a message needs.
std::string printable(std::string_view text) {
    std::string out;
    for (const char c : text) out += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
    return text::left(text::trim(out), 200);
}

// The columns the rule reads, of the document's header row; nullopt when there is none.
struct Header {
    Date date;
    Currency beforeVat, vat;
    std::string customerNumber, allocationNumber;
};

std::optional<Header> readHeader(int32_t kind, int32_t number) {
    db::Recordset rs = core::query(std::string("SELECT datxDate, curTotalBeforeVat, curVat, vcCustomerOsekMorshe, "
                                               "vcAllocationNumber FROM ") +
                                   headerTable(kind) + " WHERE iInvoiceNumber=" + std::to_string(number) +
                                   " AND iBusinessID=" + core::businessIdText());
    std::optional<Header> h;
    if (!rs.Eof()) {
        const Variant date = rs.Fields("datxDate");
        h = Header{date.isNull() ? Date() : CDate(date), CCur(modUtils::MyNz(rs.Fields("curTotalBeforeVat"), Variant(0))),
                   CCur(modUtils::MyNz(rs.Fields("curVat"), Variant(0))),
                   text::trim(core::textOf(rs.Fields("vcCustomerOsekMorshe"))),
                   core::textOf(rs.Fields("vcAllocationNumber"))};
    }
    rs.Close();
    return h;
}

std::string notFound(int32_t kind, int32_t number) {
    return kindWord(kind) + " not found. " + kindWord(kind) + " Number: " + std::to_string(number) +
           ", BusinessID: " + core::businessIdText();
}

Currency thresholdOn(Date date) {
    db::Recordset rs = core::query("SELECT TOP 1 curThreshold FROM AllocationThresholds WHERE " +
                                   modUtils::SqlDate(date) + " >= datStartDate ORDER BY datStartDate DESC");
    const Currency threshold = rs.Eof() ? Currency() : CCur(rs.Fields(0));
    rs.Close();
    return threshold;
}

// The rule, on a header already read; runs on the caller's connection.
int32_t statusOf(int32_t kind, const Header& h) {
    if (!h.allocationNumber.empty()) return AllocationPresent;
    if (kind != InvoiceKind && kind != InvoiceKabalaKind) return AllocationNotNeeded;
    if (h.vat <= Currency() || h.customerNumber.empty()) return AllocationNotNeeded;
    const Currency threshold = thresholdOn(h.date);
    return threshold > Currency() && h.beforeVat >= threshold ? AllocationMissing : AllocationNotNeeded;
}

// The provider's command line from the registry; empty when none is registered.
std::string providerCommand() {
    clsRegistry reg;
    return text::trim(CStr(reg.GetValue(reg.HKEY_LOCAL_MACHINE(), AllocationKey, AllocationProviderValue, Variant(""))));
}

// The time-out in seconds (text or number); the default when unset, unreadable or out of reason.
int32_t providerTimeoutSeconds() {
    clsRegistry reg;
    int32_t seconds = 0;
    try {
        seconds = CLng(reg.GetValue(reg.HKEY_LOCAL_MACHINE(), AllocationKey, AllocationTimeoutValue, Variant("")));
    } catch (const Error&) {
    }
    return seconds > 0 && seconds <= 3600 ? seconds : DefaultAllocationTimeoutSeconds;
}

std::string isoDate(Date d) {
    if (d.isZero()) return {};
    const CalendarTime t = d.toCalendar();
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.year, t.month, t.day);
    return text;
}

// The document as the provider reads it. Money is decimal text, so no amount is rounded on the way.
template <class Record>
Json documentJson(int32_t kind, int32_t number, const Record& r, bool& DebugMode) {
    Json business = Json::object();
    OpenConnection(DebugMode);
    db::Recordset rs = core::query("SELECT vcBusinessName, vcמספרעוסקמורשה FROM BusinessDetails WHERE iBusinessID=" +
                                   core::businessIdText());
    business["id"] = core::state().businessId;
    business["name"] = rs.Eof() ? std::string() : core::textOf(rs.Fields(0));
    business["dealerNumber"] = rs.Eof() ? std::string() : core::textOf(rs.Fields(1));
    rs.Close();
    CloseAll();

    Json lines = Json::array();
    for (const auto& item : modKovrinBase::lineItems(r.varInvoiceLines())) {
        const Currency amount =
            Currency::fromDouble(item->UnitPrice().toDouble() * item->ItemQuantity() * item->CurrencyRate());
        lines.push_back(Json{{"description", item->ItemDescription()},
                             {"quantity", item->ItemQuantity()},
                             {"unitPrice", item->UnitPrice().toString()},
                             {"currency", item->ItemCurrency()},
                             {"rate", item->CurrencyRate()},
                             {"amount", amount.toString()},
                             {"chargeVat", item->ChargeVAT()}});
    }
    return Json{{"objectType", kind},
                {"kind", kind == InvoiceKind ? "Invoice" : "InvoiceKabala"},
                {"number", number},
                {"date", isoDate(r.datxDate())},
                {"business", business},
                {"customer",
                 Json{{"id", r.iCustomersID()}, {"name", r.vcBusinessName()}, {"dealerNumber", r.vcOsekMorshe()}}},
                {"amountBeforeVat", r.curTotalBeforeVat().toString()},
                {"amountWithoutVat", r.curTotalNoVat().toString()},
                {"vat", r.curVAT().toString()},
                {"total", r.curGrandTotal().toString()},
                {"lines", lines}};
}

// Runs the provider on the document and gives the number it answered, checked for form.
std::string askProvider(int32_t kind, int32_t number, const std::string& command, const std::string& input) {
    const std::string doc = documentName(kind, number);
    const std::vector<std::string> argv = process::splitCommandLine(command);
    const int32_t seconds = providerTimeoutSeconds();
    const process::RunResult run = process::runWithInput(argv, input, std::chrono::seconds(seconds));
    if (run.startError != 0)
        raiseError(ProviderNotRun, "The allocation provider " + (argv.empty() ? command : argv[0]) +
                                       " could not be started: " + std::strerror(run.startError));
    if (run.timedOut)
        raiseError(TimedOut, "The allocation provider did not answer for " + doc + " within " +
                                 std::to_string(seconds) + " seconds; it was stopped.");
    if (run.exitCode != 0)
        raiseError(BadAnswer, "The allocation provider failed for " + doc + " with exit status " +
                                  std::to_string(run.exitCode) + ": " + printable(run.errors));
    const Json answer = Json::parse(run.output, nullptr, false);
    if (answer.is_object() && answer.contains("refused")) {
        const Json& reason = answer["refused"];
        raiseError(Refused, "The allocation provider refused " + doc + ": " +
                                printable(reason.is_string() ? reason.get<std::string>() : reason.dump()));
    }
    if (answer.is_object() && answer.contains("number") && answer["number"].is_string()) {
        const std::string allocation = answer["number"].get<std::string>();
        try {
            CheckAllocationNumber(allocation);
            return allocation;
        } catch (const Error&) {
        }
    }
    raiseError(BadAnswer, "The allocation provider gave no valid answer for " + doc +
                              " (expected {\"number\":\"<nine digits>\"} or {\"refused\":\"<reason>\"}): " +
                              printable(run.output));
}

std::string requestNumber(int32_t kind, int32_t number, bool& DebugMode, Line& line) {
    line(10);
    requireTaxInvoiceKind(kind);
    line(20);
    OpenConnection(DebugMode);
    const std::optional<Header> h = readHeader(kind, number);
    CloseAll();
    if (!h) raiseError(8257, notFound(kind, number));
    line(30);
    if (!h->allocationNumber.empty()) return h->allocationNumber;  // asked before: the same number
    line(40);
    const std::string command = providerCommand();
    if (command.empty())
        raiseError(NoProvider, std::string("No allocation provider is registered: set ") + AllocationProviderValue +
                                   " under HKEY_LOCAL_MACHINE\\" + AllocationKey + ".");
    line(50);
    const Json doc = kind == InvoiceKind
                         ? documentJson(kind, number, *GetInvoiceByNumber(number, DebugMode), DebugMode)
                         : documentJson(kind, number, *GetInvoiceKabalaByNumber(number, DebugMode), DebugMode);
    line(60);
    if (DebugMode) modUtils::LogDebug("modKovrin.RequestAllocationNumber", "Provider", Variant(command));
    const std::string allocation = askProvider(kind, number, command, doc.dump());
    line(70);
    SetAllocationNumber(kind, number, allocation, DebugMode);
    return allocation;
}

}  // namespace

void CheckAllocationNumber(const std::string& strAllocationNumber) {
    const bool digits = strAllocationNumber.size() == 9 &&
                        strAllocationNumber.find_first_not_of("0123456789") == std::string::npos;
    if (!digits)
        raiseError(BadForm, "Invalid allocation number \"" + printable(text::left(strAllocationNumber, 20)) +
                                "\": an allocation number is nine digits.");
}

Currency GetAllocationThreshold(Date datDate, bool& DebugMode) {
    return passOn("modKovrin.GetAllocationThreshold", [&](Line& line) {
        line(10);
        OpenConnection(DebugMode);
        line(20);
        const Currency threshold = thresholdOn(datDate);
        CloseAll();
        return threshold;
    });
}

int32_t AllocationNumberStatus(int32_t iObjectType, int32_t iDocNumber, bool& DebugMode) {
    return passOn("modKovrin.AllocationNumberStatus", [&](Line& line) {
        line(10);
        if (iObjectType != InvoiceKind && iObjectType != InvoiceKabalaKind) return AllocationNotNeeded;
        line(20);
        OpenConnection(DebugMode);
        const std::optional<Header> h = readHeader(iObjectType, iDocNumber);
        if (!h) raiseError(8257, notFound(iObjectType, iDocNumber));
        line(30);
        const int32_t status = statusOf(iObjectType, *h);
        CloseAll();
        return status;
    });
}

void SetAllocationNumber(int32_t iObjectType, int32_t iDocNumber, const std::string& strAllocationNumber,
                         bool& DebugMode) {
    passOn("modKovrin.SetAllocationNumber", [&](Line& line) {
        line(10);
        requireTaxInvoiceKind(iObjectType);
        CheckAllocationNumber(strAllocationNumber);
        line(20);
        OpenConnection(DebugMode);
        try {
            // Read and write in one transaction: two callers cannot both store a number.
            core::inWriteTransaction([&] {
                line(30);
                const std::optional<Header> h = readHeader(iObjectType, iDocNumber);
                if (!h) raiseError(8257, notFound(iObjectType, iDocNumber));
                line(40);
                if (h->allocationNumber == strAllocationNumber) return;
                if (!h->allocationNumber.empty())
                    raiseError(AlreadySet, documentName(iObjectType, iDocNumber) + " already has the allocation number " +
                                               h->allocationNumber + "; it is not replaced by " + strAllocationNumber + ".");
                line(50);
                core::execute(std::string("UPDATE ") + headerTable(iObjectType) + " SET vcAllocationNumber=" +
                              modUtils::SqlStr(strAllocationNumber, 0) + " WHERE iInvoiceNumber=" +
                              std::to_string(iDocNumber) + " AND iBusinessID=" + core::businessIdText());
            });
            CloseAll();
        } catch (...) {
            CloseAll();
            throw;
        }
    });
}

std::string RequestAllocationNumber(int32_t iObjectType, int32_t iDocNumber, bool& DebugMode) {
    return passOn("modKovrin.RequestAllocationNumber",
                  [&](Line& line) { return requestNumber(iObjectType, iDocNumber, DebugMode, line); });
}

void AllocateNewDocument(int32_t iObjectType, int32_t iDocNumber, bool& DebugMode) {
    try {
        if (providerCommand().empty()) return;
        if (AllocationNumberStatus(iObjectType, iDocNumber, DebugMode) != AllocationMissing) return;
        RequestAllocationNumber(iObjectType, iDocNumber, DebugMode);
    } catch (const Error& e) {
        const std::string message = "Allocation number of " + documentName(iObjectType, iDocNumber) + ": error " +
                                    std::to_string(e.number()) + " " + e.description();
        if (DebugMode) modUtils::LogDebug("modKovrin.AllocateNewDocument", "Error", Variant(message));
        try {
            AddErrorToKovrin(message, DebugMode);
        } catch (...) {
            // the document is stored; a full error table must not make its creation look failed
        }
    }
}

void RefuseMissingAllocationNumber(int32_t iObjectType, int32_t iDocNumber, bool& DebugMode) {
    passOn("modKovrin.RefuseMissingAllocationNumber", [&](Line& line) {
        line(10);
        if (iObjectType != InvoiceKind && iObjectType != InvoiceKabalaKind) return;
        OpenConnection(DebugMode);
        const std::optional<Header> h = readHeader(iObjectType, iDocNumber);
        const int32_t status = h ? statusOf(iObjectType, *h) : AllocationNotNeeded;
        CloseAll();
        line(20);
        if (status == AllocationMissing)
            raiseError(MissingNumber, documentName(iObjectType, iDocNumber) +
                                          " needs an allocation number and has none. Request or set one first, or set "
                                          "AllowMissingAllocationNumber to go on without it.");
    });
}

}  // namespace kovrin::modKovrin
