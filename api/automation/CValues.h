// The C entry point's variants and errors, for both sides of it: the loader hands these functions
// out as kovrin_variant_clear and so on, and the server library fills results with them. The
// source is compiled into each, so both free what the other allocated with the same rules.
#pragma once

#include <cstdint>
#include <string_view>

#include "automation/ObjectTable.h"

namespace kovrin::automation::cvalue {

void init(kovrin_variant* v);
void clear(kovrin_variant* v);
int32_t copy(kovrin_variant* dst, const kovrin_variant* src);
int32_t setText(kovrin_variant* v, std::string_view text);
int32_t setArray(kovrin_variant* v, std::size_t rows, std::size_t columns);
// A NUL-terminated copy from malloc, or null when memory is out.
char* duplicate(std::string_view text);
// Fills the error (when given) and answers the number.
int32_t fail(kovrin_error* error, int32_t number, std::string_view source, std::string_view description);

}  // namespace kovrin::automation::cvalue
