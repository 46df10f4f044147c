#include "Variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "Error.h"
#include "Text.h"

namespace kovrin {

// ---- Variant ---------------------------------------------------------------------------------

Variant::Variant(VariantArray array) : value_(ArrayBox{std::make_unique<VariantArray>(std::move(array))}) {}

Variant::Variant(const Variant& other) {
    if (const auto* box = std::get_if<ArrayBox>(&other.value_))
        value_ = ArrayBox{std::make_unique<VariantArray>(*box->p)};  // arrays copy by value
    else
        std::visit(
            [this](const auto& v) {
                if constexpr (!std::is_same_v<std::decay_t<decltype(v)>, ArrayBox>) value_ = v;
            },
            other.value_);
}

// `other` may be an element of this variant's own array (a = a.array()(0)), which dies when the
// old value is replaced: take the new value out of it before anything of the old one goes.
Variant& Variant::operator=(const Variant& other) {
    if (this != &other) *this = Variant(other);
    return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other) {
        auto taken = std::move(other.value_);
        value_ = std::move(taken);
    }
    return *this;
}

Variant::~Variant() = default;

VarType Variant::type() const {
    static constexpr VarType types[] = {VarType::Empty,    VarType::Null, VarType::Boolean, VarType::Integer,
                                        VarType::Long,     VarType::Double, VarType::Currency, VarType::Date,
                                        VarType::String,   VarType::Object, VarType::Array};
    return types[value_.index()];
}

bool Variant::isNumber() const {
    switch (type()) {
    case VarType::Boolean:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double:
    case VarType::Currency: return true;
    default: return false;
    }
}

VariantArray& Variant::array() {
    if (auto* box = std::get_if<ArrayBox>(&value_)) return *box->p;
    raiseError(err::TypeMismatch);
}

const VariantArray& Variant::array() const {
    if (const auto* box = std::get_if<ArrayBox>(&value_)) return *box->p;
    raiseError(err::TypeMismatch);
}

ObjectRef Variant::object() const {
    if (const auto* obj = std::get_if<ObjectRef>(&value_)) return *obj;
    raiseError(err::TypeMismatch);
}

bool operator==(const Variant& a, const Variant& b) {
    if (a.value_.index() != b.value_.index()) return false;
    if (a.isArray()) return a.array() == b.array();
    return std::visit(
        [&b](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, Variant::ArrayBox>) return false;
            else if constexpr (std::is_same_v<T, std::monostate> || std::is_same_v<T, Variant::NullTag>) return true;
            else return x == std::get<T>(b.value_);
        },
        a.value_);
}

// Gives the conversions below access to the stored alternative.
struct VariantAccess {
    template <class F>
    static decltype(auto) visit(const Variant& v, F&& f) {
        return std::visit(std::forward<F>(f), v.value_);
    }
    using NullTag = Variant::NullTag;
    using ArrayBox = Variant::ArrayBox;
};

// ---- VariantArray ----------------------------------------------------------------------------

VariantArray::VariantArray(std::size_t count) : extents_{count}, items_(count) {}

VariantArray::VariantArray(std::size_t rows, std::size_t columns) : extents_{rows, columns}, items_(rows * columns) {}

long VariantArray::lbound(int dimension) const {
    if (dimension < 1 || dimension > dimensions()) raiseError(err::SubscriptOutOfRange);
    return 0;
}

long VariantArray::ubound(int dimension) const {
    if (dimension < 1 || dimension > dimensions()) raiseError(err::SubscriptOutOfRange);
    return static_cast<long>(extents_[static_cast<std::size_t>(dimension - 1)]) - 1;
}

Variant& VariantArray::operator()(long i) {
    return const_cast<Variant&>(static_cast<const VariantArray&>(*this)(i));
}

const Variant& VariantArray::operator()(long i) const {
    if (dimensions() != 1 || i < 0 || static_cast<std::size_t>(i) >= extents_[0]) raiseError(err::SubscriptOutOfRange);
    return items_[static_cast<std::size_t>(i)];
}

Variant& VariantArray::operator()(long row, long column) {
    return const_cast<Variant&>(static_cast<const VariantArray&>(*this)(row, column));
}

const Variant& VariantArray::operator()(long row, long column) const {
    if (dimensions() != 2 || row < 0 || column < 0 || static_cast<std::size_t>(row) >= extents_[0] ||
        static_cast<std::size_t>(column) >= extents_[1])
        raiseError(err::SubscriptOutOfRange);
    return items_[static_cast<std::size_t>(row) * extents_[1] + static_cast<std::size_t>(column)];
}

// ---- numbers and text ------------------------------------------------------------------------

double roundHalfEven(double d) { return std::nearbyint(d); }  // the default rounding mode is to-even

std::string toText(bool b) { return b ? "True" : "False"; }

std::string toText(double d) {
    if (d == 0) return "0";
    if (std::isnan(d)) return "NaN";
    if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
    // Fifteen significant digits, as the automation text conversion gives them.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", d);
    std::string s = buf;
    std::size_t e = s.find('e');
    int exponent = std::stoi(s.substr(e + 1));
    std::string mantissa = s.substr(0, e);
    bool negative = mantissa[0] == '-';
    if (negative) mantissa.erase(0, 1);
    std::string digits = mantissa.substr(0, 1) + mantissa.substr(2);
    digits.erase(digits.find_last_not_of('0') + 1);
    std::string out = negative ? "-" : "";
    if (exponent >= 15 || exponent < -5) {
        out += digits.substr(0, 1);
        if (digits.size() > 1) out += "." + digits.substr(1);
        char ebuf[16];
        std::snprintf(ebuf, sizeof ebuf, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return out + ebuf;
    }
    if (exponent < 0) return out + "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    std::size_t intLen = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= intLen) return out + digits + std::string(intLen - digits.size(), '0');
    return out + digits.substr(0, intLen) + "." + digits.substr(intLen);
}

namespace {

// Text read as a number: plain decimal with optional sign and exponent, or &H / &O literals.
bool textToDouble(const std::string& raw, double& out) {
    std::string s = text::trim(raw);
    if (s.empty()) return false;
    if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
        int base = (s[1] == 'H' || s[1] == 'h') ? 16 : 8;
        uint32_t v = 0;
        auto res = std::from_chars(s.data() + 2, s.data() + s.size(), v, base);
        if (res.ec != std::errc() || res.ptr != s.data() + s.size()) return false;
        out = static_cast<double>(static_cast<int32_t>(v));
        return true;
    }
    const char* b = s.data();
    const char* e = s.data() + s.size();
    if (*b == '+') ++b;  // from_chars takes a minus sign but not a plus
    const char* first = (b < e && *b == '-') ? b + 1 : b;
    if (first == e || !((*first >= '0' && *first <= '9') || *first == '.')) return false;  // no "inf", "nan"
    auto res = std::from_chars(b, e, out);
    return res.ec == std::errc() && res.ptr == e;
}

[[noreturn]] void mismatch() { raiseError(err::TypeMismatch); }

double toDoubleStrict(const Variant& v) {
    return VariantAccess::visit(v, [](const auto& x) -> double {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) return 0.0;
        else if constexpr (std::is_same_v<T, VariantAccess::NullTag>) raiseError(err::InvalidUseOfNull);
        else if constexpr (std::is_same_v<T, bool>) return x ? -1.0 : 0.0;
        else if constexpr (std::is_same_v<T, int16_t> || std::is_same_v<T, int32_t> || std::is_same_v<T, double>)
            return static_cast<double>(x);
        else if constexpr (std::is_same_v<T, Currency>) return x.toDouble();
        else if constexpr (std::is_same_v<T, Date>) return x.serial();
        else if constexpr (std::is_same_v<T, std::string>) {
            double d;
            if (!textToDouble(x, d)) mismatch();
            return d;
        } else mismatch();
    });
}

template <class Int>
Int toInteger(const Variant& v) {
    if (v.type() == VarType::Currency) {
        // Round the exact scaled value, so 2.5 goes to 2 and 3.5 to 4 without double error.
        int64_t s = CCur(v).scaled();
        int64_t q = s / Currency::Scale, r = s % Currency::Scale;
        if (r > Currency::Scale / 2 || (r == Currency::Scale / 2 && (q & 1))) ++q;
        if (r < -Currency::Scale / 2 || (r == -Currency::Scale / 2 && (q & 1))) --q;
        if (q < std::numeric_limits<Int>::min() || q > std::numeric_limits<Int>::max()) raiseError(err::Overflow);
        return static_cast<Int>(q);
    }
    double d = roundHalfEven(toDoubleStrict(v));
    if (!(d >= static_cast<double>(std::numeric_limits<Int>::min()) && d <= static_cast<double>(std::numeric_limits<Int>::max())))
        raiseError(err::Overflow);
    return static_cast<Int>(d);
}

}  // namespace

std::string CStr(const Variant& v) {
    return VariantAccess::visit(v, [](const auto& x) -> std::string {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) return {};
        else if constexpr (std::is_same_v<T, VariantAccess::NullTag>) raiseError(err::InvalidUseOfNull);
        else if constexpr (std::is_same_v<T, bool>) return toText(x);
        else if constexpr (std::is_same_v<T, int16_t> || std::is_same_v<T, int32_t>) return std::to_string(x);
        else if constexpr (std::is_same_v<T, double>) return toText(x);
        else if constexpr (std::is_same_v<T, Currency>) return x.toString();
        else if constexpr (std::is_same_v<T, Date>) return x.generalDate();
        else if constexpr (std::is_same_v<T, std::string>) return x;
        else mismatch();
    });
}

int16_t CInt(const Variant& v) { return toInteger<int16_t>(v); }

int32_t CLng(const Variant& v) { return toInteger<int32_t>(v); }

double CDbl(const Variant& v) { return toDoubleStrict(v); }

Currency CCur(const Variant& v) {
    switch (v.type()) {
    case VarType::Currency: return VariantAccess::visit(v, [](const auto& x) -> Currency {
            if constexpr (std::is_same_v<std::decay_t<decltype(x)>, Currency>) return x;
            else return Currency();
        });
    case VarType::String: {
        // Decimal text converts exactly; other numeric text (&H10) through its value.
        Currency c;
        if (Currency::tryParse(CStr(v), c)) return c;
        return Currency::fromDouble(toDoubleStrict(v));
    }
    case VarType::Integer:
    case VarType::Long: return Currency::fromScaled(int64_t{CLng(v)} * Currency::Scale);
    default: return Currency::fromDouble(toDoubleStrict(v));
    }
}

Date CDate(const Variant& v) {
    if (v.isString()) return Date::parse(CStr(v));
    double d = toDoubleStrict(v);
    if (!Date::inRange(d)) raiseError(err::Overflow);
    return Date(d);
}

bool CBool(const Variant& v) {
    if (v.isString()) {
        std::string s = text::trim(CStr(v));
        if (text::equalsNoCase(s, "True")) return true;
        if (text::equalsNoCase(s, "False")) return false;
    }
    return toDoubleStrict(v) != 0.0;
}

bool IsNumeric(const Variant& v) {
    switch (v.type()) {
    case VarType::Empty: return true;
    case VarType::String: {
        double d;
        return textToDouble(CStr(v), d);
    }
    default: return v.isNumber();
    }
}

bool IsDate(const Variant& v) {
    if (v.type() == VarType::Date) return true;
    Date d;
    return v.isString() && Date::tryParse(CStr(v), d);
}

}  // namespace kovrin
