// A damaged or unreadable hive file is reported with a status, never read as an empty hive and
// never overwritten; a write that fails leaves nothing half done.
#include <filesystem>
#include <string>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "support/TempDir.h"

using namespace kovrin::registry;
using namespace kovrin::registry::test;
using kovrin::test::ScopedRegistry;

namespace {

std::filesystem::path hiveFile(const ScopedRegistry& r) { return r.path() / "HKEY_CURRENT_USER.sqlite"; }

// Every kind of access to the hive answers `expected`.
void expectEveryAccessFails(int32_t expected) {
    Handle h = 0;
    Value v;
    std::vector<std::string> names;
    EXPECT_EQ(openKey(CurrentUser, "Software\\Kovrin", h), expected);
    EXPECT_EQ(queryValue(CurrentUser, "AtRoot", v), expected);
    EXPECT_EQ(enumKeys(CurrentUser, names), expected);
    EXPECT_EQ(createKey(CurrentUser, "Software\\Other", h), expected);
    EXPECT_EQ(setKeyValue(CurrentUser, "Software\\Kovrin", "Path", Value::text("new")), expected);
    EXPECT_EQ(setValue(CurrentUser, "AtRoot", Value::text("new")), expected);
    EXPECT_EQ(deleteValue(CurrentUser, "AtRoot"), expected);
    EXPECT_EQ(deleteKey(CurrentUser, "Software"), expected);
}

void fillStore() {
    ASSERT_EQ(setValue(CurrentUser, "AtRoot", Value::text("root")), status::Success);
    // Enough keys for the file to span several pages.
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(writeString(CurrentUser, "Software\\Kovrin\\K" + std::to_string(i), "Path", std::string(100, 'p')),
                  status::Success);
}

void execSql(const std::filesystem::path& file, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

}  // namespace

TEST(RegistryDamage, AFileThatIsNoDatabaseIsReportedAndLeftAlone) {
    ScopedRegistry registry;
    fillStore();
    const std::string garbage(std::filesystem::file_size(hiveFile(registry)), 'x');
    writeFile(hiveFile(registry), garbage);
    expectEveryAccessFails(status::RegistryCorrupt);
    EXPECT_EQ(fileBytes(hiveFile(registry)), garbage);
    EXPECT_EQ(status::text(status::RegistryCorrupt), "The configuration registry database is corrupt.");
    // The other hives are not affected.
    EXPECT_EQ(writeString(LocalMachine, "SOFTWARE\\Kovrin", "x", "1"), status::Success);
}

TEST(RegistryDamage, ADatabaseOfAnotherLayoutIsReportedAndLeftAlone) {
    ScopedRegistry registry;
    execSql(hiveFile(registry), "CREATE TABLE settings (name TEXT, value TEXT); INSERT INTO settings VALUES ('a', 'b');");
    const std::string before = fileBytes(hiveFile(registry));
    expectEveryAccessFails(status::RegistryCorrupt);
    EXPECT_EQ(fileBytes(hiveFile(registry)), before);

    // Our own layout with a table gone is just as damaged.
    ScopedRegistry second;
    fillStore();
    execSql(hiveFile(second), "DROP TABLE vals;");
    Value v;
    EXPECT_EQ(queryValue(CurrentUser, "AtRoot", v), status::RegistryCorrupt);
    EXPECT_EQ(setValue(CurrentUser, "AtRoot", Value::text("new")), status::RegistryCorrupt);
}

TEST(RegistryDamage, DamagedPagesAreReported) {
    ScopedRegistry registry;
    fillStore();
    std::string bytes = fileBytes(hiveFile(registry));
    ASSERT_GT(bytes.size(), 4u * 4096);
    // Scribble over every page but the first (the header stays valid).
    for (std::size_t i = 4096; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    writeFile(hiveFile(registry), bytes);
    Value v;
    EXPECT_EQ(read(CurrentUser, "Software\\Kovrin\\K150", "Path", v), status::RegistryCorrupt);
    EXPECT_EQ(setKeyValue(CurrentUser, "Software\\Kovrin\\K150", "Path", Value::text("x")), status::RegistryCorrupt);
}

TEST(RegistryDamage, AnUnreadableFileIsReported) {
    ScopedRegistry registry;
    // Something that cannot be opened as a file stands where the hive file belongs.
    std::filesystem::create_directory(hiveFile(registry));
    expectEveryAccessFails(status::RegistryIoFailed);
    EXPECT_TRUE(std::filesystem::is_directory(hiveFile(registry)));

    if (geteuid() != 0) {  // permissions do not stop the superuser
        ScopedRegistry second;
        fillStore();
        ASSERT_EQ(chmod(hiveFile(second).c_str(), 0), 0);
        expectEveryAccessFails(status::AccessDenied);
        chmod(hiveFile(second).c_str(), 0600);
    }
}

TEST(RegistryDamage, AWriteThatFailsLeavesNothingHalfWritten) {
    ScopedRegistry registry;
    ASSERT_EQ(writeString(CurrentUser, "Software\\Kovrin", "Path", "/old"), status::Success);
    // From now on every value write fails inside the store's transaction, after its keys are made.
    execSql(hiveFile(registry),
            "CREATE TRIGGER no_insert BEFORE INSERT ON vals BEGIN SELECT RAISE(ABORT, 'disk gone'); END;"
            "CREATE TRIGGER no_update BEFORE UPDATE ON vals BEGIN SELECT RAISE(ABORT, 'disk gone'); END;");

    EXPECT_NE(writeString(CurrentUser, "Software\\New\\Deeper", "Path", "/new"), status::Success);
    EXPECT_FALSE(keyExists(CurrentUser, "Software\\New"));  // the keys made on the way are gone too
    EXPECT_NE(writeString(CurrentUser, "Software\\Kovrin", "Path", "/new"), status::Success);
    EXPECT_EQ(readText(CurrentUser, "Software\\Kovrin", "Path"), "/old");
}
