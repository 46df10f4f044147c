#include "LateBound.h"

#include <KovrinAPI/runtime/Error.h>

#include "DemoUtils.h"
#include "automation/CVariantConvert.h"

namespace demo {
namespace {

kovrin::Error taken(kovrin_error& e) {
    kovrin::Error error(e.number, e.description ? e.description : "", e.source ? e.source : "");
    kovrin_error_clear(&e);
    return error;
}

// Objects cross as LateBound handles.
const kovrin::automation::ObjectCrossing& crossing() {
    static const kovrin::automation::ObjectCrossing c{
        [](kovrin_object* o) -> kovrin::ObjectRef {
            kovrin_addref(o);
            return std::make_shared<LateBound>(o);
        },
        [](const kovrin::ObjectRef& o) -> kovrin_object* {
            auto late = std::dynamic_pointer_cast<LateBound>(o);
            if (!late) kovrin::raiseError(kovrin::err::TypeMismatch);
            kovrin_addref(late->object());
            return late->object();
        }};
    return c;
}

// C variants that clear themselves.
struct Variants {
    explicit Variants(std::size_t n) : items(n) {
        for (auto& v : items) kovrin_variant_init(&v);
    }
    ~Variants() {
        for (auto& v : items) kovrin_variant_clear(&v);
    }
    std::vector<kovrin_variant> items;
};

}  // namespace

LateBound::LateBound(const char* progid) {
    kovrin_error e{0, nullptr, nullptr};
    if (kovrin_create(progid, &object_, &e)) throw taken(e);
}

LateBound::~LateBound() { kovrin_release(object_); }

kovrin::Variant LateBound::invoke(const char* name, int32_t flags, Args& args) {
    kovrin_error e{0, nullptr, nullptr};
    int32_t id = 0;
    if (kovrin_get_id(object_, name, &id, &e)) throw taken(e);
    Variants c(args.size() + 1);  // the arguments, then the result
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i]) kovrin::automation::toC(*args[i], c.items[i], crossing());
        else c.items[i].type = KOVRIN_VT_MISSING;
    }
    if (kovrin_invoke(object_, id, flags, c.items.data(), args.size(), &c.items.back(), &e)) throw taken(e);
    for (std::size_t i = 0; i < args.size(); ++i)
        if (args[i]) args[i] = kovrin::automation::fromC(c.items[i], crossing());
    return kovrin::automation::fromC(c.items.back(), crossing());
}

kovrin::Variant LateBound::Call(const char* name, Args args) {
    return invoke(name, KOVRIN_INVOKE_METHOD | KOVRIN_INVOKE_PROPERTYGET, args);
}

kovrin::Variant LateBound::CallByRef(const char* name, Args& args) {
    return invoke(name, KOVRIN_INVOKE_METHOD, args);
}

void LateBound::Put(const char* name, kovrin::Variant value) {
    Args args{std::move(value)};
    invoke(name, KOVRIN_INVOKE_PROPERTYPUT, args);
}

std::unique_ptr<LateBound> NewKovrin() {
    auto k = std::make_unique<LateBound>("KovrinAPI.Kovrin");
    const Settings& st = settings();
    k->Put("KovrinPath", s(st.kovrinPath));
    k->Put("AccessPath", s(st.accessPath));
    k->Put("BusinessID", st.businessId);
    k->Put("DebugMode", st.debug);
    return k;
}

kovrin::Variant Property(const kovrin::Variant& object, const char* name) {
    auto late = object.objectAs<LateBound>();
    if (!late) kovrin::raiseError(kovrin::err::ObjectNotSet);
    return late->Call(name);
}

std::vector<kovrin::Variant> Elements(const kovrin::Variant& v) {
    std::vector<kovrin::Variant> out;
    if (!v.isArray()) return out;
    const auto& a = v.array();
    for (long i = a.lbound(); i <= a.ubound(); ++i) out.push_back(a(i));
    return out;
}

}  // namespace demo
