// The server side of the C entry point, exported by KovrinAPI32: objects of the interface's
// classes behind kovrin_object, and the conversions between the C variants and the library's.
#include <atomic>
#include <mutex>
#include <unordered_set>

#include <KovrinAPI/runtime/Export.h>

#include "automation/CValues.h"
#include "automation/CVariantConvert.h"
#include "automation/Dispatch.h"
#include "automation/Registration.h"
#include "automation/TypeLibraryText.h"

namespace kovrin::automation {
namespace {

extern const kovrin_object_table serverTable;

struct ServerObject : kovrin_object {
    explicit ServerObject(Dispatch d) : kovrin_object{&serverTable}, dispatch(std::move(d)) {}
    std::atomic<int32_t> refs{1};
    Dispatch dispatch;
};

// The objects handed out and not yet released.
struct Live {
    std::mutex mutex;
    std::unordered_set<const kovrin_object*> objects;
};
Live& live() {
    static Live* l = new Live;  // never destroyed: objects may be released during exit
    return *l;
}

kovrin_object* newObject(Dispatch d) {
    auto* o = new ServerObject(std::move(d));
    std::lock_guard lock(live().mutex);
    live().objects.insert(o);
    return o;
}

ServerObject& self(kovrin_object* o) { return *static_cast<ServerObject*>(o); }

// Objects cross as this server's own kovrin_objects.
const ObjectCrossing& crossing() {
    static const ObjectCrossing c{
        [](kovrin_object* o) -> ObjectRef {
            {
                std::lock_guard lock(live().mutex);
                if (!live().objects.count(o)) raiseError(err::TypeMismatch);  // released, or not ours
            }
            return self(o).dispatch.object();
        },
        [](const ObjectRef& o) { return newObject(Dispatch::wrap(o)); }};
    return c;
}

int32_t failWith(kovrin_error* error) {
    Error e = currentAsError();
    return cvalue::fail(error, e.number(), e.source(), e.description());
}

void addref(kovrin_object* o) { self(o).refs.fetch_add(1, std::memory_order_relaxed); }

void release(kovrin_object* o) {
    if (self(o).refs.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    {
        std::lock_guard lock(live().mutex);
        live().objects.erase(o);
    }
    delete &self(o);
}

int32_t getId(kovrin_object* o, const char* name, int32_t* member, kovrin_error* error) {
    try {
        if (!name || !member) raiseError(err::InvalidCall);
        *member = self(o).dispatch.idOf(name);
        return 0;
    } catch (...) {
        return failWith(error);
    }
}

int32_t invoke(kovrin_object* o, int32_t member, int32_t flags, kovrin_variant* args, std::size_t count,
               kovrin_variant* result, kovrin_error* error) {
    const Dispatch& d = self(o).dispatch;
    try {
        if (count && !args) raiseError(err::InvalidCall);
        // A count beyond what the member takes is refused before any argument is read.
        const Member* m = d.cls().byId(member);
        if (!m) d.fail(err::NotSupported, "#" + std::to_string(member));
        std::size_t most = flags & (PropertyPut | PropertyPutRef) ? 1 : m->arguments.size();
        if (count > most) d.fail(err::WrongArguments, m->name);
        Arguments cargs(count);
        for (std::size_t i = 0; i < count; ++i) {
            if (args[i].type == KOVRIN_VT_MISSING) continue;
            try {
                cargs[i] = fromC(args[i], crossing());
            } catch (const Error&) {
                d.fail(err::TypeMismatch, i < m->arguments.size() ? m->name + "." + m->arguments[i].name : m->name);
            }
        }
        Variant r = d.invoke(member, flags, cargs);
        for (std::size_t i = 0; i < count && i < m->arguments.size(); ++i) {
            if (!m->arguments[i].out || !cargs[i] || (flags & (PropertyPut | PropertyPutRef))) continue;
            cvalue::clear(&args[i]);
            toC(*cargs[i], args[i], crossing());
        }
        if (result) {
            cvalue::clear(result);
            toC(r, *result, crossing());
        }
        return 0;
    } catch (...) {
        return failWith(error);
    }
}

int32_t describe(kovrin_object* o, char** json, kovrin_error* error) {
    try {
        if (!json) raiseError(err::InvalidCall);
        *json = cvalue::duplicate(classJson(self(o).dispatch.cls()));
        if (!*json) raiseError(err::OutOfMemory);
        return 0;
    } catch (...) {
        return failWith(error);
    }
}

const kovrin_object_table serverTable = {addref, release, getId, invoke, describe};

}  // namespace
}  // namespace kovrin::automation

using namespace kovrin;
using namespace kovrin::automation;

extern "C" KOVRIN_API int32_t kovrin_server_create(const char* clsid, kovrin_object** out, kovrin_error* error) {
    try {
        if (!clsid || !out) raiseError(err::InvalidCall);
        *out = nullptr;
        const Class* c = typeLibrary().byClsid(clsid);
        if (!c) throw Error(err::CannotCreateObject, standardDescription(err::CannotCreateObject), clsid);
        *out = newObject(Dispatch(c->create(), *c));
        return 0;
    } catch (...) {
        return failWith(error);
    }
}

extern "C" KOVRIN_API const kovrin_object_table* kovrin_server_table(const kovrin_object* object) {
    std::lock_guard lock(live().mutex);
    return live().objects.count(object) ? &serverTable : nullptr;
}

extern "C" KOVRIN_API int32_t kovrin_server_describe_library(char** json, kovrin_error* error) {
    try {
        if (!json) raiseError(err::InvalidCall);
        *json = cvalue::duplicate(libraryJson());
        if (!*json) raiseError(err::OutOfMemory);
        return 0;
    } catch (...) {
        return failWith(error);
    }
}

extern "C" KOVRIN_API int32_t kovrin_server_register(const char* library, const char* typelib, kovrin_error* error) {
    try {
        if (!library || !typelib) raiseError(err::InvalidCall);
        registerServer(library, typelib);
        return 0;
    } catch (...) {
        return failWith(error);
    }
}

extern "C" KOVRIN_API int32_t kovrin_server_unregister(kovrin_error* error) {
    try {
        unregisterServer();
        return 0;
    } catch (...) {
        return failWith(error);
    }
}
