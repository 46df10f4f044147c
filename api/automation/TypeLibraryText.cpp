#include "automation/TypeLibraryText.h"

#include <map>

#include <nlohmann/json.hpp>

namespace kovrin::automation {
namespace {

using Json = nlohmann::ordered_json;

const char* kindName(Kind k) {
    switch (k) {
    case Kind::Method: return "method";
    case Kind::Get: return "get";
    case Kind::Put: return "put";
    case Kind::GetPut: return "getput";
    }
    return "";
}

Json jsonValue(const Variant& v) {
    switch (v.type()) {
    case VarType::Boolean: return CBool(v);
    case VarType::Integer:
    case VarType::Long: return CLng(v);
    case VarType::Double:
    case VarType::Currency: return CDbl(v);
    case VarType::String: return CStr(v);
    default: return nullptr;
    }
}

std::string textValue(const Variant& v) {
    return v.type() == VarType::String ? "\"" + CStr(v) + "\"" : CStr(v);
}

Json classObject(const Class& c) {
    Json members = Json::array();
    for (const Member& m : c.members) {
        Json args = Json::array();
        for (const Argument& a : m.arguments)
            args.push_back({{"name", a.name}, {"type", a.type}, {"byref", a.byref}, {"out", a.out},
                            {"optional", a.optional}, {"default", jsonValue(a.defaultValue)}});
        members.push_back({{"id", m.id}, {"name", m.name}, {"kind", kindName(m.kind)}, {"result", m.result},
                           {"doc", m.doc}, {"arguments", args}});
    }
    return {{"class", c.name}, {"progid", c.progid}, {"clsid", c.clsid}, {"members", members}};
}

// "ByRef iCustomersID As Long, ..., Optional ByRef Lang As Languages = 1"; [out] marks the
// arguments the operation changes for its caller.
std::string signature(const Member& m) {
    switch (m.kind) {
    case Kind::Get: return "Property Get " + m.name + " As " + m.result;
    case Kind::Put: return "Property Let " + m.name + " As " + m.result;
    case Kind::GetPut: return "Property Get/Let " + m.name + " As " + m.result;
    case Kind::Method: break;
    }
    std::string s = (m.result.empty() ? "Sub " : "Function ") + m.name + "(";
    for (std::size_t i = 0; i < m.arguments.size(); ++i) {
        const Argument& a = m.arguments[i];
        if (i) s += ", ";
        if (a.optional) s += "Optional ";
        s += (a.byref ? "ByRef " : "ByVal ") + a.name + " As " + a.type;
        if (!a.defaultValue.isEmpty()) s += " = " + textValue(a.defaultValue);
        if (a.out) s += " [out]";
    }
    s += ")";
    if (!m.result.empty()) s += " As " + m.result;
    return s;
}

}  // namespace

// The type library does not change while the program runs, so each text is made once: callers
// that ask for an object's type information on every hand-out then pay nothing for it.
const std::string& classJson(const Class& c) {
    static const std::map<const Class*, std::string> texts = [] {
        std::map<const Class*, std::string> made;
        for (const Class& k : typeLibrary().classes) made.emplace(&k, classObject(k).dump());
        return made;
    }();
    return texts.at(&c);
}

const std::string& libraryJson() {
    static const std::string text = [] {
        const Library& lib = typeLibrary();
        Json classes = Json::array(), enums = Json::array();
        for (const Class& c : lib.classes) classes.push_back(classObject(c));
        for (const Enumeration& e : lib.enums) {
            Json values = Json::array();
            for (const auto& [name, value] : e.values) values.push_back({{"name", name}, {"value", value}});
            enums.push_back({{"name", e.name}, {"values", values}});
        }
        Json j{{"library", lib.name}, {"libid", lib.libid}, {"version", lib.version}, {"classes", classes}, {"enums", enums}};
        return j.dump();
    }();
    return text;
}

std::string typeLibraryText() {
    const Library& lib = typeLibrary();
    std::string t = "' The type library of KovrinAPI32, made by kovrin-typelib from the interface description.\n";
    t += "Library " + lib.name + " " + lib.libid + " Version " + lib.version + "\n";
    for (const Enumeration& e : lib.enums) {
        t += "\nEnum " + e.name + "\n";
        for (const auto& [name, value] : e.values) t += "    " + name + " = " + std::to_string(value) + "\n";
    }
    for (const Class& c : lib.classes) {
        t += "\nClass " + c.name + " " + c.clsid + " ProgID " + c.progid + "\n";
        for (const Member& m : c.members) t += "    [" + std::to_string(m.id) + "] " + signature(m) + "\n";
    }
    return t;
}

std::string interfacePage() {
    const Library& lib = typeLibrary();
    std::string t =
        "# The automation interface\n\n"
        "Every class callers reach by late binding, with its members in slot order. The number is the\n"
        "member number (`kovrin_get_id`); a property's get and let share one. Method arguments are\n"
        "passed by reference unless marked ByVal; `[out]` marks an argument whose new value the caller's\n"
        "variable receives. This page is made by `kovrin-typelib` from the interface description\n"
        "(`api/KovrinAPI/Interface.cpp`), as is `api/KovrinAPI/KovrinAPI32.tlb.txt`; see automation.md.\n";
    t += "\nLibrary `" + lib.name + "` " + lib.libid + ", version " + lib.version + ".\n";
    for (const Class& c : lib.classes) {
        t += "\n## " + c.name + "\n\nProgID `" + c.progid + "`, class id " + c.clsid + ".\n\n";
        t += "| # | Member | What it does |\n|---|---|---|\n";
        for (const Member& m : c.members)
            t += "| " + std::to_string(m.id) + " | `" + signature(m) + "` | " + m.doc + " |\n";
    }
    t += "\n## Enumerations\n\n| Enumeration | Member | Value |\n|---|---|---|\n";
    for (const Enumeration& e : lib.enums)
        for (const auto& [name, value] : e.values) t += "| " + e.name + " | `" + name + "` | " + std::to_string(value) + " |\n";
    return t;
}

}  // namespace kovrin::automation
