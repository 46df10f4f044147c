// A clock for the library's waits that runs fifty times faster than real time, counts its sleeps
// and can act at a given point of the virtual time (for example answer a hand-shake in the last
// allowed second). Real time still passes a little, so a real front-end process can answer.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include "api/core/Clock.h"

namespace kovrin::test {

class FastClock : public core::Clock {
public:
    FastClock() : scope_(*this) {}

    int64_t milliseconds() override { return now_; }
    void sleep(int64_t ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms / 50));
        now_ += ms;
        ++sleeps;
        if (afterSleep) afterSleep(sleeps);
    }

    int64_t elapsed() const { return now_; }
    int sleeps = 0;
    std::function<void(int sleeps)> afterSleep;

private:
    int64_t now_ = 0;
    core::ScopedClock scope_;
};

}  // namespace kovrin::test
