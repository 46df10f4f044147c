// The seam between the database objects (Database.h) and the engine that stores the data.
//
// A backend receives SQL already translated out of the Jet dialect (JetDialect.h) as a BoundSql:
// the statement's shape, with '?' where the literal values stood (ISO date strings, LIMIT,
// single-quoted text and double-quoted names in what stays text), and the values lifted out of
// it. It hands rows back as Variants of the types the Jet provider would give (ColumnTypes.h) and
// raises kovrin::Error with the provider's numbers (Errors.h). SQLite is the one engine today
// (SqliteBackend.h); a client-server engine is added by implementing this interface and choosing
// it in Connection::Open.
#pragma once

#include <string>
#include <vector>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin::db {

// A statement after translation: the engine's text with '?' placeholders, and the values lifted
// out of it. The same shape with other values is the same statement, so an engine compiles it once.
struct BoundSql {
    std::string shape;            // SQLite dialect text with ? placeholders (the cache key)
    std::vector<Variant> params;  // Long/Double/Currency/Date/String/Boolean/Null values, in order
};

struct QueryResult {
    std::vector<std::string> names;  // column names as the engine reports them
    std::vector<Variant> values;     // every row's names.size() values, one row after another
    bool distinctNames = false;      // no two names alike without regard to case (when known)
};

class Backend {
public:
    virtual ~Backend() = default;

    // Runs one statement; rows it may return are discarded. Text holding more than one statement
    // is refused, so a value spliced into SQL can never start a second statement.
    virtual void execute(const BoundSql& sql) = 0;
    // Runs one statement and returns all its rows.
    virtual QueryResult query(const BoundSql& sql) = 0;

    // Transactions nest. The outermost begin takes the write lock at once; commit and rollback
    // without an open transaction fail with ErrNoTransaction.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    virtual int transactionDepth() const = 0;

    // A read snapshot held until endRead: the queries in between see the data as one moment, and
    // pay for starting a transaction once. Nests with itself; inside a write transaction it does
    // nothing. A statement that writes outside a write transaction ends the snapshot first and
    // runs on its own as before (a later query takes a new snapshot), so a read never turns into
    // a write lock held until endRead. endRead without a beginRead is ignored.
    virtual void beginRead() = 0;
    virtual void endRead() = 0;
};

}  // namespace kovrin::db
