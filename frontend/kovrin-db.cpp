// kovrin-db: creates, upgrades and registers bookkeeping databases: files, or databases on a
// PostgreSQL server named by a URI (postgresql://host[:port]/dbname).
//
//   kovrin-db create PATH|URI [--sample] [--replace] [--register]
//   kovrin-db upgrade PATH|URI
//   kovrin-db version PATH|URI
//   kovrin-db register PATH|URI [--log-folder FOLDER]
//   kovrin-db grant URI ROLE
//   kovrin-db copy PATH URI
//
// Exit status: 0 done, 1 the operation failed (the reason on stderr), 2 bad arguments.

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include <KovrinAPI/runtime/Error.h>

#include "frontend/BookkeepingDatabase.h"
#include "frontend/ServerDatabase.h"
#include "platform/db/PostgresBackend.h"
#include "platform/registry/RegistryStore.h"
#include "platform/registry/Status.h"

namespace {

namespace fs = std::filesystem;
namespace frontend = kovrin::frontend;

constexpr std::string_view AccessRootKey = "SOFTWARE\\Microsoft\\Office\\12.0\\Access\\InstallRoot";

constexpr std::string_view Usage = R"(Usage: kovrin-db create PATH|URI [--sample] [--replace] [--register]
       kovrin-db upgrade PATH|URI
       kovrin-db version PATH|URI
       kovrin-db register PATH|URI [--log-folder FOLDER]
       kovrin-db grant URI ROLE
       kovrin-db copy PATH URI

  PATH is a database file; URI a database on a PostgreSQL server, postgresql://host[:port]/dbname,
  made by the server's administrator (createdb) and used here as its owner. A password comes from
  ~/.pgpass, a service file or PGPASSWORD, never from the URI of an installation.

  create    make a new bookkeeping database at PATH, or build one in the empty database URI
              --sample    fill it with sample data: a business, customers, reference data
              --replace   replace the file, or the books already in the database
              --register  then register it as the installation (see register)
  upgrade   bring the database to the current schema, keeping its data
  version   print the schema version of the database
  register  make the database the installation: for a file its folder as "Path" and its name as
            "File" under Software\Kovrin in the current user's registry, for a URI the URI as
            "File" and the folder of the debug log as "Path" (--log-folder, by default
            ~/.local/share/kovrin); and the front-end program beside this tool the Access that
            the library starts ("Path" under SOFTWARE\Microsoft\Office\12.0\Access\InstallRoot
            in the machine hive)
  grant     let the database role ROLE use the books: read and write rows, never change the schema
  copy      move the books of the file PATH into the empty database URI, every row of every table,
            and compare the two row for row
)";

struct Arguments {
    std::string command;
    fs::path path;
    bool sample = false;
    bool replace = false;
    bool registerIt = false;
    std::string logFolder;
    std::string role;
    std::string target;
};

struct UsageError {
    std::string problem;
};

Arguments parse(const std::vector<std::string_view>& args) {
    if (args.empty()) throw UsageError{"no command given"};
    Arguments parsed;
    parsed.command = args[0];
    const bool create = parsed.command == "create";
    const bool registers = create || parsed.command == "register";
    const bool grant = parsed.command == "grant";
    const bool copy = parsed.command == "copy";
    if (!create && parsed.command != "upgrade" && parsed.command != "version" && parsed.command != "register" && !grant && !copy)
        throw UsageError{fmt::format("unknown command \"{}\"", parsed.command)};

    std::vector<std::string_view> words;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (create && arg == "--sample") parsed.sample = true;
        else if (create && arg == "--replace") parsed.replace = true;
        else if (create && arg == "--register") parsed.registerIt = true;
        else if (registers && arg == "--log-folder" && i + 1 < args.size()) parsed.logFolder = args[++i];
        else if (arg.starts_with("-")) throw UsageError{fmt::format("{} does not take the option \"{}\"", parsed.command, arg)};
        else words.push_back(arg);
    }
    const std::size_t wanted = grant || copy ? 2 : 1;
    if (words.size() < wanted || words[0].empty())
        throw UsageError{grant ? std::string("grant needs a URI and a ROLE")
                               : copy ? std::string("copy needs a PATH and a URI") : fmt::format("{} needs a PATH", parsed.command)};
    if (words.size() > wanted) throw UsageError{grant ? "give one URI and one ROLE only" : copy ? "give one PATH and one URI only" : "give one PATH only"};
    if (grant && !kovrin::db::isPostgresUri(words[0])) throw UsageError{"grant needs a postgresql:// URI"};
    if (copy && (kovrin::db::isPostgresUri(words[0]) || !kovrin::db::isPostgresUri(words[1])))
        throw UsageError{"copy takes a database file, then a postgresql:// URI"};
    parsed.path = words[0];
    if (grant) parsed.role = words[1];
    if (copy) parsed.target = words[1];
    return parsed;
}

// The folder of the front-end program, which answers to the name msaccess.exe there: installed
// beside this tool's installation, or in the build tree when this tool runs from there.
std::optional<fs::path> frontendFolder() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return std::nullopt;
    std::vector<fs::path> candidates = {self.parent_path() / KOVRIN_FRONTEND_FROM_BIN};
    if (fs::equivalent(self.parent_path(), KOVRIN_DB_BUILD_DIR, ec)) candidates.emplace_back(KOVRIN_FRONTEND_BUILD_DIR);
    for (const fs::path& folder : candidates)
        if (fs::exists(folder / "msaccess.exe", ec)) return fs::weakly_canonical(folder);
    return std::nullopt;
}

void writeRegistry(uint32_t hive, std::string_view key, std::string_view name, const std::string& value) {
    const int32_t status = kovrin::registry::writeString(hive, key, name, value);
    if (status != kovrin::registry::status::Success)
        throw kovrin::Error(status, fmt::format("Could not write \"{}\" under {}: {} (status {})", name, key,
                                                kovrin::registry::status::text(status), status));
}

// Records the file as the installation the library finds at start-up, and the front-end program
// as the Access it starts (an install root ends with its separator).
// The folder of an installation on a server: where its debug log goes.
fs::path logFolderFor(const std::string& given) {
    fs::path folder = given;
    if (folder.empty()) {
        const char* data = std::getenv("XDG_DATA_HOME");
        const char* home = std::getenv("HOME");
        folder = data && *data ? fs::path(data) / "kovrin" : fs::path(home ? home : "/tmp") / ".local/share/kovrin";
    }
    fs::create_directories(folder);
    return fs::absolute(folder).lexically_normal();
}

void registerInstallation(const fs::path& path, const std::string& logFolder) {
    std::string folder, file;
    const std::string given = path.string();
    if (kovrin::db::isPostgresUri(given)) {
        // The registry is readable by every program of the user: no password is kept there.
        if (kovrin::db::maskPassword(given) != given)
            throw kovrin::Error(frontend::errors::FileAccess,
                                "The URI holds a password; give it through ~/.pgpass, a service file or PGPASSWORD instead");
        frontend::serverSchemaVersion(given);  // refuses a database that is not ours
        folder = logFolderFor(logFolder).string();
        file = given;
    } else {
        frontend::schemaVersion(path);  // refuses a missing file or one that is not ours
        const fs::path full = fs::absolute(path).lexically_normal();
        folder = full.parent_path().string();
        file = full.filename().string();
    }
    namespace reg = kovrin::registry;
    // One transaction: a program starting meanwhile sees the old pair or the new one, never the
    // new folder with the old file name.
    const reg::NamedValue values[] = {{"Path", reg::Value::text(folder)}, {"File", reg::Value::text(file)}};
    const int32_t status = reg::setKeyValues(reg::CurrentUser, "Software\\Kovrin", values);
    if (status != reg::status::Success)
        throw kovrin::Error(status, fmt::format("Could not write \"Path\" and \"File\" under HKEY_CURRENT_USER\\Software\\Kovrin: {} (status {})",
                                                reg::status::text(status), status));
    std::cout << fmt::format("Registered {} as the installation (Path={}, File={})\n",
                             kovrin::db::isPostgresUri(given) ? given : (fs::path(folder) / file).string(), folder, file);
    if (const auto folder = frontendFolder()) {
        const std::string root = (*folder / "").string();
        writeRegistry(kovrin::registry::LocalMachine, AccessRootKey, "Path", root);
        std::cout << fmt::format("Registered the front-end {}msaccess.exe as the Access install root\n", root);
    } else {
        std::cout << "No front-end program found beside kovrin-db: the Access install root is left as it was\n";
    }
}

void run(const Arguments& a) {
    const std::string given = a.path.string();
    const std::string shown = kovrin::db::maskPassword(given);
    const bool server = kovrin::db::isPostgresUri(given);
    if (a.command == "create") {
        const frontend::CreateOptions options{.withSampleData = a.sample, .replaceExisting = a.replace};
        if (server) frontend::createServerDatabase(given, options);
        else frontend::createDatabase(a.path, options);
        std::cout << fmt::format("Created {} (schema version {}, {})\n", shown, frontend::currentSchemaVersion(),
                                 a.sample ? "with sample data" : "empty");
        if (a.registerIt) registerInstallation(a.path, a.logFolder);
    } else if (a.command == "copy") {
        const std::size_t rows = frontend::copyFileToServer(a.path, a.target);
        std::cout << fmt::format("Copied {} rows of {} into {}; every table compared row for row\n", rows, shown,
                                 kovrin::db::maskPassword(a.target));
    } else if (a.command == "grant") {
        frontend::grantLibraryRole(given, a.role);
        std::cout << fmt::format("The role {} may now read and write the books in {}\n", a.role, shown);
    } else if (a.command == "upgrade") {
        const int was = server ? frontend::upgradeServerDatabase(given) : frontend::upgradeDatabase(a.path);
        const int now = frontend::currentSchemaVersion();
        if (was == now) std::cout << fmt::format("{} is at schema version {}, the current one\n", shown, now);
        else std::cout << fmt::format("Upgraded {} from schema version {} to {}\n", shown, was, now);
    } else if (a.command == "version") {
        std::cout << (server ? frontend::serverSchemaVersion(given) : frontend::schemaVersion(a.path)) << '\n';
    } else {
        registerInstallation(a.path, a.logFolder);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
        std::cout << Usage;
        return 0;
    }
    try {
        run(parse(args));
        return 0;
    } catch (const UsageError& e) {
        std::cerr << "kovrin-db: " << e.problem << "\n\n" << Usage;
        return 2;
    } catch (const kovrin::Error& e) {
        std::cerr << "kovrin-db: " << e.description() << " (error " << e.number() << ")\n";
        if (e.number() == frontend::errors::FileAlreadyExists) std::cerr << "Give --replace to replace it.\n";
    } catch (const std::exception& e) {
        std::cerr << "kovrin-db: " << e.what() << '\n';
    }
    return 1;
}
