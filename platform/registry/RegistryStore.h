// The registry store: a hierarchical key-value store standing in for the system registry.
//
// Each hive (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_USERS) is one SQLite
// file, "<hive name>.sqlite", in storeDirectory(). Keys form paths separated by "\"
// ("Software\Kovrin\API"); key paths and value names compare without regard to case and keep
// the spelling they were first written with. A value is text (type 1), bytes (type 3) or a
// 32-bit number (type 4).
//
// The calls mirror the system's: open or create a key and get a handle, read, set and delete
// values through it, close it. Every call answers a status (Status.h): 0 success, 2 no such key or
// value, 6 invalid handle, 161 bad path, 1009 damaged file, and so on; none throws. Handles are
// plain numbers that stay valid until closed; the hive numbers themselves also serve as handles
// to each hive's root key.
//
// Several processes may use the store at once: each call is one transaction, complete or not done
// at all, and visible to every other process as soon as it returns. Several threads may call it at
// once too; calls on one hive take turns.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Registry.h"
#include "Status.h"

namespace kovrin::registry {

using Handle = uint32_t;

enum ValueType : uint32_t {
    Text = 1,    // the text itself, without a terminating NUL
    Binary = 3,  // any bytes
    Number = 4,  // exactly 4 bytes, little-endian
};

struct Value {
    uint32_t type = 0;
    std::string data;

    static Value text(std::string_view s) { return {Text, std::string(s)}; }
    static Value number(uint32_t n);
    // The 4 bytes of a Number value as an unsigned number.
    uint32_t asNumber() const;
    // The size the system reports: a text counts its terminating NUL.
    uint32_t size() const;
};

struct NamedValue {
    std::string name;
    Value value;
};

// One key of a subtree with its values, ordered by name.
struct KeyContents {
    std::string path;  // from the hive's root, as first written; empty for the root
    std::vector<NamedValue> values;
};

// The folder that holds the hive files (see docs/registry.md).
std::filesystem::path storeDirectory();

// The hive for "HKEY_CURRENT_USER" or "HKCU" and so on (any case); 0 for another name.
uint32_t hiveFromName(std::string_view name);
// "HKEY_CURRENT_USER" and so on; empty for a number that is no hive.
std::string_view hiveName(uint32_t hive);

// Opens an existing key below `parent` (a hive or an open key) for reading. An empty subKey opens
// `parent` itself. On failure `key` is 0.
int32_t openKey(Handle parent, std::string_view subKey, Handle& key);
// Opens the key, creating it and any missing keys above it.
int32_t createKey(Handle parent, std::string_view subKey, Handle& key);
// Forgets a handle (closing a hive's own number is allowed and does nothing).
int32_t closeKey(Handle key);

// Reads a value of the key ("" names the key's default value).
int32_t queryValue(Handle key, std::string_view name, Value& value);
// Creates or replaces a value of the key. Type Number needs exactly 4 bytes; other types than
// the three above are refused with 87.
int32_t setValue(Handle key, std::string_view name, const Value& value);
// Creates the key below `parent` when needed and sets the value, in one transaction.
int32_t setKeyValue(Handle parent, std::string_view subKey, std::string_view name, const Value& value);
// The same for several values of the key at once: another process sees all of them or none.
int32_t setKeyValues(Handle parent, std::string_view subKey, std::span<const NamedValue> values);
// Reads values of the key below `parent` (an empty subKey: `parent` itself) in one transaction,
// so values written together are read together: values[i] is the value named names[i], or
// nothing when the key has no such value. A key that does not exist answers 2.
int32_t queryKeyValues(Handle parent, std::string_view subKey, std::span<const std::string_view> names,
                       std::vector<std::optional<Value>>& values);
int32_t deleteValue(Handle key, std::string_view name);
// Deletes the key below `parent` with all its subkeys and values. A hive's root is not deleted
// (status 5).
int32_t deleteKey(Handle parent, std::string_view subKey);

// The names of the key's direct subkeys, in order of name.
int32_t enumKeys(Handle key, std::vector<std::string>& names);
// The key's values, in order of name.
int32_t enumValues(Handle key, std::vector<NamedValue>& values);
// The key and every key below it with their values, parents before children; read at one moment.
int32_t readTree(Handle key, std::vector<KeyContents>& keys);

// While one lives, writes of the calling thread wait about a second (instead of ten) for another
// process that holds the hive, then answer 170: for writes the caller may skip when the store is
// busy, so they never stall it long.
class BriefWrites {
public:
    BriefWrites();
    ~BriefWrites();
    BriefWrites(const BriefWrites&) = delete;
    BriefWrites& operator=(const BriefWrites&) = delete;

private:
    int previous_;
};

}  // namespace kovrin::registry
