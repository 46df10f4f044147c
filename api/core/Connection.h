// Opening and dropping the shared connection, and the shared objects every data procedure uses.
#pragma once

#include "platform/db/Database.h"

namespace kovrin::modKovrin {

// Makes the shared connection, command and recordset ready: creates what does not exist, opens the
// connection on KovrinPath when it is closed or open on another file (error 6479 when KovrinPath is
// empty), binds command and recordset to it and closes a recordset left open.
void OpenConnection(bool& blnDebug);

// Closes the shared connection (ignoring any failure) and drops the three objects.
void CloseAll();

}  // namespace kovrin::modKovrin

namespace kovrin::core {

// The shared objects made ready by OpenConnection.
db::Connection& connection();
db::Command& command();
db::Recordset& recordset();

// Runs one statement that changes data through the shared command (CommandType 1, Execute).
void execute(const std::string& sql);
// Opens the shared recordset on a query.
db::Recordset& query(const std::string& sql);

// One write transaction on the shared connection: the write lock is taken at once, and the work
// is rolled back unless commit() is reached, so a failure leaves nothing half-written.
class WriteTransaction {
public:
    WriteTransaction();
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;
    void commit();

private:
    bool done_ = false;
};

}  // namespace kovrin::core
