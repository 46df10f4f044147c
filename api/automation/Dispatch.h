// Late binding over the interface description: an object of one of the interface's classes,
// reached by member numbers and variant arguments, as automation callers reach it.
#pragma once

#include <cstdint>
#include <string_view>

#include <KovrinAPI/runtime/Error.h>
#include <KovrinAPI/runtime/Variant.h>

#include "automation/Description.h"

namespace kovrin::automation {

// What a name means in one call (the values of the C entry point's flags).
enum InvokeFlags : int32_t { Method = 1, PropertyGet = 2, PropertyPut = 4, PropertyPutRef = 8 };

class Dispatch {
public:
    Dispatch(ObjectRef object, const Class& cls) : object_(std::move(object)), class_(&cls) {}

    // A new object of the class with that ProgID (any case); 429 for a ProgID the library does not
    // have. The class's own creation errors (6367 for Kovrin without an installation) pass through.
    static Dispatch create(std::string_view progid);
    // The object in the description's terms; 13 when it belongs to no class of the interface.
    static Dispatch wrap(ObjectRef object);

    const Class& cls() const { return *class_; }
    const ObjectRef& object() const { return object_; }

    // The member number of a name, any case; 438 when the class has no such member.
    int32_t idOf(std::string_view name) const;

    // Calls a member. args are in declared order; a trailing argument may be left out, and nullopt
    // leaves out an optional one in between. Each argument is converted to its declared type first
    // (13 "Type mismatch", or 6 "Overflow"); afterwards the arguments the operation changes hold
    // their new values. A put takes the value as its one argument. 438 for an unknown number, 450
    // for a wrong count, a missing required argument, or a get or put the member does not have.
    // The operation's own errors pass through unchanged.
    Variant invoke(int32_t id, int32_t flags, Arguments& args) const;

    // Raises one of the dispatch's own errors, its source the ProgID and where in the call it arose
    // ("KovrinAPI.Kovrin.CreateInvoice.fltVAT").
    [[noreturn]] void fail(int32_t number, std::string_view where) const;

private:
    ObjectRef object_;
    const Class* class_;
};

}  // namespace kovrin::automation
