#include "Connection.h"

#include <KovrinAPI/runtime/Procedure.h>

#include "DebugLog.h"
#include "State.h"
#include "platform/db/Backend.h"
#include "platform/db/Errors.h"
#include "platform/db/PostgresBackend.h"

namespace kovrin::modKovrin {

namespace {
std::string connectionString(const std::string& path) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";Mode=Read|Write";
}
}  // namespace

void OpenConnection(bool& blnDebug) {
    passOn("modKovrin.OpenConnection", [&](Line& line) {
        core::State& s = core::state();
        line(10);
        // A server's URI may carry a password: the log never does.
        if (blnDebug)
            modUtils::LogDebug("modKovrin.OpenConnection", "ConnectionString", db::maskPassword(connectionString(s.kovrinPath)));
        line(20);
        if (!s.connection) s.connection = std::make_shared<db::Connection>();
        if (!s.command) s.command = std::make_shared<db::Command>();
        if (!s.recordset) s.recordset = std::make_shared<db::Recordset>();
        line(30);
        if (s.kovrinPath.empty())
            raiseError(6479, "You need to specify the location of the Kovrin database. Use KovrinAPI.KovrinPath");
        line(40);
        // Inside a write transaction the connection is the transaction's, whatever KovrinPath says.
        // Otherwise the pooled handle is taken again only while it is on the file KovrinPath names:
        // after a change of path, or once the file was deleted or replaced, it would read and write
        // the old file.
        if (s.writeLevels == 0) {
            if (s.connection->State() != db::StateClosed && !s.connection->IsOpenOn(s.kovrinPath)) {
                s.connection->Close();
                s.readHeld = false;
            }
            if (s.connection->State() == db::StateClosed) {
                s.connection->ConnectionString = connectionString(s.kovrinPath);
                s.connection->CursorLocation = db::UseClient;
                s.connection->Open();
            }
            // The queries up to CloseAll share one read snapshot; its writes end it earlier
            // (Backend::beginRead), and so does the end of the operation should CloseAll be
            // skipped by an error (OperationLock). It never outlasts CloseAll: an operation may
            // wait there for another program's writes (the front-end's balances) and must see them.
            if (!s.readHeld && s.lock.heldHere()) {
                s.connection->backend().beginRead();
                s.readHeld = true;
            }
        }
        s.connectionInUse = true;
        line(50);
        s.command->ActiveConnection(s.connection);
        line(60);
        if (s.recordset->State() == db::StateOpen) s.recordset->Close();
        line(70);
        s.recordset->ActiveConnection(s.connection);
    });
}

void CloseAll() {
    core::State& s = core::state();
    if (s.writeLevels > 0) return;  // the outermost transaction level ends the work
    if (s.recordset) s.recordset->Close();
    s.connectionInUse = false;
    core::endOperationRead();
}

}  // namespace kovrin::modKovrin

namespace kovrin::core {

namespace {
[[noreturn]] void notOpen() {
    raiseError(3709, "The connection cannot be used to perform this operation. It is either closed or invalid in this context.");
}

void requireInUse() {
    const State& s = state();
    if (!s.connectionInUse || !s.connection || s.connection->State() != db::StateOpen) notOpen();
}
}  // namespace

db::Connection& connection() {
    requireInUse();
    return *state().connection;
}

db::Command& command() {
    requireInUse();
    return *state().command;
}

db::Recordset& recordset() {
    requireInUse();
    return *state().recordset;
}

void execute(const std::string& sql) {
    db::Command& cmd = command();
    cmd.CommandText = sql;
    cmd.CommandType = db::CmdText;
    cmd.Execute();
}

db::Recordset query(const std::string& sql) {
    requireInUse();
    db::Recordset rs;
    rs.ActiveConnection(state().connection);
    rs.Source = sql;
    rs.Open();
    return rs;
}

WriteTransaction::WriteTransaction() : connection_(state().connection) {
    requireInUse();
    connection_->BeginTrans();
    ++state().writeLevels;
    counted_ = true;
}

WriteTransaction::~WriteTransaction() {
    if (done_) return;
    leave();
    try {
        if (connection_->State() == db::StateOpen) connection_->RollbackTrans();
    } catch (...) {
        // the failure that brought us here is the one the caller must see
    }
}

void WriteTransaction::leave() {
    if (counted_) --state().writeLevels;
    counted_ = false;
}

void WriteTransaction::commit() {
    if (state().connection != connection_ || connection_->State() != db::StateOpen) {
        leave();  // the destructor rolls back what the old connection still holds
        db::raiseJet(db::ErrNoTransaction,
                 "The connection the transaction began on was closed or replaced before the commit: nothing of it "
                 "was stored.");
    }
    connection_->CommitTrans();
    done_ = true;
    leave();
}

}  // namespace kovrin::core
