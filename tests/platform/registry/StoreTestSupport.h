// Small helpers shared by the store's tests.
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/registry/RegistryStore.h"

namespace kovrin::registry::test {

// The value `name` of `path` in `hive`, read through a handle as callers do; the status on failure.
inline int32_t read(uint32_t hive, std::string_view path, std::string_view name, Value& value) {
    Handle h = 0;
    int32_t st = openKey(hive, path, h);
    if (st != status::Success) return st;
    st = queryValue(h, name, value);
    closeKey(h);
    return st;
}

inline std::string readText(uint32_t hive, std::string_view path, std::string_view name) {
    Value v;
    const int32_t st = read(hive, path, name, v);
    return st == status::Success ? v.data : "<status " + std::to_string(st) + ">";
}

inline bool keyExists(uint32_t hive, std::string_view path) {
    Handle h = 0;
    if (openKey(hive, path, h) != status::Success) return false;
    closeKey(h);
    return true;
}

inline std::string fileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

}  // namespace kovrin::registry::test
