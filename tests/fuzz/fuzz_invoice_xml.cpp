#include <cstddef>
#include <cstdint>

#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kovrin::fuzz::invoiceXml(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
