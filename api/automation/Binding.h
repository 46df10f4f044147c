// Members of the description made from C++ functions: the argument and result types, which
// arguments are optional and which the operation changes all come from the signature, so the
// description and the classes cannot drift apart. Only the names (and documented defaults) are
// written by hand.
//
//   method("CreateInvoice", &Kovrin::CreateInvoice, {"iCustomersID", ..., "datDueDate"})
//   KOVRIN_PROPERTY(Customer, CustomersID)
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include <KovrinAPI/runtime/Error.h>
#include <KovrinAPI/runtime/Variant.h>

#include "automation/Description.h"

namespace kovrin::automation {

// The interface name of a C++ class or enumeration: its name without the namespace.
std::string interfaceName(const std::type_info& type);

// An argument value that did not convert to its declared type: the dispatcher reports it with the
// argument's name.
struct ConversionFailure {
    std::size_t index;
    Error error;
};

// ---- conversions of one declared type ---------------------------------------------------------

template <class T>
struct Conv;

#define KOVRIN_CONV(T, Name, from_)                                  \
    template <>                                                      \
    struct Conv<T> {                                                 \
        static std::string name() { return Name; }                   \
        static T from(const Variant& v) { return from_(v); }         \
        static Variant to(const T& x) { return Variant(x); }         \
    };
KOVRIN_CONV(int16_t, "Integer", CInt)
KOVRIN_CONV(int32_t, "Long", CLng)
KOVRIN_CONV(double, "Double", CDbl)
KOVRIN_CONV(bool, "Boolean", CBool)
KOVRIN_CONV(Currency, "Currency", CCur)
KOVRIN_CONV(Date, "Date", CDate)
KOVRIN_CONV(std::string, "String", CStr)
#undef KOVRIN_CONV

template <>
struct Conv<Variant> {
    static std::string name() { return "Variant"; }
    static Variant from(const Variant& v) { return v; }
    static Variant to(const Variant& x) { return x; }
};

template <class E>
    requires std::is_enum_v<E>
struct Conv<E> {
    static std::string name() { return interfaceName(typeid(E)); }
    static E from(const Variant& v) { return static_cast<E>(CLng(v)); }
    static Variant to(E x) { return Variant(static_cast<int32_t>(x)); }
};

// An object argument takes Nothing or an object of its class; anything else is a type mismatch.
template <class T>
struct Conv<std::shared_ptr<T>> {
    static std::string name() { return interfaceName(typeid(T)); }
    static std::shared_ptr<T> from(const Variant& v) {
        ObjectRef o = v.object();  // 13 when v holds no object
        if (!o) return nullptr;
        auto typed = std::dynamic_pointer_cast<T>(o);
        if (!typed) raiseError(err::TypeMismatch);
        return typed;
    }
    static Variant to(const std::shared_ptr<T>& x) { return Variant(x); }
};

template <class T>
struct OptionalOf {
    using type = T;
    static constexpr bool optional = false;
};
template <class T>
struct OptionalOf<std::optional<T>> {
    using type = T;
    static constexpr bool optional = true;
};

// ---- one parameter of a C++ signature ---------------------------------------------------------

template <class P>
struct Param {
    using Value = std::decay_t<P>;
    using Inner = typename OptionalOf<Value>::type;
    static constexpr bool optional = OptionalOf<Value>::optional;
    // A non-const reference: the operation changes the caller's variable.
    static constexpr bool out = std::is_lvalue_reference_v<P> && !std::is_const_v<std::remove_reference_t<P>>;

    static Value from(const std::optional<Variant>& a, std::size_t index) {
        try {
            if constexpr (optional) {
                if (!a) return std::nullopt;
                return Value(Conv<Inner>::from(*a));
            } else {
                return Conv<Inner>::from(a.value_or(Variant()));
            }
        } catch (const Error& e) {
            throw ConversionFailure{index, e};
        }
    }
    static void writeBack(std::optional<Variant>& a, const Value& v) {
        if constexpr (out) {
            if constexpr (optional) {
                if (v) a = Conv<Inner>::to(*v);
            } else {
                a = Conv<Inner>::to(v);
            }
        }
    }
};

// ---- signatures: member functions, and free functions taking the object first --------------

template <class F>
struct Signature;
template <class R, class C, class... A>
struct Signature<R (C::*)(A...)> {
    using Result = R;
    using Self = C;
    using Args = std::tuple<A...>;
};
template <class R, class C, class... A>
struct Signature<R (C::*)(A...) const> : Signature<R (C::*)(A...)> {};
template <class R, class S, class... A>
struct Signature<R (*)(S&, A...)> {
    using Result = R;
    using Self = std::remove_const_t<S>;
    using Args = std::tuple<A...>;
};

template <class F, std::size_t... I>
Variant callConverted(F f, Object& self, Arguments& args, std::index_sequence<I...>) {
    using S = Signature<F>;
    using Args = typename S::Args;
    auto& object = static_cast<typename S::Self&>(self);
    // Every argument converts before the call, so a mismatch leaves the operation unstarted.
    std::tuple<typename Param<std::tuple_element_t<I, Args>>::Value...> values{
        Param<std::tuple_element_t<I, Args>>::from(args[I], I)...};
    Variant result;
    if constexpr (std::is_void_v<typename S::Result>) {
        std::invoke(f, object, std::get<I>(values)...);
    } else {
        result = Conv<std::decay_t<typename S::Result>>::to(std::invoke(f, object, std::get<I>(values)...));
    }
    (Param<std::tuple_element_t<I, Args>>::writeBack(args[I], std::get<I>(values)), ...);
    return result;
}

template <class F>
Invoker invokerOf(F f) {
    constexpr std::size_t n = std::tuple_size_v<typename Signature<F>::Args>;
    return [f](Object& self, Arguments& args) { return callConverted(f, self, args, std::make_index_sequence<n>{}); };
}

template <class F, std::size_t... I>
std::vector<Argument> argumentsOf(std::index_sequence<I...>) {
    using Args = typename Signature<F>::Args;
    return {Argument{"", Conv<typename Param<std::tuple_element_t<I, Args>>::Inner>::name(), true,
                     Param<std::tuple_element_t<I, Args>>::out, Param<std::tuple_element_t<I, Args>>::optional, {}}...};
}

template <class F>
std::string resultOf() {
    using R = std::decay_t<typename Signature<F>::Result>;
    if constexpr (std::is_void_v<R>) return "";
    else return Conv<R>::name();
}

// ---- the description's building blocks ------------------------------------------------------

// An argument's name, with what the signature cannot say: passed by value in the interface, or
// the default an optional argument documents.
struct Arg {
    Arg(const char* n) : name(n) {}
    std::string name;
    bool byValue = false;
    std::optional<Variant> defaultValue;
};
inline Arg byval(const char* name) {
    Arg a(name);
    a.byValue = true;
    return a;
}
inline Arg opt(const char* name, Variant defaultValue) {
    Arg a(name);
    a.defaultValue = std::move(defaultValue);
    return a;
}

template <class F>
Member method(std::string name, F f, std::vector<Arg> names) {
    constexpr std::size_t n = std::tuple_size_v<typename Signature<F>::Args>;
    if (names.size() != n) throw std::logic_error(name + ": " + std::to_string(n) + " arguments, " +
                                                  std::to_string(names.size()) + " names");
    Member m{0, name, Kind::Method, resultOf<F>(), argumentsOf<F>(std::make_index_sequence<n>{}), invokerOf(f), {}};
    for (std::size_t i = 0; i < n; ++i) {
        Argument& a = m.arguments[i];
        a.name = names[i].name;
        a.byref = !names[i].byValue;
        if (names[i].defaultValue) {
            if (!a.optional) throw std::logic_error(name + ": a default for the required " + a.name);
            a.defaultValue = *names[i].defaultValue;
        }
    }
    return m;
}

// A property: a getter taking the object, a setter taking the object and the new value.
template <class G, class P>
Member property(std::string name, G get, P put) {
    Member m{0, std::move(name), Kind::GetPut, resultOf<G>(), {}, invokerOf(get), invokerOf(put)};
    return m;
}
template <class G>
Member readOnly(std::string name, G get) {
    return Member{0, std::move(name), Kind::Get, resultOf<G>(), {}, invokerOf(get), {}};
}
template <class P>
Member writeOnly(std::string name, P put) {
    using Args = typename Signature<P>::Args;
    return Member{0, std::move(name), Kind::Put, Conv<std::decay_t<std::tuple_element_t<0, Args>>>::name(), {}, {},
                  invokerOf(put)};
}

template <class T>
std::function<ObjectRef()> creator() {
    return [] { return std::make_shared<T>(); };
}

}  // namespace kovrin::automation

// The getter and setter of a C++ property as the functions the description takes.
#define KOVRIN_GETTER(C, N) +[](const C& o) { return o.N(); }
#define KOVRIN_SETTER(C, N) +[](C& o, std::decay_t<decltype(std::declval<const C&>().N())> v) { o.N(std::move(v)); }
// A property of the interface and the C++ property that carries it (the same name when one is given).
#define KOVRIN_PROPERTY(C, N) ::kovrin::automation::property(#N, KOVRIN_GETTER(C, N), KOVRIN_SETTER(C, N))
#define KOVRIN_PROPERTY_AS(C, Name, N) ::kovrin::automation::property(Name, KOVRIN_GETTER(C, N), KOVRIN_SETTER(C, N))
#define KOVRIN_READONLY(C, N) ::kovrin::automation::readOnly(#N, KOVRIN_GETTER(C, N))
