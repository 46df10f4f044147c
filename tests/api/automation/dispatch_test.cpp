// Dispatch over the interface description: every member reached by name answers as its C++ call
// does, by-reference arguments come back changed, and wrong calls get the automation errors.
#include <KovrinAPI/Customer.h>
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/TrxCode.h>

#include <functional>
#include <set>

#include <gtest/gtest.h>

#include "api/documents/DocumentTests.h"
#include "automation/Dispatch.h"
#include "support/Checks.h"
#include "support/Installation.h"

using namespace kovrin;
using namespace kovrin::automation;
using kovrin::test::errorOf;
using kovrin::test::Installation;

namespace {

Variant call(const Dispatch& d, std::string_view name, Arguments args = {}, int32_t flags = Method) {
    return d.invoke(d.idOf(name), flags, args);
}
Variant get(const Dispatch& d, std::string_view name) { return call(d, name, {}, PropertyGet); }
void put(const Dispatch& d, std::string_view name, Variant v) { call(d, name, {std::move(v)}, PropertyPut); }

// Equal values; objects are equal when they are of one class and every readable property is.
::testing::AssertionResult same(const Variant& a, const Variant& b, const std::string& where = "") {
    if (a.isObject() && b.isObject()) {
        if (!a.object() || !b.object())
            return a.object() == b.object() ? ::testing::AssertionSuccess()
                                            : ::testing::AssertionFailure() << where << ": one is Nothing";
        Dispatch x = Dispatch::wrap(a.object()), y = Dispatch::wrap(b.object());
        if (&x.cls() != &y.cls()) return ::testing::AssertionFailure() << where << ": classes differ";
        for (const Member& m : x.cls().members) {
            if (m.kind != Kind::Get && m.kind != Kind::GetPut) continue;
            auto r = same(get(x, m.name), get(y, m.name), where + "." + m.name);
            if (!r) return r;
        }
        return ::testing::AssertionSuccess();
    }
    if (a.isArray() && b.isArray()) {
        const VariantArray &x = a.array(), &y = b.array();
        if (x.dimensions() != y.dimensions() || x.size() != y.size())
            return ::testing::AssertionFailure() << where << ": array shapes differ";
        if (x.dimensions() == 2) return a == b ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << where;
        for (long i = 0; i < static_cast<long>(x.size()); ++i) {
            auto r = same(x(i), y(i), where + "(" + std::to_string(i) + ")");
            if (!r) return r;
        }
        return ::testing::AssertionSuccess();
    }
    if (a == b) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << where << ": " << (a.isEmpty() ? "Empty" : CStr(a)) << " vs "
                                         << (b.isEmpty() ? "Empty" : CStr(b));
}

// The interface's slot order of Kovrin, get and let of a property counted once.
const char* const KovrinSlots[] = {
    "CreateInvoice", "CreateInvoiceXML", "GetInvoiceByNumber", "GetInvoices", "GetInvoicesByQueryXML",
    "DisplayInvoice", "PrintInvoice", "CreateInvoiceIska", "DisplayInvoiceIska", "PrintInvoiceIska",
    "CreateInvoiceZikui", "CreateInvoiceZikuiXML", "DisplayInvoiceZikui", "PrintInvoiceZikui", "CreateReceipt",
    "CreateReceiptXML", "DisplayReceipt", "PrintReceipt", "CreateRefund", "CreateRefundXML", "DisplayRefund",
    "PrintRefund", "GetInvoicesKabala", "GetInvoiceKabalaByNumber", "CreateInvoiceKabala", "CreateInvoiceKabalaXML",
    "DisplayInvoiceKabala", "PrintInvoiceKabala", "GetPriceLists", "GetItems", "CreateCustomer",
    "UpdateCustomerByForeignKey", "UpdateCustomer", "GetCustomers", "GetCustomersXML", "GetCustomerByForeignKey",
    "GetCustomerByID", "GetCustomerByForeignKeyXML", "GetCustomerBalanceByID", "GetCustomerBalanceByForeignKey",
    "GetCustomersBalance", "GetSuppliers", "GetTrxCodes", "GetTrxCodesXML", "CreateTimeBill", "GetExchangeRates",
    "GetKovrinBusinessList", "GetExchangeRate", "GetBanks", "GetPaymentTypes", "AddErrorToKovrin", "KovrinPath",
    "AccessPath", "RunKovrin", "Version", "Clock", "BusinessID", "GetKovrinRegSetting", "SetKovrinRegSetting",
    "DebugMode", "SetKovrinPrinter", "BackupTimeOutSeconds", "PerformBackup", "GetOsekMorshe", "MailServer",
    "MailServerUserName", "MailServerPassword", "PDFTimeout", "SendMail", "SendDocByMail", "GetVatRate",
    "RefreshCustomerBalance", "GetSystemParameter"};

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A value of the declared type that differs from member to member of one class.
Variant sample(const Member& m) {
    const std::string& type = m.result;
    const int32_t id = m.id;
    if (type == "Long") return Variant(100 + id);
    if (type == "Integer") return Variant(static_cast<int16_t>(id));
    if (type == "Double") return Variant(id + 0.25);
    if (type == "Currency") return Variant(Currency::fromScaled(id * 10000 + 5));
    if (type == "Date") return Variant(Date(45000 + id + 0.5));
    if (type == "Boolean") return Variant(true);
    if (type == "String") return Variant("text " + std::to_string(id));
    if (type == "PaymentTerms") return Variant(int32_t{2});
    if (m.name.rfind("var", 0) != 0) return Variant("variant " + std::to_string(id));
    VariantArray a(1);
    a(0) = Variant("line " + std::to_string(id));
    return Variant(std::move(a));
}

}  // namespace

TEST(Dispatch, EveryMemberIsReachableByNameInAnyCaseWithNumbersInSlotOrder) {
    Installation inst;
    const Library& lib = typeLibrary();
    ASSERT_EQ(lib.classes.size(), 14u);
    std::set<std::string> clsids{lib.libid};
    for (const Class& c : lib.classes) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(clsids.insert(c.clsid).second) << "class id used twice";
        Dispatch d = Dispatch::create(lower(c.progid));
        EXPECT_EQ(&d.cls(), &c);
        EXPECT_EQ(typeid(*d.object()), c.type);
        for (std::size_t i = 0; i < c.members.size(); ++i) {
            const Member& m = c.members[i];
            EXPECT_EQ(m.id, static_cast<int32_t>(i + 1));
            EXPECT_EQ(d.idOf(m.name), m.id);
            EXPECT_EQ(d.idOf(lower(m.name)), m.id) << m.name;
            EXPECT_EQ(bool(m.call), m.kind != Kind::Put) << m.name;
            EXPECT_EQ(bool(m.put), m.kind == Kind::Put || m.kind == Kind::GetPut) << m.name;
        }
    }
    const Class& k = *lib.byProgId("KovrinAPI.Kovrin");
    ASSERT_EQ(k.members.size(), std::size(KovrinSlots));
    for (std::size_t i = 0; i < k.members.size(); ++i) EXPECT_EQ(k.members[i].name, KovrinSlots[i]);
    // The service classes and the one property whose C++ name differs.
    EXPECT_EQ(lib.byProgId("KovrinAPI.Utils")->find("GetKovrinRegSettings")->id, 8);
    EXPECT_EQ(lib.byProgId("KovrinAPI.clsRegistry")->find("HKEY_USERS")->id, 9);
    EXPECT_EQ(lib.byProgId("KovrinAPI.TrxCode")->find("TrxCode")->id, 2);
}

// Every property of every record class keeps what it was given (as text, converted to the
// declared type) apart from every other property, and reads back as the C++ accessor does.
TEST(Dispatch, RecordPropertiesRoundTripThroughTheirDeclaredTypes) {
    for (const Class& c : typeLibrary().classes) {
        bool record = c.members.front().kind != Kind::Method;
        if (!record) continue;
        SCOPED_TRACE(c.name);
        Dispatch d = Dispatch::create(c.progid);
        for (const Member& m : c.members) {
            if (m.kind != Kind::GetPut) continue;
            Variant v = sample(m);
            put(d, m.name, v.isString() || v.isArray() ? v : Variant(CStr(v)));
        }
        for (const Member& m : c.members) {
            if (m.kind == Kind::GetPut) {
                EXPECT_TRUE(same(get(d, m.name), sample(m), m.name));
            } else if (m.kind == Kind::Get) {
                EXPECT_EQ(errorOf([&] { put(d, m.name, Variant(int32_t{1})); }).number(), 450);
            }
        }
    }
    // The same fields as the C++ accessors.
    Dispatch customer = Dispatch::create("KovrinAPI.Customer");
    put(customer, "bankid", Variant("42"));
    put(customer, "ChargeCurrency", Variant(""));
    auto typed = std::dynamic_pointer_cast<Customer>(customer.object());
    EXPECT_EQ(typed->BankID(), 42);
    EXPECT_EQ(typed->ChargeCurrency(), "NIS");
    EXPECT_EQ(get(customer, "IsChanged"), Variant(true));
    Dispatch code = Dispatch::create("KovrinAPI.TrxCode");
    put(code, "TrxCode", Variant(int32_t{2}));
    EXPECT_EQ(std::dynamic_pointer_cast<TrxCode>(code.object())->TrxCodeNumber(), 2);
    Dispatch line = Dispatch::create("KovrinAPI.LineItem");
    put(line, "UnitPrice", Variant("10"));
    put(line, "ItemQuantity", Variant(int32_t{3}));
    put(line, "CurrencyRate", Variant(int32_t{1}));
    EXPECT_EQ(get(line, "ExtendedPrice"), Variant(Currency(30)));
}

// The operations that read answer through dispatch exactly as the direct call does.
TEST(Dispatch, KovrinOperationsAnswerAsTheirCppCalls) {
    Installation inst;
    inst.exec("INSERT INTO sysSystemParameters (iBusinessID, vcParameterName, vcParameterValue) VALUES (1, 'p', 'v')");
    Kovrin k;
    Dispatch d = Dispatch::create("KovrinAPI.Kovrin");
    struct Case {
        const char* name;
        Arguments args;
        std::function<Variant()> direct;
    };
    const Case cases[] = {
        {"GetVatRate", {Variant(Date(46000))}, [&] { Date x(46000); return Variant(k.GetVatRate(x)); }},
        {"GetVatRate", {}, [&] { return Variant(k.GetVatRate()); }},
        {"GetExchangeRate", {Variant("USD")}, [&] { return Variant(k.GetExchangeRate("USD")); }},
        {"GetExchangeRates", {}, [&] { return Variant(k.GetExchangeRates()); }},
        {"GetBanks", {}, [&] { return k.GetBanks(); }},
        {"GetPaymentTypes", {}, [&] { return k.GetPaymentTypes(); }},
        {"GetSystemParameter", {Variant("p")}, [&] { return k.GetSystemParameter("p"); }},
        {"GetOsekMorshe", {}, [&] { return Variant(k.GetOsekMorshe()); }},
        {"GetCustomers", {}, [&] { return k.GetCustomers(); }},
        {"GetSuppliers", {}, [&] { return k.GetSuppliers(); }},
        {"GetCustomerByID", {Variant("1")}, [&] { return Variant(k.GetCustomerByID(1)); }},
        {"GetCustomersXML", {}, [&] { return Variant(k.GetCustomersXML()); }},
        {"GetTrxCodes", {}, [&] { return k.GetTrxCodes(); }},
        {"GetTrxCodesXML", {}, [&] { return Variant(k.GetTrxCodesXML()); }},
        {"GetPriceLists", {}, [&] { return k.GetPriceLists(); }},
        {"GetItems", {}, [&] { return k.GetItems(); }},
        {"GetKovrinBusinessList", {}, [&] { return k.GetKovrinBusinessList(); }},
        {"GetInvoices", {}, [&] { return k.GetInvoices(); }},
        {"GetInvoicesKabala", {}, [&] { return k.GetInvoicesKabala(); }},
        {"GetKovrinRegSetting", {Variant("None"), Variant("d")}, [&] { return k.GetKovrinRegSetting("None", "d"); }},
        {"GetCustomerBalanceByForeignKey", {Variant("x")}, [&] { return Variant(k.GetCustomerBalanceByForeignKey("x")); }},
        {"Version", {}, [&] { return Variant(k.Version()); }},
        {"KovrinPath", {}, [&] { return Variant(k.KovrinPath()); }},
        {"BusinessID", {}, [&] { return Variant(k.BusinessID()); }},
        {"PDFTimeout", {}, [&] { return Variant(k.PDFTimeout()); }},
    };
    for (const Case& c : cases) {
        Arguments args = c.args;
        EXPECT_TRUE(same(d.invoke(d.idOf(c.name), Method | PropertyGet, args), c.direct(), c.name));
    }
    // A put reaches the process-wide setting the C++ object reads.
    put(d, "BusinessID", Variant("2"));
    EXPECT_EQ(k.BusinessID(), 2);
    put(d, "DebugMode", Variant(true));
    EXPECT_EQ(get(d, "debugmode"), Variant(true));
    EXPECT_FALSE(k.DebugMode());  // per object
}

// The document operations give their callers the values they applied, through dispatch as through
// the direct call; the arguments they do not change keep what the caller passed.
TEST(Dispatch, DocumentOperationsWriteBackTheirByReferenceArguments) {
    using test::L;
    using test::P;
    Installation inst;
    Kovrin k;
    Dispatch d = Dispatch::create("KovrinAPI.Kovrin");
    Date day = Date::fromCalendar(2026, 3, 1);
    Variant goods = test::lines({{"99.99", 1, 1, true}, {"10", 2, 1, false}});
    Variant pays = test::payments({{"50"}, {"70.5"}});

    struct Written {
        double rebatePercent, vat;
        Currency rebate;
        bool round;
    };
    struct Case {
        const char* name;
        double rebatePercent;
        bool round, chargeVat;
        int32_t type;
    };
    for (const Case& c : {Case{"CreateInvoice", 10, true, true, 1}, Case{"CreateInvoice", 10, true, true, 2},
                          Case{"CreateInvoiceIska", 0, true, true, 1}, Case{"CreateInvoiceZikui", 5, false, false, 1},
                          Case{"CreateInvoiceKabala", 10, true, true, 1}}) {
        SCOPED_TRACE(std::string(c.name) + " type " + std::to_string(c.type));
        std::string name = c.name;
        Written direct{c.rebatePercent, 0, Currency(), c.round};
        Currency total, net;
        if (name == "CreateInvoice")
            k.CreateInvoice(1, day, "", direct.rebatePercent, direct.rebate, direct.round, direct.vat, c.chargeVat, "", 0,
                            static_cast<InvoiceTypes>(c.type), goods);
        else if (name == "CreateInvoiceIska")
            k.CreateInvoiceIska(1, day, "", direct.rebatePercent, direct.rebate, direct.round, direct.vat, c.chargeVat,
                                "", 0, static_cast<InvoiceTypes>(c.type), goods);
        else if (name == "CreateInvoiceZikui")
            k.CreateInvoiceZikui(1, day, "", direct.rebatePercent, direct.rebate, direct.round, direct.vat, c.chargeVat,
                                 "", 0, c.type, goods);
        else
            k.CreateInvoiceKabala(1, day, "", direct.rebatePercent, direct.rebate, direct.round, direct.vat, c.chargeVat,
                                  "", 0, goods, total, Currency(3), net, pays);

        Arguments args{Variant("1"), Variant(day), Variant(""), Variant(c.rebatePercent), Variant(int32_t{0}),
                       Variant(c.round), Variant(int32_t{0}), Variant(c.chargeVat), Variant(""), Variant(int32_t{0})};
        if (name == "CreateInvoiceKabala") {
            args.insert(args.end(), {goods, Variant(int32_t{0}), Variant(int32_t{3}), Variant(int32_t{0}), pays});
        } else {
            args.push_back(Variant(c.type));
            args.push_back(goods);
        }
        Variant number = d.invoke(d.idOf(name), Method, args);
        EXPECT_GT(CLng(number), 0);
        EXPECT_EQ(args[3], Variant(direct.rebatePercent));
        EXPECT_EQ(args[4], Variant(direct.rebate));
        EXPECT_EQ(args[5], Variant(direct.round));
        EXPECT_EQ(args[6], Variant(direct.vat));
        EXPECT_EQ(args[0], Variant("1"));  // not changed by the operation: left as given
        if (name == "CreateInvoiceKabala") {
            EXPECT_EQ(args[11], Variant(total));
            EXPECT_EQ(args[13], Variant(net));
            EXPECT_EQ(net, Currency::parse("120.5"));
        }
        if (c.chargeVat) {
            EXPECT_GT(direct.vat, 0);
        }
    }
    // The rounding flag is cleared for an invoice that is not standard.
    {
        Arguments args{Variant(int32_t{1}), Variant(day), Variant(""), Variant(0.0), Variant(int32_t{0}), Variant(true),
                       Variant(0.0), Variant(true), Variant(""), Variant(int32_t{0}), Variant(int32_t{2}), goods};
        d.invoke(d.idOf("CreateInvoice"), Method, args);
        EXPECT_EQ(args[5], Variant(false));
    }
    // Receipts and refunds: the recomputed totals.
    Currency total(0), net(0);
    k.CreateReceipt(1, day, total, Currency(4), net, "", "", pays);
    Arguments receipt{Variant(int32_t{1}), Variant(day), Variant(int32_t{0}), Variant(int32_t{4}), Variant(int32_t{0}),
                      Variant(""), Variant(""), pays};
    d.invoke(d.idOf("CreateReceipt"), Method, receipt);
    EXPECT_EQ(receipt[2], Variant(total));
    EXPECT_EQ(receipt[4], Variant(net));
    EXPECT_EQ(net, Currency::parse("120.5"));
    EXPECT_EQ(total, Currency::parse("124.5"));
    Currency refunded(0);
    k.CreateRefund(1, day, refunded, "", pays);
    Arguments refund{Variant(int32_t{1}), Variant(day), Variant(int32_t{0}), Variant(""), pays};
    d.invoke(d.idOf("CreateRefund"), Method, refund);
    EXPECT_EQ(refund[2], Variant(refunded));
    // GetVatRate: a zero date receives today's date; a date given stays.
    Arguments zero{Variant(Date())};
    d.invoke(d.idOf("GetVatRate"), Method, zero);
    EXPECT_EQ(zero[0], Variant(Date::today()));
}

TEST(Dispatch, WrongCallsGetTheAutomationErrorsAndOperationErrorsPassThrough) {
    Installation inst;
    Dispatch k = Dispatch::create("KovrinAPI.Kovrin");
    Dispatch line = Dispatch::create("KovrinAPI.LineItem");
    const int32_t byNumber = k.idOf("GetInvoiceByNumber");
    struct Case {
        const Dispatch* target;
        int32_t id;
        int32_t flags;
        Arguments args;
        int32_t number;
        const char* description;
        const char* source;
    };
    const char* const notSupported = "Object doesn't support this property or method";
    const char* const wrongCount = "Wrong number of arguments or invalid property assignment";
    const Case cases[] = {
        {&k, 0, Method, {}, 438, notSupported, "KovrinAPI.Kovrin.#0"},
        {&k, 74, Method, {}, 438, notSupported, "KovrinAPI.Kovrin.#74"},
        {&k, byNumber, Method, {}, 450, wrongCount, "KovrinAPI.Kovrin.GetInvoiceByNumber.iInvoiceNumber"},
        {&k, byNumber, Method, {Variant(int32_t{1}), Variant(int32_t{2})}, 450, wrongCount,
         "KovrinAPI.Kovrin.GetInvoiceByNumber"},
        {&k, byNumber, 0, {Variant(int32_t{1})}, 450, wrongCount, "KovrinAPI.Kovrin.GetInvoiceByNumber"},
        {&k, byNumber, PropertyPut, {Variant(int32_t{1})}, 450, wrongCount, "KovrinAPI.Kovrin.GetInvoiceByNumber"},
        {&k, k.idOf("Version"), PropertyPut, {Variant("4")}, 450, wrongCount, "KovrinAPI.Kovrin.Version"},
        {&k, k.idOf("BackupTimeOutSeconds"), PropertyGet, {}, 450, wrongCount, "KovrinAPI.Kovrin.BackupTimeOutSeconds"},
        {&k, k.idOf("BusinessID"), PropertyPut, {}, 450, wrongCount, "KovrinAPI.Kovrin.BusinessID"},
        {&k, byNumber, Method, {Variant("seven")}, 13, "Type mismatch", "KovrinAPI.Kovrin.GetInvoiceByNumber.iInvoiceNumber"},
        {&k, byNumber, Method, {Variant::null()}, 13, "Type mismatch", "KovrinAPI.Kovrin.GetInvoiceByNumber.iInvoiceNumber"},
        {&k, byNumber, Method, {Variant(1e12)}, 6, "Overflow", "KovrinAPI.Kovrin.GetInvoiceByNumber.iInvoiceNumber"},
        {&k, k.idOf("UpdateCustomer"), Method, {Variant(line.object())}, 13, "Type mismatch",
         "KovrinAPI.Kovrin.UpdateCustomer.objCustomer"},
        {&line, line.idOf("UnitPrice"), PropertyPut, {Variant("ten")}, 13, "Type mismatch", "KovrinAPI.LineItem.UnitPrice"},
    };
    for (const Case& c : cases) {
        Arguments args = c.args;
        Error e = errorOf([&] { c.target->invoke(c.id, c.flags, args); });
        EXPECT_EQ(e.number(), c.number) << c.source;
        EXPECT_EQ(e.description(), c.description) << c.source;
        EXPECT_EQ(e.source(), c.source);
    }
    Error unknown = errorOf([&] { k.idOf("CreateInvoices"); });
    EXPECT_EQ(unknown.number(), 438);
    EXPECT_EQ(unknown.source(), "KovrinAPI.Kovrin.CreateInvoices");
    EXPECT_EQ(errorOf([&] { Dispatch::create("KovrinAPI.Nothing"); }).number(), 429);

    // An operation's own error is the one the direct call raises: number, source and description.
    Kovrin direct;
    Error viaDispatch = errorOf([&] { call(k, "GetInvoiceByNumber", {Variant(int32_t{999})}); });
    Error viaCpp = errorOf([&] { direct.GetInvoiceByNumber(999); });
    EXPECT_EQ(viaDispatch.number(), 8257);
    EXPECT_EQ(viaDispatch.number(), viaCpp.number());
    EXPECT_EQ(viaDispatch.source(), viaCpp.source());
    EXPECT_EQ(viaDispatch.description(), viaCpp.description());
    // Nothing for an object argument reaches the operation, which refuses it itself.
    EXPECT_EQ(errorOf([&] { call(k, "UpdateCustomer", {Variant(ObjectRef())}); }).number(), 91);
}
