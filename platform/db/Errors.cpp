#include "platform/db/Errors.h"

#include <KovrinAPI/runtime/Error.h>

namespace kovrin::db {

void raiseJet(int32_t number, std::string description) { throw Error(number, std::move(description), JetSource); }

void raiseObjectError(int32_t number, const char* source) {
    const char* text = "Unknown error.";
    switch (number) {
    case ErrArguments:
        text = "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another.";
        break;
    case ErrNoCurrentRow: text = "Either BOF or EOF is True, or the current record has been deleted."; break;
    case ErrItemNotFound:
        text = "Item cannot be found in the collection corresponding to the requested name or ordinal.";
        break;
    case ErrObjectClosed: text = "Operation is not allowed when the object is closed."; break;
    case ErrObjectOpen: text = "Operation is not allowed when the object is open."; break;
    case ErrProviderNotFound: text = "Provider cannot be found. It may not be properly installed."; break;
    case ErrConnectionUnusable:
        text = "The connection cannot be used to perform this operation. It is either closed or invalid in this "
               "context.";
        break;
    }
    throw Error(number, text, source);
}

}  // namespace kovrin::db
