#include "Connection.h"

#include <KovrinAPI/runtime/Procedure.h>

#include "DebugLog.h"
#include "State.h"

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
        if (blnDebug) modUtils::LogDebug("modKovrin.OpenConnection", "ConnectionString", connectionString(s.kovrinPath));
        line(20);
        if (!s.connection) s.connection = std::make_shared<db::Connection>();
        if (!s.command) s.command = std::make_shared<db::Command>();
        if (!s.recordset) s.recordset = std::make_shared<db::Recordset>();
        line(30);
        if (s.kovrinPath.empty())
            raiseError(6479, "You need to specify the location of the Kovrin database. Use KovrinAPI.KovrinPath");
        line(40);
        // A connection left open by an operation that ended early is used again, but only while it
        // is on the database KovrinPath names: after a change of path it would read and write the
        // old file.
        if (s.connection->State() != db::StateClosed && s.connectionPath != s.kovrinPath) s.connection->Close();
        if (s.connection->State() == db::StateClosed) {
            s.connection->ConnectionString = connectionString(s.kovrinPath);
            s.connection->CursorLocation = db::UseClient;
            s.connection->Open();
            s.connectionPath = s.kovrinPath;
        }
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
    if (s.connection) {
        try {
            s.connection->Close();
        } catch (...) {
            // a connection that cannot be closed is dropped all the same
        }
    }
    s.connection.reset();
    s.command.reset();
    s.recordset.reset();
}

}  // namespace kovrin::modKovrin

namespace kovrin::core {

namespace {
[[noreturn]] void notOpen() {
    raiseError(3709, "The connection cannot be used to perform this operation. It is either closed or invalid in this context.");
}
}  // namespace

db::Connection& connection() {
    if (!state().connection) notOpen();
    return *state().connection;
}

db::Command& command() {
    if (!state().command) notOpen();
    return *state().command;
}

db::Recordset& recordset() {
    if (!state().recordset) notOpen();
    return *state().recordset;
}

void execute(const std::string& sql) {
    db::Command& cmd = command();
    cmd.CommandText = sql;
    cmd.CommandType = db::CmdText;
    cmd.Execute();
}

db::Recordset& query(const std::string& sql) {
    db::Recordset& rs = recordset();
    if (rs.State() == db::StateOpen) rs.Close();
    rs.Source = sql;
    rs.Open();
    return rs;
}

WriteTransaction::WriteTransaction() { connection().BeginTrans(); }

WriteTransaction::~WriteTransaction() {
    if (done_ || !state().connection) return;
    try {
        state().connection->RollbackTrans();
    } catch (...) {
        // the failure that brought us here is the one the caller must see
    }
}

void WriteTransaction::commit() {
    connection().CommitTrans();
    done_ = true;
}

}  // namespace kovrin::core
