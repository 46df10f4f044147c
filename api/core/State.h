// The process-wide state of the library: the settings every Kovrin object shares, the one shared
// database connection with its command and recordset, the debug log's file name, and the lock
// that serialises the public operations.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/db/Database.h"

namespace kovrin::core {

struct State {
    std::string kovrinPath;
    std::string accessPath;
    int32_t businessId = 0;

    std::shared_ptr<db::Connection> connection;  // pooled: stays open across CloseAll
    bool connectionInUse = false;                // between OpenConnection and CloseAll
    int writeLevels = 0;                         // write transactions open on the connection
    std::shared_ptr<db::Command> command;
    std::shared_ptr<db::Recordset> recordset;

    std::string logFileName;  // fixed by the first debug-log entry
    std::string logFolder;    // the installation's "Path" when its "File" is a server's URI

    // Held by every public operation for its whole run (recursive: operations call each other).
    std::recursive_mutex lock;
};

State& state();

// The current business as the plain decimal text every statement carries.
std::string businessIdText();

}  // namespace kovrin::core
