#include "Error.h"

#include <new>
#include <string_view>

namespace kovrin {

Error::Error(int32_t number, std::string description, std::string source)
    : number_(number), source_(std::move(source)), description_(std::move(description)) {}

Error Error::passedOn(std::string_view name, int line) const {
    std::string chained;
    chained.reserve(name.size() + source_.size() + 16);
    chained.append(name).append("[").append(std::to_string(line)).append("]\\").append(source_);
    return Error(number_, description_, std::move(chained));
}

std::string standardDescription(int32_t number) {
    switch (number) {
    case err::InvalidCall: return "Invalid procedure call or argument";
    case err::Overflow: return "Overflow";
    case err::OutOfMemory: return "Out of memory";
    case err::SubscriptOutOfRange: return "Subscript out of range";
    case err::DivisionByZero: return "Division by zero";
    case err::TypeMismatch: return "Type mismatch";
    case err::InvalidUseOfNull: return "Invalid use of Null";
    case err::AutomationError: return "Automation error";
    case err::DllLoadError: return "Error in loading DLL";
    case err::FileNotFound: return "File not found";
    case err::ObjectNotSet: return "Object variable or With block variable not set";
    case err::CannotCreateObject: return "ActiveX component can't create object";
    case err::NotSupported: return "Object doesn't support this property or method";
    case err::WrongArguments: return "Wrong number of arguments or invalid property assignment";
    default: return "Application-defined or object-defined error";
    }
}

void raiseError(int32_t number, std::string description) { throw Error(number, std::move(description)); }

void raiseError(int32_t number) { throw Error(number, standardDescription(number)); }

Error currentAsError() {
    try {
        throw;
    } catch (const Error& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return Error(err::OutOfMemory, standardDescription(err::OutOfMemory));
    } catch (const std::exception& e) {
        return Error(err::AutomationError, e.what());
    } catch (...) {
        return Error(err::AutomationError, standardDescription(err::AutomationError));
    }
}

}  // namespace kovrin
