#include "State.h"

namespace kovrin::core {

State& state() {
    static State s;
    return s;
}

std::string businessIdText() { return std::to_string(state().businessId); }

}  // namespace kovrin::core
