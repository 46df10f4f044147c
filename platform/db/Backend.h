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

struct QueryResult {
    std::vector<std::string> names;  // column names as the engine reports them
    std::vector<Variant> values;     // every row's names.size() values, one row after another
};

class Backend {
public:
    virtual ~Backend() = default;

    // Runs one statement; rows it may return are discarded. Text holding more than one statement
    // is refused, so a value spliced into SQL can never start a second statement.
    virtual void execute(std::string_view sql) = 0;
    // Runs one statement and returns all its rows.
    virtual QueryResult query(std::string_view sql) = 0;

    // Transactions nest. The outermost begin takes the write lock at once; commit and rollback
    // without an open transaction fail with ErrNoTransaction.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    virtual int transactionDepth() const = 0;
};

}  // namespace kovrin::db
