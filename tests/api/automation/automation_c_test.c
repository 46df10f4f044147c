/* The C entry point from a C99 program, as any foreign-function caller uses it: a private registry
 * store with the library registered by kovrin-regsvr and a sample installation, then calls by
 * name. Under the sanitizer build the thousand create / invoke / release cycles at the end also
 * prove that nothing leaks. */
#define _POSIX_C_SOURCE 200809L

#include <KovrinAPI/automation.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures;

#define CHECK(cond)                                                                  \
    do {                                                                             \
        if (!(cond)) {                                                               \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            ++failures;                                                              \
        }                                                                            \
    } while (0)

static char folder[4096];

static void run(const char* format, ...) {
    char command[8192];
    va_list args;
    va_start(args, format);
    vsnprintf(command, sizeof command, format, args);
    va_end(args);
    if (system(command) != 0) {
        fprintf(stderr, "failed: %s\n", command);
        exit(1);
    }
}

/* The error's number after a call that must fail with it; clears the error. */
static int32_t failed_with(int32_t rc, kovrin_error* e, int32_t number, const char* description) {
    CHECK(rc == number);
    CHECK(e->number == number);
    if (description) CHECK(e->description && strcmp(e->description, description) == 0);
    if (rc != number) fprintf(stderr, "  got %d %s: %s\n", (int)rc, e->source ? e->source : "", e->description ? e->description : "");
    kovrin_error_clear(e);
    return rc;
}

static kovrin_object* create(const char* progid) {
    kovrin_object* o = NULL;
    kovrin_error e = {0, NULL, NULL};
    int32_t rc = kovrin_create(progid, &o, &e);
    if (rc != 0) {
        fprintf(stderr, "kovrin_create(%s): %d %s\n", progid, (int)rc, e.description ? e.description : "");
        exit(1);
    }
    return o;
}

/* Calls a member by name; the result is left in *result (when given). */
static int32_t call(kovrin_object* o, const char* name, int32_t flags, kovrin_variant* args, size_t n,
                    kovrin_variant* result, kovrin_error* e) {
    int32_t id = 0;
    int32_t rc = kovrin_get_id(o, name, &id, e);
    return rc ? rc : kovrin_invoke(o, id, flags, args, n, result, e);
}

static void put(kovrin_object* o, const char* name, kovrin_variant value) {
    kovrin_error e = {0, NULL, NULL};
    CHECK(call(o, name, KOVRIN_INVOKE_PROPERTYPUT, &value, 1, NULL, &e) == 0);
    kovrin_variant_clear(&value);
    kovrin_error_clear(&e);
}

static kovrin_variant i4(int32_t x) {
    kovrin_variant v;
    kovrin_variant_init(&v);
    v.type = KOVRIN_VT_I4;
    v.value.i4 = x;
    return v;
}

static kovrin_variant text(const char* s) {
    kovrin_variant v;
    kovrin_variant_init(&v);
    kovrin_variant_set_text(&v, s, strlen(s));
    return v;
}

static void set_up(void) {
    const char* base = getenv("KOVRIN_TEST_TMP");
    snprintf(folder, sizeof folder, "%s/kovrin-c-XXXXXX", base && *base ? base : "/tmp");
    run("mkdir -p '%s'", base && *base ? base : "/tmp");
    if (!mkdtemp(folder)) exit(1);
    setenv("KOVRIN_REGISTRY_DIR", folder, 1);
    run("'%s' create '%s/books.sqlite' --sample --register >/dev/null", KOVRIN_DB_TOOL, folder);
    run("'%s' register '%s' '%s' >/dev/null", KOVRIN_REGSVR, KOVRIN_SERVER, KOVRIN_TYPELIB);
}

static void test_properties_and_by_reference_date(void) {
    kovrin_object* k = create("KovrinAPI.Kovrin");
    kovrin_error e = {0, NULL, NULL};
    kovrin_variant r, date;
    kovrin_variant_init(&r);
    kovrin_variant_init(&date);

    CHECK(call(k, "version", KOVRIN_INVOKE_PROPERTYGET, NULL, 0, &r, &e) == 0);
    CHECK(r.type == KOVRIN_VT_BSTR && strcmp(r.value.str.text, "3.2.74") == 0);

    /* A zero date asks for today's rate and receives today's date. */
    date.type = KOVRIN_VT_DATE;
    CHECK(call(k, "GetVatRate", KOVRIN_INVOKE_METHOD, &date, 1, &r, &e) == 0);
    CHECK(r.type == KOVRIN_VT_R8 && r.value.r8 > 0);
    CHECK(date.type == KOVRIN_VT_DATE && date.value.date > 40000);
    double today_rate = r.value.r8;
    /* Left out, the same rate. */
    kovrin_variant missing;
    kovrin_variant_init(&missing);
    missing.type = KOVRIN_VT_MISSING;
    CHECK(call(k, "GetVatRate", KOVRIN_INVOKE_METHOD, &missing, 1, &r, &e) == 0);
    CHECK(r.type == KOVRIN_VT_R8 && r.value.r8 == today_rate);
    CHECK(missing.type == KOVRIN_VT_MISSING);

    char* json = NULL;
    CHECK(kovrin_describe(k, &json, &e) == 0);
    CHECK(json && strstr(json, "\"progid\":\"KovrinAPI.Kovrin\"") && strstr(json, "\"name\":\"CreateInvoice\""));
    kovrin_free_text(json);
    CHECK(kovrin_describe_library("KovrinAPI.LineItem", &json, &e) == 0);
    CHECK(json && strstr(json, "\"name\":\"INVOICE_KABALA\",\"value\":7"));
    kovrin_free_text(json);

    kovrin_variant_clear(&r);
    kovrin_release(k);
}

/* An invoice of two lines made by ProgID: the by-reference arguments come back changed, and the
 * stored invoice reads back as objects. */
static void test_invoice_through_dispatch(void) {
    kovrin_object* k = create("KovrinAPI.Kovrin");
    kovrin_error e = {0, NULL, NULL};
    kovrin_variant args[12], r;
    kovrin_variant_init(&r);
    for (int i = 0; i < 12; ++i) kovrin_variant_init(&args[i]);

    args[11].type = KOVRIN_VT_ARRAY;
    kovrin_variant_set_array(&args[11], 2, 0);
    for (int i = 0; i < 2; ++i) {
        kovrin_object* line = create("KovrinAPI.LineItem");
        put(line, "ItemDescription", text(i ? "second" : "first"));
        kovrin_variant price;
        kovrin_variant_init(&price);
        price.type = KOVRIN_VT_CY;
        price.value.cy = 1000000; /* 100 */
        put(line, "UnitPrice", price);
        put(line, "ItemQuantity", i4(1));
        put(line, "CurrencyRate", i4(1));
        args[11].value.array.items[i].type = KOVRIN_VT_DISPATCH;
        args[11].value.array.items[i].value.object = line;
    }
    args[0] = i4(1);                          /* iCustomersID */
    args[1] = text("01/03/2026");             /* datInvoiceDate, converted from text */
    args[2] = text("from C");                 /* strComments */
    args[3].type = KOVRIN_VT_R8;              /* fltRebatePercent 10 */
    args[3].value.r8 = 10;
    args[4].type = KOVRIN_VT_CY;              /* curRebateAmount */
    args[5].type = KOVRIN_VT_BOOL;            /* blnRoundTotal */
    args[5].value.boolean = 1;
    args[6].type = KOVRIN_VT_R8;              /* fltVAT 0: the date's rate */
    args[7].type = KOVRIN_VT_BOOL;            /* blnChargeVAT */
    args[7].value.boolean = 1;
    args[8] = text("");                       /* strInvoiceDetails */
    args[9] = i4(0);                          /* iTrxCodesID */
    args[10] = i4(1);                         /* INVOICE_TYPE_STD */
    CHECK(call(k, "CreateInvoice", KOVRIN_INVOKE_METHOD, args, 12, &r, &e) == 0);
    if (e.description) fprintf(stderr, "  %s %s\n", e.source, e.description);
    CHECK(r.type == KOVRIN_VT_I4 && r.value.i4 > 0);
    int32_t number = r.value.i4;
    CHECK(args[6].type == KOVRIN_VT_R8 && args[6].value.r8 > 0 && args[6].value.r8 < 1);
    CHECK(args[4].type == KOVRIN_VT_CY && args[4].value.cy == 200000); /* 10% of 200 */
    CHECK(args[5].type == KOVRIN_VT_BOOL && args[5].value.boolean != 0);
    CHECK(args[0].type == KOVRIN_VT_I4 && args[0].value.i4 == 1); /* not changed by the operation */
    CHECK(args[1].type == KOVRIN_VT_BSTR);                          /* left as the caller gave it */

    kovrin_variant n = i4(number), lines;
    kovrin_variant_init(&lines);
    CHECK(call(k, "GetInvoiceByNumber", KOVRIN_INVOKE_METHOD, &n, 1, &r, &e) == 0);
    CHECK(r.type == KOVRIN_VT_DISPATCH && r.value.object);
    if (r.type == KOVRIN_VT_DISPATCH && r.value.object) {
        CHECK(call(r.value.object, "varInvoiceLines", KOVRIN_INVOKE_PROPERTYGET, NULL, 0, &lines, &e) == 0);
        CHECK(lines.type == KOVRIN_VT_ARRAY && lines.value.array.rows == 2);
        if (lines.type == KOVRIN_VT_ARRAY && lines.value.array.rows == 2) {
            kovrin_variant d;
            kovrin_variant_init(&d);
            CHECK(call(lines.value.array.items[1].value.object, "ItemDescription", KOVRIN_INVOKE_PROPERTYGET, NULL, 0,
                       &d, &e) == 0);
            CHECK(d.type == KOVRIN_VT_BSTR && strcmp(d.value.str.text, "second") == 0);
            kovrin_variant_clear(&d);
        }
    }
    kovrin_variant_clear(&lines);
    kovrin_variant_clear(&r);
    for (int i = 0; i < 12; ++i) kovrin_variant_clear(&args[i]);
    kovrin_release(k);
}

static void test_errors(void) {
    kovrin_error e = {0, NULL, NULL};
    kovrin_object* o = NULL;
    int32_t id = 0;

    failed_with(kovrin_create("KovrinAPI.Nothing", &o, &e), &e, 429, "ActiveX component can't create object");
    CHECK(o == NULL);
    failed_with(kovrin_create(NULL, &o, &e), &e, 5, NULL);
    failed_with(kovrin_create("KovrinAPI.Kovrin", NULL, &e), &e, 5, NULL);
    failed_with(kovrin_describe_library("KovrinAPI.Nothing", NULL, &e), &e, 5, NULL);

    /* A registration whose library file is missing, and one whose file is no library. */
    run("'%s' set 'HKCR\\Test.Missing\\CLSID' '' '{00000000-0000-0000-0000-000000000001}'", KOVRIN_REG_TOOL);
    run("'%s' set 'HKCR\\CLSID\\{00000000-0000-0000-0000-000000000001}\\InprocServer32' '' '%s/gone.so'",
        KOVRIN_REG_TOOL, folder);
    failed_with(kovrin_create("Test.Missing", &o, &e), &e, 53, NULL);
    run("echo 'not a library' > '%s/broken.so'", folder);
    run("'%s' set 'HKCR\\Test.Broken\\CLSID' '' '{00000000-0000-0000-0000-000000000002}'", KOVRIN_REG_TOOL);
    run("'%s' set 'HKCR\\CLSID\\{00000000-0000-0000-0000-000000000002}\\InprocServer32' '' '%s/broken.so'",
        KOVRIN_REG_TOOL, folder);
    failed_with(kovrin_create("Test.Broken", &o, &e), &e, 48, NULL);

    kovrin_object* k = create("KovrinAPI.Kovrin");
    kovrin_variant r, arg = text("abc");
    kovrin_variant_init(&r);
    failed_with(kovrin_get_id(k, "NoSuchMember", &id, &e), &e, 438, "Object doesn't support this property or method");
    failed_with(kovrin_get_id(k, NULL, &id, &e), &e, 5, NULL);
    failed_with(kovrin_invoke(k, 9999, KOVRIN_INVOKE_METHOD, NULL, 0, &r, &e), &e, 438, NULL);
    failed_with(call(k, "GetCustomerByID", KOVRIN_INVOKE_METHOD, &arg, 1, &r, &e), &e, 13, "Type mismatch");
    failed_with(call(k, "GetCustomerByID", KOVRIN_INVOKE_METHOD, NULL, 0, &r, &e), &e, 450,
                "Wrong number of arguments or invalid property assignment");
    /* A huge count is refused before any argument is read. */
    failed_with(call(k, "GetCustomerByID", KOVRIN_INVOKE_METHOD, &arg, (size_t)1 << 40, &r, &e), &e, 450, NULL);
    failed_with(call(k, "GetCustomerByID", KOVRIN_INVOKE_METHOD, NULL, 3, &r, &e), &e, 5, NULL);
    failed_with(call(k, "Version", KOVRIN_INVOKE_PROPERTYPUT, &arg, 1, NULL, &e), &e, 450, NULL);
    /* The operation's own error passes through whole. */
    kovrin_variant_clear(&arg);
    arg = i4(999999);
    CHECK(call(k, "GetInvoiceByNumber", KOVRIN_INVOKE_METHOD, &arg, 1, &r, &e) == 8257);
    CHECK(e.source && strncmp(e.source, "Kovrin.GetInvoiceByNumber[", 26) == 0);
    kovrin_error_clear(&e);
    CHECK(r.type == KOVRIN_VT_EMPTY);

    /* A released or null object is an error, never a read of freed memory; releasing it again is
     * harmless. */
    kovrin_release(k);
    failed_with(kovrin_get_id(k, "Version", &id, &e), &e, 91, NULL);
    failed_with(kovrin_invoke(k, 1, KOVRIN_INVOKE_METHOD, NULL, 0, &r, &e), &e, 91, NULL);
    failed_with(kovrin_describe(k, NULL, &e), &e, 91, NULL);
    kovrin_release(k);
    kovrin_addref(k);
    kovrin_release(NULL);
    failed_with(kovrin_invoke(NULL, 1, KOVRIN_INVOKE_METHOD, NULL, 0, &r, &e), &e, 91, NULL);
    kovrin_variant_clear(&r);
}

/* A thousand create / invoke / release cycles of both kinds of object. */
static void test_cycles(void) {
    kovrin_error e = {0, NULL, NULL};
    for (int i = 0; i < 1000; ++i) {
        kovrin_object* k = create(i % 10 == 0 ? "KovrinAPI.Kovrin" : "KovrinAPI.Customer");
        kovrin_variant r;
        kovrin_variant_init(&r);
        if (i % 10 == 0) {
            CHECK(call(k, "GetCustomers", KOVRIN_INVOKE_METHOD, NULL, 0, &r, &e) == 0);
        } else {
            put(k, "BusinessName", text("name"));
            CHECK(call(k, "BusinessName", KOVRIN_INVOKE_PROPERTYGET, NULL, 0, &r, &e) == 0);
        }
        kovrin_variant copy;
        kovrin_variant_init(&copy);
        kovrin_variant_copy(&copy, &r);
        kovrin_variant_clear(&copy);
        kovrin_variant_clear(&r);
        kovrin_release(k);
    }
}

int main(void) {
    set_up();
    test_properties_and_by_reference_date();
    test_invoice_through_dispatch();
    test_errors();
    test_cycles();
    run("rm -rf '%s'", folder);
    if (failures) fprintf(stderr, "%d checks failed\n", failures);
    return failures ? 1 : 0;
}
