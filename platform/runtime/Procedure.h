// Passing errors on with a call path.
//
// A procedure names itself and numbers its statements 10, 20, 30 as it goes:
//
//     return kovrin::passOn("modKovrin.GetCustomers", [&](Line& line) {
//         line(10); OpenConnection(debug);
//         line(20); rs.Open(...);
//         ...
//     });
//
// Any error leaving the body goes on with the same number and description and the source
// "modKovrin.GetCustomers[20]\" + the source that arrived. Line 0 means the failure came before the
// first numbered statement. A std::exception of a dependency becomes an Error first (Error.h).
#pragma once

#include <type_traits>
#include <string_view>
#include <utility>

#include "Error.h"

namespace kovrin {

// The number of the last statement reached in a procedure.
class Line {
public:
    void operator()(int number) noexcept { number_ = number; }
    int number() const noexcept { return number_; }

private:
    int number_ = 0;
};

// Runs body(line) and passes any error on under `name`. `onError` sees the extended error before it
// is raised again (the public operations use it to write the error into the debug log).
template <class Body, class OnError>
auto passOn(std::string_view name, Body&& body, OnError&& onError) -> std::invoke_result_t<Body, Line&> {
    Line line;
    try {
        return std::forward<Body>(body)(line);
    } catch (...) {
        Error chained = currentAsError().passedOn(name, line.number());
        onError(chained);
        throw chained;
    }
}

template <class Body>
auto passOn(std::string_view name, Body&& body) -> std::invoke_result_t<Body, Line&> {
    return passOn(name, std::forward<Body>(body), [](const Error&) {});
}

}  // namespace kovrin
