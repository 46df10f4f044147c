/* The C entry point of the automation interface.
 *
 * Any language with a foreign-function interface reaches the library through these functions, the
 * way automation callers do on the desktop platform: create an object by its ProgID (the
 * registration in the registry store names the library file to load), ask for member numbers by
 * name, invoke members with variant arguments, release the object. Nothing C++ crosses this
 * header, and no exception leaves it. Text is UTF-8 throughout.
 *
 * Ownership:
 *   - A kovrin_object is reference counted: kovrin_create and every object handed out in a
 *     variant carry one reference, which the caller gives back with kovrin_release (or
 *     kovrin_variant_clear of the variant holding it).
 *   - Variants own their text, their array elements and their object reference; kovrin_variant_clear
 *     frees all of it and leaves the variant Empty. A variant the library fills (a result, a
 *     by-reference argument) is cleared first by the library, so pass initialised variants.
 *   - kovrin_error owns its two texts; kovrin_error_clear frees them. A function that fails fills
 *     the error (when the pointer is not NULL) and returns the error number; success returns 0
 *     and leaves the error untouched.
 */
#ifndef KOVRINAPI_AUTOMATION_H
#define KOVRINAPI_AUTOMATION_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define KOVRIN_C_API __attribute__((visibility("default")))
#else
#define KOVRIN_C_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The variant types; the numbers are the automation interface's. */
typedef enum kovrin_vartype {
    KOVRIN_VT_EMPTY = 0,
    KOVRIN_VT_NULL = 1,
    KOVRIN_VT_I2 = 2,       /* Integer, 16-bit */
    KOVRIN_VT_I4 = 3,       /* Long, 32-bit */
    KOVRIN_VT_R8 = 5,       /* Double */
    KOVRIN_VT_CY = 6,       /* Currency: a 64-bit integer scaled by 10,000 */
    KOVRIN_VT_DATE = 7,     /* days since 30 December 1899, the time as the fraction */
    KOVRIN_VT_BSTR = 8,     /* text */
    KOVRIN_VT_DISPATCH = 9, /* an object (NULL for Nothing) */
    KOVRIN_VT_MISSING = 10, /* an optional argument left out (the automation interface's VT_ERROR
                               with DISP_E_PARAMNOTFOUND); only as an argument of kovrin_invoke */
    KOVRIN_VT_BOOL = 11,    /* results and written-back arguments hold -1 for True, 0 for False */
    KOVRIN_VT_ARRAY = 8204  /* an array of variants, one or two dimensions, lower bound 0 */
} kovrin_vartype;

typedef struct kovrin_object kovrin_object;

typedef struct kovrin_variant {
    int32_t type; /* a kovrin_vartype */
    union {
        int32_t boolean; /* 0 False, anything else True */
        int16_t i2;
        int32_t i4;
        double r8;
        int64_t cy;
        double date;
        struct {
            char* text; /* UTF-8, NUL-terminated, allocated by the library or by kovrin_variant_set_text */
            size_t length; /* in bytes, without the NUL */
        } str;
        kovrin_object* object;
        struct {
            size_t rows;    /* number of elements of a one-dimensional array, rows of a two-dimensional one */
            size_t columns; /* 0 for a one-dimensional array */
            struct kovrin_variant* items; /* rows (x columns) elements, row after row */
        } array;
    } value;
} kovrin_variant;

typedef struct kovrin_error {
    int32_t number;
    char* source;      /* the call path, outermost first: "Kovrin.CreateInvoice[30]\modKovrin..." */
    char* description;
} kovrin_error;

/* Invoke flags: what a name means in this call. */
#define KOVRIN_INVOKE_METHOD 1
#define KOVRIN_INVOKE_PROPERTYGET 2
#define KOVRIN_INVOKE_PROPERTYPUT 4
/* A put that stores a reference to the object given (the line lists of Invoice and InvoiceKabala);
 * a put of an object value does the same. */
#define KOVRIN_INVOKE_PROPERTYPUTREF 8

/* Variants. */
KOVRIN_C_API void kovrin_variant_init(kovrin_variant* v);
KOVRIN_C_API void kovrin_variant_clear(kovrin_variant* v);
/* Deep copy (text and arrays copied, objects given one more reference); dst is cleared first. */
KOVRIN_C_API int32_t kovrin_variant_copy(kovrin_variant* dst, const kovrin_variant* src);
/* Sets v (cleared first) to a copy of the UTF-8 text of the given length. */
KOVRIN_C_API int32_t kovrin_variant_set_text(kovrin_variant* v, const char* utf8, size_t length);
/* Sets v (cleared first) to an array of Empty elements; columns 0 makes it one-dimensional. */
KOVRIN_C_API int32_t kovrin_variant_set_array(kovrin_variant* v, size_t rows, size_t columns);

KOVRIN_C_API void kovrin_error_clear(kovrin_error* e);
/* Frees text handed out by kovrin_describe. */
KOVRIN_C_API void kovrin_free_text(char* text);

/* Objects. kovrin_create looks up the ProgID ("KovrinAPI.Kovrin", "KovrinAPI.LineItem", ...) in
 * the registry store, loads the registered library and creates the object. */
KOVRIN_C_API int32_t kovrin_create(const char* progid, kovrin_object** out, kovrin_error* error);
KOVRIN_C_API void kovrin_addref(kovrin_object* object);
KOVRIN_C_API void kovrin_release(kovrin_object* object);

/* The member number of a name (case-insensitive); error 438 for a name the object does not have. */
KOVRIN_C_API int32_t kovrin_get_id(kovrin_object* object, const char* name, int32_t* member, kovrin_error* error);

/* Calls a member. args are in the member's declared order (args[0] is the first argument); an
 * argument passed by reference holds its new value afterwards. A property put takes the new value
 * as its last argument. result may be NULL when the caller does not want it. */
KOVRIN_C_API int32_t kovrin_invoke(kovrin_object* object, int32_t member, int32_t flags, kovrin_variant* args,
                                   size_t argument_count, kovrin_variant* result, kovrin_error* error);

/* The type information of the object's class, as JSON text (free it with kovrin_free_text):
 *   {"class": "Kovrin", "progid": "KovrinAPI.Kovrin", "members": [
 *     {"id": 1, "name": "CreateInvoice", "kind": "method" | "get" | "put" | "getput",
 *      "result": "Long", "doc": "...",
 *      "arguments": [{"name": "iCustomersID", "type": "Long", "byref": true,
 *                     "optional": false, "default": null}, ...]}, ...]}
 * kovrin_describe_library gives the whole type library (every class and the enumerations) in the
 * same form: {"library": ..., "version": "3.2", "classes": [...], "enums": [{"name": ...,
 * "values": [{"name": ..., "value": n}, ...]}]}, loading the library registered for progid. */
KOVRIN_C_API int32_t kovrin_describe(kovrin_object* object, char** json, kovrin_error* error);
KOVRIN_C_API int32_t kovrin_describe_library(const char* progid, char** json, kovrin_error* error);

#ifdef __cplusplus
}
#endif

#endif
