// clsRegistry over the registry store.
#include <KovrinAPI/clsRegistry.h>

#include <KovrinAPI/clsWin.h>
#include <KovrinAPI/runtime/Procedure.h>
#include <fmt/format.h>

#include "platform/registry/RegistryStore.h"

namespace kovrin {

namespace reg = registry;

namespace {

// Data joined to the empty text, as the automation text conversion does it: Null gives "".
std::string joinedToText(const Variant& data) { return data.isNull() ? std::string() : CStr(data); }

// A key handle closed when it goes out of scope, also when an error leaves early.
struct KeyHandle {
    reg::Handle h = 0;
    ~KeyHandle() {
        if (h) reg::closeKey(h);
    }
};

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
    return passOn("clsRegistry.GetValue", [&](Line& line) -> Variant {
        auto regKey = [&] { return " reg key=" + HiveToString(hive) + "\\" + sKeyName + "\\" + sValueName; };
        line(10);
        Variant result{std::string()};
        line(20);
        KeyHandle key;
        int32_t lRet = reg::openKey(static_cast<uint32_t>(hive), sKeyName, key.h);
        line(30);
        if (lRet == reg::status::BadPathName)
            raiseError(lRet, "Invalid registry access: " + clsWin().ApiErrorText(lRet) + regKey());
        line(40);
        // A store that cannot be read (damaged, unreadable) is reported, not taken for a missing
        // setting; a missing key reads as the default below.
        if (lRet != reg::status::Success && lRet != reg::status::NotFound && lRet != reg::status::InvalidHandle)
            raiseError(lRet, clsWin().ApiErrorText(lRet) + regKey());
        line(50);
        Variant value;
        lRet = GetValueEx(static_cast<int32_t>(key.h), sValueName, value);
        line(60);
        if (lRet == reg::status::Success) {
            result = value;
        } else if (lRet == reg::status::NotFound || lRet == reg::status::InvalidHandle) {
            line(70);
            if (varDefault) result = *varDefault;
        } else {
            line(80);
            raiseError(lRet, clsWin().ApiErrorText(lRet) + regKey());
        }
        return result;
    });
}

int32_t clsRegistry::GetValueEx(int32_t lhKey, const std::string& szValueName, Variant& vValue) const {
    try {
        reg::Value value;
        const int32_t status = reg::queryValue(static_cast<uint32_t>(lhKey), szValueName, value);
        if (status != reg::status::Success) return status;
        switch (value.type) {
        case reg::Text: vValue = Variant(std::move(value.data)); return status;
        case reg::Number: vValue = Variant(static_cast<int32_t>(value.asNumber())); return status;
        default: return -1;
        }
    } catch (...) {
        // Only memory can run out here; the read is then not done.
        return reg::status::OutOfMemory;
    }
}

}  // namespace kovrin
