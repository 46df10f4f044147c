// The bookkeeping database on a PostgreSQL server: the same schema and sample data as a file, read
// through the database layer as the same values; upgrades all or nothing; the library's role.
#include <unistd.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <KovrinAPI/runtime/Error.h>

#include "SqliteFile.h"
#include "frontend/BookkeepingDatabase.h"
#include "frontend/ServerDatabase.h"
#include "platform/db/ColumnTypes.h"
#include "platform/db/Database.h"
#include "platform/db/Errors.h"
#include "support/Checks.h"
#include "support/PostgresServer.h"
#include "support/TempDir.h"

namespace kovrin::frontend {
namespace {

using test::PostgresDatabase;
using test::SqliteFile;
using test::TempDir;
using ::testing::HasSubstr;

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::shared_ptr<db::Connection> open(const std::string& source) {
    auto c = std::make_shared<db::Connection>();
    c->ConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + source + ";Mode=Read|Write";
    c->Open();
    return c;
}

// Every row of a query read through the database layer, each value with its Variant type.
std::vector<std::string> layerRows(const std::shared_ptr<db::Connection>& c, const std::string& sql) {
    db::Recordset rs;
    rs.ActiveConnection(c);
    rs.Source = sql;
    rs.Open();
    std::vector<std::string> rows;
    for (; !rs.Eof(); rs.MoveNext()) {
        std::string row;
        for (int i = 0; i < rs.FieldCount(); ++i) {
            const Variant& v = rs.Fields(i);
            row += lower(rs.FieldName(i)) + "=" + std::to_string(static_cast<int>(v.type())) + ":" +
                   (v.isNull() ? "Null" : CStr(v)) + " ";
        }
        rows.push_back(row);
    }
    return rows;
}

// Object (lower case) -> its columns in order, "name kind" with the kind its declared type gives.
using Columns = std::map<std::string, std::vector<std::string>>;

std::string kindOf(const std::string& declared) { return std::to_string(static_cast<int>(db::columnKindOf(declared))); }

Columns fileColumns(SqliteFile& file, const std::string& type) {
    Columns columns;
    for (const std::string& name : file.objects(type))
        for (auto& row : file.rows("PRAGMA table_info(\"" + name + "\")"))
            columns[lower(name)].push_back(lower(row[1]) + (type == "table" ? " " + kindOf(row[2]) : ""));
    return columns;
}

Columns serverColumns(const PostgresDatabase& server, char kind) {
    Columns columns;
    for (auto& row : server.rows(std::string("SELECT c.relname, a.attname, format_type(a.atttypid, a.atttypmod) "
                                             "FROM pg_class c JOIN pg_attribute a ON a.attrelid = c.oid "
                                             "WHERE c.relnamespace = 'public'::regnamespace AND c.relkind = '") +
                                 kind + "' AND a.attnum > 0 AND NOT a.attisdropped AND c.relname <> 'kovrinschema' "
                                        "ORDER BY c.relname, a.attnum"))
        columns[row[0]].push_back(row[1] + (kind == 'r' ? " " + kindOf(row[2]) : ""));
    return columns;
}

TEST(ServerDatabase, HasTheSameSchemaAndSampleRowsAsAFile) {
    KOVRIN_POSTGRES_SERVER(server);
    PostgresDatabase pg(server);
    TempDir dir;
    const std::string path = dir.file("books.sqlite");
    createDatabase(path, {.withSampleData = true});
    createServerDatabase(pg.uri(), {.withSampleData = true});
    EXPECT_EQ(serverSchemaVersion(pg.uri()), currentSchemaVersion());

    SqliteFile file(path);
    const Columns tables = fileColumns(file, "table"), views = fileColumns(file, "view");
    EXPECT_EQ(serverColumns(pg, 'r'), tables);
    EXPECT_EQ(serverColumns(pg, 'v'), views);
    EXPECT_GE(tables.size(), 25u);
    EXPECT_GE(views.size(), 14u);

    // The same indexes by name, and the same number of unique keys other than primary keys.
    std::set<std::string> fileIndexes, serverIndexes;
    int fileUnique = 0;
    for (auto& row : file.rows("SELECT name FROM sqlite_master WHERE type = 'index'")) {
        if (row[0].starts_with("sqlite_autoindex")) continue;
        fileIndexes.insert(lower(row[0]));
    }
    for (const auto& [table, unused] : tables)
        for (auto& row : file.rows("PRAGMA index_list(\"" + table + "\")")) fileUnique += row[2] == "1" && row[3] == "u";
    for (auto& row : pg.rows("SELECT indexname FROM pg_indexes WHERE schemaname = 'public' AND indexname NOT LIKE '%\\_pkey' "
                             "AND indexname NOT LIKE '%\\_key'"))
        serverIndexes.insert(row[0]);
    EXPECT_EQ(serverIndexes, fileIndexes);
    EXPECT_EQ(pg.rows("SELECT count(*) FROM pg_index i JOIN pg_class c ON c.oid = i.indrelid "
                      "WHERE c.relnamespace = 'public'::regnamespace AND i.indisunique AND NOT i.indisprimary")[0][0],
              std::to_string(fileUnique));

    // Every row of every table and saved query reads back through the database layer as the same
    // values of the same types.
    auto onFile = open(path), onServer = open(pg.uri());
    for (const auto* objects : {&tables, &views})
        for (const auto& [name, columns] : *objects) {
            SCOPED_TRACE(name);
            const std::string sql = "SELECT * FROM " + name + " ORDER BY " + columns.front().substr(0, columns.front().find(' '));
            EXPECT_EQ(layerRows(onServer, sql), layerRows(onFile, sql));
        }
    EXPECT_EQ(layerRows(onServer, "SELECT COUNT(*) FROM Customers"), (std::vector<std::string>{"count=3:5 "}));

    // New rows get keys after the sample rows'.
    db::Command insert;
    insert.ActiveConnection(onServer);
    insert.CommandText = "INSERT INTO Payment_types (vcPaymentTypeName) VALUES ('שובר')";
    insert.Execute();
    EXPECT_EQ(layerRows(onServer, "SELECT @@IDENTITY AS id"), (std::vector<std::string>{"id=3:6 "}));

    // Books are made once; replacing them is asked for; a database of something else is left alone.
    EXPECT_EQ(test::errorOf([&] { createServerDatabase(pg.uri()); }).number(), errors::FileAlreadyExists);
    createServerDatabase(pg.uri(), {.replaceExisting = true});
    EXPECT_EQ(pg.rows("SELECT count(*) FROM Customers")[0][0], "0");
    PostgresDatabase other(server);
    other.exec("CREATE TABLE Accounts (id INTEGER)");
    EXPECT_EQ(test::errorOf([&] { createServerDatabase(other.uri()); }).number(), errors::NotBookkeepingDatabase);
    EXPECT_EQ(test::errorOf([&] { serverSchemaVersion(other.uri()); }).number(), errors::NotBookkeepingDatabase);
    EXPECT_EQ(other.rows("SELECT count(*) FROM pg_tables WHERE schemaname = 'public'")[0][0], "1");
}

TEST(ServerDatabase, AFilesBooksAreCopiedWholeAndComparedRowForRow) {
    KOVRIN_POSTGRES_SERVER(server);
    PostgresDatabase pg(server);
    TempDir dir;
    const std::string path = dir.file("books.sqlite");
    createDatabase(path, {.withSampleData = true});
    {
        SqliteFile file(path);
        // Rows the library could have written: keys with gaps, yes/no as -1, dates, money to four
        // places, quotes, Hebrew, NULLs.
        file.run("INSERT INTO UsysInvoices (iInvoicesID, iBusinessID, iInvoiceNumber, datxDate, vcBusinessName, curGrandTotal, "
                 "blnChargeVat, vcComments) VALUES (40, 1, 1001, '2026-01-15 10:30:00', 'O''Neill \"בע\"מ\"', 117.0001, -1, NULL)");
        file.run("INSERT INTO InvoiceLines (iBusinessID, iInvoicesID, blnChargeVAT, curUnitPrice, iItemQty) "
                 "VALUES (1, 40, -1, 100.5, 1.25)");
        file.run("DELETE FROM Customers WHERE iCustomersID = 2");
    }
    const std::size_t rows = copyFileToServer(path, pg.uri());
    SqliteFile file(path);
    std::size_t inFile = 0;
    for (const std::string& table : file.objects("table")) inFile += std::stoul(*file.value("SELECT COUNT(*) FROM \"" + table + "\""));
    EXPECT_EQ(rows, inFile);
    EXPECT_EQ(serverSchemaVersion(pg.uri()), currentSchemaVersion());
    auto onServer = open(pg.uri());
    EXPECT_EQ(layerRows(onServer, "SELECT vcBusinessName, curGrandTotal, blnChargeVat, datxDate FROM UsysInvoices"),
              (std::vector<std::string>{"vcbusinessname=8:O'Neill \"בע\"מ\" curgrandtotal=6:117.0001 blnchargevat=11:True "
                                        "datxdate=7:15/01/2026 10:30:00 "}));
    // New rows continue after the copied keys; the next document number after the copied one.
    db::Command insert;
    insert.ActiveConnection(onServer);
    insert.CommandText = "INSERT INTO UsysInvoices (iBusinessID, iInvoiceNumber) VALUES (1, 1002)";
    insert.Execute();
    EXPECT_EQ(layerRows(onServer, "SELECT @@IDENTITY AS id"), (std::vector<std::string>{"id=3:41 "}));
    EXPECT_EQ(layerRows(onServer, "SELECT iInvoiceNum FROM apiGetNextNumberInvoice WHERE iBusinessID=1"),
              (std::vector<std::string>{"iinvoicenum=3:1003 "}));

    // Only into a database without books, and only from a file of the current version.
    EXPECT_EQ(test::errorOf([&] { copyFileToServer(path, pg.uri()); }).number(), errors::FileAlreadyExists);
    PostgresDatabase second(server);
    file.run("PRAGMA user_version = 1");
    EXPECT_EQ(test::errorOf([&] { copyFileToServer(path, second.uri()); }).number(), errors::NewerSchema);
    EXPECT_EQ(second.rows("SELECT count(*) FROM pg_tables WHERE schemaname = 'public'")[0][0], "0");
}

TEST(ServerDatabase, UpgradesAllStepsOrNoneAndRefusesANewerSchema) {
    KOVRIN_POSTGRES_SERVER(server);
    PostgresDatabase pg(server);
    createServerDatabase(pg.uri(), {.withSampleData = true});
    const int current = currentSchemaVersion();
    std::vector<std::string_view> steps(schemaSteps().begin(), schemaSteps().end());

    steps.push_back("CREATE TABLE Extra (iExtraID INTEGER PRIMARY KEY AUTOINCREMENT, blnDone BOOLEAN);");
    steps.push_back("INSERT INTO Extra (blnDone) VALUES (-1); INSERT INTO NoSuchTable VALUES (1);");
    const Error failed = test::errorOf([&] { upgradeServerDatabase(pg.uri(), steps); });
    EXPECT_EQ(failed.number(), errors::DatabaseFailure);
    EXPECT_THAT(failed.description(), HasSubstr(std::to_string(current + 2)));
    EXPECT_EQ(serverSchemaVersion(pg.uri()), current);  // not even the good step stayed
    EXPECT_TRUE(pg.rows("SELECT 1 FROM pg_tables WHERE tablename = 'extra'").empty());

    steps.pop_back();
    EXPECT_EQ(upgradeServerDatabase(pg.uri(), steps), current);
    EXPECT_EQ(serverSchemaVersion(pg.uri()), current + 1);
    EXPECT_EQ(upgradeServerDatabase(pg.uri(), steps), current + 1);  // nothing left to do
    EXPECT_EQ(pg.rows("SELECT count(*) FROM Customers")[0][0], "5");  // the data is kept

    const Error newer = test::errorOf([&] { upgradeServerDatabase(pg.uri()); });
    EXPECT_EQ(newer.number(), errors::NewerSchema);
    EXPECT_EQ(serverSchemaVersion(pg.uri()), current + 1);
}

TEST(ServerDatabase, TheLibraryRoleWritesRowsButNeverTheSchema) {
    KOVRIN_POSTGRES_SERVER(server);
    PostgresDatabase pg(server);
    createServerDatabase(pg.uri(), {.withSampleData = true});
    const std::string role = "kovrin_clerk_" + std::to_string(::getpid());
    server.exec("CREATE ROLE " + role + " LOGIN");
    grantLibraryRole(pg.uri(), role);

    auto clerk = open(pg.uri() + "?user=" + role);
    auto run = [&](const std::string& sql) {
        db::Command c;
        c.ActiveConnection(clerk);
        c.CommandText = sql;
        c.Execute();
    };
    clerk->BeginTrans();
    run("INSERT INTO Customers (iBusinessID, vcBusinessName) VALUES (1, \"New customer\")");
    EXPECT_EQ(layerRows(clerk, "SELECT @@IDENTITY AS id"), (std::vector<std::string>{"id=3:6 "}));
    run("UPDATE Customers SET vcCity = 'חיפה' WHERE iCustomersID = 6");
    run("DELETE FROM Errors");
    clerk->CommitTrans();
    EXPECT_EQ(layerRows(clerk, "SELECT curBalance FROM qryComputeCustomerBalance WHERE iCustomersID = 1"),
              (std::vector<std::string>{"curbalance=5:1500 "}));

    for (const char* ddl : {"CREATE TABLE Mine (i INTEGER)", "DROP TABLE Customers", "ALTER TABLE Customers ADD x INTEGER",
                            "CREATE VIEW qryMine AS SELECT 1 AS one"}) {
        const Error e = test::errorOf([&] { run(ddl); });
        EXPECT_EQ(e.number(), db::ErrGeneric) << ddl;
        EXPECT_THAT(e.description(), ::testing::AnyOf(HasSubstr("denied"), HasSubstr("must be owner"))) << ddl;
    }
    // A table a later upgrade adds is the role's to use as well.
    std::vector<std::string_view> steps(schemaSteps().begin(), schemaSteps().end());
    steps.push_back("CREATE TABLE Extra (iExtraID INTEGER PRIMARY KEY AUTOINCREMENT, vcNote TEXT);");
    upgradeServerDatabase(pg.uri(), steps);
    run("INSERT INTO Extra (vcNote) VALUES ('ok')");
    EXPECT_EQ(layerRows(clerk, "SELECT @@IDENTITY AS id"), (std::vector<std::string>{"id=3:1 "}));
}

}  // namespace
}  // namespace kovrin::frontend
