// The bookkeeping database on a PostgreSQL server, named by a libpq URI
// (postgresql://host[:port]/dbname): the same tables, saved queries (views), indexes and sample
// data as a file, made from the same SQL files (re-spelled by db::toPostgres), for an office whose
// machines share one set of books.
//
// The database itself is made by the server's administrator (createdb); these functions fill it
// and keep it current, as its owner. The schema version is the one row of the table KovrinSchema.
// Failures are kovrin::Error with the numbers of BookkeepingDatabase.h; descriptions name the URI
// with any password masked.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "frontend/BookkeepingDatabase.h"

namespace kovrin::frontend {

// Builds the current schema (optionally with the sample data) in one transaction: all of it or
// nothing. A database that already holds the books is refused (FileAlreadyExists) unless
// replaceExisting, which drops everything in its public schema first; a database holding other
// tables is refused (NotBookkeepingDatabase).
void createServerDatabase(const std::string& uri, const CreateOptions& options = {});

// Brings the server database to the current schema in one transaction and returns the version it
// had; a newer one is refused (NewerSchema) and left alone.
int upgradeServerDatabase(const std::string& uri);
int upgradeServerDatabase(const std::string& uri, std::span<const std::string_view> steps);

int serverSchemaVersion(const std::string& uri);

// Moves a file's books onto a server: builds the current schema in the empty database URI and copies
// every row of every table of the file (which must be at the current schema version) in one
// transaction, then reads every table back through the database layer on both sides and compares
// them row for row; a copy that differs is removed again (DatabaseFailure). Returns the rows copied.
std::size_t copyFileToServer(const std::filesystem::path& file, const std::string& uri);

// Lets `role` use the books and nothing more: SELECT, INSERT, UPDATE and DELETE on every table and
// view, the key sequences, also for tables a later upgrade adds. No DDL: the schema stays the
// owner's.
void grantLibraryRole(const std::string& uri, const std::string& role);

}  // namespace kovrin::frontend
