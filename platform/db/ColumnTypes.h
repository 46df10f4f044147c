// Which Variant type a column's values take. The declared column type decides, as the Jet
// provider decides by the column's type; a column without a declared type (an expression) takes
// the type of each stored value.
#pragma once

#include <string>
#include <string_view>

#include <KovrinAPI/runtime/Date.h>

namespace kovrin::db {

enum class ColumnKind { Stored, Boolean, Currency, Date, Integer, Long, Double, String };

// Case-insensitive: BOOL/BIT/YESNO -> Boolean; CURRENCY/MONEY -> Currency; DATE/TIME -> Date;
// TEXT/CHAR/MEMO/CLOB -> String; SMALLINT/SHORT -> Integer; other INT, COUNTER, LONG -> Long;
// DOUBLE/FLOAT/REAL -> Double; anything else, or no declared type -> Stored.
ColumnKind columnKindOf(std::string_view declaredType);

// "YYYY-MM-DD HH:MM:SS": the text every date is stored as, on both engines.
std::string storedDateText(const CalendarTime& t);

}  // namespace kovrin::db
