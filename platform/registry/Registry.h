// Entry points of the registry store that other parts of the tree use directly.
// (The full store is in RegistryStore.h.)
#pragma once

#include <cstdint>
#include <string_view>

namespace kovrin::registry {

// The predefined hive handles.
constexpr uint32_t ClassesRoot = 0x80000000u;
constexpr uint32_t CurrentUser = 0x80000001u;
constexpr uint32_t LocalMachine = 0x80000002u;
constexpr uint32_t Users = 0x80000003u;

// Creates the key if needed and sets a text value (type 1). Answers the system status (0 success).
int32_t writeString(uint32_t hive, std::string_view keyPath, std::string_view valueName, std::string_view text);

}  // namespace kovrin::registry
