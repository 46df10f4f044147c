// The library as every automation caller reaches it: an object created by its ProgID through the
// registration (KovrinAPI/automation.h), its members called by name with variant arguments.
// Failures are kovrin::Error with the number, source and description the call gave.
#pragma once

#include <KovrinAPI/automation.h>
#include <KovrinAPI/runtime/Variant.h>

#include <memory>
#include <optional>
#include <vector>

namespace demo {

class LateBound : public kovrin::Object {
public:
    // Arguments in declared order; nullopt leaves out an optional one.
    using Args = std::vector<std::optional<kovrin::Variant>>;

    // A new object of the class registered under the ProgID.
    explicit LateBound(const char* progid);
    // Takes over one reference to an object the library handed out.
    explicit LateBound(kovrin_object* object) : object_(object) {}
    ~LateBound() override;
    LateBound(const LateBound&) = delete;
    LateBound& operator=(const LateBound&) = delete;

    // A method, or a property read, by name; objects in the result are LateBound too.
    kovrin::Variant Call(const char* name, Args args = {});
    // The same, `args` holding afterwards what the operation gave back in its by-reference arguments.
    kovrin::Variant CallByRef(const char* name, Args& args);
    void Put(const char* name, kovrin::Variant value);

    kovrin_object* object() const { return object_; }

private:
    kovrin::Variant invoke(const char* name, int32_t flags, Args& args);

    kovrin_object* object_ = nullptr;
};

// KovrinAPI.Kovrin with KovrinPath, AccessPath, BusinessID and DebugMode set from the demo's
// settings, in that order.
std::unique_ptr<LateBound> NewKovrin();

// A property of an object the library handed out (an element of a list, a record), by name.
kovrin::Variant Property(const kovrin::Variant& object, const char* name);
// The elements of a library array; an Empty result gives none.
std::vector<kovrin::Variant> Elements(const kovrin::Variant& v);

}  // namespace demo
