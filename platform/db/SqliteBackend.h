// The SQLite engine behind a connection: one database file, in WAL mode with full sync, a busy
// time-out so that several processes can share the file, and declared foreign keys enforced.
#pragma once

#include <memory>
#include <string>

#include "platform/db/Backend.h"

namespace kovrin::db {

// How long a statement waits for another process's lock before failing as busy: 30 seconds.
constexpr int BusyTimeoutMs = 30000;

// The wait given to connections opened from now on in this process. Only tests change it (to see
// the busy failure without waiting 30 seconds); a value below 0 restores BusyTimeoutMs.
void setBusyTimeoutMs(int ms);
int busyTimeoutMs();

// Opens an existing database file. Never creates one: a missing file fails with "Could not find
// file 'PATH'.", an empty file or one that is not a database with "Unrecognized database format
// 'PATH'." (both number ErrGeneric).
std::unique_ptr<Backend> openSqliteBackend(const std::string& path, bool readOnly);

// Creates a new, empty database file in WAL mode (for tools and tests that set up a database).
// Fails with ErrGeneric when the file already exists.
void createSqliteDatabase(const std::string& path);

}  // namespace kovrin::db
