#include "BusinessData.h"

#include <KovrinAPI/clsBusinessDetails.h>
#include <KovrinAPI/runtime/Procedure.h>
#include <KovrinAPI/runtime/Text.h>

#include "Connection.h"
#include "State.h"

namespace kovrin::modKovrin {

Variant GetKovrinBusinessList(bool& blnDebug) {
    return passOn("modKovrin.GetKovrinBusinessList", [&](Line& line) -> Variant {
        line(10);
        OpenConnection(blnDebug);
        line(20);
        db::Recordset rs = core::query(std::string("SELECT iBusinessID, vcBusinessName, [vcמספרעוסקמורשה] FROM ") +
                                        "BusinessDetails" + " WHERE iBusinessID > 0");
        line(30);
        if (rs.Eof()) return Variant();  // the connection stays open, as after any early exit
        line(40);
        VariantArray list(static_cast<std::size_t>(rs.RecordCount()));
        long index = 0;
        while (!rs.Eof()) {
            line(50);
            auto business = std::make_shared<clsBusinessDetails>();
            business->BusinessID(CLng(rs.Fields("iBusinessID")));
            business->BusinessName(CStr(rs.Fields("vcBusinessName")));
            business->OsekMorshe(rs.Fields("vcמספרעוסקמורשה"));
            list(index++) = business;
            line(60);
            rs.MoveNext();
        }
        line(70);
        CloseAll();
        return Variant(std::move(list));
    });
}

std::string GetOsekMorshe(bool& blnDebug) {
    return passOn("modKovrin.GetOsekMorshe", [&](Line& line) -> std::string {
        line(10);
        OpenConnection(blnDebug);
        line(20);
        db::Recordset rs = core::query(std::string("SELECT vcמספרעוסקמורשה FROM ") + "BusinessDetails" +
                                        "  WHERE iBusinessID=" + core::businessIdText());
        line(30);
        if (rs.Eof()) return {};
        line(40);
        std::string result = CStr(rs.Fields(0));
        line(50);
        CloseAll();
        return result;
    });
}

void AddErrorToKovrin(const std::string& strErrMessage, bool& blnDebug) {
    passOn("modKovrin.AddErrorToKovrin", [&](Line& line) {
        line(10);
        OpenConnection(blnDebug);
        line(20);
        // The message goes between double quotes; a double quote inside is doubled so the text is
        // stored intact instead of ending the literal early.
        std::string message = text::replaceAll(text::left(strErrMessage, 255), "\"", "\"\"");
        core::execute("INSERT INTO Errors ( vcErrorDescription, iBusinessID ) VALUES(\"" + message + "\", " +
                      core::businessIdText() + ")");
        line(30);
        CloseAll();
    });
}

}  // namespace kovrin::modKovrin
