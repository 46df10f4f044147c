// kovrin-db as its users run it: exit status, messages, and what it leaves in files and registry.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SqliteFile.h"
#include "frontend/BookkeepingDatabase.h"
#include "platform/registry/RegistryStore.h"
#include "support/PostgresServer.h"
#include "support/TempDir.h"

namespace kovrin::frontend {
namespace {

using test::ScopedRegistry;
using test::SqliteFile;
using test::TempDir;
using ::testing::HasSubstr;
using ::testing::StartsWith;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs kovrin-db with the arguments (a shell word list) in `cwd`.
Outcome kovrinDb(const std::string& arguments, const std::filesystem::path& cwd = std::filesystem::current_path()) {
    TempDir capture;
    const std::string out = capture.file("out"), err = capture.file("err");
    const std::string command = "cd '" + cwd.string() + "' && '" KOVRIN_DB_TOOL "' " + arguments + " >'" + out +
                                "' 2>'" + err + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readAll(out), readAll(err)};
}

std::string registryText(std::string_view name, uint32_t hive = registry::CurrentUser,
                         std::string_view path = "Software\\Kovrin") {
    using namespace registry;
    Handle key = 0;
    if (openKey(hive, path, key) != status::Success) return "<no key>";
    Value value;
    const int32_t found = queryValue(key, name, value);
    closeKey(key);
    return found == status::Success ? value.data : "<no value>";
}

TEST(KovrinDb, BadArgumentsShowTheUsageAndExitWith2) {
    TempDir dir;
    for (const std::string args : {"", "frobnicate books.sqlite", "create", "create --sample",
                                   "create a.sqlite b.sqlite", "create a.sqlite --force",
                                   "version a.sqlite --sample", "upgrade --replace a.sqlite", "register ''"}) {
        const Outcome run = kovrinDb(args, dir.path());
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_THAT(run.err, HasSubstr("Usage: kovrin-db create PATH")) << args;
        EXPECT_EQ(run.out, "") << args;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    const Outcome help = kovrinDb("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, StartsWith("Usage: kovrin-db"));
}

TEST(KovrinDb, CreatesReadsTheVersionOfAndUpgradesAFile) {
    TempDir dir;
    const std::string path = dir.file("books.sqlite");

    Outcome run = kovrinDb("create '" + path + "' --sample");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("with sample data"));
    EXPECT_EQ(SqliteFile(path).value("SELECT COUNT(*) FROM BusinessDetails"), "1");

    run = kovrinDb("version '" + path + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, std::to_string(currentSchemaVersion()) + "\n");

    run = kovrinDb("upgrade '" + path + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("schema version " + std::to_string(currentSchemaVersion())));

    // An existing file needs --replace; a relative path is taken from the working folder.
    run = kovrinDb("create books.sqlite", dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("already exists"));
    EXPECT_THAT(run.err, HasSubstr("(error 58)"));
    EXPECT_EQ(SqliteFile(path).value("SELECT COUNT(*) FROM BusinessDetails"), "1");

    run = kovrinDb("create --replace books.sqlite", dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("empty"));
    EXPECT_EQ(SqliteFile(path).value("SELECT COUNT(*) FROM BusinessDetails"), "0");
}

TEST(KovrinDb, FailuresExitWith1AndSayWhy) {
    TempDir dir;
    Outcome run = kovrinDb("version '" + dir.file("missing.sqlite") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("missing.sqlite does not exist (error 53)"));

    std::ofstream(dir.file("notes.txt")) << "some text that is not a database at all, long enough";
    run = kovrinDb("upgrade '" + dir.file("notes.txt") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("not a Kovrin bookkeeping database"));
    EXPECT_EQ(run.out, "");
}

TEST(KovrinDb, RegistersTheFileAsTheInstallation) {
    ScopedRegistry registry;
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "data");

    // Only a bookkeeping database is registered.
    Outcome run = kovrinDb("register data/books.sqlite", dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("(error 53)"));
    EXPECT_EQ(registryText("Path"), "<no key>");

    // The folder is recorded as a full path, so every program finds the file.
    run = kovrinDb("create data/books.sqlite --sample --register", dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(registryText("Path"), (dir.path() / "data").string());
    EXPECT_EQ(registryText("File"), "books.sqlite");
    // The front-end program built beside the tool is the Access the library starts.
    const std::string root = registryText("Path", registry::LocalMachine, "SOFTWARE\\Microsoft\\Office\\12.0\\Access\\InstallRoot");
    EXPECT_TRUE(root.ends_with("/"));
    EXPECT_EQ(std::filesystem::canonical(root + "msaccess.exe").filename(), "kovrin-frontend");

    createDatabase(dir.file("other.sqlite"));
    run = kovrinDb("register '" + dir.path().string() + "/data/../other.sqlite'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(registryText("Path"), dir.path().string());
    EXPECT_EQ(registryText("File"), "other.sqlite");
}

TEST(KovrinDb, CreatesUpgradesGrantsAndRegistersBooksOnAServer) {
    KOVRIN_POSTGRES_SERVER(server);
    test::PostgresDatabase pg(server);
    ScopedRegistry registry;
    TempDir logs;
    const std::string uri = "'" + pg.uri() + "'";

    Outcome run = kovrinDb("create " + uri + " --sample --register --log-folder '" + logs.path().string() + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("Created " + pg.uri() + " (schema version " + std::to_string(currentSchemaVersion()) + ", with sample data)"));
    // The URI is the installation's file; its folder is where the debug log goes.
    EXPECT_EQ(registryText("File"), pg.uri());
    EXPECT_EQ(registryText("Path"), logs.path().string());
    EXPECT_EQ(pg.rows("SELECT COUNT(*) FROM BusinessDetails")[0][0], "1");

    run = kovrinDb("version " + uri);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, std::to_string(currentSchemaVersion()) + "\n");
    run = kovrinDb("upgrade " + uri);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("schema version " + std::to_string(currentSchemaVersion()) + ", the current one"));

    run = kovrinDb("create " + uri);
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("(error 58)"));
    EXPECT_EQ(pg.rows("SELECT COUNT(*) FROM BusinessDetails")[0][0], "1");

    const std::string role = "kovrin_office_" + std::to_string(::getpid());
    server.exec("CREATE ROLE " + role + " LOGIN");
    run = kovrinDb("grant " + uri + " " + role);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(pg.rows("SELECT has_table_privilege('" + role + "', 'usysinvoices', 'INSERT'), "
                      "has_table_privilege('" + role + "', 'usysinvoices', 'TRUNCATE')")[0],
              (std::vector<std::string>{"t", "f"}));
    EXPECT_EQ(kovrinDb("grant " + uri).status, 2);
    EXPECT_EQ(kovrinDb("grant books.sqlite " + role).status, 2);

    // A file's books moved onto another database of the server.
    TempDir files;
    const std::string file = files.file("books.sqlite");
    createDatabase(file, {.withSampleData = true});
    test::PostgresDatabase moved(server);
    run = kovrinDb("copy '" + file + "' '" + moved.uri() + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("every table compared row for row"));
    EXPECT_EQ(moved.rows("SELECT COUNT(*) FROM Customers")[0][0], "5");
    EXPECT_EQ(kovrinDb("copy '" + moved.uri() + "' '" + file + "'").status, 2);
    EXPECT_EQ(kovrinDb("copy '" + file + "'").status, 2);

    // A password never reaches the registry, nor any message.
    const std::string withPassword = "postgresql://kovrin:s3cret@" + pg.uri().substr(13);
    run = kovrinDb("register '" + withPassword + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("~/.pgpass"));
    EXPECT_EQ(registryText("File"), pg.uri());
    run = kovrinDb("version '" + withPassword + "x'");
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("kovrin:***@"));
    EXPECT_EQ((run.out + run.err).find("s3cret"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace kovrin::frontend
