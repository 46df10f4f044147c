// The server side of the C entry point, exported by KovrinAPI32: objects of the interface's
// classes behind kovrin_object, and the conversions between the C variants and the library's.
#include <atomic>
#include <mutex>
#include <unordered_set>

#include <KovrinAPI/runtime/Export.h>

#include "automation/CValues.h"
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

// Arrays nested deeper than this are refused rather than followed.
constexpr int MaxDepth = 32;

Variant toCpp(const kovrin_variant& v, int depth = 0) {
    switch (v.type) {
    case KOVRIN_VT_EMPTY: return Variant();
    case KOVRIN_VT_NULL: return Variant::null();
    case KOVRIN_VT_I2: return Variant(v.value.i2);
    case KOVRIN_VT_I4: return Variant(v.value.i4);
    case KOVRIN_VT_R8: return Variant(v.value.r8);
    case KOVRIN_VT_CY: return Variant(Currency::fromScaled(v.value.cy));
    case KOVRIN_VT_DATE: return Variant(Date(v.value.date));
    case KOVRIN_VT_BOOL: return Variant(v.value.boolean != 0);
    case KOVRIN_VT_BSTR:
        if (!v.value.str.text && v.value.str.length) break;
        return Variant(std::string(v.value.str.text ? v.value.str.text : "", v.value.str.length));
    case KOVRIN_VT_DISPATCH: {
        kovrin_object* o = v.value.object;
        if (!o) return Variant(ObjectRef());
        {
            std::lock_guard lock(live().mutex);
            if (!live().objects.count(o)) break;  // released, or not one of ours
        }
        return Variant(self(o).dispatch.object());
    }
    case KOVRIN_VT_ARRAY: {
        const auto& a = v.value.array;
        std::size_t n = a.columns ? a.rows * a.columns : a.rows;
        if (depth >= MaxDepth || (n && !a.items) || (a.columns && n / a.columns != a.rows)) break;
        VariantArray out = a.columns ? VariantArray(a.rows, a.columns) : VariantArray(a.rows);
        for (std::size_t r = 0; r < a.rows; ++r) {
            if (!a.columns) out(static_cast<long>(r)) = toCpp(a.items[r], depth + 1);
            for (std::size_t c = 0; c < a.columns; ++c)
                out(static_cast<long>(r), static_cast<long>(c)) = toCpp(a.items[r * a.columns + c], depth + 1);
        }
        return Variant(std::move(out));
    }
    default: break;
    }
    raiseError(err::TypeMismatch);
}

// Fills out (Empty on entry) with the value; on failure out is left Empty.
void toC(const Variant& v, kovrin_variant& out) {
    kovrin_variant r;
    cvalue::init(&r);
    try {
        switch (v.type()) {
        case VarType::Empty: break;
        case VarType::Null: r.type = KOVRIN_VT_NULL; break;
        case VarType::Boolean: r.type = KOVRIN_VT_BOOL; r.value.boolean = CBool(v) ? -1 : 0; break;
        case VarType::Integer: r.type = KOVRIN_VT_I2; r.value.i2 = CInt(v); break;
        case VarType::Long: r.type = KOVRIN_VT_I4; r.value.i4 = CLng(v); break;
        case VarType::Double: r.type = KOVRIN_VT_R8; r.value.r8 = CDbl(v); break;
        case VarType::Currency: r.type = KOVRIN_VT_CY; r.value.cy = CCur(v).scaled(); break;
        case VarType::Date: r.type = KOVRIN_VT_DATE; r.value.date = CDate(v).serial(); break;
        case VarType::String:
            if (cvalue::setText(&r, CStr(v))) raiseError(err::OutOfMemory);
            break;
        case VarType::Object: {
            r.type = KOVRIN_VT_DISPATCH;
            if (ObjectRef o = v.object()) r.value.object = newObject(Dispatch::wrap(std::move(o)));
            break;
        }
        case VarType::Array: {
            const VariantArray& a = v.array();
            bool two = a.dimensions() == 2;
            std::size_t rows = static_cast<std::size_t>(a.ubound(1) + 1);
            std::size_t columns = two ? static_cast<std::size_t>(a.ubound(2) + 1) : 0;
            if (cvalue::setArray(&r, rows, columns)) raiseError(err::OutOfMemory);
            for (std::size_t i = 0; i < rows; ++i) {
                if (!two) toC(a(static_cast<long>(i)), r.value.array.items[i]);
                for (std::size_t c = 0; c < columns; ++c)
                    toC(a(static_cast<long>(i), static_cast<long>(c)), r.value.array.items[i * columns + c]);
            }
            break;
        }
        }
    } catch (...) {
        cvalue::clear(&r);
        throw;
    }
    out = r;
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
                cargs[i] = toCpp(args[i]);
            } catch (const Error&) {
                d.fail(err::TypeMismatch, i < m->arguments.size() ? m->name + "." + m->arguments[i].name : m->name);
            }
        }
        Variant r = d.invoke(member, flags, cargs);
        for (std::size_t i = 0; i < count && i < m->arguments.size(); ++i) {
            if (!m->arguments[i].out || !cargs[i] || (flags & (PropertyPut | PropertyPutRef))) continue;
            cvalue::clear(&args[i]);
            toC(*cargs[i], args[i]);
        }
        if (result) {
            cvalue::clear(result);
            toC(r, *result);
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
