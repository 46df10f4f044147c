// The value query. The front-end's saved queries are views of the bookkeeping database, so the
// value is read with SQL on the database file itself instead of through an automation instance of
// the front-end.
#include <KovrinAPI/runtime/Procedure.h>

#include "FrontEnd.h"
#include "api/core/DebugLog.h"
#include "platform/db/Database.h"

namespace kovrin::modAccess {

Variant GetAccessValue(const std::string& strDB, const std::string& strSQL, bool blnClose, bool& blnDebug) {
    return passOn("modAccess.GetAccessValue", [&](Line& line) {
        line(10);
        if (blnDebug) {
            modUtils::LogDebug("modAccess.GetAccessValue", "strDB", Variant(strDB));
            modUtils::LogDebug("modAccess.GetAccessValue", "strSQL", Variant(strSQL));
        }
        line(20);
        auto connection = std::make_shared<db::Connection>();
        connection->ConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + strDB + ";Mode=Read|Write";
        connection->Open();
        line(30);
        db::Recordset rs;
        rs.ActiveConnection(connection);
        rs.Source = strSQL;
        rs.Open();
        line(40);
        Variant value = rs.Fields(0);  // no row: 3021
        line(50);
        rs.Close();
        // The connection is the call's own: it is closed whether or not the caller asked for it.
        (void)blnClose;
        connection->Close();
        return value;
    });
}

}  // namespace kovrin::modAccess
