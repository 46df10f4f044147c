// The PostgreSQL engine behind a connection, for an office whose several machines share one set of
// books on a database server. The data source is a libpq connection URI
// (postgresql://host[:port]/dbname); the password, if any, comes from libpq's own places
// (~/.pgpass, a service file, PGPASSWORD), never from the registry.
//
// Statements arrive as shapes with bound values (Backend.h), are re-spelled for PostgreSQL
// (PostgresDialect.h) and run as prepared statements, one per shape, kept by the session.
// Values come back as the Variant types the SQLite engine gives, decided by the declared type of
// the column a value comes from (ColumnTypes.h): the schema's domains yesno, currency and datetime
// give Boolean, Currency and Date.
//
// A write transaction (begin at the outermost level) takes one advisory lock for the whole
// database, as SQLite's write lock: the next number a document reads inside it cannot be read by
// another writer before the commit. Waiting for it is bounded by the busy time-out
// (SqliteBackend.h). A statement that fails inside a transaction ends it, as PostgreSQL does:
// further statements and the commit fail until the rollback. A lost connection loses the open
// transaction with it (nothing is written); the next transaction, or read, reconnects.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/db/Backend.h"

namespace kovrin::db {

// True for a data source that names a PostgreSQL database ("postgresql://..." or "postgres://...").
bool isPostgresUri(std::string_view dataSource);

// The URI with a password in it (user:PASSWORD@ or password=PASSWORD) replaced by "***", for the
// debug log and error texts.
std::string maskPassword(std::string_view text);

// Connects; failure: ErrGeneric "Could not connect to the database server '<masked URI>': <reason>".
std::unique_ptr<Backend> openPostgresBackend(const std::string& uri, bool readOnly);

// The key of the advisory lock every write transaction holds (pg_advisory_xact_lock).
constexpr long long PostgresWriteLock = 0x4B56524E;  // "KVRN"

}  // namespace kovrin::db
