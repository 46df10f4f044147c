#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/ColumnTypes.h"
#include "platform/db/Errors.h"
#include "platform/db/JetDialect.h"
#include "DbTest.h"

using namespace kovrin;
using namespace kovrin::db;
using kovrin::test::caught;
using kovrin::test::Dt;
using kovrin::test::L;

namespace {
struct Case {
    const char* jet;
    const char* portable;
};
}  // namespace

TEST(JetDialect, RewritesDateLiteralsToIsoText) {
    const std::vector<Case> cases = {
        {"#08/21/2011 10:25#", "'2011-08-21 10:25:00'"},
        {"#01/01/2012 00:00#", "'2012-01-01 00:00:00'"},
        {"#01/01/2012#", "'2012-01-01 00:00:00'"},
        {"#12/31/2011 23:59:58#", "'2011-12-31 23:59:58'"},
        {"#1/2/2012 7:05#", "'2012-01-02 07:05:00'"},  // month first, one-digit fields
        {"#02/29/2012#", "'2012-02-29 00:00:00'"},
        {"#2011-08-21 10:25#", "'2011-08-21 10:25:00'"},
        {"#08/21/2011 10:25 PM#", "'2011-08-21 22:25:00'"},
        {"#08/21/2011 12:05 am#", "'2011-08-21 00:05:00'"},
        {"# 08/21/2011  10:25 #", "'2011-08-21 10:25:00'"},
        {"#10:25#", "'1899-12-30 10:25:00'"},  // a time alone lies on day zero
        {"x>=#01/01/2012#AND y<#02/01/2012#", "x>='2012-01-01 00:00:00'AND y<'2012-02-01 00:00:00'"},
    };
    for (const Case& c : cases) EXPECT_EQ(translateJetSql(c.jet), c.portable) << c.jet;
}

TEST(JetDialect, RewritesTopIntoLimitAtTheEndOfItsStatement) {
    const std::vector<Case> cases = {
        {"SELECT TOP 1 fltVATRate FROM VATRates WHERE  #08/21/2011 10:25# >= datStartDate ORDER BY datStartDate DESC",
         "SELECT fltVATRate FROM VATRates WHERE  '2011-08-21 10:25:00' >= datStartDate ORDER BY datStartDate DESC LIMIT 1"},
        {"SELECT TOP 1 x FROM t ORDER BY y DESC;", "SELECT x FROM t ORDER BY y DESC LIMIT 1;"},
        {"select top 3 * from t", "select * from t LIMIT 3"},
        {"SELECT DISTINCT TOP 5 x FROM t", "SELECT DISTINCT x FROM t LIMIT 5"},
        {"SELECT a FROM t WHERE b IN (SELECT TOP 2 b FROM u ORDER BY b) ORDER BY a",
         "SELECT a FROM t WHERE b IN (SELECT b FROM u ORDER BY b LIMIT 2) ORDER BY a"},
        {"SELECT TOP 1 a FROM t WHERE b IN (SELECT TOP 2 b FROM u)", "SELECT a FROM t WHERE b IN (SELECT b FROM u LIMIT 2) LIMIT 1"},
        {"SELECT Top FROM t", "SELECT Top FROM t"},                 // a column named Top
        {"SELECT TOPx FROM t WHERE TOP 1", "SELECT TOPx FROM t WHERE TOP 1"},  // TOP only right after SELECT
    };
    for (const Case& c : cases) EXPECT_EQ(translateJetSql(c.jet), c.portable) << c.jet;
}

TEST(JetDialect, RewritesQuotedTextNamesAndConstantsOutsideLiteralsOnly) {
    const std::vector<Case> cases = {
        {R"(VALUES("He said ""hi""", 1))", R"(VALUES('He said "hi"', 1))"},
        {R"("it's")", "'it''s'"},
        {R"("")", "''"},
        {R"("#01/01/2012# [x] 'y'")", R"('#01/01/2012# [x] ''y''')"},
        {"SELECT [vcמספרעוסקמורשה] FROM [Business Details]", R"(SELECT "vcמספרעוסקמורשה" FROM "Business Details")"},
        {"SELECT [a\"b]", R"(SELECT "a""b")"},
        {"SELECT vcמספרעוסקמורשה FROM BusinessDetails  WHERE iBusinessID=1",
         "SELECT vcמספרעוסקמורשה FROM BusinessDetails  WHERE iBusinessID=1"},
        {"WHERE a=True AND b=false", "WHERE a=1 AND b=0"},
        {"WHERE t.True=1 AND TrueValue=2 AND t. False=3", "WHERE t.True=1 AND TrueValue=2 AND t. False=3"},
        // Inside single quotes nothing is rewritten.
        {R"(WHERE x='#1 "q" [a] True -- '' TOP 5' AND y='שלום')", R"(WHERE x='#1 "q" [a] True -- '' TOP 5' AND y='שלום')"},
        {"WHERE vcName='O''Brien' AND iBusinessID= 1", "WHERE vcName='O''Brien' AND iBusinessID= 1"},
        {"IN (1,3)", "IN (1,3)"},
        {"SELECT @@IDENTITY", "SELECT last_insert_rowid()"},
        {"SELECT @@identity AS k, '@@IDENTITY'", "SELECT last_insert_rowid() AS k, '@@IDENTITY'"},
        // Jet has no comments: -- is minus minus, not the end of the statement.
        {"SET n=5--3 WHERE iBusinessID=1", "SET n=5- -3 WHERE iBusinessID=1"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(translateJetSql(c.jet), c.portable) << c.jet;
}

TEST(JetDialect, MalformedLiteralsAreSyntaxErrors) {
    const std::vector<const char*> bad = {
        "SELECT * FROM t WHERE a='abc",  "SELECT * FROM t WHERE a='abc''", R"(VALUES("abc)", R"(VALUES("abc""))",
        "SELECT [abc FROM t",            "WHERE d=#01/01/2012",            "WHERE d=#13/01/2012#",
        "WHERE d=#02/30/2012#",          "WHERE d=#01/01/2012 24:00#",     "WHERE d=#01/01/2012 10:60#",
        "WHERE d=#abc#",                 "WHERE d=##",                     "WHERE d=#01/01/12#",
        "WHERE d=#01/01/2012 13:00 PM#", "SELECT TOP 10 PERCENT x FROM t",
    };
    for (const char* sql : bad) {
        Error e = caught([&] { translateJetSql(sql); });
        EXPECT_EQ(e.number(), ErrSyntax) << sql;
        EXPECT_EQ(e.source(), "Microsoft JET Database Engine") << sql;
    }
    EXPECT_EQ(caught([] { translateJetSql("WHERE d=#13/01/2012# AND 1"); }).description(),
              "Syntax error in date in query expression '#13/01/2012#'.");
    EXPECT_EQ(caught([] { translateJetSql("WHERE a='abc"); }).description(),
              "Syntax error in string in query expression ''abc'.");
}

TEST(JetDialect, LiftsValuesOutOfConditionsAssignmentsAndValueListsOnly) {
    struct Bound {
        const char* jet;
        const char* shape;
        std::vector<Variant> params;
    };
    const std::vector<Bound> cases = {
        {"SELECT * FROM Customers WHERE iBusinessID=1 AND vcName='O''Brien'",
         "SELECT * FROM Customers WHERE iBusinessID=? AND vcName=?", {L(1), Variant("O'Brien")}},
        {"SELECT TOP 1 fltVATRate FROM VATRates WHERE  #08/21/2011 10:25# >= datStartDate ORDER BY datStartDate DESC",
         "SELECT fltVATRate FROM VATRates WHERE  ? >= datStartDate ORDER BY datStartDate DESC LIMIT 1",
         {Dt(2011, 8, 21, 10, 25)}},
        {R"(INSERT INTO t (a, b, c, d, e) VALUES(12.5, "say ""hi""", True, -3, 1.5E-2))",
         "INSERT INTO t (a, b, c, d, e) VALUES(?, ?, ?, -?, ?)",
         {Variant(12.5), Variant("say \"hi\""), Variant(true), L(3), Variant(0.015)}},
        {"UPDATE t SET n=5--3, s='' WHERE k IN (1,2) AND f=False",
         "UPDATE t SET n=?- -?, s=? WHERE k IN (?,?) AND f=?", {L(5), L(3), Variant(""), L(1), L(2), Variant(false)}},
        // A select list names its columns by its literals; ORDER BY and GROUP BY read a number as a
        // column's position: all stay text, also in a subquery of the select list.
        {"SELECT 'x' AS a, 5, (SELECT max(n) FROM u WHERE u.b = 7) AS m FROM t WHERE c = 'y' GROUP BY 1 ORDER BY 2",
         "SELECT 'x' AS a, 5, (SELECT max(n) FROM u WHERE u.b = 7) AS m FROM t WHERE c = ? GROUP BY 1 ORDER BY 2",
         {Variant("y")}},
        {"SELECT a FROM t INNER JOIN u ON u.k = t.k AND u.x = 'q' WHERE t.d IN (SELECT d FROM v WHERE e = 4)",
         "SELECT a FROM t INNER JOIN u ON u.k = t.k AND u.x = ? WHERE t.d IN (SELECT d FROM v WHERE e = ?)",
         {Variant("q"), L(4)}},
        // Whole numbers beyond 32 bits, digits running into letters, and qualified True stay text.
        {"DELETE FROM t WHERE a = 3000000000 AND b = 0x1F AND t.True = 1",
         "DELETE FROM t WHERE a = 3000000000 AND b = 0x1F AND t.True = ?", {L(1)}},
        // Statements that take no parameters, and text with a parameter of its own, stay as they are.
        {"CREATE TABLE t (a INTEGER DEFAULT 0 CHECK (a > 1))", "CREATE TABLE t (a INTEGER DEFAULT 0 CHECK (a > 1))", {}},
        {"PRAGMA user_version = 3", "PRAGMA user_version = 3", {}},
        {"SELECT * FROM t WHERE a = ? AND b = 'x'", "SELECT * FROM t WHERE a = ? AND b = 'x'", {}},
        {"SELECT * FROM t WHERE a = :a AND b = 2", "SELECT * FROM t WHERE a = :a AND b = 2", {}},
        {"SELECT 1 FROM t WHERE a = 1; DROP TABLE t", "SELECT 1 FROM t WHERE a = ?; DROP TABLE t", {L(1)}},
    };
    for (const Bound& c : cases) {
        BoundSql b = bindJetSql(c.jet);
        EXPECT_EQ(b.shape, c.shape) << c.jet;
        EXPECT_EQ(b.params, c.params) << c.jet;
    }
}

TEST(ColumnTypes, OverlappingTypeNamesResolveToTheRightKind) {
    // Names that contain another kind's word: the order of the checks decides.
    const std::vector<std::pair<const char*, ColumnKind>> cases = {
        {"DATETIME", ColumnKind::Date},     {"TIMESTAMP", ColumnKind::Date},     {"LONGTEXT", ColumnKind::String},
        {"LONGCHAR", ColumnKind::String},   {"SMALLINT", ColumnKind::Integer},   {"INTEGER", ColumnKind::Long},
        {"boolean", ColumnKind::Boolean},   {"money", ColumnKind::Currency},     {"COUNTER", ColumnKind::Long},
        {"", ColumnKind::Stored},           {"NUMERIC", ColumnKind::Stored},
    };
    for (const auto& [declared, kind] : cases) EXPECT_EQ(columnKindOf(declared), kind) << declared;
}
