// The status numbers the registry store answers with. They are the system's own error numbers, so
// callers that know the system registry read them as they always have.
#pragma once

#include <cstdint>
#include <string_view>

namespace kovrin::registry::status {

constexpr int32_t Success = 0;
constexpr int32_t NotFound = 2;           // no such key or value
constexpr int32_t AccessDenied = 5;       // the store's file or folder may not be read or written
constexpr int32_t InvalidHandle = 6;      // not an open key and not a hive
constexpr int32_t OutOfMemory = 14;
constexpr int32_t InvalidParameter = 87;  // unsupported value type, a number that is not 4 bytes
constexpr int32_t DiskFull = 112;
constexpr int32_t BadPathName = 161;      // key path beginning with "\" or with an empty segment
constexpr int32_t Busy = 170;             // another process kept the hive locked past the time-out
constexpr int32_t RegistryCorrupt = 1009; // the hive file is damaged or is not a store file
constexpr int32_t RegistryIoFailed = 1016;// the hive file could not be read or written
constexpr int32_t KeyDeleted = 1018;      // the open key has since been deleted

// The system's text for a status above, without a line end; empty for any other number.
std::string_view text(int32_t status);

}  // namespace kovrin::registry::status
