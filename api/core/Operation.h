// The three ways a public operation of Kovrin handles errors, with the process-wide lock held for
// the whole operation:
//
//  - logAndPassOn (kind A): pass the error on with the operation's name and line, and when the
//    object's DebugMode is on, first write it to the debug log as
//    "Error <number> in <source>: <description>" under the label "Error";
//  - passOnLocked (kind B): pass the error on without logging;
//  - unguarded (kind C): no handler at all; the error reaches the caller exactly as raised below.
//
// By convention lines 10 to 30 set up and write the entry log, and the call of the data procedure
// is line 50.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include <KovrinAPI/runtime/Procedure.h>

#include "DebugLog.h"
#include "State.h"

namespace kovrin::core {

template <class Body>
auto logAndPassOn(bool debug, std::string_view name, Body&& body) {
    std::lock_guard guard(state().lock);
    return passOn(name, std::forward<Body>(body), [&](const Error& e) {
        if (debug)
            modUtils::LogDebug(std::string(name), "Error",
                               "Error " + std::to_string(e.number()) + " in " + e.source() + ": " + e.description());
    });
}

template <class Body>
auto passOnLocked(std::string_view name, Body&& body) {
    std::lock_guard guard(state().lock);
    return passOn(name, std::forward<Body>(body));
}

template <class Body>
auto unguarded(Body&& body) {
    std::lock_guard guard(state().lock);
    return std::forward<Body>(body)();
}

// The entry log of a public operation: written only while the object's DebugMode is on.
inline void logEntry(bool debug, const std::string& procedure, const std::string& label = {},
                     const std::optional<Variant>& value = std::nullopt) {
    if (debug) modUtils::LogDebug(procedure, label, value);
}

}  // namespace kovrin::core
