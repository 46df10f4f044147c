#include "Maintenance.h"

#include <libpq-fe.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <regex>
#include <vector>

#include <sqlite3.h>

#include <fmt/chrono.h>
#include <fmt/format.h>

#include <KovrinAPI/runtime/Error.h>

#include "Settings.h"

extern char** environ;

namespace kovrin::frontend::app {
namespace fs = std::filesystem;

namespace {

// The name of the server database a URI names (the part after the host), for the archive's name.
std::string serverDatabaseName(const std::string& uri) {
    std::string name = "books";
    if (PQconninfoOption* options = PQconninfoParse(uri.c_str(), nullptr)) {
        for (PQconninfoOption* o = options; o->keyword; ++o)
            if (std::string_view(o->keyword) == "dbname" && o->val && *o->val) name = o->val;
        PQconninfoFree(options);
    }
    for (char& c : name)
        if (c == '/' || c == '\\') c = '_';
    return name;
}

// Runs pg_dump into `partial` as a custom-format archive. The connection is handed over as libpq's
// environment variables, never on the command line, where every user of the machine could read a
// password. Answers what went wrong, or nothing.
std::optional<std::string> dumpServer(const std::string& uri, const fs::path& partial) {
    std::vector<std::string> environment;
    std::vector<std::string> names;
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
    if (!options) {
        std::string reason = error ? error : "not a connection URI";
        PQfreemem(error);
        return reason;
    }
    for (PQconninfoOption* o = options; o->keyword; ++o) {
        if (!o->val || !*o->val) continue;
        if (!o->envvar) {
            PQconninfoFree(options);
            return fmt::format("the URI's \"{}\" cannot be handed to pg_dump", o->keyword);
        }
        environment.push_back(fmt::format("{}={}", o->envvar, o->val));
        names.push_back(std::string(o->envvar) + "=");
    }
    PQconninfoFree(options);
    for (char** e = environ; *e; ++e) {
        const std::string_view entry(*e);
        if (std::none_of(names.begin(), names.end(), [&](const std::string& n) { return entry.starts_with(n); }))
            environment.emplace_back(entry);
    }
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = "pg_dump", format = "--format=custom", file = "--file=" + partial.string(), quiet = "--no-password";
    char* argv[] = {program.data(), format.data(), quiet.data(), file.data(), nullptr};

    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return std::string(std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    std::string messages;
    char buffer[4096];
    for (ssize_t n; spawned == 0 && (n = read(pipeEnds[0], buffer, sizeof buffer)) != 0;)
        if (n > 0) messages.append(buffer, static_cast<std::size_t>(n));
        else if (errno != EINTR) break;
    close(pipeEnds[0]);
    if (spawned != 0) return fmt::format("cannot start pg_dump: {}", std::strerror(spawned));
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return std::nullopt;
    while (!messages.empty() && (messages.back() == '\n' || messages.back() == '\r')) messages.pop_back();
    if (messages.empty()) messages = WIFEXITED(status) ? fmt::format("pg_dump ended with status {}", WEXITSTATUS(status))
                                                       : std::string("pg_dump was killed");
    return messages;
}

// The books of a server, archived by pg_dump (one consistent snapshot while the library writes)
// into <installation folder>/Backup/<database>-<yyyymmdd-hhmmss>.dump.
fs::path backupServer(Store& store) {
    const fs::path folder = installationFolder(store.path()) / "Backup";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) throw Error(errors::BackupFailure, fmt::format("Cannot make the backup folder {}: {}", folder.string(), ec.message()));
    const std::string stem = serverDatabaseName(store.path().string());
    const std::string stamp = fmt::format("{:%Y%m%d-%H%M%S}", fmt::localtime(std::time(nullptr)));
    fs::path target = folder / fmt::format("{}-{}.dump", stem, stamp);
    for (int n = 2; fs::exists(target); ++n) target = folder / fmt::format("{}-{}-{}.dump", stem, stamp, n);
    const fs::path partial = target.string() + ".partial";
    if (const auto failure = dumpServer(store.path().string(), partial)) {
        fs::remove(partial, ec);
        throw Error(errors::BackupFailure, fmt::format("Could not back up {} to {}: {}", store.name(), target.string(), *failure));
    }
    fs::rename(partial, target, ec);
    if (ec) throw Error(errors::BackupFailure, fmt::format("Could not name the backup {}: {}", target.string(), ec.message()));
    return target;
}

}  // namespace

fs::path backupDatabase(Store& store) {
    if (store.onServer()) return backupServer(store);
    const fs::path source = fs::absolute(store.path());
    const fs::path folder = source.parent_path() / "Backup";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) throw Error(errors::BackupFailure, fmt::format("Cannot make the backup folder {}: {}", folder.string(), ec.message()));
    const std::string stamp = fmt::format("{:%Y%m%d-%H%M%S}", fmt::localtime(std::time(nullptr)));
    fs::path target = folder / fmt::format("{}-{}.sqlite", source.stem().string(), stamp);
    for (int n = 2; fs::exists(target); ++n)  // two backups within one second
        target = folder / fmt::format("{}-{}-{}.sqlite", source.stem().string(), stamp, n);
    const fs::path partial = target.string() + ".partial";

    sqlite3* copy = nullptr;
    int rc = sqlite3_open_v2(partial.c_str(), &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        // The online backup reads one consistent snapshot even while the library writes; pages
        // changed meanwhile make it start again, which sqlite3_backup_step handles itself.
        if (sqlite3_backup* backup = sqlite3_backup_init(copy, "main", store.handle(), "main")) {
            do {
                rc = sqlite3_backup_step(backup, -1);
                if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) sqlite3_sleep(100);
            } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
            sqlite3_backup_finish(backup);
            if (rc == SQLITE_DONE) rc = SQLITE_OK;
        } else {
            rc = sqlite3_errcode(copy);
        }
    }
    // Written in WAL mode like its source: closing checkpoints it into the one file.
    const std::string message = copy ? sqlite3_errmsg(copy) : "out of memory";
    if (rc == SQLITE_OK && sqlite3_close(copy) == SQLITE_OK) copy = nullptr;
    if (rc != SQLITE_OK || copy) {
        sqlite3_close_v2(copy);
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(partial.string() + suffix, ec);
        throw Error(errors::BackupFailure, fmt::format("Could not back up {} to {}: {}", source.string(), target.string(), message));
    }
    for (const char* suffix : {"-wal", "-shm"}) fs::remove(partial.string() + suffix, ec);
    fs::rename(partial, target, ec);
    if (ec) throw Error(errors::BackupFailure, fmt::format("Could not name the backup {}: {}", target.string(), ec.message()));
    return target;
}

BalanceDate parseBalanceDate(const std::string& text) {
    static const std::regex form(R"((\d{1,2})/(\d{1,2})/(\d{4})(?: (\d{1,2}):(\d{2})(?::(\d{2}))?)?)");
    std::smatch m;
    std::tm tm{};
    if (std::regex_match(text, m, form)) {
        tm.tm_mday = std::stoi(m[1]);
        tm.tm_mon = std::stoi(m[2]) - 1;
        tm.tm_year = std::stoi(m[3]) - 1900;
        tm.tm_hour = m[4].matched ? std::stoi(m[4]) : 0;
        tm.tm_min = m[5].matched ? std::stoi(m[5]) : 0;
        tm.tm_sec = m[6].matched ? std::stoi(m[6]) : 0;
        std::tm check = tm;
        check.tm_isdst = -1;
        timegm(&check);  // normalises: 31/02 becomes 03/03, which tells an impossible date
        if (check.tm_mday != tm.tm_mday || check.tm_mon != tm.tm_mon || tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 59)
            m = std::smatch();
    }
    if (m.empty())
        throw Error(errors::BadCommandLine,
                    fmt::format("\"{}\" is not a date: the balance date is given as dd/mm/yyyy or dd/mm/yyyy hh:mm:ss", text));
    const bool wholeDay = !m[4].matched;
    std::tm until = tm;
    if (wholeDay) until.tm_mday += 1;  // a date alone counts the whole of that day
    else until.tm_sec += 1;            // documents at the very time given count too
    timegm(&until);
    return {fmt::format("{:%Y-%m-%d %H:%M:%S}", until), fmt::format("{:%d/%m/%Y}", tm)};
}

int refreshBalances(Store& store, const BalanceDate& date) {
    WriteTransaction refresh(store);
    store.exec("DELETE FROM tblCustomerBalance");
    store.exec("DELETE FROM tblCustomerBalanceIska");
    // Customers only (types 1 and 3), each with its opening balance and the movements of its own
    // business dated before the limit; a document without a date counts.
    const char* fill =
        "INSERT INTO {} (iCustomersID, iBusinessID, iCustomerNumber, vcBusinessName, curBalance) "
        "SELECT c.iCustomersID, c.iBusinessID, c.iCustomerNumber, c.vcBusinessName, "
        "  ROUND(COALESCE(c.curOpenBalance, 0) + (SELECT COALESCE(SUM(m.curAmount), 0) "
        "    FROM qryCustomerBalanceMovements m WHERE m.iBusinessID = c.iBusinessID AND m.iCustomersID = c.iCustomersID "
        "    AND (m.datxDate IS NULL OR m.datxDate < ?) {}), 4) "
        "FROM Customers c WHERE c.iCustomersTypesID IN (1, 3)";
    store.exec(fmt::format(fmt::runtime(fill), "tblCustomerBalance", "AND m.blnIska = 0"), {date.until});
    store.exec(fmt::format(fmt::runtime(fill), "tblCustomerBalanceIska", ""), {date.until});
    store.exec("INSERT INTO sysSystemParameters (iBusinessID, vcParameterName, vcParameterValue) "
               "SELECT iBusinessID, 'qryCustomerBalanceDate', ? FROM BusinessDetails WHERE true "
               "ON CONFLICT (iBusinessID, vcParameterName) DO UPDATE SET vcParameterValue = excluded.vcParameterValue",
               {date.shortDate});
    const int customers = static_cast<int>(store.first("SELECT COUNT(*) AS n FROM tblCustomerBalance")->integer("n"));
    refresh.commit();
    return customers;
}

}  // namespace kovrin::frontend::app
