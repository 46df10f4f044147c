#include "platform/db/ColumnTypes.h"

#include <initializer_list>

#include <KovrinAPI/runtime/Text.h>

namespace kovrin::db {

ColumnKind columnKindOf(std::string_view declaredType) {
    const std::string t = text::toUpperAscii(declaredType);
    auto has = [&](std::initializer_list<std::string_view> words) {
        for (std::string_view w : words)
            if (t.find(w) != std::string::npos) return true;
        return false;
    };
    if (t.empty()) return ColumnKind::Stored;
    // The order matters: DATETIME is a date, LONGTEXT and LONGCHAR are text, SMALLINT is not a Long.
    if (has({"BOOL", "BIT", "YESNO"})) return ColumnKind::Boolean;
    if (has({"CURRENCY", "MONEY"})) return ColumnKind::Currency;
    if (has({"DATE", "TIME"})) return ColumnKind::Date;
    if (has({"TEXT", "CHAR", "MEMO", "CLOB"})) return ColumnKind::String;
    if (has({"SMALLINT", "SHORT"})) return ColumnKind::Integer;
    if (has({"INT", "COUNTER", "LONG"})) return ColumnKind::Long;
    if (has({"DOUBLE", "FLOAT", "REAL"})) return ColumnKind::Double;
    return ColumnKind::Stored;
}

}  // namespace kovrin::db
