#include "State.h"

namespace kovrin::core {

State& state() {
    static State s;
    return s;
}

}  // namespace kovrin::core
