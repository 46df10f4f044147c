#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/Backend.h"
#include "platform/db/Errors.h"
#include "platform/db/JetDialect.h"
#include "DbTest.h"

using namespace kovrin;
using namespace kovrin::test;
namespace fs = std::filesystem;

namespace {
std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}
}  // namespace

TEST(DbValues, StoredValuesComeBackInTheTypeOfTheirColumn) {
    TestDb db;
    db.exec("CREATE TABLE T (n INTEGER, c CURRENCY, d DATETIME, b BIT, s SMALLINT, f DOUBLE, t TEXT(10), x)");
    // Money is rounded to four places halves to even; whole numbers in a money column are money.
    db.exec("INSERT INTO T VALUES (1, 1.23456, '2011-08-21', -1, 7, 2, 'abc', 5)");
    db.exec("INSERT INTO T VALUES (2, 2.00015, '10:25:30', 1, -32768, 0.5, 42, 3000000000)");
    db.exec("INSERT INTO T VALUES (3, 12, 'not a date', 0, 40000, 3, NULL, 2.5)");
    db.exec("INSERT INTO T VALUES (4, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
    EXPECT_EQ(db.rows("SELECT c, d, b, s, f, t, x FROM T ORDER BY n"),
              (Rows{{Cur("1.2346"), Dt(2011, 8, 21), Variant(true), Variant(int16_t{7}), Variant(2.0), Variant("abc"), L(5)},
                    {Cur("2.0002"), Variant(Date::parse("10:25:30")), Variant(true), Variant(int16_t{-32768}), Variant(0.5),
                     Variant("42"), Variant(3000000000.0)},
                    // Values a column's type cannot carry come back as stored rather than lost.
                    {Cur("12"), Variant("not a date"), Variant(false), L(40000), Variant(3.0), Null(), Variant(2.5)},
                    {Null(), Null(), Null(), Null(), Null(), Null(), Null()}}));
    // Expressions have no declared type: each value takes its stored type.
    EXPECT_EQ(db.rows("SELECT Max(n), 'x' || t, Sum(f), Max(c) FROM T WHERE n = 1"),
              (Rows{{L(1), Variant("xabc"), Variant(2.0), Variant(1.23456)}}));
    EXPECT_EQ(db.scalar("SELECT Max(n) FROM T WHERE n > 99"), Null());
}

TEST(DbRecordset, SnapshotCountsFieldsAndPositions) {
    TestDb db;
    db.exec("CREATE TABLE Customers (iCustomersID INTEGER, vcEMail TEXT, vcBusinessName TEXT)");
    db.exec("INSERT INTO Customers VALUES (1, 'a@x', 'A'), (2, 'b@x', 'B'), (3, NULL, 'C')");

    auto rs = std::make_shared<db::Recordset>();
    rs->ActiveConnection(db.conn);
    rs->Source = "SELECT * FROM Customers ORDER BY iCustomersID";
    rs->Open();
    EXPECT_EQ(rs->State(), db::StateOpen);
    EXPECT_EQ(rs->RecordCount(), 3);  // exact before the first row is read
    // Rows changed after Open do not move under the reader (the library runs statements while reading).
    db.exec("DELETE FROM Customers");
    EXPECT_EQ(rs->FieldCount(), 3);
    EXPECT_EQ(rs->FieldName(1), "vcEMail");
    EXPECT_EQ(rs->Fields("vcEmail"), Variant("a@x"));  // names compare without regard to case
    EXPECT_EQ(rs->Fields("VCEMAIL"), Variant("a@x"));
    EXPECT_EQ(rs->Fields(0), L(1));
    EXPECT_EQ(caught([&] { rs->Fields("vcEMail2"); }).number(), db::ErrItemNotFound);
    EXPECT_EQ(caught([&] { rs->Fields(3); }).number(), db::ErrItemNotFound);
    EXPECT_EQ(caught([&] { rs->Fields(-1); }).number(), db::ErrItemNotFound);
    EXPECT_EQ(caught([&] { rs->FieldName(3); }).number(), db::ErrItemNotFound);
    rs->MoveNext();
    rs->MoveNext();
    EXPECT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Fields("vcemail"), Null());
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
    Error noRow = caught([&] { rs->Fields("vcEMail"); });
    EXPECT_EQ(noRow.number(), 3021);
    EXPECT_EQ(noRow.description(), "Either BOF or EOF is True, or the current record has been deleted.");
    EXPECT_EQ(caught([&] { rs->MoveNext(); }).number(), 3021);
    EXPECT_EQ(caught([&] { rs->Open(); }).number(), db::ErrObjectOpen);
    EXPECT_EQ(caught([&] { rs->ActiveConnection(db.conn); }).number(), db::ErrObjectOpen);

    rs->Close();
    rs->Close();  // closing twice is allowed
    EXPECT_EQ(rs->State(), db::StateClosed);
    EXPECT_EQ(caught([&] { rs->Eof(); }).number(), db::ErrObjectClosed);
    EXPECT_EQ(caught([&] { rs->RecordCount(); }).number(), db::ErrObjectClosed);
    EXPECT_EQ(caught([&] { rs->Fields(0); }).number(), db::ErrObjectClosed);

    // An empty result is open, at its end, with count 0.
    rs->Open();
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(rs->RecordCount(), 0);
    rs->Close();
    // A statement run through a recordset is done and leaves it closed.
    rs->Source = "INSERT INTO Customers VALUES (9, NULL, 'Z')";
    rs->Open();
    EXPECT_EQ(rs->State(), db::StateClosed);
    EXPECT_EQ(db.scalar("SELECT Count(*) FROM Customers"), L(1));
}

TEST(DbErrors, OpeningNeverCreatesOrChangesAFileThatIsNoDatabase) {
    TempDir dir;
    const std::string missing = dir.file("missing.mdb");
    db::Connection c;
    c.ConnectionString = jetConnectionString(missing);
    Error e = caught([&] { c.Open(); });
    EXPECT_EQ(e.number(), -2147467259);
    EXPECT_EQ(e.source(), "Microsoft JET Database Engine");
    EXPECT_EQ(e.description(), "Could not find file '" + missing + "'.");
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_EQ(c.State(), db::StateClosed);

    const std::string empty = dir.file("empty.sqlite");
    writeFile(empty, "");
    c.ConnectionString = jetConnectionString(empty);
    e = caught([&] { c.Open(); });
    EXPECT_EQ(e.number(), -2147467259);
    EXPECT_EQ(e.description(), "Unrecognized database format '" + empty + "'.");
    EXPECT_EQ(fs::file_size(empty), 0u);

    const std::string text = dir.file("notes.txt");
    const std::string content(5000, 'x');
    writeFile(text, content);
    c.ConnectionString = jetConnectionString(text);
    e = caught([&] { c.Open(); });
    EXPECT_EQ(e.number(), -2147467259);
    EXPECT_EQ(e.description(), "Unrecognized database format '" + text + "'.");
    EXPECT_EQ(readFile(text), content);

    c.ConnectionString = jetConnectionString(dir.path().string());  // a folder is no file
    EXPECT_EQ(caught([&] { c.Open(); }).description(), "Could not find file '" + dir.path().string() + "'.");

    EXPECT_EQ(caught([&] { db::createSqliteDatabase(text); }).number(), -2147467259);  // never overwrites
    EXPECT_EQ(readFile(text), content);
}

TEST(DbErrors, ConnectionStringsAndObjectStates) {
    TestDb db;
    db.exec("CREATE TABLE T (n INTEGER)");
    auto conn = std::make_shared<db::Connection>();
    db::Connection& c = *conn;
    // The provider string as the library builds it, and a quoted data source holding ';'.
    const std::string odd = db.dir.file("a;b.sqlite");
    db::createSqliteDatabase(odd);
    c.ConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"" + odd + "\";Mode=Read|Write";
    c.Open();
    EXPECT_EQ(c.State(), db::StateOpen);
    // Several processes share the file: write-ahead log, full sync.
    EXPECT_EQ(query(conn, "PRAGMA journal_mode"), (Rows{{Variant("wal")}}));
    EXPECT_EQ(query(conn, "PRAGMA synchronous"), (Rows{{L(2)}}));
    EXPECT_EQ(caught([&] { c.Open(); }).number(), db::ErrObjectOpen);
    c.Close();
    c.Close();
    EXPECT_EQ(c.State(), db::StateClosed);

    c.ConnectionString = "Provider=SQLOLEDB;Data Source=" + db.path;
    EXPECT_EQ(caught([&] { c.Open(); }).number(), db::ErrProviderNotFound);

    // Mode=Read opens read-only: reading works, writing fails and changes nothing.
    c.ConnectionString = jetConnectionString(db.path, "Read");
    c.Open();
    EXPECT_EQ(query(conn, "SELECT Count(*) FROM T"), (Rows{{L(0)}}));
    EXPECT_EQ(caught([&] { execute(conn, "INSERT INTO T VALUES (1)"); }).number(), -2147467259);
    c.Close();

    // Commands and recordsets without an open connection.
    db::Command cmd;
    cmd.CommandText = "DELETE FROM T";
    Error unusable = caught([&] { cmd.Execute(); });
    EXPECT_EQ(unusable.number(), 3709);
    EXPECT_EQ(unusable.description(),
              "The connection cannot be used to perform this operation. It is either closed or invalid in this context.");
    auto closed = std::make_shared<db::Connection>();
    cmd.ActiveConnection(closed);
    EXPECT_EQ(caught([&] { cmd.Execute(); }).number(), 3709);
    db::Recordset rs;
    rs.Source = "SELECT * FROM T";
    EXPECT_EQ(caught([&] { rs.Open(); }).number(), 3709);
    rs.ActiveConnection(closed);
    EXPECT_EQ(caught([&] { rs.Open(); }).number(), 3709);
    EXPECT_EQ(caught([&] { closed->BeginTrans(); }).number(), db::ErrObjectClosed);
    EXPECT_EQ(caught([&] { closed->backend(); }).number(), 3709);
    cmd.ActiveConnection(db.conn);
    cmd.CommandType = 4;
    EXPECT_EQ(caught([&] { cmd.Execute(); }).number(), db::ErrArguments);
}

TEST(DbErrors, EngineFailuresCarryTheProviderNumbers) {
    TestDb db;
    db.exec("CREATE TABLE T (n INTEGER PRIMARY KEY, s TEXT NOT NULL)");
    db.exec("CREATE TABLE U (n INTEGER)");
    db.exec("CREATE TABLE L (t INTEGER REFERENCES T (n))");
    db.exec("INSERT INTO T VALUES (1, 'one')");
    db.exec("INSERT INTO U VALUES (1)");
    struct Bad {
        const char* sql;
        int32_t number;
    };
    const std::vector<Bad> cases = {
        {"SELEC * FROM T", db::ErrSyntax},
        {"SELECT nope FROM T", db::ErrSyntax},
        {"INSERT INTO T (n, nope) VALUES (2, 'x')", db::ErrSyntax},
        {"SELECT * FROM T WHERE s='open", db::ErrSyntax},
        {"SELECT * FROM Nowhere", db::ErrNoSuchTable},
        {"DELETE FROM Nowhere WHERE n=1", db::ErrNoSuchTable},
        {"INSERT INTO T VALUES (1, 'again')", -2147467259},  // duplicate key
        {"INSERT INTO T VALUES (2, NULL)", -2147467259},
        {"INSERT INTO L VALUES (99)", -2147467259},  // declared foreign keys hold
        {"", db::ErrSyntax},
        // Only one statement per text: a second one is refused and nothing of the text runs.
        {"DELETE FROM U; DELETE FROM T", db::ErrSyntax},
        {"SELECT * FROM T; DROP TABLE U", db::ErrSyntax},
    };
    for (const Bad& b : cases) {
        Error e = caught([&] { db.exec(b.sql); });
        EXPECT_EQ(e.number(), b.number) << b.sql;
        EXPECT_EQ(e.source(), "Microsoft JET Database Engine") << b.sql;
        EXPECT_FALSE(e.description().empty()) << b.sql;
    }
    EXPECT_EQ(caught([&] { db.exec("INSERT INTO T VALUES (1, 'again')"); }).description(),
              "UNIQUE constraint failed: T.n");
    EXPECT_EQ(caught([&] { db.rows("SELECT * FROM Nowhere"); }).description(), "no such table: Nowhere");
    EXPECT_EQ(db.scalar("SELECT Count(*) FROM U"), L(1));
    EXPECT_EQ(db.rows("SELECT n, s FROM T"), (Rows{{L(1), Variant("one")}}));
    // Trailing semicolons and blanks are one statement.
    EXPECT_NO_THROW(db.exec("DELETE FROM U WHERE n=5 ;  ;"));
}

TEST(DbTrace, SeesEveryTextAsTheLibraryBuiltIt) {
    TestDb db;
    std::vector<std::string> seen;
    db::setStatementTrace([&](std::string_view sql) { seen.emplace_back(sql); });
    db.exec("CREATE TABLE [T] (d DATETIME, s TEXT)");
    db.exec("INSERT INTO T VALUES (#08/21/2011 10:25#, \"x\")");
    db.rows("SELECT TOP 1 s FROM T");
    EXPECT_THROW(db.exec("SELECT 'open"), Error);
    db::setStatementTrace(nullptr);
    db.exec("DELETE FROM T");
    EXPECT_EQ(seen, (std::vector<std::string>{"CREATE TABLE [T] (d DATETIME, s TEXT)",
                                              "INSERT INTO T VALUES (#08/21/2011 10:25#, \"x\")",
                                              "SELECT TOP 1 s FROM T", "SELECT 'open"}));
}

TEST(DbValues, LiftedValuesGiveTheSameRowsAndErrorsAsThePlainText) {
    // Every statement runs on two databases: through the layer (values lifted into parameters)
    // and as the plain translated text straight on the engine.
    TestDb lifted, plain;
    db::Backend& engine = plain.conn->backend();
    auto both = [&](const std::string& jet) {
        lifted.exec(jet);
        engine.execute(db::BoundSql{db::translateJetSql(jet), {}});
    };
    both("CREATE TABLE T (n INTEGER, c CURRENCY, d DATETIME, b BIT, f DOUBLE, t TEXT(10), x)");
    both("INSERT INTO T VALUES (1, 1.23456, #08/21/2011 10:25#, True, 0.1, 'O''Brien', 3000000000)");
    both("INSERT INTO T VALUES (2, 12, #01/01/2012#, False, 1.5E-2, \"say \"\"hi\"\"\", 'x')");
    both("INSERT INTO T VALUES (3, -4.5, '2012-02-29 00:00:00', 0, 7, 42, NULL)");
    both("UPDATE T SET f = f * 2, t = t & '!' WHERE n = 3 AND b = False");
    const std::vector<std::string> queries = {
        "SELECT * FROM T ORDER BY n",
        "SELECT n, t FROM T WHERE d >= #01/01/2012# AND c < 100 ORDER BY 1",
        "SELECT n FROM T WHERE t = 'O''Brien' OR t LIKE 'say%' ORDER BY n DESC",
        "SELECT TOP 1 f FROM T WHERE b = True",
        "SELECT 'x' AS k, n + 1, Count(*) FROM T WHERE x = 3000000000 GROUP BY n",
        "SELECT n FROM T WHERE f = 0.1 OR f = 1.5E-2",
        "SELECT Max(n) FROM T WHERE n > 99",
    };
    for (const std::string& jet : queries) {
        db::QueryResult expected = engine.query(db::BoundSql{db::translateJetSql(jet), {}});
        Rows want;
        for (std::size_t i = 0; i < expected.values.size(); i += expected.names.size())
            want.emplace_back(expected.values.begin() + static_cast<long>(i),
                              expected.values.begin() + static_cast<long>(i + expected.names.size()));
        EXPECT_EQ(lifted.rows(jet), want) << jet;
        db::Recordset rs;
        rs.ActiveConnection(lifted.conn);
        rs.Source = jet;
        rs.Open();
        for (int i = 0; i < rs.FieldCount(); ++i)
            EXPECT_EQ(rs.FieldName(i), expected.names[static_cast<std::size_t>(i)]) << jet;
    }
    // A prepared shape follows a change of the table: SELECT * gives the new column, typed.
    lifted.exec("ALTER TABLE T ADD COLUMN added CURRENCY");
    lifted.exec("UPDATE T SET added = 2.5 WHERE n = 1");
    const Rows after = lifted.rows("SELECT * FROM T ORDER BY n");
    ASSERT_EQ(after[0].size(), 8u);
    EXPECT_EQ(after[0][7], Cur("2.5"));
    // Errors carry the engine's own text, which names the token the plain text has there.
    const std::vector<std::string> bad = {
        "SELECT * FROM T WHERE t = 'a' 'b'",
        "SELECT * FROM T WHERE nothere = 5",
        "SELECT * FROM Missing WHERE n = 5",
        "INSERT INTO T (n) VALUES (1, 2)",
    };
    for (const std::string& jet : bad) {
        Error want = caught([&] { engine.query(db::BoundSql{db::translateJetSql(jet), {}}); });
        Error got = caught([&] { lifted.rows(jet); });
        EXPECT_NE(want.number(), 0) << jet;
        EXPECT_EQ(got.number(), want.number()) << jet;
        EXPECT_EQ(got.description(), want.description()) << jet;
        EXPECT_EQ(got.source(), want.source()) << jet;
    }
}

TEST(DbRecordset, LookupsByNameFindTheirColumnWhateverTheOrder) {
    TestDb db;
    db.exec("CREATE TABLE A (id INTEGER, name TEXT, city TEXT, kind INTEGER)");
    db.exec("CREATE TABLE B (id INTEGER, aId INTEGER, name TEXT)");
    db.exec("INSERT INTO A VALUES (1, 'Ann', 'Haifa', 7), (2, 'Ben', 'Eilat', 8)");
    db.exec("INSERT INTO B VALUES (10, 1, 'b-one'), (20, 2, 'b-two')");
    struct Case {
        const char* sql;
        std::vector<std::vector<const char*>> lookups;  // per row: the names read, in turn
        std::vector<std::vector<Variant>> expected;
    };
    const std::vector<Case> cases = {
        // In column order, then backwards, then skipping about: each name is its own column.
        {"SELECT * FROM A ORDER BY id",
         {{"id", "name", "city", "kind"}, {"kind", "city", "NAME", "id"}},
         {{L(1), Variant("Ann"), Variant("Haifa"), L(7)}, {L(8), Variant("Eilat"), Variant("Ben"), L(2)}}},
        {"SELECT * FROM A ORDER BY id",
         {{"city", "id", "kind", "name"}, {"name", "kind", "id", "city"}},
         {{Variant("Haifa"), L(1), L(7), Variant("Ann")}, {Variant("Ben"), L(8), L(2), Variant("Eilat")}}},
        // A join names id and name twice: the first column of the name is the one, read in any order.
        {"SELECT * FROM A INNER JOIN B ON B.aId = A.id ORDER BY A.id",
         {{"id", "name", "aId", "name", "id"}, {"aId", "id", "kind", "name", "city"}},
         {{L(1), Variant("Ann"), L(1), Variant("Ann"), L(1)}, {L(2), L(2), L(8), Variant("Ben"), Variant("Eilat")}}},
    };
    for (const Case& c : cases) {
        db::Recordset rs;
        rs.ActiveConnection(db.conn);
        rs.Source = c.sql;
        rs.Open();
        for (std::size_t row = 0; row < c.lookups.size(); ++row, rs.MoveNext()) {
            ASSERT_FALSE(rs.Eof()) << c.sql;
            for (std::size_t k = 0; k < c.lookups[row].size(); ++k)
                EXPECT_EQ(rs.Fields(c.lookups[row][k]), c.expected[row][k]) << c.sql << " row " << row << " " << c.lookups[row][k];
            EXPECT_EQ(caught([&] { rs.Fields("nowhere"); }).number(), db::ErrItemNotFound);
        }
    }
}

TEST(DbValues, ATextRunAgainGivesTheRowsAndErrorsOfItsFirstRun) {
    TestDb db;
    db.exec("CREATE TABLE T (n INTEGER, d DATETIME, s TEXT)");
    db.exec("INSERT INTO T VALUES (1, '0100-01-02 03:04:05', 'a'), (2, '2011-08-21 10:25:00', 'b')");
    const std::string byDate = "SELECT n FROM T WHERE d = #08/21/2011 10:25#";
    const std::string early = "SELECT n FROM T WHERE d < #01/01/0101#";
    const std::string byText = "SELECT n FROM T WHERE s = 'a'";
    // Texts kept from their first run, run between other texts, after more texts than are kept,
    // and after the table changed under them.
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(db.rows(byDate), (Rows{{L(2)}})) << round;
        EXPECT_EQ(db.rows(early), (Rows{{L(1)}})) << round;
        EXPECT_EQ(db.rows(byText), (Rows{{L(1)}})) << round;
        EXPECT_EQ(caught([&] { db.rows("SELECT n FROM T WHERE d = #02/30/2012#"); }).number(), db::ErrSyntax) << round;
        for (int k = 0; k < 200; ++k) db.rows("SELECT n FROM T WHERE n = " + std::to_string(k));
    }
    db.exec("ALTER TABLE T ADD COLUMN m INTEGER");
    db.exec("UPDATE T SET s = 'c' WHERE n = 1");
    EXPECT_EQ(db.rows(byText), Rows{});
    EXPECT_EQ(db.rows("SELECT * FROM T WHERE s = 'c'"), (Rows{{L(1), Dt(100, 1, 2, 3, 4, 5), Variant("c"), Null()}}));
}
