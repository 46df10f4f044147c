#include "State.h"

#include "platform/db/Backend.h"

namespace kovrin::core {

void endOperationRead() {
    State& s = state();
    if (!s.readHeld) return;
    s.readHeld = false;
    if (s.connection && s.connection->IsOpenHere()) {
        try {
            s.connection->backend().endRead();
        } catch (...) {
            // ending a read cannot lose anything; the operation's own outcome stands
        }
    }
}

void OperationLock::unlock() {
    if (--depth_ == 0) {
        endOperationRead();
        owner_ = std::thread::id();
    }
    mutex_.unlock();
}

State& state() {
    static State s;
    return s;
}

std::string businessIdText() { return std::to_string(state().businessId); }

}  // namespace kovrin::core
