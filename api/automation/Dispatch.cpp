#include "automation/Dispatch.h"

#include "automation/Binding.h"

namespace kovrin::automation {

Dispatch Dispatch::create(std::string_view progid) {
    const Class* c = typeLibrary().byProgId(progid);
    if (!c) throw Error(err::CannotCreateObject, standardDescription(err::CannotCreateObject), std::string(progid));
    return Dispatch(c->create(), *c);
}

Dispatch Dispatch::wrap(ObjectRef object) {
    const Class* c = object ? typeLibrary().byType(typeid(*object)) : nullptr;
    if (!c) raiseError(err::TypeMismatch);
    return Dispatch(std::move(object), *c);
}

// Errors of the dispatch itself name the class's ProgID and, where known, the member and argument.
void Dispatch::fail(int32_t number, std::string_view where) const {
    std::string source = class_->progid;
    if (!where.empty()) source += "." + std::string(where);
    throw Error(number, standardDescription(number), source);
}

int32_t Dispatch::idOf(std::string_view name) const {
    const Member* m = class_->find(name);
    if (!m) fail(err::NotSupported, name);
    return m->id;
}

Variant Dispatch::invoke(int32_t id, int32_t flags, Arguments& args) const {
    const Member* m = class_->byId(id);
    if (!m) fail(err::NotSupported, "#" + std::to_string(id));
    bool put = flags & (PropertyPut | PropertyPutRef);
    bool call = flags & (Method | PropertyGet);
    if (put == call) fail(err::WrongArguments, m->name);  // neither, or both at once

    const Invoker& invoker = put ? m->put : m->call;
    std::size_t declared = put ? 1 : m->arguments.size();
    if (!invoker || args.size() > declared) fail(err::WrongArguments, m->name);
    // The left-out trailing arguments are filled in for the call and taken off again afterwards.
    struct Trim {
        Arguments& args;
        std::size_t given;
        ~Trim() { args.resize(given); }
    } trim{args, args.size()};
    args.resize(declared);
    if (put && !args[0]) fail(err::WrongArguments, m->name);
    for (std::size_t i = 0; !put && i < declared; ++i)
        if (!args[i] && !m->arguments[i].optional) fail(err::WrongArguments, m->name + "." + m->arguments[i].name);

    Variant result;
    try {
        result = invoker(*object_, args);
    } catch (const ConversionFailure& f) {
        // A conversion of Null is a mismatch of types here, as the automation conversions report it.
        int32_t number = f.error.number() == err::InvalidUseOfNull ? err::TypeMismatch : f.error.number();
        std::string where = m->name;
        if (!put) where += "." + m->arguments[f.index].name;
        fail(number, where);
    }
    return result;
}

}  // namespace kovrin::automation
