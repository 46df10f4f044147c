// The C entry point (KovrinAPI/automation.h), in its own small library, libkovrinautomation: it
// finds a ProgID's registration in the registry store, loads the registered server library and
// asks it for the object, as creating an object by ProgID does on the desktop platform. Servers
// stay loaded for the life of the process.
#include <dlfcn.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <KovrinAPI/runtime/Error.h>

#include "automation/CValues.h"
#include "platform/registry/RegistryStore.h"

namespace {

using namespace kovrin;
namespace cvalue = kovrin::automation::cvalue;

struct Server {
    std::string path;
    kovrin_server_create_fn create;
    kovrin_server_table_fn table;
    kovrin_server_describe_library_fn describeLibrary;
};

struct Servers {
    std::mutex mutex;
    std::vector<std::unique_ptr<Server>> loaded;
};
Servers& servers() {
    static Servers* s = new Servers;  // never destroyed: objects may be released during exit
    return *s;
}

int32_t fail(kovrin_error* error, int32_t number, std::string_view source, std::string description = {}) {
    return cvalue::fail(error, number, source, description.empty() ? standardDescription(number) : description);
}

// The default value of a key under HKEY_CLASSES_ROOT, or nothing when there is none.
std::optional<std::string> readDefault(const std::string& key, int32_t& status) {
    std::string_view names[] = {""};
    std::vector<std::optional<registry::Value>> values;
    status = registry::queryKeyValues(registry::ClassesRoot, key, names, values);
    if (status == registry::status::NotFound) status = 0;
    if (status || values.empty() || !values[0] || values[0]->type != registry::Text) return std::nullopt;
    return values[0]->data;
}

template <class F>
F symbol(void* handle, const char* name) {
    return reinterpret_cast<F>(dlsym(handle, name));
}

// The server registered for the ProgID, loaded, and the class id to ask it for.
int32_t resolve(const char* progid, Server*& server, std::string& clsid, kovrin_error* error) {
    if (!progid) return fail(error, err::InvalidCall, "kovrin_create");
    int32_t status = 0;
    auto id = readDefault(std::string(progid) + "\\CLSID", status);
    auto path = id ? readDefault("CLSID\\" + *id + "\\InprocServer32", status) : std::nullopt;
    if (status) return fail(error, status, progid, "The registration cannot be read (status " + std::to_string(status) + ")");
    if (!path) return fail(error, err::CannotCreateObject, progid);
    clsid = *id;

    std::lock_guard lock(servers().mutex);
    for (auto& s : servers().loaded)
        if (s->path == *path) return server = s.get(), 0;
    std::error_code ec;
    if (!std::filesystem::exists(*path, ec))
        return fail(error, err::FileNotFound, progid, standardDescription(err::FileNotFound) + ": " + *path);
    void* handle = dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        return fail(error, err::DllLoadError, progid, standardDescription(err::DllLoadError) + ": " + (why ? why : *path));
    }
    auto s = std::make_unique<Server>(Server{*path, symbol<kovrin_server_create_fn>(handle, "kovrin_server_create"),
                                             symbol<kovrin_server_table_fn>(handle, "kovrin_server_table"),
                                             symbol<kovrin_server_describe_library_fn>(handle, "kovrin_server_describe_library")});
    if (!s->create || !s->table || !s->describeLibrary) {
        dlclose(handle);
        return fail(error, err::DllLoadError, progid,
                    standardDescription(err::DllLoadError) + ": " + *path + " is not an automation server");
    }
    server = s.get();
    servers().loaded.push_back(std::move(s));
    return 0;
}

// The object's table when it is a live object of a loaded server; never reads a released one.
const kovrin_object_table* tableOf(const kovrin_object* object) {
    if (!object) return nullptr;
    std::lock_guard lock(servers().mutex);
    for (auto& s : servers().loaded)
        if (const kovrin_object_table* t = s->table(object)) return t;
    return nullptr;
}

int32_t notAnObject(kovrin_error* error, const char* where) { return fail(error, err::ObjectNotSet, where); }

}  // namespace

extern "C" {

void kovrin_variant_init(kovrin_variant* v) {
    if (v) cvalue::init(v);
}

void kovrin_variant_clear(kovrin_variant* v) { cvalue::clear(v); }

int32_t kovrin_variant_copy(kovrin_variant* dst, const kovrin_variant* src) {
    if (!dst || !src) return err::InvalidCall;
    return cvalue::copy(dst, src);
}

int32_t kovrin_variant_set_text(kovrin_variant* v, const char* utf8, size_t length) {
    if (!v || (!utf8 && length)) return err::InvalidCall;
    return cvalue::setText(v, std::string_view(utf8 ? utf8 : "", length));
}

int32_t kovrin_variant_set_array(kovrin_variant* v, size_t rows, size_t columns) {
    if (!v) return err::InvalidCall;
    return cvalue::setArray(v, rows, columns);
}

void kovrin_error_clear(kovrin_error* e) {
    if (!e) return;
    std::free(e->source);
    std::free(e->description);
    *e = kovrin_error{0, nullptr, nullptr};
}

void kovrin_free_text(char* text) { std::free(text); }

int32_t kovrin_create(const char* progid, kovrin_object** out, kovrin_error* error) {
    if (!out) return fail(error, err::InvalidCall, "kovrin_create");
    *out = nullptr;
    Server* server = nullptr;
    std::string clsid;
    if (int32_t rc = resolve(progid, server, clsid, error)) return rc;
    return server->create(clsid.c_str(), out, error);
}

void kovrin_addref(kovrin_object* object) {
    if (const kovrin_object_table* t = tableOf(object)) t->addref(object);
}

void kovrin_release(kovrin_object* object) {
    if (const kovrin_object_table* t = tableOf(object)) t->release(object);
}

int32_t kovrin_get_id(kovrin_object* object, const char* name, int32_t* member, kovrin_error* error) {
    const kovrin_object_table* t = tableOf(object);
    return t ? t->get_id(object, name, member, error) : notAnObject(error, "kovrin_get_id");
}

int32_t kovrin_invoke(kovrin_object* object, int32_t member, int32_t flags, kovrin_variant* args,
                      size_t argument_count, kovrin_variant* result, kovrin_error* error) {
    const kovrin_object_table* t = tableOf(object);
    return t ? t->invoke(object, member, flags, args, argument_count, result, error)
             : notAnObject(error, "kovrin_invoke");
}

int32_t kovrin_describe(kovrin_object* object, char** json, kovrin_error* error) {
    const kovrin_object_table* t = tableOf(object);
    return t ? t->describe(object, json, error) : notAnObject(error, "kovrin_describe");
}

int32_t kovrin_describe_library(const char* progid, char** json, kovrin_error* error) {
    if (!json) return fail(error, err::InvalidCall, "kovrin_describe_library");
    *json = nullptr;
    Server* server = nullptr;
    std::string clsid;
    if (int32_t rc = resolve(progid, server, clsid, error)) return rc;
    return server->describeLibrary(json, error);
}

}  // extern "C"
