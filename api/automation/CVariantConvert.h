// Conversions between the C entry point's variants and the library's Variant, for either side of
// it: the server turns objects into its own kovrin_objects, a caller inside the tree (the demo)
// into its handles. How objects cross is the one thing each side says for itself.
#pragma once

#include <functional>

#include <KovrinAPI/runtime/Variant.h>

#include "automation/ObjectTable.h"

namespace kovrin::automation {

struct ObjectCrossing {
    // The C++ object for a kovrin_object (not null); raises 13 for one it does not know.
    std::function<ObjectRef(kovrin_object*)> in;
    // A new reference to a kovrin_object for a C++ object (not null).
    std::function<kovrin_object*(const ObjectRef&)> out;
};

// The value of a C variant; 13 for a type, text or array it cannot hold. KOVRIN_VT_MISSING is not
// a value: callers take it out first.
Variant fromC(const kovrin_variant& v, const ObjectCrossing& objects);
// Fills `out` (Empty on entry) with the value; on failure `out` is left Empty.
void toC(const Variant& v, kovrin_variant& out, const ObjectCrossing& objects);

}  // namespace kovrin::automation
