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

// Written by hand: a lookup by date binds one per run, and formatting it through fmt cost as much
// as the lookup's own SQLite work.
std::string storedDateText(const CalendarTime& t) {
    std::string out(19, ' ');
    auto put = [&](int value, int at, int digits) {
        for (int d = digits - 1; d >= 0; --d, value /= 10) out[at + d] = static_cast<char>('0' + value % 10);
    };
    put(t.year, 0, 4);
    out[4] = '-';
    put(t.month, 5, 2);
    out[7] = '-';
    put(t.day, 8, 2);
    put(t.hour, 11, 2);
    out[13] = ':';
    put(t.minute, 14, 2);
    out[16] = ':';
    put(t.second, 17, 2);
    return out;
}

}  // namespace kovrin::db
