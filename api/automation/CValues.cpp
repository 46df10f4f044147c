#include "automation/CValues.h"

#include <cstdlib>
#include <cstring>

namespace kovrin::automation::cvalue {

namespace {
constexpr int32_t OutOfMemory = 7;

std::size_t elements(const kovrin_variant& v) {
    return v.value.array.columns ? v.value.array.rows * v.value.array.columns : v.value.array.rows;
}
}  // namespace

void init(kovrin_variant* v) {
    std::memset(v, 0, sizeof *v);
    v->type = KOVRIN_VT_EMPTY;
}

void clear(kovrin_variant* v) {
    if (!v) return;
    switch (v->type) {
    case KOVRIN_VT_BSTR: std::free(v->value.str.text); break;
    case KOVRIN_VT_DISPATCH:
        if (v->value.object) v->value.object->table->release(v->value.object);
        break;
    case KOVRIN_VT_ARRAY:
        if (v->value.array.items) {
            for (std::size_t i = 0, n = elements(*v); i < n; ++i) clear(&v->value.array.items[i]);
            std::free(v->value.array.items);
        }
        break;
    default: break;
    }
    init(v);
}

int32_t setText(kovrin_variant* v, std::string_view text) {
    clear(v);
    char* copy = duplicate(text);
    if (!copy) return OutOfMemory;
    v->type = KOVRIN_VT_BSTR;
    v->value.str.text = copy;
    v->value.str.length = text.size();
    return 0;
}

int32_t setArray(kovrin_variant* v, std::size_t rows, std::size_t columns) {
    clear(v);
    std::size_t n = columns ? rows * columns : rows;
    if (columns && n / columns != rows) return OutOfMemory;
    auto* items = static_cast<kovrin_variant*>(std::calloc(n ? n : 1, sizeof(kovrin_variant)));
    if (!items) return OutOfMemory;
    for (std::size_t i = 0; i < n; ++i) init(&items[i]);
    v->type = KOVRIN_VT_ARRAY;
    v->value.array.rows = rows;
    v->value.array.columns = columns;
    v->value.array.items = items;
    return 0;
}

int32_t copy(kovrin_variant* dst, const kovrin_variant* src) {
    if (dst == src) return 0;
    clear(dst);
    switch (src->type) {
    case KOVRIN_VT_BSTR: return setText(dst, std::string_view(src->value.str.text, src->value.str.length));
    case KOVRIN_VT_DISPATCH:
        if (src->value.object) src->value.object->table->addref(src->value.object);
        *dst = *src;
        return 0;
    case KOVRIN_VT_ARRAY: {
        if (int32_t rc = setArray(dst, src->value.array.rows, src->value.array.columns)) return rc;
        for (std::size_t i = 0, n = elements(*src); i < n; ++i)
            if (int32_t rc = copy(&dst->value.array.items[i], &src->value.array.items[i])) return rc;
        return 0;
    }
    default: *dst = *src; return 0;
    }
}

char* duplicate(std::string_view text) {
    auto* p = static_cast<char*>(std::malloc(text.size() + 1));
    if (!p) return nullptr;
    std::memcpy(p, text.data(), text.size());
    p[text.size()] = '\0';
    return p;
}

int32_t fail(kovrin_error* error, int32_t number, std::string_view source, std::string_view description) {
    if (error) {
        error->number = number;
        error->source = duplicate(source);
        error->description = duplicate(description);
    }
    return number;
}

}  // namespace kovrin::automation::cvalue
