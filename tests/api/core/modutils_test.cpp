#include "api/core/modUtils.h"

#include <climits>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include <KovrinAPI/runtime/Error.h>
#include <KovrinAPI/runtime/Procedure.h>
#include <KovrinAPI/runtime/Text.h>
#include "support/Checks.h"

using namespace kovrin;
using namespace kovrin::modUtils;

using kovrin::test::errorOf;

namespace {

// True when every quote inside the literal's outer quotes is one of a doubled pair.
bool wellQuoted(const std::string& literal) {
    if (literal.size() < 2 || literal.front() != '\'' || literal.back() != '\'') return false;
    std::string inner = literal.substr(1, literal.size() - 2);
    for (std::size_t i = 0; i < inner.size(); ++i)
        if (inner[i] == '\'' && (i + 1 >= inner.size() || inner[++i] != '\'')) return false;
    return true;
}

xml::Document parsed(const std::string& text) {
    xml::Document doc;
    EXPECT_TRUE(doc.loadXML(text)) << doc.parseError().reason;
    return doc;
}

}  // namespace

TEST(ModUtilsSql, SqlStrQuotesAndCutsByCharacters) {
    EXPECT_EQ(SqlStr("", 0), "NULL");
    EXPECT_EQ(SqlStr("", 10), "NULL");
    EXPECT_EQ(SqlStr("'", 0), "''''");
    EXPECT_EQ(SqlStr("O'Brien", 0), "'O''Brien'");
    EXPECT_EQ(SqlStr("   ", 0), "'   '");
    EXPECT_EQ(SqlStr("abcdef", -1), "'abcdef'");
    EXPECT_EQ(SqlStr("abcdef", 4), "'abcd'");
    EXPECT_EQ(SqlStr("שלום עולם", 4), "'שלום'");
    // The count includes the doubled quotes.
    EXPECT_EQ(SqlStr("O'Brien", 3), "'O'''");
}

TEST(ModUtilsSql, SqlStrNeverEndsOnALoneQuote) {
    // "אב'ג" doubles to "אב''ג": a cut at 3 falls between the two quotes of the pair.
    EXPECT_EQ(SqlStr("אב'ג", 3), "'אב'");
    EXPECT_EQ(SqlStr("אב'ג", 4), "'אב'''");
    EXPECT_EQ(SqlStr("'", 1), "''");
    EXPECT_EQ(SqlStr("a'''b", 4), "'a'''");    // three quotes cut: one pair kept
    EXPECT_EQ(SqlStr("a'''b", 5), "'a'''''");  // two pairs kept
    const std::string texts[] = {"O'Brien", "''''", "ש'ח'ש'", "a'b'c'd'e'f'", "'x'"};
    for (const std::string& t : texts)
        for (int32_t max = 1; max <= 14; ++max) {
            std::string literal = SqlStr(t, max);
            EXPECT_TRUE(wellQuoted(literal)) << t << " cut at " << max << " gave " << literal;
            EXPECT_LE(text::length(literal), static_cast<std::size_t>(max) + 2) << literal;
        }
}

TEST(ModUtilsSql, NumbersFlagsAndDates) {
    EXPECT_EQ(SqlLong(0), "NULL");
    EXPECT_EQ(SqlLong(42), "42");
    EXPECT_EQ(SqlLong(-7), "-7");
    EXPECT_EQ(SqlLong(INT_MIN), "-2147483648");
    EXPECT_EQ(BoolToLong(true), 1);
    EXPECT_EQ(BoolToLong(false), 0);

    EXPECT_EQ(SqlDate(Date()), "NULL");
    EXPECT_EQ(SqlDate(Date::fromCalendar(2012, 1, 1)), "#01/01/2012 00:00#");
    EXPECT_EQ(SqlDate(Date::fromCalendar(2011, 8, 21, 10, 25, 59)), "#08/21/2011 10:25#");  // seconds dropped
    EXPECT_EQ(SqlDate(Date::fromCalendar(2011, 12, 31, 23, 5)), "#12/31/2011 23:05#");
    EXPECT_EQ(SqlDate(Date::fromCalendar(100, 2, 3, 4, 5)), "#02/03/0100 04:05#");  // every digit written
    EXPECT_EQ(SqlDate(Date::fromCalendar(9999, 10, 30, 19, 50)), "#10/30/9999 19:50#");
}

TEST(ModUtilsValues, FracAndField) {
    EXPECT_DOUBLE_EQ(Frac(Currency::parse("12.3456")), 0.3456);
    EXPECT_DOUBLE_EQ(Frac(Currency::parse("-12.3456")), -0.3456);
    EXPECT_DOUBLE_EQ(Frac(Currency(5)), 0.0);
    EXPECT_DOUBLE_EQ(Frac(Currency::parse("-0.5")), -0.5);

    EXPECT_EQ(Field("7", 2), "07");
    EXPECT_EQ(Field("", 3), "000");
    EXPECT_EQ(Field("123", 2), "123");
    EXPECT_EQ(Field("12", 2), "12");
    EXPECT_EQ(Field("אב", 4), "00אב");  // characters, not bytes
    // The pad supply is 34 zeros, no more.
    EXPECT_EQ(Field("5", 40), std::string(34, '0') + "5");
    EXPECT_EQ(Field("5", 35), std::string(34, '0') + "5");
    EXPECT_EQ(Field("5", 34), std::string(33, '0') + "5");
}

TEST(ModUtilsValues, MyNzAndVarToCurrency) {
    EXPECT_EQ(MyNz(Variant::null(), Variant(int32_t{0})), Variant(int32_t{0}));
    EXPECT_EQ(MyNz(Variant::null(), Variant("")), Variant(""));
    EXPECT_TRUE(MyNz(Variant(), Variant("default")).isEmpty());  // Empty is not Null
    EXPECT_EQ(MyNz(Variant("x"), Variant("default")), Variant("x"));

    EXPECT_EQ(VarToCurrency(Variant("12.34567")), Currency::parse("12.3457"));
    EXPECT_EQ(VarToCurrency(Variant(" 7 ")), Currency(7));
    EXPECT_EQ(VarToCurrency(Variant(2.00015)), Currency::parse("2.0002"));  // halves to even
    EXPECT_EQ(VarToCurrency(Variant(int32_t{-3})), Currency(-3));
    EXPECT_EQ(VarToCurrency(Variant(Currency::parse("1.5"))), Currency::parse("1.5"));
    for (const Variant& v : {Variant("abc"), Variant(""), Variant("   "), Variant::null(), Variant(), Variant("12abc")})
        EXPECT_EQ(VarToCurrency(v), Currency()) << (v.isString() ? CStr(v) : "non-text");
}

TEST(ModUtilsXml, XmlDatesBothWays) {
    EXPECT_EQ(CXMLDate(Variant(Date::fromCalendar(2011, 8, 21, 9, 5, 0))), "2011-08-21T09:05:00");
    EXPECT_EQ(CXMLDate(Variant(Date::fromCalendar(2008, 3, 15))), "2008-03-15T00:00:00");
    EXPECT_EQ(CXMLDate(Variant("2011-08-21 10:25:25")), "2011-08-21T10:25:25");
    EXPECT_EQ(CXMLDate(Variant(Date::fromCalendar(100, 1, 2, 3, 4, 5))), "100-01-02T03:04:05");
    EXPECT_EQ(CXMLDate(Variant("abc")), "");
    EXPECT_EQ(CXMLDate(Variant::null()), "");
    EXPECT_EQ(CXMLDate(Variant()), "");

    EXPECT_EQ(XMLDateToDate(""), Date());
    EXPECT_EQ(XMLDateToDate("2011-08-21T10:25:25.123"), Date::fromCalendar(2011, 8, 21, 10, 25, 25));
    EXPECT_EQ(XMLDateToDate("2011-08-21T10:25:25"), Date::fromCalendar(2011, 8, 21, 10, 25, 25));
    EXPECT_EQ(XMLDateToDate("2011-08-21"), Date::fromCalendar(2011, 8, 21));
    EXPECT_EQ(XMLDateToDate(CXMLDate(Variant(Date::fromCalendar(2024, 2, 29, 23, 59, 58)))),
              Date::fromCalendar(2024, 2, 29, 23, 59, 58));
    for (const char* bad : {"2011-08-21T10:25:25+02:00", "2011-08-21T10:25:25Z", "abc", "2011-02-30"}) {
        Error e = errorOf([&] { XMLDateToDate(bad); });
        EXPECT_EQ(e.number(), 13) << bad;
        EXPECT_EQ(e.source(), "") << bad;  // no handler of its own
    }
}

TEST(ModUtilsXml, GetNodeTakesTheFirstElementAndItsDefault) {
    xml::Document doc = parsed(
        "<Kovrin><Document><CustomerID>5</CustomerID><DocComments></DocComments>"
        "<LineItem><ChargeVAT>False</ChargeVAT></LineItem><ChargeVAT>True</ChargeVAT></Document></Kovrin>");
    EXPECT_EQ(GetNode(doc, "CustomerID"), Variant("5"));
    EXPECT_EQ(GetNode(doc, "CustomerID", Variant(int32_t{0})), Variant("5"));
    EXPECT_EQ(GetNode(doc, "ChargeVAT"), Variant("False"));  // first in document order
    EXPECT_EQ(GetNode(doc, "DocComments"), Variant(""));
    EXPECT_EQ(GetNode(doc, "DocComments", Variant("none")), Variant("none"));
    EXPECT_EQ(GetNode(doc, "Missing"), Variant(""));
    EXPECT_EQ(GetNode(doc, "Missing", Variant(false)), Variant(false));
}

TEST(ModUtilsXml, GetNode2ReadsBelowANodeAndGivesEmptyWhenMissing) {
    xml::Document doc = parsed(
        "<Kovrin><Currency>USD</Currency><LineItem><UnitPrice>10.5</UnitPrice><CurrencyRate></CurrencyRate></LineItem></Kovrin>");
    xml::Node line = doc.getElementsByTagName("LineItem").at(0);
    EXPECT_EQ(GetNode2(line, "UnitPrice"), Variant("10.5"));
    EXPECT_EQ(GetNode2(line, "CurrencyRate"), Variant(""));
    EXPECT_EQ(GetNode2(line, "CurrencyRate", Variant(int32_t{0})), Variant(int32_t{0}));
    EXPECT_TRUE(GetNode2(line, "Currency").isEmpty());  // the header's Currency is not below the line
    EXPECT_TRUE(GetNode2(line, "Currency", Variant("NIS")).isEmpty());

    Error e = errorOf([&] { GetNode2(line, "Unit[", Variant(0.0)); });
    EXPECT_EQ(e.number(), 5);
    EXPECT_EQ(e.source(), "modUtils.GetNode2[10]\\");
    EXPECT_EQ(errorOf([&] { GetNode2(xml::Node(), "UnitPrice"); }).number(), 91);
}

TEST(ModUtilsCurrency, NamesToSymbolsAndBack) {
    const std::pair<const char*, const char*> table[] = {
        {"NIS", "₪"}, {"USD", "$"}, {"GBP", "£"}, {"EUR", "€"},
        {"JPY", "¥"}, {"NZD", "NZ $"}, {"AUD", "AUS $"}, {"CAD", "CAD $"},
    };
    for (const auto& [name, symbol] : table) {
        EXPECT_EQ(CurrencyNameToSymbol(Variant(name)), symbol) << name;
        EXPECT_EQ(CurrencySymbolToName(Variant(symbol)), name) << name;
    }
    EXPECT_EQ(CurrencyNameToSymbol(Variant(" USD ")), "$");
    EXPECT_EQ(CurrencySymbolToName(Variant("שח")), "NIS");
    EXPECT_EQ(CurrencySymbolToName(Variant("ש\"ח")), "NIS");
    EXPECT_EQ(CurrencySymbolToName(Variant(" ₪ ")), "NIS");
    EXPECT_EQ(CurrencySymbolToName(Variant("   ")), "NIS");
    EXPECT_EQ(CurrencySymbolToName(Variant("")), "NIS");
    EXPECT_EQ(CurrencySymbolToName(Variant("DKK")), "DKK");
    EXPECT_EQ(CurrencySymbolToName(Variant(" DKK ")), " DKK ");  // passes through untrimmed
    EXPECT_EQ(CurrencySymbolToName(Variant("nz $")), "nz $");   // case counts
}

TEST(ModUtilsCurrency, FailuresCarryNumberDescriptionAndSource) {
    Error lower = errorOf([] { CurrencyNameToSymbol(Variant(" usd ")); });
    EXPECT_EQ(lower.number(), 5436);
    EXPECT_EQ(lower.description(), "Unknown currency:  usd ");  // the name as given
    EXPECT_EQ(lower.source(), "modUtils.CurrencyNameToSymbol[10]\\");
    EXPECT_EQ(errorOf([] { CurrencyNameToSymbol(Variant("")); }).description(), "Unknown currency: ");
    EXPECT_EQ(errorOf([] { CurrencyNameToSymbol(Variant("₪")); }).number(), 5436);
    Error nullName = errorOf([] { CurrencyNameToSymbol(Variant::null()); });
    EXPECT_EQ(nullName.number(), 5436);
    EXPECT_EQ(nullName.description(), "Unknown currency: ");

    Error nullSymbol = errorOf([] { CurrencySymbolToName(Variant::null()); });
    EXPECT_EQ(nullSymbol.number(), 94);
    EXPECT_EQ(nullSymbol.description(), "Invalid use of Null");
    EXPECT_EQ(nullSymbol.source(), "modUtils.CurrencySymbolToName[10]\\");

    // Inside a procedure: a helper with a handler adds its step, one without adds none.
    auto caller = [](int what) {
        passOn("modKovrin.Caller", [&](Line& line) {
            line(10);
            if (what == 1) CurrencyNameToSymbol(Variant("DKK"));
            line(20);
            if (what == 2) XMLDateToDate("2011-08-21T10:25:25Z");
        });
    };
    EXPECT_EQ(errorOf([&] { caller(1); }).source(), "modKovrin.Caller[10]\\modUtils.CurrencyNameToSymbol[10]\\");
    EXPECT_EQ(errorOf([&] { caller(2); }).source(), "modKovrin.Caller[20]\\");
}

TEST(ModUtilsSystem, TempDirEndsWithASlash) {
    const char* old = std::getenv("TMPDIR");
    std::string saved = old ? old : "";
    setenv("TMPDIR", "/var/tmp", 1);
    EXPECT_EQ(GetTempDir(), "/var/tmp/");
    setenv("TMPDIR", "/srv/scratch/", 1);
    EXPECT_EQ(GetTempDir(), "/srv/scratch/");
    setenv("TMPDIR", "", 1);
    EXPECT_EQ(GetTempDir(), "/tmp/");
    unsetenv("TMPDIR");
    EXPECT_EQ(GetTempDir(), "/tmp/");
    if (old) setenv("TMPDIR", saved.c_str(), 1);
}
