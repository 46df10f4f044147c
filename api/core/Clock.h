// The one clock every wait of the library goes through: the backup wait, the balance-refresh wait
// and the wait for the PDF printer. Each measures elapsed time with milliseconds() and sleeps
// between polls with sleep(). Tests put a faster clock in place for the length of a scope, so a
// 20-second time-out is run in milliseconds.
#pragma once

#include <cstdint>

namespace kovrin::core {

class Clock {
public:
    virtual ~Clock() = default;
    // A monotonic count of milliseconds (only differences mean anything).
    virtual int64_t milliseconds() = 0;
    virtual void sleep(int64_t ms) = 0;
};

// The clock in use: the system's, unless a ScopedClock has put another in place.
Clock& clock();

// Whole seconds elapsed since `startMs` (a value of milliseconds()).
int64_t wholeSecondsSince(int64_t startMs);

// Puts `replacement` in place for its own lifetime (tests).
class ScopedClock {
public:
    explicit ScopedClock(Clock& replacement);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* previous_;
};

}  // namespace kovrin::core
