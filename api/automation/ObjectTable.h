// What the loader (the C entry point) and a server library (KovrinAPI32) agree on, and nothing
// more: an object starts with a pointer to its server's table of functions, and a server exports
// the few functions below. The loader never reads an object it has not checked with the server's
// kovrin_server_table, so a released object is an error instead of a read of freed memory.
#pragma once

#include <KovrinAPI/automation.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct kovrin_object_table {
    void (*addref)(kovrin_object* object);
    void (*release)(kovrin_object* object);
    int32_t (*get_id)(kovrin_object* object, const char* name, int32_t* member, kovrin_error* error);
    int32_t (*invoke)(kovrin_object* object, int32_t member, int32_t flags, kovrin_variant* args,
                      size_t argument_count, kovrin_variant* result, kovrin_error* error);
    int32_t (*describe)(kovrin_object* object, char** json, kovrin_error* error);
} kovrin_object_table;

struct kovrin_object {
    const kovrin_object_table* table;
};

/* Exported by a server library. */
typedef int32_t (*kovrin_server_create_fn)(const char* clsid, kovrin_object** out, kovrin_error* error);
/* The table of a live object of this server, or NULL when the pointer is no such object. */
typedef const kovrin_object_table* (*kovrin_server_table_fn)(const kovrin_object* object);
typedef int32_t (*kovrin_server_describe_library_fn)(char** json, kovrin_error* error);
/* Writes (or removes) the registration of every class of the server in the registry store. */
typedef int32_t (*kovrin_server_register_fn)(const char* library, const char* typelib, kovrin_error* error);
typedef int32_t (*kovrin_server_unregister_fn)(kovrin_error* error);

#ifdef __cplusplus
}
#endif
