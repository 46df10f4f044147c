// One hive's SQLite file for the length of one store operation: where the file lives, its format,
// the transaction every operation runs in, and SQLite failures turned into statuses. The process
// keeps one connection per hive file open between operations (see HiveFile.cpp).
// Internal to the store; the rest of the tree uses RegistryStore.h.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace kovrin::registry::detail {

// Thrown inside the store and answered as a status at its edge.
struct Failure {
    int32_t status;
};
[[noreturn]] void fail(int32_t status);

struct CachedHive;

class HiveFile {
public:
    enum class Access {
        Read,    // read an existing file; a missing file reads as an empty hive
        Update,  // change an existing file; a missing file is an empty hive and is not created
        Create,  // change the file, creating the folder and the file first when needed
    };

    // Takes the hive's connection (opening the file when needed) and begins a transaction: a read
    // snapshot, or the write lock for Update and Create, so each operation is atomic and sees one
    // state of the file. Other threads wait for the connection until this object is gone.
    HiveFile(uint32_t hive, Access access);
    ~HiveFile();  // rolls back whatever was not committed
    HiveFile(const HiveFile&) = delete;
    HiveFile& operator=(const HiveFile&) = delete;

    // No file, or a file without keys yet: every key but the hive's root is missing.
    bool empty() const { return db_ == nullptr || fresh_; }
    void commit();
    sqlite3* db() const { return db_; }
    // A statement of the kept connection prepared earlier with this text (taken out of its cache),
    // or null; give() puts one back, reset, or finalizes it when the connection is gone.
    sqlite3_stmt* take(const std::string& sql) const;
    void give(std::string sql, sqlite3_stmt* statement) const noexcept;

private:
    void open(uint32_t hive, Access access);
    // Ends the transaction; `drop` also closes the connection, so the next operation starts afresh.
    void finish(bool drop) noexcept;
    void exec(const char* sql);
    void checkFormat(Access access);

    CachedHive* cached_ = nullptr;
    std::unique_lock<std::mutex> lock_;
    sqlite3* db_ = nullptr;
    bool fresh_ = false;
    bool open_transaction_ = false;
    int64_t changesBefore_ = 0;  // the connection's count of changed rows when the operation began
};

// Writes of the calling thread wait at most this long for another process's transaction.
int writeWaitMs();
void setWriteWaitMs(int ms);

// A prepared statement on a hive file; every failure becomes a Failure with the store's status.
class Statement {
public:
    Statement(const HiveFile& file, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bindText(int index, std::string_view text);
    Statement& bindBlob(int index, std::string_view bytes);
    Statement& bindInt(int index, int64_t value);
    // Makes the statement ready to run again (bindings are kept until bound anew).
    void reset();
    // Advances to the next row; false when there is none left (or the statement has run).
    bool step();
    std::string text(int column) const;
    std::string blob(int column) const;
    int64_t integer(int column) const;
    // Rows changed by the last insert, update or delete of the connection.
    int changes() const;

private:
    sqlite3* db_;
    const HiveFile& file_;
    std::string sql_;
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace kovrin::registry::detail
