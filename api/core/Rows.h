// Reading rows of the shared recordset into values and records.
#pragma once

#include <memory>
#include <string>

#include <KovrinAPI/runtime/Procedure.h>

#include "Connection.h"
#include "DebugLog.h"

namespace kovrin::core {

// A text column as "field & empty text" reads it: Null gives the empty text.
inline std::string textOf(const Variant& v) { return v.isNull() ? std::string() : CStr(v); }

// A whole-number column where Null reads as 0.
inline int32_t longOrZero(const Variant& v) { return v.isNull() ? 0 : CLng(v); }

// A list procedure: logs its entry, runs the query on the shared recordset and gives Empty when
// there is no row, else an array of one new Record per row, filled by fill(record, recordset).
template <class Record, class Fill>
Variant recordList(const char* procedure, const std::string& sql, bool& blnDebug, Fill fill) {
    return passOn(procedure, [&](Line& line) -> Variant {
        line(10);
        if (blnDebug) modUtils::LogDebug(procedure, "");
        line(20);
        modKovrin::OpenConnection(blnDebug);
        line(30);
        db::Recordset rs = query(sql);
        Variant result;
        line(40);
        if (!rs.Eof() && rs.RecordCount() != 0) {
            VariantArray list(static_cast<std::size_t>(rs.RecordCount()));
            for (long i = 0; !rs.Eof(); ++i) {
                line(50);
                auto record = std::make_shared<Record>();
                fill(*record, rs);
                list(i) = Variant(record);
                line(60);
                rs.MoveNext();
            }
            result = Variant(std::move(list));
        }
        line(70);
        rs.Close();
        modKovrin::CloseAll();
        return result;
    });
}

}  // namespace kovrin::core
