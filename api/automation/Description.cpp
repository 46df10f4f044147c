#include "automation/Description.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

#include "automation/Binding.h"

namespace kovrin::automation {

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string interfaceName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> full(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                     &std::free);
    std::string name = status == 0 && full ? full.get() : type.name();
    auto colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

const Member* Class::find(std::string_view name) const {
    for (const Member& m : members)
        if (sameName(m.name, name)) return &m;
    return nullptr;
}

const Member* Class::byId(int32_t id) const {
    return id >= 1 && static_cast<std::size_t>(id) <= members.size() ? &members[id - 1] : nullptr;
}

const Class* Library::byProgId(std::string_view progid) const {
    for (const Class& c : classes)
        if (sameName(c.progid, progid)) return &c;
    return nullptr;
}

const Class* Library::byClsid(std::string_view clsid) const {
    if (clsid.size() == 38 && clsid.front() == '{' && clsid.back() == '}') clsid = clsid.substr(1, 36);
    for (const Class& c : classes)
        if (sameName(std::string_view(c.clsid).substr(1, 36), clsid)) return &c;
    return nullptr;
}

const Class* Library::byType(const std::type_info& type) const {
    for (const Class& c : classes)
        if (c.type == std::type_index(type)) return &c;
    return nullptr;
}

}  // namespace kovrin::automation
