#include "platform/db/Database.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <KovrinAPI/runtime/Error.h>
#include <KovrinAPI/runtime/Text.h>

#include "platform/db/Backend.h"
#include "platform/db/Errors.h"
#include "platform/db/JetDialect.h"
#include "platform/db/PostgresBackend.h"
#include "platform/db/SqliteBackend.h"

namespace kovrin::db {
namespace {

using Trace = std::function<void(std::string_view)>;

std::mutex& traceMutex() {
    static std::mutex m;
    return m;
}
std::shared_ptr<const Trace>& traceHook() {
    static std::shared_ptr<const Trace> hook;
    return hook;
}

void trace(std::string_view sql) {
    std::shared_ptr<const Trace> hook;
    {
        std::lock_guard lock(traceMutex());
        hook = traceHook();
    }
    if (hook) (*hook)(sql);  // called unlocked, so a hook may itself run statements
}

// The key=value pairs of an OLE DB connection string, keys in lower case. A value in double or
// single quotes (the quote doubled inside) may hold ';'.
std::map<std::string, std::string> parseConnectionString(std::string_view s) {
    std::map<std::string, std::string> pairs;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t eq = s.find('=', i), semi = s.find(';', i);
        if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
            if (semi == std::string_view::npos) break;
            i = semi + 1;  // a piece without '=' says nothing
            continue;
        }
        std::string key = text::toLowerAscii(text::trim(s.substr(i, eq - i)));
        std::size_t v = eq + 1;
        while (v < s.size() && s[v] == ' ') ++v;
        std::string value;
        if (v < s.size() && (s[v] == '"' || s[v] == '\'')) {
            const char quote = s[v++];
            while (v < s.size()) {
                if (s[v] == quote) {
                    if (v + 1 < s.size() && s[v + 1] == quote) {
                        value += quote;
                        v += 2;
                        continue;
                    }
                    ++v;
                    break;
                }
                value += s[v++];
            }
            semi = s.find(';', v);
        } else {
            semi = s.find(';', v);
            value = text::trim(s.substr(v, semi == std::string_view::npos ? std::string_view::npos : semi - v));
        }
        pairs[key] = value;
        if (semi == std::string_view::npos) break;
        i = semi + 1;
    }
    return pairs;
}

// Runs the statement as its shape with the values lifted out. Should the engine refuse the shape
// (a literal where it takes no parameter), the plain text is run instead: it either works or fails
// with the very error the caller would have seen. The engines report ErrSyntax and ErrNoSuchTable
// only before a statement runs, so nothing is run twice.
template <class Run>
auto runJet(Connection& connection, const std::string& jet, Run run) {
    const std::shared_ptr<const BoundSql> bound = connection.translation(jet);
    if (bound->params.empty()) return run(*bound);
    try {
        return run(*bound);
    } catch (const Error& e) {
        if (e.number() != ErrSyntax && e.number() != ErrNoSuchTable) throw;
    }
    return run(BoundSql{translateJetSql(jet), {}});
}

}  // namespace

// ---- Connection

Connection::Connection() = default;
Connection::~Connection() { Close(); }  // the backend rolls back and closes

int Connection::State() const { return backend_ ? StateOpen : StateClosed; }

void Connection::Open() {
    if (backend_) raiseObjectError(ErrObjectOpen, "ADODB.Connection");
    auto settings = parseConnectionString(ConnectionString);
    const std::string& provider = settings["provider"];
    if (!provider.empty() && !text::equalsNoCase(provider, "Microsoft.Jet.OLEDB.4.0"))
        raiseObjectError(ErrProviderNotFound, "ADODB.Connection");
    const std::string mode = text::toLowerAscii(settings["mode"]);
    const bool readOnly = mode.find("read") != std::string::npos && mode.find("write") == std::string::npos;
    const std::string& path = settings["data source"];
    if (isPostgresUri(path)) {
        backend_ = openPostgresBackend(path, readOnly);
        path_ = path;
        device_ = inode_ = 0;
        pid_ = ::getpid();
        return;
    }
    backend_ = openSqliteBackend(path, readOnly);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {  // gone again the moment it was opened
        backend_.reset();
        raiseJet(ErrGeneric, "Could not find file '" + path + "'.");
    }
    path_ = path;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    pid_ = ::getpid();
}

void Connection::Close() {
    if (backend_ && pid_ != ::getpid()) {
        // Kept reachable, never closed: the handle belongs to the parent process.
        static std::mutex m;
        static auto* forgotten = new std::vector<std::unique_ptr<Backend>>;
        std::lock_guard lock(m);
        forgotten->push_back(std::move(backend_));
    }
    backend_.reset();
}

bool Connection::IsOpenOn(const std::string& path) const {
    if (!backend_ || path != path_ || pid_ != ::getpid()) return false;
    if (isPostgresUri(path)) return true;  // the server's session reconnects by itself
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_;
}

bool Connection::IsOpenHere() const { return backend_ && pid_ == ::getpid(); }

void Connection::BeginTrans() {
    if (!backend_) raiseObjectError(ErrObjectClosed, "ADODB.Connection");
    backend_->begin();
}

void Connection::CommitTrans() {
    if (!backend_) raiseObjectError(ErrObjectClosed, "ADODB.Connection");
    backend_->commit();
}

void Connection::RollbackTrans() {
    if (!backend_) raiseObjectError(ErrObjectClosed, "ADODB.Connection");
    backend_->rollback();
}

Backend& Connection::backend() {
    if (!backend_) raiseObjectError(ErrConnectionUnusable, "ADODB.Connection");
    return *backend_;
}

std::shared_ptr<const BoundSql> Connection::translation(const std::string& jet) {
    // Texts that carry a document's own key come once each: rather than keep them in order of use,
    // the cache starts again when full and the texts run again come back at their next run.
    constexpr std::size_t Kept = 128;
    if (auto it = translations_.find(jet); it != translations_.end()) return it->second;
    auto bound = std::make_shared<const BoundSql>(bindJetSql(jet));  // a text that fails is not kept
    if (translations_.size() >= Kept) translations_.clear();
    translations_.emplace(jet, bound);
    return bound;
}

// ---- Command

void Command::ActiveConnection(std::shared_ptr<Connection> connection) { connection_ = std::move(connection); }

void Command::Execute() {
    if (!connection_ || connection_->State() != StateOpen) raiseObjectError(ErrConnectionUnusable, "ADODB.Command");
    if (CommandType != CmdText) raiseObjectError(ErrArguments, "ADODB.Command");
    trace(CommandText);
    Backend& backend = connection_->backend();
    runJet(*connection_, CommandText, [&](const BoundSql& sql) { backend.execute(sql); });
}

// ---- Recordset

void Recordset::ActiveConnection(std::shared_ptr<Connection> connection) {
    if (open_) raiseObjectError(ErrObjectOpen, "ADODB.Recordset");
    connection_ = std::move(connection);
}

int Recordset::State() const { return open_ ? StateOpen : StateClosed; }

void Recordset::Open() {
    if (open_) raiseObjectError(ErrObjectOpen, "ADODB.Recordset");
    if (!connection_ || connection_->State() != StateOpen) raiseObjectError(ErrConnectionUnusable, "ADODB.Recordset");
    trace(Source);
    Backend& backend = connection_->backend();
    QueryResult result = runJet(*connection_, Source, [&](const BoundSql& sql) { return backend.query(sql); });
    if (result.names.empty()) return;
    names_ = std::move(result.names);
    distinctNames_ = result.distinctNames;
    values_ = std::move(result.values);
    rowCount_ = values_.size() / names_.size();
    position_ = 0;
    open_ = true;
}

void Recordset::Close() {
    open_ = false;
    names_.clear();
    distinctNames_ = false;
    order_.clear();
    lookup_ = 0;
    values_.clear();
    rowCount_ = 0;
    position_ = 0;
}

void Recordset::requireOpen() const {
    if (!open_) raiseObjectError(ErrObjectClosed, "ADODB.Recordset");
}

bool Recordset::Eof() const {
    requireOpen();
    return position_ >= rowCount_;
}

long Recordset::RecordCount() const {
    requireOpen();
    return static_cast<long>(rowCount_);
}

void Recordset::MoveNext() {
    requireOpen();
    if (position_ >= rowCount_) raiseObjectError(ErrNoCurrentRow, "ADODB.Recordset");
    ++position_;
    lookup_ = 0;
}

const Variant& Recordset::Fields(std::string_view name) const {
    requireOpen();
    // Every row is mostly read by the same names in the same order: the k-th lookup of a row is
    // first tried at the column the k-th lookup of the row before found.
    if (lookup_ < order_.size() && text::equalsNoCase(names_[static_cast<std::size_t>(order_[lookup_])], name))
        return Fields(order_[lookup_++]);
    // Otherwise, when no two columns share a name, the search starts after the column the lookup
    // before found: a record is mostly filled in the order of its columns, so the first row too
    // finds each name at once. With a name twice (a join) the first column of the name is the one.
    const std::size_t count = names_.size();
    const std::size_t start =
        distinctNames_ && lookup_ > 0 && lookup_ - 1 < order_.size() ? static_cast<std::size_t>(order_[lookup_ - 1]) + 1 : 0;
    std::size_t found = count;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t c = (start + k) % count;
        if (text::equalsNoCase(names_[c], name)) {
            found = c;
            break;
        }
    }
    if (found == count) raiseObjectError(ErrItemNotFound, "ADODB.Recordset");
    const int position = static_cast<int>(found);
    if (lookup_ < order_.size()) order_[lookup_] = position;
    else order_.push_back(position);
    ++lookup_;
    return Fields(position);
}

const Variant& Recordset::Fields(int index) const {
    requireOpen();
    if (index < 0 || static_cast<std::size_t>(index) >= names_.size()) raiseObjectError(ErrItemNotFound, "ADODB.Recordset");
    if (position_ >= rowCount_) raiseObjectError(ErrNoCurrentRow, "ADODB.Recordset");
    return values_[position_ * names_.size() + static_cast<std::size_t>(index)];
}

int Recordset::FieldCount() const {
    requireOpen();
    return static_cast<int>(names_.size());
}

std::string Recordset::FieldName(int index) const {
    requireOpen();
    if (index < 0 || static_cast<std::size_t>(index) >= names_.size()) raiseObjectError(ErrItemNotFound, "ADODB.Recordset");
    return names_[static_cast<std::size_t>(index)];
}

// ---- Trace

void setStatementTrace(std::function<void(std::string_view sql)> hook) {
    auto shared = hook ? std::make_shared<const Trace>(std::move(hook)) : nullptr;
    std::lock_guard lock(traceMutex());
    traceHook() = std::move(shared);
}

}  // namespace kovrin::db
