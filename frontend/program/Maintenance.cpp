#include "Maintenance.h"

#include <cstdio>
#include <ctime>
#include <regex>

#include <sqlite3.h>

#include <fmt/chrono.h>
#include <fmt/format.h>

#include <KovrinAPI/runtime/Error.h>

namespace kovrin::frontend::app {
namespace fs = std::filesystem;

fs::path backupDatabase(Store& store) {
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
        "    AND COALESCE(m.datxDate, '') < ?1 {}), 4) "
        "FROM Customers c WHERE c.iCustomersTypesID IN (1, 3)";
    store.exec(fmt::format(fmt::runtime(fill), "tblCustomerBalance", "AND m.blnIska = 0"), {date.until});
    store.exec(fmt::format(fmt::runtime(fill), "tblCustomerBalanceIska", ""), {date.until});
    store.exec("INSERT INTO sysSystemParameters (iBusinessID, vcParameterName, vcParameterValue) "
               "SELECT iBusinessID, 'qryCustomerBalanceDate', ?1 FROM BusinessDetails WHERE true "
               "ON CONFLICT (iBusinessID, vcParameterName) DO UPDATE SET vcParameterValue = excluded.vcParameterValue",
               {date.shortDate});
    const int customers = static_cast<int>(store.first("SELECT COUNT(*) AS n FROM tblCustomerBalance")->integer("n"));
    refresh.commit();
    return customers;
}

}  // namespace kovrin::frontend::app
