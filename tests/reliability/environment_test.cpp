#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>

#include "Writers.h"
#include "platform/db/SqliteBackend.h"

using namespace kovrin;
using namespace kovrin::test;
namespace fs = std::filesystem;

namespace {

constexpr int32_t JetError = -2147467259;

// Every row the writers can store: equal before and after calls that must store nothing.
std::string everything(const Installation& inst) {
    return documentTables(inst) + rowsText(inst, "SELECT * FROM Customers") + rowsText(inst, "SELECT * FROM TimeBills");
}

// Runs f in a forked program and returns what it returned. `unprivileged`: as the user nobody
// when this program is root, since root writes to files and folders whatever their permissions.
std::string inProgram(const std::function<std::string()>& f, bool unprivileged = false) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe");
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::string text;
        if (unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) text = "setuid failed";
        else text = f();
        if (write(fds[1], text.data(), text.size()) < 0) _exit(3);
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the program crashed: " << status;
    return text;
}

// The folders of a test whose program runs unprivileged: under the system's temporary folder, in
// one everybody may enter, since the build tree (where the tests' folders usually are) may lie
// under a folder only its owner enters, such as root's home. Made before the Installation.
class ReachableFolders {
public:
    ReachableFolders() {
        if (chmod(dir_.path().c_str(), 0755) != 0) throw std::runtime_error("chmod failed");
        if (const char* old = std::getenv("KOVRIN_TEST_TMP")) old_ = old;
        setenv("KOVRIN_TEST_TMP", dir_.path().c_str(), 1);
    }
    ~ReachableFolders() {
        if (old_) setenv("KOVRIN_TEST_TMP", old_->c_str(), 1);
        else unsetenv("KOVRIN_TEST_TMP");
    }

private:
    TempDir dir_{fs::temp_directory_path()};
    std::optional<std::string> old_;
};

// When the test runs as root, the folders and their files become nobody's, for inProgram.
void giveToNobody(const std::vector<std::string>& dirs) {
    if (geteuid() != 0) return;
    for (const std::string& dir : dirs) {
        EXPECT_EQ(chown(dir.c_str(), 65534, 65534), 0);
        for (const auto& entry : fs::recursive_directory_iterator(dir)) EXPECT_EQ(chown(entry.path().c_str(), 65534, 65534), 0);
    }
}

// A program that holds the write lock of an SQLite file until it is killed.
class LockHolder {
public:
    explicit LockHolder(const std::string& file) {
        int fds[2];
        if (pipe(fds) != 0) throw std::runtime_error("pipe");
        pid_ = fork();
        if (pid_ == 0) {
            auto c = std::make_shared<db::Connection>();
            c->ConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file + ";Mode=Read|Write";
            c->Open();
            c->BeginTrans();
            if (write(fds[1], "1", 1) != 1) _exit(3);
            pause();
            _exit(0);
        }
        char c;
        EXPECT_EQ(read(fds[0], &c, 1), 1) << "the lock was not taken";
        close(fds[0]);
        close(fds[1]);
    }
    ~LockHolder() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }

private:
    pid_t pid_;
};

// One document of every kind; what each was told goes to `told`.
void createEach(Kovrin& k, std::vector<Told>& told, const std::string& step) {
    for (std::size_t w = 0; w < allWriters().size(); ++w) {
        int32_t number = 0;
        const std::string tag = "rel-" + step;
        EXPECT_EQ(attempt(k, allWriters()[w], tag, &number).substr(0, 6), "stored") << allWriters()[w].name << " " << step;
        told.push_back({w, tag, number});
    }
}

// Every writer fails with the database error and a description; none reports a success.
void expectEachRefused(Kovrin& k, const std::string& situation, const std::string& description = "") {
    for (const Writer& w : allWriters()) {
        const std::string result = attempt(k, w, "rel-refused");
        EXPECT_EQ(result.substr(0, 12), std::to_string(JetError) + " ") << w.name << ", " << situation;
        EXPECT_NE(result.find(description), std::string::npos) << w.name << ", " << situation << ": " << result;
    }
}

}  // namespace

// The file under a pooled connection is replaced by bytes that are not a database, overwritten in
// place, moved away or deleted. The next operations must notice: writing on the old file would
// report a success for data no one will see. Once the file is back, nothing stored before is lost
// and numbering goes on.
TEST(Reliability, DatabaseFileReplacedMovedOrDeletedWhileOpen) {
    if (Installation::onServer()) GTEST_SKIP() << "a database on a server is no file to replace, move or delete";
    Installation inst;
    const std::string path = inst.databasePath(), aside = path + ".aside";
    struct Case {
        const char* name;
        std::function<void()> spoil;
    } cases[] = {
        {"replaced by garbage", [&] {
             fs::rename(path, aside);
             std::ofstream(path) << std::string(8192, 'x');
         }},
        {"overwritten in place", [&] {
             inst.exec("PRAGMA wal_checkpoint(TRUNCATE)");  // the copy put back holds every document
             fs::copy_file(path, aside);
             std::fstream(path, std::ios::in | std::ios::out | std::ios::binary) << std::string(100, 'x');
         }},
        {"moved", [&] { fs::rename(path, aside); }},
        {"deleted", [&] {
             fs::create_hard_link(path, aside);  // the test keeps the data to put back
             fs::remove(path);
         }},
    };
    std::vector<Told> told;
    Kovrin k;
    createEach(k, told, "before");
    for (const Case& c : cases) {
        c.spoil();
        expectEachRefused(k, c.name);
        fs::remove(path);
        fs::rename(aside, path);
        createEach(k, told, std::string("after-") + std::to_string(&c - cases));
        expectStoredAsTold(inst, told, true);
    }
}

// Another program holds the write lock longer than the busy time-out (shortened for the test):
// every writer fails with the busy error, nothing is stored, and once the lock is gone the
// numbering continues without a gap.
TEST(Reliability, DatabaseLockedByAnotherWriterPastTheBusyTimeOut) {
    Installation inst;
    db::setBusyTimeoutMs(200);
    std::vector<Told> told;
    {
        LockHolder lock(inst.databasePath());
        const std::string before = everything(inst);
        Kovrin k;
        expectEachRefused(k, "locked", "database is locked");
        EXPECT_EQ(everything(inst), before);
    }
    Kovrin k;
    createEach(k, told, "after");
    expectStoredAsTold(inst, told, true);
    db::setBusyTimeoutMs(-1);
}

// Permissions: a read-only database file or folder refuses every writer with the database error
// and keeps what it holds. The program runs as nobody when the test runs as root.
TEST(Reliability, ReadOnlyDatabaseFileOrFolder) {
    if (Installation::onServer()) GTEST_SKIP() << "a database on a server has no file permissions; its roles are tested with kovrin-db grant";
    ReachableFolders reachable;
    Installation inst;
    const std::string path = inst.databasePath(), folder = inst.dir().path().string();
    const std::string registry = std::getenv("KOVRIN_REGISTRY_DIR");
    giveToNobody({folder, registry});
    const std::string before = everything(inst);
    for (auto [name, file, mode] : {std::tuple{"read-only file", path, 0444}, std::tuple{"read-only folder", folder, 0555}}) {
        const auto old = fs::status(file).permissions();
        chmod(file.c_str(), static_cast<mode_t>(mode));
        const std::string results = inProgram(
            [] {
                std::string text;
                try {
                    Kovrin k;
                    for (const Writer& w : allWriters()) text += std::string(w.name) + ": " + attempt(k, w, "rel-ro") + "\n";
                } catch (const Error& e) {
                    text = "Kovrin: " + std::to_string(e.number()) + " " + e.description();
                }
                return text;
            },
            true);
        chmod(file.c_str(), static_cast<mode_t>(old));
        std::istringstream lines(results);
        std::size_t count = 0;
        for (std::string line; std::getline(lines, line); ++count)
            EXPECT_NE(line.find(": " + std::to_string(JetError) + " "), std::string::npos) << name << ": " << line;
        EXPECT_EQ(count, allWriters().size()) << name << ": " << results;
        EXPECT_EQ(everything(inst), before) << name;
    }
}

// The registry folder. Missing: there is no installation (a clear error). Hive files read-only:
// creating a Kovrin object skips its two registry writes and the documents are still stored.
// Folder read-only too, before any log file of the hives exists: they cannot be read (the log
// cannot be made), a clear error.
TEST(Reliability, RegistryFolderMissingOrReadOnly) {
    // The registry does not depend on the engine; and the test server has no role for nobody.
    if (Installation::onServer()) GTEST_SKIP() << "the registry is tested with the books in a file";
    ReachableFolders reachable;
    Installation inst;
    const std::string registry = std::getenv("KOVRIN_REGISTRY_DIR");
    const auto outcome = [] {
        std::string text;
        try {
            Kovrin k;
            for (std::size_t w = 0; w < allWriters().size(); ++w) {
                int32_t number = 0;
                const std::string result = attempt(k, allWriters()[w], "rel-registry", &number);
                text += result.starts_with("stored") ? toldLine(w, "rel-registry", number) : result + "\n";
            }
        } catch (const Error& e) {
            text = std::to_string(e.number()) + " " + e.description();
        }
        return text;
    };
    const std::string missing = inProgram([&] {
        setenv("KOVRIN_REGISTRY_DIR", (registry + "/missing").c_str(), 1);
        return outcome();
    });
    EXPECT_EQ(missing.substr(0, 5), "6367 ") << missing;

    giveToNobody({inst.dir().path().string(), registry});
    for (const auto& entry : fs::directory_iterator(registry)) chmod(entry.path().c_str(), 0444);
    chmod(registry.c_str(), 0555);
    const std::string readOnlyFolder = inProgram(outcome, true);
    chmod(registry.c_str(), 0755);
    EXPECT_EQ(readOnlyFolder.substr(0, 20), "5 Access is denied.\r") << readOnlyFolder;

    const std::string readOnlyFiles = inProgram(outcome, true);
    const auto told = parseTold(readOnlyFiles);
    EXPECT_EQ(told.size(), allWriters().size()) << readOnlyFiles;
    expectStoredAsTold(inst, told, true);
}

// The machine hive held locked by another program delays creating a Kovrin object by about a
// second (its registry write is skipped), not by the store's full wait of ten seconds.
TEST(Reliability, KovrinObjectNotStalledByALockedHive) {
    Installation inst;
    inProgram([] { return Kovrin().KovrinPath(); });  // the first object makes the machine hive
    LockHolder lock(std::string(std::getenv("KOVRIN_REGISTRY_DIR")) + "/HKEY_LOCAL_MACHINE.sqlite");
    const auto start = std::chrono::steady_clock::now();
    Kovrin k;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(k.KovrinPath(), inst.databasePath());
}
