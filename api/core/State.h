// The process-wide state of the library: the settings every Kovrin object shares, the one shared
// database connection with its command and recordset, the debug log's file name, and the lock
// that serialises the public operations.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/db/Database.h"

namespace kovrin::core {

// The lock every public operation holds for its whole run. Operations call each other, so it is
// recursive; when the outermost operation lets go, a read snapshot still held is ended.
class OperationLock {
public:
    void lock() {
        mutex_.lock();
        if (depth_++ == 0) owner_ = std::this_thread::get_id();
    }
    void unlock();
    // True on the thread that runs an operation now.
    bool heldHere() const { return owner_ == std::this_thread::get_id(); }

private:
    std::recursive_mutex mutex_;
    int depth_ = 0;  // changed only by the thread holding mutex_
    std::atomic<std::thread::id> owner_{};
};

struct State {
    std::string kovrinPath;
    std::string accessPath;
    int32_t businessId = 0;

    std::shared_ptr<db::Connection> connection;  // pooled: stays open across CloseAll
    bool connectionInUse = false;                // between OpenConnection and CloseAll
    int writeLevels = 0;                         // write transactions open on the connection
    bool readHeld = false;                       // a read snapshot is begun (OpenConnection)
    std::shared_ptr<db::Command> command;
    std::shared_ptr<db::Recordset> recordset;

    std::string logFileName;  // fixed by the first debug-log entry
    std::string logFolder;    // the installation's "Path" when its "File" is a server's URI

    // Held by every public operation for its whole run (recursive: operations call each other).
    OperationLock lock;
};

State& state();

// Ends the read snapshot OpenConnection began, if any (at CloseAll and at the operation's end).
void endOperationRead();

// The current business as the plain decimal text every statement carries.
std::string businessIdText();

}  // namespace kovrin::core
