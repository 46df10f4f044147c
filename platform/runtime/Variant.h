// Variant: the value of the automation interface. Empty, Null, Boolean, Integer (16-bit), Long
// (32-bit), Double, Currency, Date, String, an object reference, or an array of variants (one or
// two dimensions, lower bound 0). Conversions follow the automation rules and raise their errors:
// 13 type mismatch, 6 overflow, 94 invalid use of Null, 9 subscript out of range.
#pragma once

#include "Export.h"

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "Currency.h"
#include "Date.h"

namespace kovrin {

// Base of every object a Variant can refer to (records, services).
class KOVRIN_API Object {
public:
    virtual ~Object() = default;
};
using ObjectRef = std::shared_ptr<Object>;

enum class VarType : int {
    Empty = 0,
    Null = 1,
    Integer = 2,
    Long = 3,
    Double = 5,
    Currency = 6,
    Date = 7,
    String = 8,
    Object = 9,
    Boolean = 11,
    Array = 8192 | 12,  // an array of variants
};

class VariantArray;

class KOVRIN_API Variant {
public:
    struct NullTag {};

    Variant() = default;  // Empty
    Variant(NullTag) : value_(NullTag{}) {}
    Variant(bool b) : value_(b) {}
    Variant(int16_t i) : value_(i) {}
    Variant(int32_t i) : value_(i) {}
    Variant(double d) : value_(d) {}
    Variant(Currency c) : value_(c) {}
    Variant(Date d) : value_(d) {}
    Variant(std::string s) : value_(std::move(s)) {}
    Variant(const char* s) : value_(std::string(s)) {}
    Variant(std::string_view s) : value_(std::string(s)) {}
    template <class T, class = std::enable_if_t<std::is_base_of_v<Object, T>>>
    Variant(std::shared_ptr<T> obj) : value_(ObjectRef(std::move(obj))) {}
    Variant(VariantArray array);

    static Variant null() { return Variant(NullTag{}); }

    Variant(const Variant& other);
    Variant(Variant&&) noexcept = default;
    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&& other) noexcept;
    ~Variant();

    VarType type() const;
    bool isEmpty() const { return value_.index() == 0; }
    bool isNull() const { return std::holds_alternative<NullTag>(value_); }
    bool isArray() const { return std::holds_alternative<ArrayBox>(value_); }
    bool isObject() const { return std::holds_alternative<ObjectRef>(value_); }
    bool isString() const { return std::holds_alternative<std::string>(value_); }
    // Boolean, Integer, Long, Double, Currency (not Date, not text).
    bool isNumber() const;

    // The array held; error 13 when the variant holds no array.
    VariantArray& array();
    const VariantArray& array() const;
    // The object held (nullptr for Nothing); error 13 when it holds something else.
    ObjectRef object() const;
    template <class T>
    std::shared_ptr<T> objectAs() const {
        return std::dynamic_pointer_cast<T>(object());
    }

    // Exact same type and value (arrays and objects compare by content and identity).
    friend KOVRIN_API bool operator==(const Variant& a, const Variant& b);

private:
    struct ArrayBox {
        std::unique_ptr<VariantArray> p;
    };
    std::variant<std::monostate, NullTag, bool, int16_t, int32_t, double, Currency, Date, std::string, ObjectRef, ArrayBox>
        value_;

    friend struct VariantAccess;
};

// An array of variants indexed from 0: one dimension (n elements) or two (rows x columns).
// An array "without elements" has one dimension and upper bound -1.
class KOVRIN_API VariantArray {
public:
    VariantArray() = default;
    explicit VariantArray(std::size_t count);
    VariantArray(std::size_t rows, std::size_t columns);

    int dimensions() const { return static_cast<int>(extents_.size()); }
    // Lower bound is always 0; upper bound of dimension 1 or 2 (error 9 for another dimension).
    long lbound(int dimension = 1) const;
    long ubound(int dimension = 1) const;
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }

    // Element access with bounds checks (error 9).
    Variant& operator()(long i);
    const Variant& operator()(long i) const;
    Variant& operator()(long row, long column);
    const Variant& operator()(long row, long column) const;

    friend bool operator==(const VariantArray& a, const VariantArray& b) {
        return a.extents_ == b.extents_ && a.items_ == b.items_;
    }

private:
    std::vector<std::size_t> extents_{0};
    std::vector<Variant> items_;
};

// Conversions with the automation rules.
KOVRIN_API std::string CStr(const Variant& v);
KOVRIN_API int16_t CInt(const Variant& v);
KOVRIN_API int32_t CLng(const Variant& v);
KOVRIN_API double CDbl(const Variant& v);
KOVRIN_API Currency CCur(const Variant& v);
KOVRIN_API Date CDate(const Variant& v);
KOVRIN_API bool CBool(const Variant& v);

// True for numbers and for text that reads as a number; Empty counts as numeric, Null does not.
KOVRIN_API bool IsNumeric(const Variant& v);
// True for dates and text that reads as a date.
KOVRIN_API bool IsDate(const Variant& v);

// Text forms of the plain types, as CStr gives them.
KOVRIN_API std::string toText(double d);
KOVRIN_API std::string toText(bool b);

// Banker's rounding of a double to a whole number, as the integer conversions do.
KOVRIN_API double roundHalfEven(double d);

}  // namespace kovrin
