// Opening and dropping the shared connection, and the shared objects every data procedure uses.
//
// The SQLite handle behind the shared connection is pooled: CloseAll ends the operation's use of it
// but keeps the file open, and the next OpenConnection takes it again as long as KovrinPath still
// names the same file (same device and inode) in the same process. Opening a database file costs
// more than most operations (the schema is read again, and the last close checkpoints the log).
//
// A write transaction holds the connection it began on. While one is open, the OpenConnection and
// CloseAll of nested lookups only count levels: the connection stays as it is and the outermost
// level commits or rolls back.
#pragma once

#include <memory>
#include <type_traits>
#include <string>

#include "platform/db/Database.h"

namespace kovrin::modKovrin {

// Makes the shared connection, command and recordset ready: creates what does not exist, opens the
// connection on KovrinPath unless the pooled one is still on that file (error 6479 when KovrinPath
// is empty), binds command and recordset to it and closes a recordset left open.
void OpenConnection(bool& blnDebug);

// Ends the operation's use of the shared connection: closes the shared recordset and releases the
// connection to the pool. Inside a write transaction it does nothing.
void CloseAll();

}  // namespace kovrin::modKovrin

namespace kovrin::core {

// The shared objects made ready by OpenConnection (error 3709 outside OpenConnection ... CloseAll).
db::Connection& connection();
db::Command& command();
db::Recordset& recordset();

// Runs one statement that changes data through the shared command (CommandType 1, Execute).
void execute(const std::string& sql);
// Runs a query on the shared connection into a recordset of its own, so a lookup made while the
// caller walks its rows never closes them.
db::Recordset query(const std::string& sql);

// One write transaction on the shared connection: the write lock is taken at once, and the work
// is rolled back unless commit() is reached, so a failure leaves nothing half-written. commit()
// fails when the connection the transaction began on was closed or replaced meanwhile.
class WriteTransaction {
public:
    WriteTransaction();
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;
    void commit();

private:
    void leave();

    std::shared_ptr<db::Connection> connection_;
    bool done_ = false;
    bool counted_ = false;
};

// Runs write() as one write transaction and returns what it returns: everything it writes is
// stored together or not at all, and what it reads (a next number) cannot change before the
// commit. An error is passed on unchanged after the rollback.
template <class Write>
auto inWriteTransaction(Write&& write) {
    WriteTransaction transaction;
    if constexpr (std::is_void_v<decltype(write())>) {
        write();
        transaction.commit();
    } else {
        auto result = write();
        transaction.commit();
        return result;
    }
}

}  // namespace kovrin::core
