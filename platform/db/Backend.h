// The seam between the database objects (Database.h) and the engine that stores the data.
//
// A backend receives SQL already translated out of the Jet dialect (JetDialect.h): ISO date
// literals, LIMIT, single-quoted text, double-quoted names. It hands rows back as Variants of the
// types the Jet provider would give (ColumnTypes.h) and raises kovrin::Error with the provider's
// numbers (Errors.h). SQLite is the one engine today (SqliteBackend.h); a client-server engine is
// added by implementing this interface and choosing it in Connection::Open.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin::db {

// A statement after translation: the engine's text with '?' placeholders, and the values lifted out of it.
struct BoundSql {
    std::string shape;            // SQLite dialect text with ? placeholders
    std::vector<Variant> params;  // Long/Double/Currency/Date/String/Boolean/Null values, in order
};

struct QueryResult {
    std::vector<std::string> names;  // column names as the engine reports them
    std::vector<Variant> values;     // every row's names.size() values, one row after another
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

    // A read snapshot until endRead (nests; inside a write transaction it does nothing).
    virtual void beginRead() = 0;
    virtual void endRead() = 0;
};

}  // namespace kovrin::db
