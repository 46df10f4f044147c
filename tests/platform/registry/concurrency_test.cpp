// Several processes (and threads) on one store: each write is visible to the others at once, and
// concurrent writers lose nothing. Processes hand over with pipes, never with sleeps.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "support/TempDir.h"

using namespace kovrin::registry;
using namespace kovrin::registry::test;

namespace {

struct Pipe {
    int fd[2];
    Pipe() { EXPECT_EQ(pipe(fd), 0); }
    ~Pipe() { closeBoth(); }
    void closeBoth() {
        for (int& f : fd)
            if (f >= 0) close(f), f = -1;
    }
    void signal() { EXPECT_EQ(write(fd[1], "x", 1), 1); }
    bool wait() {
        char c;
        return read(fd[0], &c, 1) == 1;
    }
};

int exitStatus(pid_t pid) {
    int st = 0;
    if (waitpid(pid, &st, 0) != pid) return -1;
    return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
}

}  // namespace

TEST(RegistryConcurrency, AValueWrittenByOneProcessIsReadByAnotherAtOnce) {
    kovrin::test::ScopedRegistry registry;
    ASSERT_EQ(writeString(CurrentUser, "Software\\Kovrin", "Stamp", "0"), status::Success);
    Handle open = 0;
    ASSERT_EQ(openKey(CurrentUser, "Software\\Kovrin", open), status::Success);
    Pipe toChild, toParent;

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The front-end's side: see the library's value, answer with a stamp of its own.
        if (!toChild.wait()) _exit(10);
        if (readText(CurrentUser, "Software\\Kovrin", "Request") != "refresh") _exit(11);
        if (writeString(CurrentUser, "Software\\Kovrin", "Stamp", "1") != status::Success) _exit(12);
        toParent.signal();
        _exit(0);
    }
    ASSERT_EQ(writeString(CurrentUser, "Software\\Kovrin", "Request", "refresh"), status::Success);
    toChild.signal();
    ASSERT_TRUE(toParent.wait());
    Value v;
    ASSERT_EQ(queryValue(open, "Stamp", v), status::Success);  // through a handle opened before
    EXPECT_EQ(v.data, "1");
    EXPECT_EQ(exitStatus(child), 0);
    closeKey(open);
}

TEST(RegistryConcurrency, TwoProcessesWritingAThousandValuesEachLoseNothing) {
    // Both start on an empty folder, so they also race to create the hive file.
    kovrin::test::ScopedRegistry registry;
    constexpr int PerProcess = 1000;
    Pipe gate;
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = fork();
        ASSERT_GE(writers[w], 0);
        if (writers[w] == 0) {
            close(gate.fd[1]);
            char c;
            if (read(gate.fd[0], &c, 1) != 0) _exit(20);  // released when the parent closes the gate
            int failures = 0;
            for (int i = 0; i < PerProcess; ++i) {
                const std::string name = "w" + std::to_string(w) + "-" + std::to_string(i);
                const Value value = i % 2 ? Value::number(static_cast<uint32_t>(w * 100000 + i)) : Value::text(name);
                if (setKeyValue(CurrentUser, "Software\\Load", name, value) != status::Success) ++failures;
                // Each process also reads its own last write back at once.
                if (readText(CurrentUser, "Software\\Load", name) != value.data) ++failures;
            }
            _exit(failures > 100 ? 100 : failures);
        }
    }
    gate.closeBoth();
    EXPECT_EQ(exitStatus(writers[0]), 0);
    EXPECT_EQ(exitStatus(writers[1]), 0);

    Handle h = 0;
    ASSERT_EQ(openKey(CurrentUser, "Software\\Load", h), status::Success);
    std::vector<NamedValue> values;
    ASSERT_EQ(enumValues(h, values), status::Success);
    EXPECT_EQ(values.size(), 2u * PerProcess);
    int wrong = 0;
    for (int w = 0; w < 2; ++w) {
        for (int i = 0; i < PerProcess; ++i) {
            const std::string name = "w" + std::to_string(w) + "-" + std::to_string(i);
            Value v;
            if (queryValue(h, name, v) != status::Success) ++wrong;
            else if (i % 2 ? v.asNumber() != static_cast<uint32_t>(w * 100000 + i) : v.data != name) ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0);
    closeKey(h);
}

TEST(RegistryConcurrency, TheKeptConnectionFollowsAFileReplacedOrRemoved) {
    kovrin::test::ScopedRegistry registry;
    const auto file = registry.path() / "HKEY_CURRENT_USER.sqlite", copy = registry.path() / "copy";
    ASSERT_EQ(writeString(CurrentUser, "Software\\Kovrin", "Path", "/old"), status::Success);
    std::filesystem::copy_file(file, copy);
    ASSERT_EQ(writeString(CurrentUser, "Software\\Kovrin", "Path", "/new"), status::Success);
    std::filesystem::rename(copy, file);  // an older copy put back in place
    EXPECT_EQ(readText(CurrentUser, "Software\\Kovrin", "Path"), "/old");
    std::filesystem::remove(file);
    EXPECT_EQ(readText(CurrentUser, "Software\\Kovrin", "Path"), "<status 2>");
    EXPECT_FALSE(std::filesystem::exists(file));
    ASSERT_EQ(writeString(CurrentUser, "Software\\Kovrin", "Path", "/fresh"), status::Success);
    EXPECT_EQ(readText(CurrentUser, "Software\\Kovrin", "Path"), "/fresh");
}

TEST(RegistryConcurrency, ThreadsShareTheStore) {
    kovrin::test::ScopedRegistry registry;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                const std::string name = std::to_string(t) + "-" + std::to_string(i);
                const NamedValue both[] = {{"A" + name, Value::text(name)}, {"B" + name, Value::text(name)}};
                const std::string_view names[] = {both[0].name, both[1].name};
                std::vector<std::optional<Value>> read;
                if (setKeyValues(CurrentUser, "Software\\Load", both) != status::Success ||
                    queryKeyValues(CurrentUser, "Software\\Load", names, read) != status::Success || read.size() != 2 ||
                    !read[0] || !read[1] || read[0]->data != name || read[1]->data != name)
                    ++failures;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(failures, 0);
}

TEST(RegistryConcurrency, BriefWritesGiveUpSoonOnAHiveAnotherProcessHolds) {
    kovrin::test::ScopedRegistry registry;
    ASSERT_EQ(writeString(LocalMachine, "SOFTWARE\\Kovrin", "x", "1"), status::Success);
    Pipe locked, done;
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        sqlite3* db = nullptr;
        if (sqlite3_open((registry.path() / "HKEY_LOCAL_MACHINE.sqlite").c_str(), &db) != SQLITE_OK ||
            sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
            _exit(1);
        locked.signal();
        done.wait();
        _exit(0);
    }
    ASSERT_TRUE(locked.wait());
    const auto start = std::chrono::steady_clock::now();
    {
        BriefWrites briefly;
        EXPECT_EQ(writeString(LocalMachine, "SOFTWARE\\Kovrin", "x", "2"), status::Busy);
    }
    // A normal write waits ten seconds; a brief one about one.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    done.signal();
    EXPECT_EQ(exitStatus(holder), 0);
    EXPECT_EQ(readText(LocalMachine, "SOFTWARE\\Kovrin", "x"), "1");
}
