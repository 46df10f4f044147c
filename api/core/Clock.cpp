#include "Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace kovrin::core {

namespace {

class SystemClock final : public Clock {
public:
    int64_t milliseconds() override {
        using namespace std::chrono;
        return duration_cast<std::chrono::milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    void sleep(int64_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

SystemClock systemClock;
std::atomic<Clock*> current{&systemClock};

}  // namespace

Clock& clock() { return *current.load(); }

int64_t wholeSecondsSince(int64_t startMs) { return (clock().milliseconds() - startMs) / 1000; }

ScopedClock::ScopedClock(Clock& replacement) : previous_(current.exchange(&replacement)) {}
ScopedClock::~ScopedClock() { current.store(previous_); }

}  // namespace kovrin::core
