// The description of the automation interface as data: classes with their members in slot order,
// each member's kind, arguments and result, and the enumerations. The one description itself is
// api/KovrinAPI/Interface.cpp; dispatch, the type library text and the interface page read it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <typeindex>
#include <vector>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin::automation {

// The arguments of one call, in declared order; a left-out optional argument is nullopt. An
// invoker converts each to its declared type, calls, and writes the changed value back into the
// arguments the operation changes.
using Arguments = std::vector<std::optional<Variant>>;
using Invoker = std::function<Variant(Object& self, Arguments& args)>;

enum class Kind { Method, Get, Put, GetPut };

struct Argument {
    std::string name;
    std::string type;       // "Long", "String", "Variant", "InvoiceTypes", "Customer", ...
    bool byref = true;      // passed by reference in the interface
    bool out = false;       // the operation changes it: the caller's variable receives the new value
    bool optional = false;  // may be left out
    Variant defaultValue;   // the documented default of an optional argument (Empty when none)
};

struct Member {
    int32_t id = 0;  // the member number: its position in slot order, from 1
    std::string name;
    Kind kind = Kind::Method;
    std::string result;  // "" for none; a property's type
    std::vector<Argument> arguments;  // a method's; a property has none (a put takes the value)
    Invoker call;  // a method, or a property's get
    Invoker put;   // a property's put: args holds the one new value
};

struct Class {
    std::string name;
    std::string progid;
    std::string clsid;  // "{...}"
    std::type_index type;
    std::function<ObjectRef()> create;
    std::vector<Member> members;

    // The member of that name (any case), or null.
    const Member* find(std::string_view name) const;
    const Member* byId(int32_t id) const;
};

struct Enumeration {
    std::string name;
    std::vector<std::pair<std::string, int32_t>> values;
};

struct Library {
    std::string name;
    std::string libid;
    std::string version;
    std::vector<Class> classes;
    std::vector<Enumeration> enums;

    const Class* byProgId(std::string_view progid) const;  // any case
    const Class* byClsid(std::string_view clsid) const;    // with or without braces, any case
    const Class* byType(const std::type_info& type) const;
};

// The interface of this library, built once on first use.
const Library& typeLibrary();

// Case-insensitive comparison of ASCII names.
bool sameName(std::string_view a, std::string_view b);

}  // namespace kovrin::automation
