// The one error type of the library: a number, a source and a description.
//
// An error keeps its number and description from where it was first raised. Each procedure it
// passes through prepends "Name[line]\" to its source, so the caller sees the call path outermost
// first, followed by the source that raised it (see Procedure.h).
#pragma once

#include "Export.h"

#include <cstdint>
#include <exception>
#include <string>

namespace kovrin {

class KOVRIN_API Error : public std::exception {
public:
    Error(int32_t number, std::string description, std::string source = {});

    int32_t number() const noexcept { return number_; }
    const std::string& source() const noexcept { return source_; }
    const std::string& description() const noexcept { return description_; }

    // "Error <number> in <source>: <description>"-free text for what(): the description alone.
    const char* what() const noexcept override { return description_.c_str(); }

    // The same error one level further up: source becomes "name[line]\" + source.
    Error passedOn(std::string_view name, int line) const;

private:
    int32_t number_;
    std::string source_;
    std::string description_;
};

// The automation errors that the runtime's conversions raise. Callers see these numbers.
namespace err {
constexpr int32_t InvalidCall = 5;
constexpr int32_t Overflow = 6;
constexpr int32_t OutOfMemory = 7;
constexpr int32_t SubscriptOutOfRange = 9;
constexpr int32_t DivisionByZero = 11;
constexpr int32_t TypeMismatch = 13;
constexpr int32_t InvalidUseOfNull = 94;
// Late binding: creating objects by ProgID, names and argument lists.
constexpr int32_t DllLoadError = 48;
constexpr int32_t FileNotFound = 53;
constexpr int32_t ObjectNotSet = 91;
constexpr int32_t CannotCreateObject = 429;
constexpr int32_t NotSupported = 438;
constexpr int32_t WrongArguments = 450;
// A failure that did not come from the library itself (a std::exception of a dependency).
constexpr int32_t AutomationError = 440;
}  // namespace err

// Raises a new error with an empty source.
[[noreturn]] KOVRIN_API void raiseError(int32_t number, std::string description);
// Raises one of the automation errors above with its standard description.
[[noreturn]] KOVRIN_API void raiseError(int32_t number);
// The standard description of an automation error number ("Type mismatch" for 13).
KOVRIN_API std::string standardDescription(int32_t number);

// Turns whatever is in flight (an Error, a std::exception, anything) into an Error.
// Errors of dependencies keep their message and get a sensible number: 7 for memory, 440 else.
KOVRIN_API Error currentAsError();

}  // namespace kovrin
