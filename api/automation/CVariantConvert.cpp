#include "automation/CVariantConvert.h"

#include <KovrinAPI/runtime/Error.h>

#include "automation/CValues.h"

namespace kovrin::automation {
namespace {

// Arrays nested deeper than this are refused rather than followed.
constexpr int MaxDepth = 32;

Variant fromC(const kovrin_variant& v, const ObjectCrossing& objects, int depth) {
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
    case KOVRIN_VT_DISPATCH: return Variant(v.value.object ? objects.in(v.value.object) : ObjectRef());
    case KOVRIN_VT_ARRAY: {
        const auto& a = v.value.array;
        std::size_t n = a.columns ? a.rows * a.columns : a.rows;
        if (depth >= MaxDepth || (n && !a.items) || (a.columns && n / a.columns != a.rows)) break;
        VariantArray out = a.columns ? VariantArray(a.rows, a.columns) : VariantArray(a.rows);
        for (std::size_t r = 0; r < a.rows; ++r) {
            if (!a.columns) out(static_cast<long>(r)) = fromC(a.items[r], objects, depth + 1);
            for (std::size_t c = 0; c < a.columns; ++c)
                out(static_cast<long>(r), static_cast<long>(c)) = fromC(a.items[r * a.columns + c], objects, depth + 1);
        }
        return Variant(std::move(out));
    }
    default: break;
    }
    raiseError(err::TypeMismatch);
}

}  // namespace

Variant fromC(const kovrin_variant& v, const ObjectCrossing& objects) { return fromC(v, objects, 0); }

void toC(const Variant& v, kovrin_variant& out, const ObjectCrossing& objects) {
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
        case VarType::Object:
            r.type = KOVRIN_VT_DISPATCH;
            if (ObjectRef o = v.object()) r.value.object = objects.out(o);
            break;
        case VarType::Array: {
            const VariantArray& a = v.array();
            bool two = a.dimensions() == 2;
            std::size_t rows = static_cast<std::size_t>(a.ubound(1) + 1);
            std::size_t columns = two ? static_cast<std::size_t>(a.ubound(2) + 1) : 0;
            if (cvalue::setArray(&r, rows, columns)) raiseError(err::OutOfMemory);
            for (std::size_t i = 0; i < rows; ++i) {
                if (!two) toC(a(static_cast<long>(i)), r.value.array.items[i], objects);
                for (std::size_t c = 0; c < columns; ++c)
                    toC(a(static_cast<long>(i), static_cast<long>(c)), r.value.array.items[i * columns + c], objects);
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

}  // namespace kovrin::automation
