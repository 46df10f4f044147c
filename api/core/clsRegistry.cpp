// clsRegistry over the registry store.
#include <KovrinAPI/clsRegistry.h>

#include <KovrinAPI/clsWin.h>
#include <KovrinAPI/runtime/Procedure.h>
#include <fmt/format.h>

#include "RegistryRead.h"
#include "platform/registry/RegistryStore.h"

namespace kovrin {

namespace reg = registry;

namespace {

// Data joined to the empty text, as the automation text conversion does it: Null gives "".
std::string joinedToText(const Variant& data) { return data.isNull() ? std::string() : CStr(data); }

// A stored text, or a number as Long; false (and `out` unchanged) for another type.
bool asVariant(reg::Value&& value, Variant& out) {
    switch (value.type) {
    case reg::Text: out = Variant(std::move(value.data)); return true;
    case reg::Number: out = Variant(static_cast<int32_t>(value.asNumber())); return true;
    default: return false;
    }
}

}  // namespace

std::string clsRegistry::HiveToString(int32_t hive) const {
    return passOn("clsRegistry.HiveToString", [&](Line& line) -> std::string {
        line(10);
        const std::string_view name = reg::hiveName(static_cast<uint32_t>(hive));
        line(20);
        if (!name.empty()) return std::string(name);
        line(30);
        return fmt::format("&H{:X}", static_cast<uint32_t>(hive));
    });
}

void clsRegistry::SaveValue(int32_t hKey, const std::string& strPath, const std::string& strvalue,
                            const Variant& strData) const {
    passOn("clsRegistry.SaveValue", [&](Line& line) {
        line(10);
        const std::string text = joinedToText(strData);
        line(20);
        // Key and value go in together; a write that fails is not reported.
        reg::setKeyValue(static_cast<uint32_t>(hKey), strPath, strvalue, reg::Value::text(text));
    });
}

void clsRegistry::SaveDWORDValue(int32_t hKey, const std::string& strPath, const std::string& strvalue,
                                 const Variant& strData) const {
    passOn("clsRegistry.SaveDWORDValue", [&](Line& line) {
        line(10);
        const int32_t number = CLng(strData);
        line(20);
        reg::setKeyValue(static_cast<uint32_t>(hKey), strPath, strvalue, reg::Value::number(static_cast<uint32_t>(number)));
    });
}

Variant clsRegistry::GetValue(int32_t hive, const std::string& sKeyName, const std::string& sValueName,
                              std::optional<Variant> varDefault) const {
    return core::GetValuesTogether(hive, sKeyName, {sValueName}, varDefault).front();
}

std::vector<Variant> core::GetValuesTogether(int32_t hive, const std::string& sKeyName,
                                             const std::vector<std::string>& valueNames,
                                             const std::optional<Variant>& varDefault) {
    return passOn("clsRegistry.GetValue", [&](Line& line) {
        clsRegistry reg;
        auto regKey = [&](const std::string& name) {
            return " reg key=" + reg.HiveToString(hive) + "\\" + sKeyName + "\\" + name;
        };
        line(10);
        const std::vector<std::string_view> names(valueNames.begin(), valueNames.end());
        std::vector<std::optional<reg::Value>> values;
        line(20);
        // The key and its values are read in one transaction.
        const int32_t lRet = reg::queryKeyValues(static_cast<uint32_t>(hive), sKeyName, names, values);
        line(30);
        if (lRet == reg::status::BadPathName)
            raiseError(lRet, "Invalid registry access: " + clsWin().ApiErrorText(lRet) + regKey(valueNames.front()));
        line(40);
        // A store that cannot be read (damaged, unreadable) is reported, not taken for a missing
        // setting; a missing key (or a number that is no hive) reads as the default below.
        if (lRet != reg::status::Success && lRet != reg::status::NotFound && lRet != reg::status::InvalidHandle)
            raiseError(lRet, clsWin().ApiErrorText(lRet) + regKey(valueNames.front()));
        values.resize(valueNames.size());
        std::vector<Variant> result;
        for (std::size_t i = 0; i < values.size(); ++i) {
            line(50);
            Variant value;
            if (!values[i]) {
                line(70);
                value = varDefault ? *varDefault : Variant(std::string());
            } else if (!asVariant(std::move(*values[i]), value)) {
                line(80);
                raiseError(-1, clsWin().ApiErrorText(-1) + regKey(valueNames[i]));
            }
            result.push_back(std::move(value));
        }
        return result;
    });
}

int32_t clsRegistry::GetValueEx(int32_t lhKey, const std::string& szValueName, Variant& vValue) const {
    try {
        reg::Value value;
        const int32_t status = reg::queryValue(static_cast<uint32_t>(lhKey), szValueName, value);
        if (status != reg::status::Success) return status;
        return asVariant(std::move(value), vValue) ? status : -1;
    } catch (...) {
        // Only memory can run out here; the read is then not done.
        return reg::status::OutOfMemory;
    }
}

}  // namespace kovrin
