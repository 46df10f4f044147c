// Creating, replacing, upgrading and versioning bookkeeping database files: existing data is never
// lost or half-written, and every refusal comes with its number.
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <KovrinAPI/runtime/Error.h>

#include "SqliteFile.h"
#include "frontend/BookkeepingDatabase.h"
#include "frontend/EmbeddedSql.h"
#include "support/TempDir.h"

namespace kovrin::frontend {
namespace {

using test::SqliteFile;
using test::TempDir;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Runs f, expecting it to fail with the error number; the description is returned for checks.
template <typename F>
std::string failure(int32_t number, F&& f) {
    try {
        f();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), number) << e.description();
        return e.description();
    }
    ADD_FAILURE() << "no error, expected " << number;
    return {};
}

std::vector<std::string> filesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

void writeText(const std::string& path, std::string_view text) { std::ofstream(path) << text; }

// A customer that a new file does not have, to tell the old file from a new one.
void addMarker(const std::string& path) {
    SqliteFile(path).run("INSERT INTO Customers (iBusinessID, vcBusinessName) VALUES (1, 'marker')");
}
bool hasMarker(const std::string& path) {
    return SqliteFile(path).value("SELECT COUNT(*) FROM Customers WHERE vcBusinessName='marker'") == "1";
}

TEST(CreateDatabase, RefusesAnExistingFileUnlessAskedToReplaceIt) {
    TempDir dir;
    const std::string path = dir.file("books.sqlite");
    createDatabase(path, {.withSampleData = true});
    addMarker(path);

    EXPECT_THAT(failure(errors::FileAlreadyExists, [&] { createDatabase(path); }), HasSubstr(path));
    EXPECT_TRUE(hasMarker(path));
    EXPECT_THAT(filesIn(dir.path()), ElementsAre("books.sqlite"));

    createDatabase(path, {.replaceExisting = true});
    EXPECT_FALSE(hasMarker(path));
    EXPECT_EQ(SqliteFile(path).value("SELECT COUNT(*) FROM BusinessDetails"), "0");
    EXPECT_EQ(schemaVersion(path), currentSchemaVersion());
    EXPECT_THAT(filesIn(dir.path()), ElementsAre("books.sqlite"));

    // A file that is no database at all is replaced as well, and is refused without replace.
    const std::string other = dir.file("notes.txt");
    writeText(other, "not a database");
    failure(errors::FileAlreadyExists, [&] { createDatabase(other); });
    createDatabase(other, {.replaceExisting = true});
    EXPECT_EQ(schemaVersion(other), currentSchemaVersion());
}

TEST(CreateDatabase, ReplacingAFileInUseIsRefusedAndKeepsIt) {
    TempDir dir;
    const std::string path = dir.file("books.sqlite");
    createDatabase(path);
    addMarker(path);
    {
        SqliteFile user(path);  // another program with the file open
        user.rows("SELECT * FROM Customers");
        EXPECT_THAT(failure(errors::DatabaseInUse, [&] { createDatabase(path, {.replaceExisting = true}); }),
                    HasSubstr("open in another program"));
        EXPECT_TRUE(hasMarker(path));
    }
    EXPECT_THAT(filesIn(dir.path()), ElementsAre("books.sqlite"));

    // Closed, the file is replaced, and its leftover log does not reach the new file.
    writeText(path + "-journal", "stale");
    createDatabase(path, {.replaceExisting = true});
    EXPECT_FALSE(hasMarker(path));
    EXPECT_EQ(SqliteFile(path).value("PRAGMA integrity_check"), "ok");
}

TEST(CreateDatabase, WhereNoFileCanBeMadeNothingIsLeft) {
    TempDir dir;
    EXPECT_THAT(failure(errors::PathNotFound, [&] { createDatabase(dir.file("missing/books.sqlite")); }),
                HasSubstr("missing"));
    std::filesystem::create_directory(dir.file("folder"));
    failure(errors::FileAccess, [&] { createDatabase(dir.file("folder"), {.replaceExisting = true}); });
    EXPECT_THAT(filesIn(dir.path()), ElementsAre("folder"));
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("folder")));
}

TEST(SchemaVersion, AnswersOnlyForBookkeepingDatabases) {
    TempDir dir;
    failure(errors::FileNotFound, [&] { schemaVersion(dir.file("missing.sqlite")); });

    writeText(dir.file("text.txt"), "this is not a database, only some text long enough to look at");
    failure(errors::NotBookkeepingDatabase, [&] { schemaVersion(dir.file("text.txt")); });
    failure(errors::NotBookkeepingDatabase, [&] { upgradeDatabase(dir.file("text.txt")); });

    // A SQLite file of some other program, even with a user_version of its own.
    SqliteFile(dir.file("other.sqlite"), true).run("CREATE TABLE t (x); PRAGMA user_version = 1");
    failure(errors::NotBookkeepingDatabase, [&] { schemaVersion(dir.file("other.sqlite")); });
    failure(errors::NotBookkeepingDatabase, [&] { upgradeDatabase(dir.file("other.sqlite")); });
    EXPECT_EQ(SqliteFile(dir.file("other.sqlite")).value("SELECT COUNT(*) FROM t"), "0");
}

class VersionOneFile : public ::testing::Test {
protected:
    void SetUp() override {
        // A file as version 1 made it: its schema step, the sample data, its version marks.
        SqliteFile db(path, true);
        db.run(std::string(schemaSteps()[0]) + std::string(sql::sample_data_sql));
        db.run("PRAGMA application_id = " + std::to_string(ApplicationId) + "; PRAGMA user_version = 1");
        db.run("INSERT INTO UsysInvoices (iBusinessID, iInvoiceNumber, iCustomersID, vcBusinessName, curGrandTotal) "
               "VALUES (1, 1001, 1, 'מאפיית הגליל בע\"מ', 117)");
        ASSERT_EQ(db.value("PRAGMA user_version"), "1");
    }
    std::string invoices() {
        return SqliteFile(path).rows("SELECT iInvoiceNumber, vcBusinessName, curGrandTotal FROM UsysInvoices")[0][1];
    }
    std::string count(const std::string& table) {
        return *SqliteFile(path).value("SELECT COUNT(*) FROM " + table);
    }

    TempDir dir;
    std::string path = dir.file("books.sqlite");
    // Made-up later versions, to exercise the upgrade itself.
    const std::string_view step2 =
        "ALTER TABLE Customers ADD COLUMN vcMobile VARCHAR(50);"
        "UPDATE Customers SET vcMobile = vcPhone2;";
    const std::string_view badStep3 = "CREATE TABLE Extra (x); INSERT INTO NoSuchTable VALUES (1);";
};

TEST_F(VersionOneFile, IsUpgradedToTheCurrentVersionWithItsDataKept) {
    const std::string customers = count("Customers");
    EXPECT_EQ(upgradeDatabase(path), 1);
    EXPECT_EQ(schemaVersion(path), currentSchemaVersion());
    EXPECT_EQ(SqliteFile(path).value("SELECT curBalance FROM qryComputeCustomerBalance WHERE iCustomersID=1"), "1617.0");
    EXPECT_EQ(invoices(), "מאפיית הגליל בע\"מ");
    EXPECT_EQ(count("Customers"), customers);
    // An invoice issued before allocation numbers has none; the thresholds came with the upgrade.
    EXPECT_EQ(SqliteFile(path).value("SELECT COALESCE(vcAllocationNumber, 'none') FROM UsysInvoices"), "none");
    EXPECT_EQ(count("AllocationThresholds"), "4");
}

TEST_F(VersionOneFile, UpgradesStepByStepKeepingItsData) {
    const std::vector<std::string_view> steps = {schemaSteps()[0], step2};
    EXPECT_EQ(upgradeDatabase(path, steps), 1);
    EXPECT_EQ(schemaVersion(path), 2);
    EXPECT_EQ(invoices(), "מאפיית הגליל בע\"מ");
    EXPECT_EQ(SqliteFile(path).value("SELECT vcMobile FROM Customers WHERE vcForeignKey='CUST-001'"), "052-3456789");
    EXPECT_EQ(upgradeDatabase(path, steps), 2);  // already current: nothing to do
}

TEST_F(VersionOneFile, AFailingStepLeavesTheFileAsItWas) {
    const std::vector<std::string_view> steps = {schemaSteps()[0], step2, badStep3};
    EXPECT_THAT(failure(errors::DatabaseFailure, [&] { upgradeDatabase(path, steps); }),
                HasSubstr("upgrade to schema version 3"));
    EXPECT_EQ(schemaVersion(path), 1);
    SqliteFile db(path);
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM pragma_table_info('Customers') WHERE name='vcMobile'"), "0");
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM sqlite_master WHERE name='Extra'"), "0");
}

TEST_F(VersionOneFile, ANewerFileIsRefusedAndLeftAlone) {
    const int newer = currentSchemaVersion() + 1;
    SqliteFile(path).run("PRAGMA user_version = " + std::to_string(newer));
    const std::string description = failure(errors::NewerSchema, [&] { upgradeDatabase(path); });
    EXPECT_THAT(description, HasSubstr("schema version " + std::to_string(newer)));
    EXPECT_THAT(description, HasSubstr("(" + std::to_string(currentSchemaVersion()) + ")"));
    EXPECT_EQ(schemaVersion(path), newer);
    EXPECT_EQ(invoices(), "מאפיית הגליל בע\"מ");
}

// A file of schema version 2 with documents of two businesses: after the upgrade every next-number
// query gives the rows it gave before, so numbering goes on without a gap or a repeat.
TEST(VersionTwoFile, UpgradesItsNumberQueriesKeepingEveryNumber) {
    TempDir dir;
    const std::string path = dir.file("books.sqlite");
    const std::vector<std::string> kinds = {"Invoice", "InvoiceHiyuv", "InvoiceKabala", "InvoiceZikui", "Receipt", "Refund"};
    const std::vector<std::string> tables = {"UsysInvoices", "InvoiceHiyuv", "InvoicesKabala", "InvoicesZikui",
                                             "UsysReceipts", "Refunds"};
    auto column = [](const std::string& kind) { return kind == "Receipt" || kind == "Refund" ? "iReceiptNum" : "iInvoiceNum"; };
    auto number = [](const std::string& kind) { return kind == "Receipt" || kind == "Refund" ? "iReceiptNumber" : "iInvoiceNumber"; };
    {
        SqliteFile db(path, true);
        db.run(std::string(schemaSteps()[0]) + std::string(schemaSteps()[1]));
        db.run("PRAGMA application_id = " + std::to_string(ApplicationId) + "; PRAGMA user_version = 2");
        for (std::size_t i = 0; i < kinds.size(); ++i) {
            if (i == 3) continue;  // a kind without documents
            for (int n : {1, 2, 5, 1000})
                db.run("INSERT INTO " + tables[i] + " (iBusinessID, " + number(kinds[i]) + ") VALUES (1, " +
                       std::to_string(n + static_cast<int>(i)) + ")");
            db.run("INSERT INTO " + tables[i] + " (iBusinessID, " + number(kinds[i]) + ") VALUES (7, 40)");
        }
    }
    auto nextNumbers = [&] {
        std::vector<std::vector<SqliteFile::Row>> all;
        SqliteFile db(path);
        for (const std::string& kind : kinds)
            all.push_back(db.rows(std::string("SELECT iBusinessID, ") + column(kind) + " FROM apiGetNextNumber" + kind +
                                  " ORDER BY iBusinessID"));
        return all;
    };
    const auto before = nextNumbers();
    EXPECT_EQ(before[0], (std::vector<SqliteFile::Row>{{"1", "1001"}, {"7", "41"}}));
    EXPECT_TRUE(before[3].empty());

    EXPECT_EQ(upgradeDatabase(path), 2);
    EXPECT_EQ(schemaVersion(path), currentSchemaVersion());
    EXPECT_EQ(nextNumbers(), before);
    SqliteFile db(path);
    for (const std::string& kind : kinds) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(db.value("SELECT COUNT(*) FROM sqlite_master WHERE name='apiGetNextNumber" + kind +
                           "' AND sql LIKE '%GROUP BY%'"),
                  "0");
        EXPECT_EQ(db.value(std::string("SELECT ") + column(kind) + " FROM apiGetNextNumber" + kind + " WHERE iBusinessID=9"),
                  std::nullopt);
    }
}

}  // namespace
}  // namespace kovrin::frontend
