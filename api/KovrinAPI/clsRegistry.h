// clsRegistry: reads and writes registry values (installation data, hand-shakes with the
// front-end, settings). Stateless: every call opens and closes its key.
//
// Errors are kovrin::Error with the source "clsRegistry.<operation>[line]\..."; GetValueEx alone
// answers a status instead of raising.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin {

class KOVRIN_API clsRegistry : public Object {
public:
    // "HKEY_LOCAL_MACHINE" and the other hive names; any other number as "&H" and its upper-case
    // hexadecimal digits ("&H5", "&H80000005").
    std::string HiveToString(int32_t hive) const;

    // Stores strData as a text value, creating the key when needed. The data is converted as the
    // automation text conversion does (True -> "True", numbers in plain decimal, Null and Empty ->
    // empty text). A key or value that cannot be written is skipped silently.
    void SaveValue(int32_t hKey, const std::string& strPath, const std::string& strvalue, const Variant& strData) const;
    // Stores strData, converted to a 32-bit integer (a failed conversion raises its error), as a
    // number value; write failures are skipped silently.
    void SaveDWORDValue(int32_t hKey, const std::string& strPath, const std::string& strvalue,
                        const Variant& strData) const;

    // The value's text or number. A missing key or value gives varDefault when given, else the
    // empty text. Fails with the status as error number for a bad key path (161), for a value of
    // another type (-1), and when the store cannot be read (for example 1009, a damaged store).
    Variant GetValue(int32_t hive, const std::string& sKeyName, const std::string& sValueName,
                     std::optional<Variant> varDefault = std::nullopt) const;

    // Reads a value through an open key handle: a text (type 1) or a number (type 4, as Long)
    // into vValue. Answers the store's status, -1 for another type (vValue is then unchanged);
    // never raises.
    int32_t GetValueEx(int32_t lhKey, const std::string& szValueName, Variant& vValue) const;

    // The predefined hive handles.
    int32_t HKEY_CLASSES_ROOT() const { return static_cast<int32_t>(0x80000000u); }
    int32_t HKEY_CURRENT_USER() const { return static_cast<int32_t>(0x80000001u); }
    int32_t HKEY_LOCAL_MACHINE() const { return static_cast<int32_t>(0x80000002u); }
    int32_t HKEY_USERS() const { return static_cast<int32_t>(0x80000003u); }
};

}  // namespace kovrin
